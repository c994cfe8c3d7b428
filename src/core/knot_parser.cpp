#include "core/knot.h"

#include "core/strings.h"
#include "core/value_encoding.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {

namespace {

// Character classes of the reader, for bytes below 128 (bytes of UTF-8 sequences are never markup).
enum : uint8_t
{
    ccSpace = 0x01,     // white space: space, tab, CR, LF
    ccNameEnd = 0x02,   // ends a name: white space, '"', '/', '<', '=', '>'
    ccValueStop = 0x04, // needs a look inside a value: white space, '/', '>', '"', '&'
};

struct TCharClasses
{
    uint8_t Of[256];

    constexpr TCharClasses() : Of()
    {
        for (const char c : {' ', '\t', '\r', '\n'})
            Of[int(c)] = ccSpace | ccNameEnd | ccValueStop;
        for (const char c : {'"', '/', '<', '=', '>'})
            Of[int(c)] |= ccNameEnd;
        for (const char c : {'/', '>', '"', '&'})
            Of[int(c)] |= ccValueStop;
    }
};

constexpr TCharClasses charClasses;

inline bool Is(char c, uint8_t cls)
{
    return (charClasses.Of[static_cast<unsigned char>(c)] & cls) != 0;
}

// Values make up most of a text: they are searched sixteen bytes at a time.

// The first '"' (the only byte that matters inside quotes), or `end`; `ampersand` is set when an "&"
// comes before it.
inline const char* FindQuote(const char* p, const char* end, bool& ampersand)
{
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i amp = _mm_set1_epi8('&');
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned quotes = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, quote)));
        const unsigned amps = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, amp)));
        if (quotes != 0) {
            const int at = __builtin_ctz(quotes);
            if ((amps & ((1u << at) - 1)) != 0)
                ampersand = true;
            return p + at;
        }
        if (amps != 0)
            ampersand = true;
        p += 16;
    }
#endif
    for (; p < end && *p != '"'; ++p) {
        if (*p == '&')
            ampersand = true;
    }
    return p;
}

// The first byte of class ccValueStop, or `end`.
inline const char* FindValueStop(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i slash = _mm_set1_epi8('/');
    const __m128i greater = _mm_set1_epi8('>');
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Candidates: every byte up to the space (white space among them), '"', '&', '/' and '>'.
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(bytes, space), bytes), _mm_cmpeq_epi8(bytes, quote)),
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, amp), _mm_cmpeq_epi8(bytes, slash)),
                         _mm_cmpeq_epi8(bytes, greater)));
        unsigned mask = unsigned(_mm_movemask_epi8(hits));
        while (mask != 0) {
            const int at = __builtin_ctz(mask);
            if (Is(p[at], ccValueStop))
                return p + at;
            mask &= mask - 1;
        }
        p += 16;
    }
#endif
    while (p < end && !Is(*p, ccValueStop))
        ++p;
    return p;
}

// Knots nested deeper than this make the text corrupt: trees are walked recursively (writing,
// copying, freeing), so a hostile file must not be able to build one deep enough to exhaust the stack.
constexpr size_t maxKnotDepth = 1000;

} // namespace

// Reads knot text (UTF-8) into a knot. The rules:
//  - white space is space, tab, CR and LF; leading white space is skipped and the text must then
//    start with "<"; a declaration "<?" is skipped up to the next "?", the next ">" and the next "<";
//  - an element is "<", optional white space, a name (up to white space, '"', '/', '<', '=' or '>')
//    and attribute names; a name followed directly by "=" takes a value that runs up to white space,
//    "/" or ">" outside double quotes (each quote switches); "/>" ends an empty element, ">" starts
//    its content;
//  - content is child elements up to "</" (white space allowed), the element's name and ">". Text
//    between tags makes the parse fail but is skipped up to the next "<"; after an end tag
//    everything up to the next "<" is skipped;
//  - after the root element only white space may follow.
// Names are otherwise never empty but in the two forms the writer gives a knot or an attribute
// without a name: "</>" where an element may start (it cannot be an end tag there: the open element
// has a name) and ' ="value"'.
// Any other violation stops the parse; the knots read so far stay, an attribute or a knot whose
// name or value was cut short does not. The parser never throws (but for memory).
class TKnotParser
{
public:
    TKnotParser(TKnot& root, QByteArrayView text, TKnotParseError* error = nullptr)
        : FRoot(root), FBegin(text.data()), FP(text.data()), FEnd(FP + text.size()),
          FPlainRoot(root.ClassType() == TKnot::StaticClass()), FError(error)
    {}

    bool Parse()
    {
        FRoot.Clear();
        if (FError != nullptr)
            *FError = TKnotParseError();
        const bool finished = ParseDocument();
        if (!finished && FError != nullptr && FError->What == ksNone)
            Fail(FP == FEnd ? ksEndOfText : ksTagEnd, FP);
        const bool ok = finished && !FFailed;
        FRoot.FCorrupt = !ok;
        if (FError != nullptr && FError->What != ksNone)
            FError->KnotsLost =
                FTextsSkipped +
                (finished || FStop == nullptr ? 0 : CountStartTags(FStop) + (FInStartTag ? 1 : 0));
        return ok;
    }

private:
    // Records the first violation, at `at`, and stops the parse (false). For an end tag or an end of
    // text, `expected` is the open knot's name.
    bool Fail(TKnotSyntax what, const char* at, QByteArrayView expected = {})
    {
        FStop = at;
        if (FError == nullptr || FError->What != ksNone)
            return false;
        FError->What = what;
        FError->Expected = QString::fromUtf8(expected);
        FError->Line = 1;
        const char* lineStart = FBegin;
        for (const char* p = FBegin; p < at; ++p) {
            if (*p == '\n') {
                ++FError->Line;
                lineStart = p + 1;
            }
        }
        FError->Column = int(QString::fromUtf8(QByteArrayView(lineStart, at - lineStart)).size()) + 1;
        return false;
    }

    // Start tags from `from` to the end: the knots a parse that stopped there did not read.
    int CountStartTags(const char* from) const
    {
        int count = 0;
        for (const char* p = from; p + 1 < FEnd; ++p) {
            if (*p == '<' && p[1] != '/' && p[1] != '?' && p[1] != '!')
                ++count;
        }
        return count;
    }

    struct TOpenKnot
    {
        TKnot* Knot;
        QByteArrayView Name; // as it stands in the text, for the end tag
    };

    // A name as it stands in the text and its knot name; longer names are not kept here.
    static constexpr qsizetype maxSlotName = 40;
    struct TNameSlot
    {
        qsizetype Size = 0; // never matches: names here are not empty
        char Bytes[maxSlotName];
        TKnotName Name;
    };

    void SkipSpace()
    {
        while (FP < FEnd && Is(*FP, ccSpace))
            ++FP;
    }

    // Moves to the next `c`, or to the end of the text.
    void SkipTo(char c)
    {
        const void* found = std::memchr(FP, c, size_t(FEnd - FP));
        FP = found != nullptr ? static_cast<const char*>(found) : FEnd;
    }

    QByteArrayView ScanName()
    {
        const char* start = FP;
        while (FP < FEnd && !Is(*FP, ccNameEnd))
            ++FP;
        return QByteArrayView(start, FP - start);
    }

    // At "<": "</>" is a knot without a name, attributes or children, as the writer writes one.
    bool AtUnnamedLeaf() const { return FEnd - FP >= 3 && FP[1] == '/' && FP[2] == '>'; }

    // Names repeat all over a text: a small cache in front of the name table.
    const TKnotName& Intern(QByteArrayView name)
    {
        static const TKnotName empty;
        const qsizetype size = name.size();
        if (size == 0)
            return empty;
        const auto* s = reinterpret_cast<const unsigned char*>(name.data());
        size_t hash = size_t(size) * 0x9E3779B1u;
        hash ^= size_t(s[0]) * 31u + size_t(s[size - 1]) * 131u + size_t(s[size / 2]) * 7u;
        hash ^= hash >> 13;
        TNameSlot& slot = FNames[hash % std::size(FNames)];
        if (slot.Size != size || !SameBytes(slot.Bytes, name.data(), size)) {
            slot.Size = size <= maxSlotName ? size : 0;
            std::memcpy(slot.Bytes, name.data(), size_t(std::min(size, maxSlotName)));
            slot.Name = TKnotName::FromUtf8(name);
        }
        return slot.Name;
    }

    // Names are short: compared eight bytes at a time without a call.
    static bool SameBytes(const char* a, const char* b, qsizetype size)
    {
        qsizetype i = 0;
        for (; i + 8 <= size; i += 8) {
            uint64_t x;
            uint64_t y;
            std::memcpy(&x, a + i, 8);
            std::memcpy(&y, b + i, 8);
            if (x != y)
                return false;
        }
        for (; i < size; ++i) {
            if (a[i] != b[i])
                return false;
        }
        return true;
    }

    bool ParseDocument()
    {
        SkipSpace();
        if (FP == FEnd || *FP != '<')
            return Fail(FP == FEnd ? ksEndOfText : ksStart, FP);
        if (FEnd - FP > 1 && FP[1] == '?') {
            FP += 2;
            for (const char c : {'?', '>', '<'}) {
                SkipTo(c);
                if (FP == FEnd)
                    return Fail(ksEndOfText, FP);
                if (c != '<')
                    ++FP;
            }
        }
        if (AtUnnamedLeaf()) { // the root stays without a name
            FP += 3;
            return AtEndAfterRoot();
        }
        bool empty = false;
        TOpenKnot root{&FRoot, {}};
        if (!ParseStartTag(root, empty))
            return false;
        std::vector<TOpenKnot> open;
        if (!empty)
            open.push_back(root);
        while (!open.empty()) {
            SkipSpace();
            if (FP == FEnd)
                return Fail(ksEndOfText, FP, open.back().Name);
            if (*FP != '<') {
                // Text between tags: skipped, and the parse goes on.
                Fail(ksText, FP);
                FStop = nullptr;
                FFailed = true;
                ++FTextsSkipped;
                SkipTo('<');
                continue;
            }
            if (AtUnnamedLeaf()) { // never the end tag: an open element always has a name
                if (open.size() >= maxKnotDepth)
                    return Fail(ksTooDeep, FP);
                NewChild(open.back().Knot);
                FP += 3;
                continue;
            }
            if (FEnd - FP > 1 && FP[1] == '/') {
                const char* tag = FP;
                FP += 2;
                SkipSpace();
                const QByteArrayView name = ScanName();
                if (FP == FEnd || *FP != '>' || name != open.back().Name)
                    return Fail(ksEndTag, tag, open.back().Name);
                ++FP;
                open.pop_back();
                SkipTo('<');
                continue;
            }
            if (open.size() >= maxKnotDepth)
                return Fail(ksTooDeep, FP);
            TOpenKnot child{nullptr, {}};
            if (!ParseStartTag(child, empty, open.back().Knot))
                return false;
            if (!empty)
                open.push_back(child);
        }
        return AtEndAfterRoot();
    }

    bool AtEndAfterRoot()
    {
        SkipSpace();
        return FP == FEnd || Fail(ksAfterRoot, FP);
    }

    // At "<": reads the name and attributes up to "/>" (`empty`) or ">". The root is FRoot; a child
    // is created under `parent` once its name is complete.
    bool ParseStartTag(TOpenKnot& element, bool& empty, TKnot* parent = nullptr)
    {
        // Cleared on the ways out that complete the tag; a failure leaves it set.
        FInStartTag = true;
        ++FP;
        SkipSpace();
        element.Name = ScanName();
        if (FP == FEnd)
            return Fail(ksEndOfText, FP);
        if (element.Name.isEmpty())
            return Fail(ksName, FP);
        TKnot* knot = &FRoot;
        if (parent != nullptr)
            knot = NewChild(parent);
        element.Knot = knot;
        knot->FName = Intern(element.Name);
        TKnotParam* last = nullptr;
        while (true) {
            SkipSpace();
            if (FP == FEnd)
                return Fail(ksEndOfText, FP);
            const char c = *FP;
            if (c == '/') {
                if (FEnd - FP < 2 || FP[1] != '>')
                    return Fail(ksTagEnd, FP);
                FP += 2;
                empty = true;
                FInStartTag = false;
                return true;
            }
            if (c == '>') {
                ++FP;
                empty = false;
                FInStartTag = false;
                return true;
            }
            const QByteArrayView paramName = ScanName();
            if (FP == FEnd)
                return Fail(ksEndOfText, FP);
            // An attribute without a name is written as '=' and a quoted value.
            if (paramName.isEmpty() && (*FP != '=' || FEnd - FP < 2 || FP[1] != '"'))
                return Fail(*FP == '<' ? ksTagEnd : ksName, FP);
            QByteArrayView value;
            bool hasValue = false;
            if (*FP == '=') {
                ++FP;
                const char* valueStart = FP;
                if (!ScanValue(value))
                    return Fail(ksValue, valueStart);
                hasValue = true;
            }
            auto* param = new TKnotParam(Intern(paramName));
            knot->LinkParam(param, last);
            last = param;
            if (hasValue)
                param->InitTextUtf8(value);
        }
    }

    // The knots the reader makes are plain knots with no one watching: they are linked without the
    // hooks. The root may be of a class that watches its children.
    TKnot* NewChild(TKnot* parent)
    {
        if (parent != &FRoot || FPlainRoot)
            return parent->AppendParsedChild();
        auto* knot = new TKnot();
        knot->SetParent(parent);
        return knot;
    }

    // After "=": the value up to white space, "/" or ">" outside double quotes, decoded.
    bool ScanValue(QByteArrayView& result)
    {
        if (ScanQuotedValue(result))
            return true;
        const char* start = FP;
        int quotes = 0;
        bool inQuotes = false;
        bool references = false;
        if (FP < FEnd && *FP == '"') { // the usual case
            inQuotes = true;
            quotes = 1;
            ++FP;
        }
        while (true) {
            FP = inQuotes ? FindQuote(FP, FEnd, references) : FindValueStop(FP, FEnd);
            if (FP == FEnd)
                return false;
            const char c = *FP;
            if (c == '"') {
                inQuotes = !inQuotes;
                ++quotes;
            } else if (c == '&') {
                references = true;
            } else if (!inQuotes) {
                break;
            }
            ++FP;
        }
        QByteArrayView value(start, FP - start);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.sliced(1, value.size() - 2);
            quotes -= 2;
        }
        if (quotes >= 2 || references) {
            FScratch.resize(value.size());
            const qsizetype size = DecodeValueTo(FScratch.data(), value, quotes, references);
            value = QByteArrayView(FScratch.constData(), size);
        }
        result = value;
        return true;
    }

    // Makes room for `count` more bytes of FScratch after `out`, which points into it.
    char* ScratchRoom(char* out, qsizetype count)
    {
        const qsizetype used = out - FScratch.data();
        if (FScratch.size() - used < count) {
            FScratch.resize(std::max(2 * FScratch.size(), used + count + 256));
            out = FScratch.data() + used;
        }
        return out;
    }

    // The usual form of a value: quotes around text without quotes, followed by white space, "/"
    // or ">", with no references but "&quot;", "&amp;", "&lt;", "&gt;" and "&#n;" for a character
    // that is no surrogate. It is decoded into FScratch in the same pass that finds its end. For any
    // other form the result is false and FP has not moved: ScanValue reads it the long way.
    bool ScanQuotedValue(QByteArrayView& result)
    {
        if (FP == FEnd || *FP != '"')
            return false;
        const char* p = FP + 1;
        char* out = ScratchRoom(FScratch.data(), 16);
        while (true) {
            // Sixteen bytes at a time are copied, then the part after a '"' or '&' is overwritten.
#if defined(__SSE2__)
            const __m128i quote = _mm_set1_epi8('"');
            const __m128i amp = _mm_set1_epi8('&');
            while (FEnd - p >= 16) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
                const unsigned stops = unsigned(_mm_movemask_epi8(
                    _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, amp))));
                if (stops != 0) {
                    const int at = __builtin_ctz(stops);
                    p += at;
                    out += at;
                    break;
                }
                p += 16;
                out = ScratchRoom(out + 16, 16);
            }
#endif
            while (p < FEnd && *p != '"' && *p != '&')
                *out++ = *p++;
            if (p == FEnd)
                return false;
            if (*p == '"')
                break;
            const char* next = DecodeReference(p, out);
            if (next == nullptr)
                return false;
            p = next;
            out = ScratchRoom(out, 16);
        }
        // The closing quote must end the value.
        if (FEnd - p < 2 || !Is(p[1], ccValueStop) || p[1] == '"' || p[1] == '&')
            return false;
        FP = p + 1;
        result = QByteArrayView(FScratch.constData(), out - FScratch.constData());
        return true;
    }

    // At "&": writes the character of one of the references ScanQuotedValue knows to `out` and
    // returns the position after its ";", or nullptr.
    const char* DecodeReference(const char* p, char*& out) const
    {
        const qsizetype left = FEnd - p;
        // Whether the word after "&" is `word` (of `size` bytes, ";" included).
        auto is = [&](const char* word, qsizetype size) {
            if (left <= size)
                return false;
            for (qsizetype i = 0; i < size; ++i) {
                if (p[1 + i] != word[i])
                    return false;
            }
            return true;
        };
        switch (p[1 < left ? 1 : 0]) {
        case 'q':
            if (!is("quot;", 5))
                return nullptr;
            *out++ = '"';
            return p + 6;
        case 'a':
            if (!is("amp;", 4))
                return nullptr;
            *out++ = '&';
            return p + 5;
        case 'l':
            if (!is("lt;", 3))
                return nullptr;
            *out++ = '<';
            return p + 4;
        case 'g':
            if (!is("gt;", 3))
                return nullptr;
            *out++ = '>';
            return p + 4;
        case '#': {
            uint32_t code = 0;
            const char* d = p + 2;
            for (; d < FEnd && d - p < 8 && *d >= '0' && *d <= '9'; ++d)
                code = code * 10 + uint32_t(*d - '0');
            if (d == p + 2 || d == FEnd || *d != ';' || code > 0xFFFF || (code >= 0xD800 && code <= 0xDFFF))
                return nullptr;
            if (code < 0x80) {
                *out++ = char(code);
            } else if (code < 0x800) {
                *out++ = char(0xC0 | (code >> 6));
                *out++ = char(0x80 | (code & 0x3F));
            } else {
                *out++ = char(0xE0 | (code >> 12));
                *out++ = char(0x80 | ((code >> 6) & 0x3F));
                *out++ = char(0x80 | (code & 0x3F));
            }
            return d + 1;
        }
        default:
            return nullptr;
        }
    }

    TKnot& FRoot;
    const char* const FBegin;
    const char* FP;
    const char* const FEnd;
    bool FFailed = false;
    const bool FPlainRoot;
    TKnotParseError* FError;
    // Where the parse stopped (null: it did not stop); runs of text skipped between tags.
    const char* FStop = nullptr;
    int FTextsSkipped = 0;
    // The parse is inside a start tag, whose knot a failure there cuts short.
    bool FInStartTag = false;
    QByteArray FScratch;
    TNameSlot FNames[256];
};

bool TKnot::LoadFromText(const QString& text, TKnotParseError* error)
{
    const QByteArray utf8 = text.toUtf8();
    return TKnotParser(*this, utf8, error).Parse();
}

void TKnot::LoadFromStream(const QByteArray& stream, TKnotParseError* error)
{
    const QByteArrayView bytes(stream);
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        TKnotParser(*this, bytes.sliced(3), error).Parse();
        return;
    }
    QString text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        // Only the first mark is one: a U+FEFF after it is text (and no valid start of knot text).
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                            : QStringConverter::Utf16BE,
                               QStringConverter::Flag::ConvertInitialBom);
        text = decoder.decode(bytes.sliced(2));
        // A last odd byte is half a character: U+FFFD, which fails the parse after the root.
        if (bytes.size() % 2 != 0)
            text += QChar(QChar::ReplacementCharacter);
    } else if (bytes.isValidUtf8()) {
        TKnotParser(*this, bytes, error).Parse();
        return;
    } else {
        // Older settings files were written in a Windows code page.
        QStringDecoder decoder("windows-1252");
        text = decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
    }
    LoadFromText(text, error);
}

QString TKnotParseError::Text() const
{
    // Numbers of the texts, in TKnotSyntax order from ksStart.
    static const int texts[] = {4811, 4812, 4813, 4814, 4815, 4816, 4817, 4818, 4819};
    if (What == ksNone)
        return QString();
    int id = texts[What - ksStart];
    if (What == ksEndOfText && Expected.isEmpty())
        id = 4820;
    return LoadStr(4810, {QString::number(Line), QString::number(Column), LoadStr(id, {Expected, Expected})});
}

} // namespace qv
