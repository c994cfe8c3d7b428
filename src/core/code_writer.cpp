#include "core/code_writer.h"

#include "core/value_encoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace qv {

QV_IMPLEMENT_CLASS(TBatchCodeWriter)
QV_IMPLEMENT_CLASS(TCustomXmlCodeWriter)
QV_IMPLEMENT_CLASS(TXmlCodeWriter)
QV_IMPLEMENT_CLASS(THtmlCodeWriter)
QV_IMPLEMENT_CLASS(TSourceCodeWriter)
QV_IMPLEMENT_CLASS(TBasicCodeWriter)
QV_IMPLEMENT_CLASS(TPascalCodeWriter)
QV_IMPLEMENT_CLASS(TCustomCppCodeWriter)
QV_IMPLEMENT_CLASS(TCppCodeWriter)
QV_IMPLEMENT_CLASS(TRcCodeWriter)

namespace {

constexpr char16_t chTab = u'\t';
constexpr char16_t chLf = u'\n';
constexpr char16_t chCr = u'\r';

// The characters of text between which a line is split: CR LF, CR and LF.
QStringList SplitTextLines(const QString& text)
{
    QStringList lines;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == chCr || c == chLf) {
            lines.append(current);
            current.clear();
            if (c == chCr && i + 1 < text.size() && text[i + 1] == chLf)
                ++i;
        } else {
            current += c;
        }
    }
    lines.append(current);
    return lines;
}

// Moves the low half of a surrogate pair that `piece` would split into the piece.
void KeepSurrogatePair(QString& piece, QString& rest)
{
    if (!piece.isEmpty() && piece.back().isHighSurrogate() && !rest.isEmpty() &&
        rest.front().isLowSurrogate()) {
        piece += rest.front();
        rest.remove(0, 1);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TCodeWriter

const TCodeWriter::TMetaType* TCodeWriter::StaticClass() noexcept
{
    static const TMetaType meta("TCodeWriter", nullptr);
    return &meta;
}

const TMetaClass* TCodeWriter::ClassType() const noexcept
{
    return StaticClass();
}

QString TCodeWriter::Indentation(int levels) const
{
    const qsizetype count = qsizetype(FIndentSize) * levels;
    return count > 0 ? QString(count, FIndentChar) : QString();
}

QString TCodeWriter::StartLastLine()
{
    if (FLines.isEmpty())
        FLines.append(QString());
    QString line = FLines.back();
    if (line.isEmpty() && FAutoIndent)
        line = Indentation(FIndentLevel);
    return line;
}

void TCodeWriter::SetLastLine(const QString& line)
{
    if (FLines.isEmpty())
        FLines.append(line);
    else
        FLines.back() = line;
}

void TCodeWriter::Write(const QString& text)
{
    if (text.isEmpty())
        return;
    SetLastLine(StartLastLine() + text);
}

void TCodeWriter::WriteFmt(const QString& format, std::initializer_list<TFormatArg> args)
{
    Write(FormatStr(format, args));
}

void TCodeWriter::NewLine()
{
    if (FLineBreaks)
        FLines.append(QString());
}

void TCodeWriter::WriteLn(const QString& text)
{
    Write(text);
    NewLine();
}

void TCodeWriter::WriteLnFmt(const QString& format, std::initializer_list<TFormatArg> args)
{
    WriteLn(FormatStr(format, args));
}

QString TCodeWriter::Text() const
{
    return FLines.join(QStringLiteral("\r\n"));
}

// ---------------------------------------------------------------------------------------------
// TBatchCodeWriter

namespace {

bool IsLineBreaking(QChar byte)
{
    return byte.unicode() < 0x20 && byte != u'\t';
}

} // namespace

QString TBatchCodeWriter::ToOemText(const QString& text, const QString& codePage)
{
    // Escaped before encoding: the special characters are ASCII in every console code page, while
    // a byte of a double-byte character may look like one of them. The interpreter reads a quoted
    // run (up to the next double quote, or to the end of the line) as it is, carets included, so
    // only what stands outside one is escaped; "%" is read everywhere.
    QString escaped;
    escaped.reserve(text.size() + 8);
    bool quoted = false;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'%':
            escaped += u"%%";
            break;
        case u'"':
            quoted = !quoted;
            escaped += c;
            break;
        case u'<':
        case u'>':
        case u'^':
        case u'|':
        case u'&':
            if (!quoted)
                escaped += u'^';
            escaped += c;
            break;
        default:
            escaped += c;
            break;
        }
    }
    // A control byte (a line break above all) would end the line or the file early: checked on the
    // bytes, since a code page may give one for a character that is none.
    QString result = ToCodePage(escaped, codePage);
    for (QChar& c : result) {
        if (IsLineBreaking(c))
            c = u'?';
    }
    return result;
}

bool TBatchCodeWriter::BreaksLine(const QString& oemText)
{
    return std::any_of(oemText.begin(), oemText.end(), IsLineBreaking);
}

QString TBatchCodeWriter::ToCodePage(const QString& text, const QString& codePage)
{
    const QByteArray name = codePage.toLatin1();
    const auto flags = QStringConverter::Flag::Stateless;
    if (!QStringEncoder(name.constData(), flags).isValid())
        return QString::fromLatin1(text.toLatin1());

    // One code point at a time, and only what decodes back to the same character is kept: a
    // character the code page lacks becomes "?" rather than the converter's own substitute (some
    // code pages use the control character 0x1A, others 0x7F, and not every substitution is
    // reported as an error).
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype length = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            length = 2;
        const QStringView character = QStringView(text).mid(i, length);
        QStringEncoder encoder(name.constData(), flags);
        const QByteArray encoded = encoder.encode(character);
        QStringDecoder decoder(name.constData(), flags);
        const QString back = decoder.decode(encoded);
        if (encoder.hasError() || decoder.hasError() || encoded.isEmpty() || back != character)
            bytes += '?';
        else
            bytes += encoded;
        i += length;
    }
    return QString::fromLatin1(bytes);
}

// ---------------------------------------------------------------------------------------------
// TCustomXmlCodeWriter

TCustomXmlCodeWriter::TCustomXmlCodeWriter()
{
    SetIndentSize(1);
    SetIndentChar(QChar(chTab));
}

void TCustomXmlCodeWriter::WriteTagStart(const QString& name)
{
    Write(u'<' + name);
}

void TCustomXmlCodeWriter::WriteEndTag(const QString& name)
{
    Write(u"</" + name + u'>');
}

void TCustomXmlCodeWriter::CloseTag()
{
    Write(QStringLiteral(">"));
}

void TCustomXmlCodeWriter::CloseEmptyTag()
{
    Write(QStringLiteral("/>"));
}

void TCustomXmlCodeWriter::WriteStartTag(const QString& name)
{
    Write(u'<' + name + u'>');
}

void TCustomXmlCodeWriter::WriteEmptyTag(const QString& name)
{
    Write(u'<' + name + u"/>");
}

void TCustomXmlCodeWriter::WriteAttributeName(const QString& name)
{
    Write(u' ' + name);
}

void TCustomXmlCodeWriter::WriteAttributeRaw(const QString& name, const QString& value)
{
    Write(u' ' + name + u'=' + value);
}

void TCustomXmlCodeWriter::WriteAttributeQuoted(const QString& name, const QString& value)
{
    Write(u' ' + name + u"=\"" + value + u'"');
}

void TCustomXmlCodeWriter::WriteAttribute(const QString& name, const QString& value)
{
    WriteAttributeQuoted(name, EscapeText(value));
}

QString TCustomXmlCodeWriter::EncodeValue(const QString& text, bool relaxed, bool* needsQuotes)
{
    return qv::EncodeValue(text, relaxed, needsQuotes);
}

QString TCustomXmlCodeWriter::DecodeValue(const QString& text, int quoteCount, bool decodeEntities)
{
    return qv::DecodeValue(text, quoteCount, decodeEntities);
}

QString TCustomXmlCodeWriter::EscapeText(const QString& text)
{
    return qv::EscapeText(text);
}

// ---------------------------------------------------------------------------------------------
// TSourceCodeWriter

TSourceCodeWriter::TSourceCodeWriter()
{
    SetIndentChar(QChar(u' '));
}

void TSourceCodeWriter::Write(const QString& text)
{
    if (FWrapLines)
        WriteWrapped(text, QString(), IndentSize() > 0 ? QString(IndentSize(), IndentChar()) : QString());
    else
        TCodeWriter::Write(text);
}

bool TSourceCodeWriter::CanBreak(QChar ch, QChar prev, QChar next) const
{
    switch (prev.unicode()) {
    case u'(':
    case u'+':
    case u',':
    case u'-':
    case u':':
    case u';':
    case u'<':
    case u'=':
    case u'>':
    case u'[':
        if (ch != u'=' && ch != u'>')
            return true;
        break;
    default:
        break;
    }
    if (ch != u' ')
        return false;
    switch (next.unicode()) {
    case u'+':
    case u'-':
    case u':':
    case u'<':
    case u'=':
    case u'>':
        return false;
    default:
        return true;
    }
}

// Positions are 1-based, as the break rule counts them: Rest[I] is rest[I - 1]. The first I from
// max(room, 3) to length − 1 where a break is permitted before Rest[I], or 0.
qsizetype TSourceCodeWriter::FindBreak(const QString& rest, qsizetype room) const
{
    for (qsizetype i = std::max<qsizetype>(room, 3); i <= rest.size() - 1; ++i) {
        if (CanBreak(rest[i - 1], rest[i - 2], rest[i]))
            return i;
    }
    return 0;
}

void TSourceCodeWriter::WriteWrapped(const QString& text, const QString& suffix,
                                     const QString& continuationPrefix)
{
    if (text.isEmpty())
        return;
    QString line = StartLastLine();
    QString rest = text;
    for (;;) {
        const qsizetype found = FindBreak(rest, qsizetype(FMaxLineLength) - line.size());
        QString piece;
        if (found > 0) {
            piece = rest.left(found - 1);
            if (piece.endsWith(u' '))
                piece.chop(1);
            rest.remove(0, found - 1);
        } else {
            piece = rest;
            rest.clear();
        }
        if (rest.isEmpty()) {
            SetLastLine(line + piece);
            return;
        }
        SetLastLine(line + piece + suffix);
        line = (AutoIndent() ? Indentation(IndentLevel()) : QString()) + continuationPrefix;
        AppendLine(line);
    }
}

void TSourceCodeWriter::WriteString(const QString& text, bool indentContinuation)
{
    QString line = StartLastLine();
    QString rest = text;
    QString piece;
    int n = 1;
    // A negative MinTail would keep even an empty remainder from ending the loop.
    const qsizetype minTail = std::max(FMinTail, 0);
    for (;;) {
        const qsizetype room = qsizetype(FMaxLineLength) - line.size();
        const qsizetype start = std::max<qsizetype>(room, 3);
        const qsizetype found = FindBreak(rest, room);
        const qsizetype take = found > 0 ? found : std::min(start, rest.size());
        piece = rest.left(take);
        rest.remove(0, take);
        KeepSurrogatePair(piece, rest);
        if (rest.size() <= minTail)
            break;
        SetLastLine(line + QuoteString(piece, n > 1, false));
        if (indentContinuation && n == 1)
            Indent();
        line = AutoIndent() ? Indentation(IndentLevel()) : QString();
        AppendLine(line);
        ++n;
    }
    SetLastLine(line + QuoteString(piece + rest, n > 1, true));
    if (indentContinuation && n > 1)
        Unindent();
}

void TSourceCodeWriter::EnsureBlankLine()
{
    const QStringList& lines = Lines();
    if (lines.isEmpty())
        return;
    if (!lines.back().isEmpty())
        NewLine();
    if (lines.size() >= 2 && !lines[lines.size() - 2].isEmpty())
        NewLine();
}

bool TSourceCodeWriter::BreakIfLong()
{
    if (!LineBreaks() || Lines().isEmpty() || Lines().back().size() < FMaxLineLength)
        return false;
    if (AutoIndent())
        AppendLine(Indentation(IndentLevel() + 1));
    else
        NewLine();
    return true;
}

bool TSourceCodeWriter::WriteCommentLines(const QString& text, const QString& prefix,
                                          const QString& continuationMark)
{
    if (text.isEmpty())
        return false;
    for (const QString& textLine : SplitTextLines(text)) {
        WriteWrapped(textLine.isEmpty() ? prefix.trimmed() : prefix + textLine, QString(), prefix);
        if (!continuationMark.isEmpty() && !Lines().isEmpty() && Lines().back().endsWith(continuationMark))
            Lines().back() += QStringLiteral(" .");
        NewLine();
    }
    return true;
}

void TSourceCodeWriter::WriteBlockComment(const QString& open, const QString& text, const QString& close)
{
    const QStringList lines = SplitTextLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            NewLine();
        Write(i == 0 ? open + lines[i] : lines[i]);
    }
    Write(close);
}

// ---------------------------------------------------------------------------------------------
// TBasicCodeWriter

QString TBasicCodeWriter::QuoteString(const QString& text, bool /*continued*/, bool last) const
{
    QStringList parts;
    QString run;
    bool inRun = false;
    const auto flushRun = [&] {
        if (inRun)
            parts.append(u'"' + run + u'"');
        run.clear();
        inRun = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 32) {
            inRun = true;
            run += c == u'"' ? QStringLiteral("\"\"") : QString(QChar(c));
            continue;
        }
        flushRun();
        if (c == chCr && i + 1 < text.size() && text[i + 1] == chLf) {
            parts.append(QStringLiteral("vbCrLf"));
            ++i;
        } else if (c == chCr) {
            parts.append(QStringLiteral("vbCr"));
        } else if (c == chLf) {
            parts.append(QStringLiteral("vbLf"));
        } else if (c == chTab) {
            parts.append(QStringLiteral("vbTab"));
        } else if (c == 0) {
            parts.append(QStringLiteral("vbNullChar"));
        } else {
            parts.append(QStringLiteral("Chr(%1)").arg(int(c)));
        }
    }
    flushRun();
    QString result = parts.isEmpty() ? QStringLiteral("\"\"") : parts.join(QStringLiteral(" & "));
    if (!last)
        result += QStringLiteral(" & _");
    return result;
}

bool TBasicCodeWriter::WriteComment(const QString& text)
{
    if (text.isEmpty())
        return false;
    // A Basic comment runs to the end of the line, so a comment of several lines (or one that is
    // wrapped) needs the mark on every line.
    const QStringList lines = SplitTextLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            NewLine();
        WriteWrapped(QStringLiteral("' ") + lines[i], QString(), QStringLiteral("' "));
        if (Lines().back().endsWith(QStringLiteral(" _")))
            Lines().back() += QStringLiteral(" .");
    }
    return true;
}

bool TBasicCodeWriter::WriteLineComment(const QString& text)
{
    return WriteCommentLines(text, QStringLiteral("' "), QStringLiteral(" _"));
}

// ---------------------------------------------------------------------------------------------
// TPascalCodeWriter

TPascalCodeWriter::TPascalCodeWriter()
{
    SetIndentSize(2);
}

QString TPascalCodeWriter::QuoteString(const QString& text, bool /*continued*/, bool last) const
{
    QString result;
    result.reserve(text.size() + 8);
    bool inQuotes = false;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 32) {
            // Outside the quotes: a raw control character may end the source for some compilers.
            if (inQuotes)
                result += u'\'';
            inQuotes = false;
            result += u'#' + QString::number(int(c));
            continue;
        }
        if (!inQuotes)
            result += u'\'';
        inQuotes = true;
        if (c == u'\'')
            result += u"''";
        else
            result += ch;
    }
    if (inQuotes)
        result += u'\'';
    if (text.isEmpty())
        result = QStringLiteral("''");
    if (!last)
        result += QStringLiteral(" +");
    return result;
}

bool TPascalCodeWriter::WriteComment(const QString& text)
{
    if (text.isEmpty())
        return false;
    QString safe = text;
    safe.replace(u'{', u'(').replace(u'}', u')');
    WriteBlockComment(QStringLiteral("{ "), safe, QStringLiteral(" }"));
    return true;
}

bool TPascalCodeWriter::WriteLineComment(const QString& text)
{
    return WriteCommentLines(text, QStringLiteral("// "), QString());
}

// ---------------------------------------------------------------------------------------------
// TCustomCppCodeWriter

bool TCustomCppCodeWriter::WriteComment(const QString& text)
{
    if (text.isEmpty())
        return false;
    QString safe = text;
    safe.replace(QStringLiteral("*/"), QStringLiteral("* /"));
    WriteBlockComment(QStringLiteral("/* "), safe, QStringLiteral(" */"));
    return true;
}

bool TCustomCppCodeWriter::WriteLineComment(const QString& text)
{
    return WriteCommentLines(text, QStringLiteral("// "), QStringLiteral("\\"));
}

// ---------------------------------------------------------------------------------------------
// TCppCodeWriter

TCppCodeWriter::TCppCodeWriter()
{
    SetIndentSize(4);
}

QString TCppCodeWriter::QuoteString(const QString& text, bool /*continued*/, bool last) const
{
    QString result;
    result.reserve(text.size() + 8);
    result += u'"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case chTab:
            result += u"\\t";
            break;
        case chLf:
            result += u"\\n";
            break;
        case chCr:
            result += u"\\r";
            break;
        case u'\\':
            result += u"\\\\";
            break;
        case u'"':
            result += u"\\\"";
            break;
        case u'?':
            // "??" followed by one of =/'()!<>- is a trigraph for compilers that still read them.
            result += i > 0 && text[i - 1] == u'?' ? u"\\?" : u"?";
            break;
        default:
            if (c < 32) {
                // Always three digits, so that a following digit cannot extend the escape.
                result += u'\\';
                result += QChar(u'0' + ((c >> 6) & 7));
                result += QChar(u'0' + ((c >> 3) & 7));
                result += QChar(u'0' + (c & 7));
            } else {
                result += QChar(c);
            }
            break;
        }
    }
    result += u'"';
    if (!last)
        result += QStringLiteral(" \\");
    return result;
}

// ---------------------------------------------------------------------------------------------
// TRcCodeWriter

QString TRcCodeWriter::QuoteString(const QString& text, bool continued, bool last) const
{
    QString result;
    result.reserve(text.size() + 8);
    if (!continued)
        result += u'"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        const char16_t c = ch.unicode();
        switch (c) {
        case chTab:
            result += u"\\t";
            break;
        case chLf:
            result += u"\\n";
            break;
        case chCr:
            result += u"\\r";
            break;
        case u'\\':
            result += u"\\\\";
            break;
        case u'"':
            // The resource compilers' own form; a backslash before the quote is not understood
            // by all of them.
            result += u"\"\"";
            break;
        default:
            // The second "?" of "??" is escaped too: resource scripts pass through a C
            // preprocessor, which may read trigraphs.
            if (c < 32 || c > 127 || (c == u'?' && i > 0 && text[i - 1] == u'?'))
                result += u"\\x" + QStringLiteral("%1").arg(uint(c), 4, 16, QChar(u'0')).toUpper();
            else
                result += ch;
            break;
        }
    }
    result += last ? u'"' : u'\\';
    return result;
}

// ---------------------------------------------------------------------------------------------
// ColorToHtml

namespace {

// The colours of the system colour indexes in the platform's classic default scheme.
TColor SystemColorRgb(uint8_t index)
{
    static constexpr TColor rgb[systemColorCount] = {
        MakeColor(212, 208, 200), // scroll bar
        MakeColor(58, 110, 165),  // desktop
        MakeColor(10, 36, 106),   // active caption
        MakeColor(128, 128, 128), // inactive caption
        MakeColor(212, 208, 200), // menu
        MakeColor(255, 255, 255), // window
        MakeColor(0, 0, 0),       // window frame
        MakeColor(0, 0, 0),       // menu text
        MakeColor(0, 0, 0),       // window text
        MakeColor(255, 255, 255), // caption text
        MakeColor(212, 208, 200), // active border
        MakeColor(212, 208, 200), // inactive border
        MakeColor(128, 128, 128), // application workspace
        MakeColor(10, 36, 106),   // highlight
        MakeColor(255, 255, 255), // highlight text
        MakeColor(212, 208, 200), // button face
        MakeColor(128, 128, 128), // button shadow
        MakeColor(128, 128, 128), // grey text
        MakeColor(0, 0, 0),       // button text
        MakeColor(212, 208, 200), // inactive caption text
        MakeColor(255, 255, 255), // button highlight
        MakeColor(64, 64, 64),    // 3D dark shadow
        MakeColor(212, 208, 200), // 3D light
        MakeColor(0, 0, 0),       // tooltip text
        MakeColor(255, 255, 225), // tooltip background
        MakeColor(0, 0, 0),       // (unused)
        MakeColor(0, 0, 128),     // hot-tracked item
        MakeColor(166, 202, 240), // gradient of the active caption
        MakeColor(192, 192, 192), // gradient of an inactive caption
        MakeColor(10, 36, 106),   // highlighted menu item
        MakeColor(212, 208, 200), // menu bar
    };
    return index < systemColorCount ? rgb[index] : MakeColor(0, 0, 0);
}

struct TNamedColor
{
    TColor Color;
    const char* Name;
};

constexpr TNamedColor namedColors[] = {
    {0x000000, "Black"},  {0x000080, "Maroon"},  {0x008000, "Green"}, {0x008080, "Olive"},
    {0x800000, "Navy"},   {0x800080, "Purple"},  {0x808000, "Teal"},  {0x808080, "Gray"},
    {0xC0C0C0, "Silver"}, {0x0000FF, "Red"},     {0x00FF00, "Lime"},  {0x00FFFF, "Yellow"},
    {0xFF0000, "Blue"},   {0xFF00FF, "Fuchsia"}, {0xFFFF00, "Aqua"},  {0xFFFFFF, "White"},
};

} // namespace

QString ColorToHtml(TColor color, bool useNames, bool withHash)
{
    if (useNames) {
        for (const TNamedColor& named : namedColors) {
            if (named.Color == color)
                return QString::fromLatin1(named.Name);
        }
    }
    const TColor rgb = IsSystemColor(color) ? SystemColorRgb(SystemColorIndex(color)) : color;
    QString html = FormatStr(QStringLiteral("%.2x%.2x%.2x"),
                             {int(ColorRed(rgb)), int(ColorGreen(rgb)), int(ColorBlue(rgb))})
                       .toUpper();
    if (withHash)
        html.prepend(u'#');
    return html;
}

} // namespace qv
