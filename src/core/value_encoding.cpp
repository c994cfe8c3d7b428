#include "core/value_encoding.h"

#include <cstring>

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
enum TValueAction : uint8_t {
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

char16_t* PutLatin1(char16_t* out, const char* text)
{
    while (*text != 0)
        *out++ = char16_t(*text++);
    return out;
}

} // namespace

char16_t* EncodeValueTo(char16_t* out, QStringView text, bool relaxed, bool* needsQuotes)
{
    const TValueAction* actions = relaxed ? valueActions.Relaxed : valueActions.Strict;
    bool quotes = false;
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p < end) {
        const char16_t* run = p;
        while (p < end && (*p >= 128 || actions[*p] == vaCopy))
            ++p;
        if (p > run) {
            std::memcpy(out, run, size_t(p - run) * sizeof(char16_t));
            out += p - run;
        }
        if (p == end)
            break;
        const char16_t c = *p++;
        switch (actions[c]) {
        case vaCopy:
            break;
        case vaCopyQuoted:
            quotes = true;
            *out++ = c;
            break;
        case vaCharRef:
            *out++ = u'&';
            *out++ = u'#';
            if (c >= 10)
                *out++ = char16_t(u'0' + c / 10);
            *out++ = char16_t(u'0' + c % 10);
            *out++ = u';';
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
            *out++ = u'"';
            *out++ = u'"';
            break;
        }
    }
    if (needsQuotes != nullptr)
        *needsQuotes = quotes;
    return out;
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

namespace {

// Decodes the references of `text` in place (the result is never longer) and returns its new size.
qsizetype DecodeReferences(char16_t* text, qsizetype size)
{
    qsizetype read = 0;
    qsizetype write = 0;
    while (read < size) {
        const char16_t c = text[read];
        if (c != u'&') {
            text[write++] = c;
            ++read;
            continue;
        }
        qsizetype semicolon = read + 1;
        while (semicolon < size && text[semicolon] != u';')
            ++semicolon;
        if (semicolon == size) {
            // No ";" follows: nothing further can be a reference.
            while (read < size)
                text[write++] = text[read++];
            break;
        }
        const QStringView name(text + read + 1, semicolon - read - 1);
        char16_t decoded = 0;
        bool known = true;
        if (name.size() > 1 && name[0] == u'#') {
            int code = 0;
            for (const QChar digit : name.sliced(1)) {
                const char16_t d = digit.unicode();
                if (d < u'0' || d > u'9' || code > 0xFFFF) {
                    known = false;
                    break;
                }
                code = code * 10 + (d - u'0');
            }
            known = known && code <= 0xFFFF;
            decoded = char16_t(code);
        } else if (name == u"quot") {
            decoded = u'"';
        } else if (name == u"lt") {
            decoded = u'<';
        } else if (name == u"gt") {
            decoded = u'>';
        } else if (name == u"amp") {
            decoded = u'&';
        } else {
            known = false;
        }
        if (known) {
            text[write++] = decoded;
            read = semicolon + 1;
        } else {
            text[write++] = c; // the search goes on right after this "&"
            ++read;
        }
    }
    return write;
}

} // namespace

QString DecodeValue(QStringView text, int quoteCount, bool decodeEntities)
{
    const qsizetype size = text.size();
    QString out(size, Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
    const char16_t* in = text.utf16();
    qsizetype length = size;
    int pairs = quoteCount / 2;
    if (pairs > 0) {
        // Scanning from the end, each of the first `pairs` pairs of adjacent quotes keeps one quote;
        // the text is written backwards to the end of the buffer, then moved to its start.
        char16_t* w = begin + size;
        qsizetype i = size - 1;
        while (i >= 0) {
            if (pairs > 0 && i > 0 && in[i] == u'"' && in[i - 1] == u'"') {
                *--w = u'"';
                i -= 2;
                --pairs;
            } else {
                *--w = in[i--];
            }
        }
        length = begin + size - w;
        std::memmove(begin, w, size_t(length) * sizeof(char16_t));
    } else if (size > 0) {
        std::memcpy(begin, in, size_t(size) * sizeof(char16_t));
    }
    if (decodeEntities)
        length = DecodeReferences(begin, length);
    out.resize(length);
    return out;
}

QString DecodeValue(const QString& text, int quoteCount, bool decodeEntities)
{
    if (quoteCount < 2 && (!decodeEntities || !text.contains(u'&')))
        return text;
    return DecodeValue(QStringView(text), quoteCount, decodeEntities);
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
