#include "core/value_encoding.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {

namespace {

void AppendCharRef(QString& out, char16_t c)
{
    out += u"&#";
    out += QString::number(int(c));
    out += u';';
}

} // namespace

namespace {

// What the encoder does with a character below 128; characters from 128 on are copied.
enum TValueAction : uint8_t
{
    vaCopy,       // copied
    vaCopyQuoted, // copied; the value needs quotes
    vaCharRef,    // "&#n;"
    vaQuot,       // "&quot;"
    vaAmp,        // "&amp;"
    vaLt,         // "&lt;"
    vaGt,         // "&gt;"
    vaDoubled,    // '"' doubled; the value needs quotes
};

struct TValueActions
{
    TValueAction Strict[128];
    TValueAction Relaxed[128];

    constexpr TValueActions() : Strict(), Relaxed()
    {
        for (int c = 0; c < 128; ++c) {
            Strict[c] = c < 32 ? vaCharRef : vaCopy;
            Relaxed[c] = vaCopy;
        }
        // Documents: references for control characters and markup; quotes for what would end an
        // unquoted value (white space is written as references, so only the space remains).
        Strict[int(u'"')] = vaQuot;
        Strict[int(u'&')] = vaAmp;
        Strict[int(u'<')] = vaLt;
        Strict[int(u'>')] = vaGt;
        Strict[int(u' ')] = vaCopyQuoted;
        Strict[int(u'/')] = vaCopyQuoted;
        // Quote mode: the reader decodes references in every value, so "&" and NUL must be written
        // as references to come back unchanged; everything that ends an unquoted value needs quotes.
        Relaxed[0] = vaCharRef;
        Relaxed[int(u'&')] = vaAmp;
        Relaxed[int(u'"')] = vaDoubled;
        for (const char16_t c : {u' ', u'\t', u'\r', u'\n', u'/', u'>'})
            Relaxed[int(c)] = vaCopyQuoted;
    }
};

constexpr TValueActions valueActions;

template <class TChar>
inline uint32_t Unit(TChar c)
{
    return static_cast<std::make_unsigned_t<TChar>>(c);
}

template <class TChar>
TChar* PutLatin1(TChar* out, const char* text)
{
    while (*text != 0)
        *out++ = TChar(*text++);
    return out;
}

// UTF-8 text is mostly bytes that are copied: they go sixteen at a time, up to the first byte that
// needs more than a copy or the last sixteen bytes. `quotes` is set when a byte that needs quotes
// was copied. `out` has room for sixteen bytes whenever sixteen are left to read.
inline void CopyPlainBlocks(const char*& p, const char* end, char*& out, bool relaxed, bool& quotes)
{
#if defined(__SSE2__)
    auto is = [](__m128i bytes, char c) {
        return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c));
    };
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
        __m128i special;
        __m128i quoted;
        if (relaxed) {
            special = _mm_or_si128(_mm_or_si128(is(bytes, 0), is(bytes, '&')), is(bytes, '"'));
            const __m128i space = _mm_or_si128(_mm_or_si128(is(bytes, ' '), is(bytes, '\t')),
                                               _mm_or_si128(is(bytes, '\r'), is(bytes, '\n')));
            quoted = _mm_or_si128(space, _mm_or_si128(is(bytes, '/'), is(bytes, '>')));
        } else {
            const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(31)), bytes);
            special =
                _mm_or_si128(_mm_or_si128(control, is(bytes, '"')),
                             _mm_or_si128(is(bytes, '&'), _mm_or_si128(is(bytes, '<'), is(bytes, '>'))));
            quoted = _mm_or_si128(is(bytes, ' '), is(bytes, '/'));
        }
        const unsigned specials = unsigned(_mm_movemask_epi8(special));
        const unsigned quotedBytes = unsigned(_mm_movemask_epi8(quoted));
        if (specials != 0) {
            const int at = __builtin_ctz(specials);
            quotes = quotes || (quotedBytes & ((1u << at) - 1)) != 0;
            p += at;
            out += at;
            return;
        }
        quotes = quotes || quotedBytes != 0;
        p += 16;
        out += 16;
    }
#else
    static_cast<void>(p);
    static_cast<void>(end);
    static_cast<void>(out);
    static_cast<void>(relaxed);
    static_cast<void>(quotes);
#endif
}

// What the encoder writes for each byte of UTF-8: the byte itself or its reference, at most six
// bytes, and whether the value needs quotes for it.
struct TByteCode
{
    char Bytes[6];
    uint8_t Size;
    bool Quotes;
};

struct TByteCodes
{
    TByteCode Strict[256];
    TByteCode Relaxed[256];

    constexpr TByteCodes() : Strict(), Relaxed()
    {
        for (int c = 0; c < 256; ++c) {
            Strict[c] = Code(c, c < 128 ? valueActions.Strict[c] : vaCopy);
            Relaxed[c] = Code(c, c < 128 ? valueActions.Relaxed[c] : vaCopy);
        }
    }

    static constexpr TByteCode Code(int c, TValueAction action)
    {
        TByteCode code{};
        auto put = [&](const char* text) {
            for (; *text != 0; ++text)
                code.Bytes[code.Size++] = *text;
        };
        switch (action) {
        case vaCopy:
        case vaCopyQuoted:
            code.Bytes[code.Size++] = char(c);
            code.Quotes = action == vaCopyQuoted;
            break;
        case vaCharRef:
            put("&#");
            if (c >= 10)
                code.Bytes[code.Size++] = char('0' + c / 10);
            code.Bytes[code.Size++] = char('0' + c % 10);
            put(";");
            break;
        case vaQuot:
            put("&quot;");
            break;
        case vaAmp:
            put("&amp;");
            break;
        case vaLt:
            put("&lt;");
            break;
        case vaGt:
            put("&gt;");
            break;
        case vaDoubled:
            put("\"\"");
            code.Quotes = true;
            break;
        }
        return code;
    }
};

constexpr TByteCodes byteCodes;

// The encoder of UTF-8: blocks of plain bytes, then each byte from the table. Writing all six bytes
// of an entry is safe: `out` has room for six bytes per byte left to read.
char* EncodeUtf8(char* out, const char* p, const char* const end, bool relaxed, bool* needsQuotes)
{
    const TByteCode* codes = relaxed ? byteCodes.Relaxed : byteCodes.Strict;
    bool quotes = false;
    while (p < end) {
        CopyPlainBlocks(p, end, out, relaxed, quotes);
        if (p == end)
            break;
        // Up to the next block: the byte that stopped it, or the last few bytes.
        const char* stop = std::min(end, p + 16);
        do {
            const TByteCode& code = codes[static_cast<unsigned char>(*p++)];
            std::memcpy(out, code.Bytes, sizeof(code.Bytes));
            out += code.Size;
            quotes = quotes || code.Quotes;
        } while (p < stop && end - p < 16);
    }
    if (needsQuotes != nullptr)
        *needsQuotes = quotes;
    return out;
}

// The encoder of UTF-16 code units (UTF-8 bytes go through EncodeUtf8 above).
template <class TChar>
TChar* EncodeRange(TChar* out, const TChar* p, const TChar* const end, bool relaxed, bool* needsQuotes)
{
    const TValueAction* actions = relaxed ? valueActions.Relaxed : valueActions.Strict;
    bool quotes = false;
    while (p < end) {
        const TChar* run = p;
        while (p < end && (Unit(*p) >= 128 || actions[Unit(*p)] == vaCopy))
            ++p;
        if (p > run) {
            std::memcpy(out, run, size_t(p - run) * sizeof(TChar));
            out += p - run;
        }
        if (p == end)
            break;
        const uint32_t c = Unit(*p++);
        switch (actions[c]) {
        case vaCopy:
            break;
        case vaCopyQuoted:
            quotes = true;
            *out++ = TChar(c);
            break;
        case vaCharRef:
            *out++ = TChar('&');
            *out++ = TChar('#');
            if (c >= 10)
                *out++ = TChar('0' + c / 10);
            *out++ = TChar('0' + c % 10);
            *out++ = TChar(';');
            break;
        case vaQuot:
            out = PutLatin1(out, "&quot;");
            break;
        case vaAmp:
            out = PutLatin1(out, "&amp;");
            break;
        case vaLt:
            out = PutLatin1(out, "&lt;");
            break;
        case vaGt:
            out = PutLatin1(out, "&gt;");
            break;
        case vaDoubled:
            quotes = true;
            *out++ = TChar('"');
            *out++ = TChar('"');
            break;
        }
    }
    if (needsQuotes != nullptr)
        *needsQuotes = quotes;
    return out;
}

// Writes a decoded character reference. UTF-16 takes the code unit as it is; UTF-8 encodes it, joins
// a pending high surrogate with a following low one and turns lone surrogates into U+FFFD.
struct TUtf16Sink
{
    static void Put(char16_t* text, qsizetype& write, uint32_t code, uint32_t&)
    {
        text[write++] = char16_t(code);
    }
    static void Flush(char16_t*, qsizetype&, uint32_t&) {}
};

struct TUtf8Sink
{
    static void PutCode(char* text, qsizetype& write, uint32_t code)
    {
        if (code < 0x80) {
            text[write++] = char(code);
        } else if (code < 0x800) {
            text[write++] = char(0xC0 | (code >> 6));
            text[write++] = char(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            text[write++] = char(0xE0 | (code >> 12));
            text[write++] = char(0x80 | ((code >> 6) & 0x3F));
            text[write++] = char(0x80 | (code & 0x3F));
        } else {
            text[write++] = char(0xF0 | (code >> 18));
            text[write++] = char(0x80 | ((code >> 12) & 0x3F));
            text[write++] = char(0x80 | ((code >> 6) & 0x3F));
            text[write++] = char(0x80 | (code & 0x3F));
        }
    }

    // A pending high surrogate has room behind it: its own reference was at least 8 bytes long.
    static void Put(char* text, qsizetype& write, uint32_t code, uint32_t& pendingHigh)
    {
        if (code >= 0xDC00 && code <= 0xDFFF && pendingHigh != 0) {
            PutCode(text, write, 0x10000 + ((pendingHigh - 0xD800) << 10) + (code - 0xDC00));
            pendingHigh = 0;
            return;
        }
        Flush(text, write, pendingHigh);
        if (code >= 0xD800 && code <= 0xDBFF)
            pendingHigh = code;
        else
            PutCode(text, write, code >= 0xDC00 && code <= 0xDFFF ? 0xFFFD : code);
    }

    static void Flush(char* text, qsizetype& write, uint32_t& pendingHigh)
    {
        if (pendingHigh != 0) {
            PutCode(text, write, 0xFFFD);
            pendingHigh = 0;
        }
    }
};

// Copies in[read…] to out[write…] up to the next "&" and advances both positions; `out` may be `in`
// (write <= read). The "&" is found by the C library's vectorised search.
inline void MoveRun(const char* in, qsizetype& read, char* out, qsizetype& write, qsizetype size)
{
    const char* from = in + read;
    const void* amp = std::memchr(from, '&', size_t(size - read));
    const qsizetype run = amp != nullptr ? static_cast<const char*>(amp) - from : size - read;
    if (out + write != from)
        std::memmove(out + write, from, size_t(run));
    read += run;
    write += run;
}

inline void MoveRun(const char16_t* in, qsizetype& read, char16_t* out, qsizetype& write, qsizetype size)
{
    while (read < size && in[read] != u'&')
        out[write++] = in[read++];
}

// Decodes the references of `in` into `out` and returns the size written, never more than `size`.
// `out` may be `in`: nothing is written ahead of what was read.
template <class TChar, class TSink>
qsizetype DecodeReferences(const TChar* in, qsizetype size, TChar* out)
{
    qsizetype read = 0;
    qsizetype write = 0;
    uint32_t pendingHigh = 0;
    while (read < size) {
        const TChar c = in[read];
        if (c != TChar('&')) {
            TSink::Flush(out, write, pendingHigh);
            MoveRun(in, read, out, write, size);
            continue;
        }
        // A name never holds "&", so the search for its ";" stops at the next "&": every text is read
        // once, however it is made.
        qsizetype semicolon = read + 1;
        while (semicolon < size && in[semicolon] != TChar(';') && in[semicolon] != TChar('&'))
            ++semicolon;
        if (semicolon == size || in[semicolon] == TChar('&')) {
            TSink::Flush(out, write, pendingHigh);
            out[write++] = c;
            ++read;
            continue;
        }
        const TChar* name = in + read + 1;
        const qsizetype length = semicolon - read - 1;
        auto is = [&](const char* word) {
            qsizetype i = 0;
            for (; i < length && word[i] != 0; ++i) {
                if (name[i] != TChar(word[i]))
                    return false;
            }
            return i == length && word[i] == 0;
        };
        uint32_t decoded = 0;
        bool known = true;
        if (length > 1 && name[0] == TChar('#')) {
            for (qsizetype i = 1; i < length; ++i) {
                const uint32_t d = Unit(name[i]);
                if (d < '0' || d > '9' || decoded > 0xFFFF) {
                    known = false;
                    break;
                }
                decoded = decoded * 10 + (d - '0');
            }
            known = known && decoded <= 0xFFFF;
        } else if (is("quot")) {
            decoded = '"';
        } else if (is("lt")) {
            decoded = '<';
        } else if (is("gt")) {
            decoded = '>';
        } else if (is("amp")) {
            decoded = '&';
        } else {
            known = false;
        }
        if (known) {
            TSink::Put(out, write, decoded, pendingHigh);
            read = semicolon + 1;
        } else {
            TSink::Flush(out, write, pendingHigh);
            out[write++] = c; // the search goes on right after this "&"
            ++read;
        }
    }
    TSink::Flush(out, write, pendingHigh);
    return write;
}

// Scanning from the end, each of the first quoteCount / 2 pairs of adjacent quotes keeps one quote.
// The text is written backwards to the end of the buffer, then moved to its start.
template <class TChar>
qsizetype ReduceQuotePairs(TChar* text, qsizetype size, int quoteCount)
{
    int pairs = quoteCount / 2;
    if (pairs <= 0)
        return size;
    TChar* w = text + size;
    qsizetype i = size - 1;
    while (i >= 0) {
        if (pairs > 0 && i > 0 && text[i] == TChar('"') && text[i - 1] == TChar('"')) {
            *--w = TChar('"');
            i -= 2;
            --pairs;
        } else {
            *--w = text[i--];
        }
    }
    const qsizetype length = text + size - w;
    std::memmove(text, w, size_t(length) * sizeof(TChar));
    return length;
}

} // namespace

char16_t* EncodeValueTo(char16_t* out, QStringView text, bool relaxed, bool* needsQuotes)
{
    return EncodeRange(out, text.utf16(), text.utf16() + text.size(), relaxed, needsQuotes);
}

char* EncodeValueTo(char* out, QByteArrayView utf8, bool relaxed, bool* needsQuotes)
{
    return EncodeUtf8(out, utf8.data(), utf8.data() + utf8.size(), relaxed, needsQuotes);
}

QString EncodeValue(const QString& text, bool relaxed, bool* needsQuotes)
{
    QString out(MaxEncodedValueSize(text.size()), Qt::Uninitialized);
    char16_t* begin = reinterpret_cast<char16_t*>(out.data());
    char16_t* end = EncodeValueTo(begin, text, relaxed, needsQuotes);
    out.resize(end - begin);
    if (out.capacity() > 2 * out.size() + 64)
        out.squeeze();
    return out;
}

QString DecodeValue(QStringView text, int quoteCount, bool decodeEntities)
{
    QString out(text.size(), Qt::Uninitialized);
    char16_t* begin = reinterpret_cast<char16_t*>(out.data());
    qsizetype length = text.size();
    if (quoteCount >= 2 || !decodeEntities) {
        if (length > 0)
            std::memcpy(begin, text.utf16(), size_t(length) * sizeof(char16_t));
        length = ReduceQuotePairs(begin, length, quoteCount);
        if (decodeEntities)
            length = DecodeReferences<char16_t, TUtf16Sink>(begin, length, begin);
    } else {
        length = DecodeReferences<char16_t, TUtf16Sink>(text.utf16(), length, begin);
    }
    out.resize(length);
    return out;
}

QString DecodeValue(const QString& text, int quoteCount, bool decodeEntities)
{
    if (quoteCount < 2 && (!decodeEntities || !text.contains(u'&')))
        return text;
    return DecodeValue(QStringView(text), quoteCount, decodeEntities);
}

qsizetype DecodeValueInPlace(char* utf8, qsizetype size, int quoteCount, bool decodeEntities)
{
    qsizetype length = ReduceQuotePairs(utf8, size, quoteCount);
    if (decodeEntities)
        length = DecodeReferences<char, TUtf8Sink>(utf8, length, utf8);
    return length;
}

qsizetype DecodeValueTo(char* out, QByteArrayView utf8, int quoteCount, bool decodeEntities)
{
    if (quoteCount >= 2 || !decodeEntities) {
        if (!utf8.isEmpty())
            std::memcpy(out, utf8.data(), size_t(utf8.size()));
        return DecodeValueInPlace(out, utf8.size(), quoteCount, decodeEntities);
    }
    return DecodeReferences<char, TUtf8Sink>(utf8.data(), utf8.size(), out);
}

QString TextFromUtf8(QByteArrayView utf8)
{
    if (!utf8.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(utf8);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}

QString EscapeText(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        switch (c) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        case u'\'':
            AppendCharRef(out, c);
            break;
        default:
            if (c >= 1 && c < 32)
                AppendCharRef(out, c);
            else
                out += ch;
            break;
        }
    }
    return out;
}

} // namespace qv
