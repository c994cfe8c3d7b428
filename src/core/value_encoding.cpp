#include "core/value_encoding.h"

namespace qv {

namespace {

void AppendCharRef(QString& out, char16_t c)
{
    out += u"&#";
    out += QString::number(int(c));
    out += u';';
}

} // namespace

QString EncodeValue(const QString& text, bool relaxed, bool* needsQuotes)
{
    bool quotes = false;
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (relaxed) {
            switch (c) {
            case u'"':
                out += u"\"\"";
                quotes = true;
                break;
            case u'&':
                out += u"&amp;";
                break;
            case 0:
                out += u"&#0;";
                break;
            default:
                if (IsKnotSpace(c) || c == u'/' || c == u'>')
                    quotes = true;
                out += ch;
                break;
            }
            continue;
        }
        switch (c) {
        case u'"':
            out += u"&quot;";
            break;
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        default:
            if (c < 32) {
                AppendCharRef(out, c);
            } else {
                if (c == u' ' || c == u'/')
                    quotes = true;
                out += ch;
            }
            break;
        }
    }
    if (needsQuotes != nullptr)
        *needsQuotes = quotes;
    return out;
}

QString DecodeValue(const QString& text, int quoteCount, bool decodeEntities)
{
    QString value = text;
    if (quoteCount > 0) {
        int pairs = quoteCount / 2;
        for (qsizetype i = value.size() - 1; i > 0 && pairs > 0; --i) {
            if (value[i] == u'"' && value[i - 1] == u'"') {
                value.remove(i, 1);
                --i;
                --pairs;
            }
        }
    }
    if (!decodeEntities || !value.contains(u'&'))
        return value;

    QString out;
    out.reserve(value.size());
    qsizetype i = 0;
    while (i < value.size()) {
        const QChar c = value[i];
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        const qsizetype semicolon = value.indexOf(u';', i + 1);
        if (semicolon < 0) {
            out += QStringView(value).mid(i);
            break;
        }
        const QStringView name = QStringView(value).mid(i + 1, semicolon - i - 1);
        bool decoded = true;
        if (name.startsWith(u'#') && name.size() > 1) {
            bool ok = false;
            const int code = name.mid(1).toInt(&ok, 10);
            decoded = ok && code >= 0 && code <= 0xFFFF && name.mid(1).front().isDigit();
            if (decoded)
                out += QChar(char16_t(code));
        } else if (name == u"quot") {
            out += u'"';
        } else if (name == u"lt") {
            out += u'<';
        } else if (name == u"gt") {
            out += u'>';
        } else if (name == u"amp") {
            out += u'&';
        } else {
            decoded = false;
        }
        if (decoded) {
            i = semicolon + 1;
        } else {
            out += c; // the search goes on right after this "&"
            ++i;
        }
    }
    return out;
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
