// The text field's validation against its ContentOptions, and number parsing.

#include "core/strings.h"
#include "core/text_utils.h"
#include "elements/element_messages.h"
#include "fields/textor_element.h"
#include "textor/textor.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>

namespace qv {

namespace {

bool IsFileNameForbidden(char32_t c)
{
    switch (c) {
    case U'"':
    case U'*':
    case U'/':
    case U':':
    case U'<':
    case U'>':
    case U'?':
    case U'\\':
    case U'|':
        return true;
    default:
        return false;
    }
}

bool IsPathForbidden(char32_t c)
{
    switch (c) {
    case U'"':
    case U'*':
    case U'<':
    case U'>':
    case U'?':
    case U'|':
        return true;
    default:
        return false;
    }
}

bool IsLatinLetter(char32_t c)
{
    return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
}

// What CheckText reports, found in one pass over the text. A flag is set only when the content options
// forbid what it names.
struct TTextScan
{
    bool TextPiece = false;  // the text holds a text run
    bool NotAllowed = false; // a text run where only elements may be (the scan stops there)
    bool Letter = false;
    bool NonLatin = false; // a letter other than A-Z and a-z
    bool Digit = false;
    bool Underscore = false;
    bool Space = false;
    bool Tab = false;
    bool LineFeed = false;
    bool Special = false;
    // The first character a file name or a path may not hold; null when there is none.
    QString FileChar;
    QString PathChar;
    // The text's first character when the text starts with a text run (null otherwise), and whether the
    // text ends with a text run ending in a space.
    QChar First;
    bool TrailingSpace = false;
};

void ScanCharacter(char32_t c, uint32_t options, TTextScan& scan)
{
    if (QChar::isLetter(c)) {
        if ((options & tcoLetters) == 0)
            scan.Letter = true;
        else if ((options & tcoLatinOnly) != 0 && !IsLatinLetter(c))
            scan.NonLatin = true;
    } else if (c >= U'0' && c <= U'9') {
        scan.Digit |= (options & tcoDigits) == 0;
    } else if (c == U'_') {
        scan.Underscore |= (options & tcoUnderscore) == 0;
    } else if (c == U' ') {
        scan.Space |= (options & tcoSpaces) == 0;
    } else if (c == 9) {
        scan.Tab = true;
    } else if (c == 10 || c == 13) {
        scan.LineFeed = true;
    } else {
        scan.Special |= (options & tcoSpecial) == 0;
    }
    if ((options & tcoFileNameChars) != 0 && scan.FileChar.isNull() && c <= 0xFF && IsFileNameForbidden(c))
        scan.FileChar = QString(QChar(c));
    if ((options & tcoPathChars) != 0 && scan.PathChar.isNull() && c <= 0xFF && IsPathForbidden(c))
        scan.PathChar = QString(QChar(c));
}

// Walks the text runs of the whole text; stops at the first one when `textAllowed` is false.
TTextScan ScanText(const TTextor& textor, uint32_t options, bool textAllowed)
{
    TTextScan scan;
    for (TParagraph* p = textor.FirstParagraph(); p != nullptr && !scan.NotAllowed; p = p->Next()) {
        for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
            if (portion->Kind() != TPortionKind::Text)
                continue;
            scan.TextPiece = true;
            if (!textAllowed) {
                scan.NotAllowed = true;
                break;
            }
            const QStringView chars = static_cast<TTextPortion*>(portion)->Chars();
            for (qsizetype i = 0; i < chars.size(); ++i) {
                char32_t c = chars[i].unicode();
                if (QChar::isHighSurrogate(c) && i + 1 < chars.size() && chars[i + 1].isLowSurrogate()) {
                    c = QChar::surrogateToUcs4(chars[i], chars[i + 1]);
                    ++i;
                }
                ScanCharacter(c, options, scan);
            }
        }
    }

    const TPortion* firstPiece = textor.FirstParagraph()->FirstPortion();
    if (firstPiece != nullptr && firstPiece->Kind() == TPortionKind::Text && firstPiece->Length() > 0)
        scan.First = static_cast<const TTextPortion*>(firstPiece)->Chars().front();
    const TPortion* lastPiece = textor.LastParagraph()->LastPortion();
    scan.TrailingSpace = lastPiece != nullptr && lastPiece->Kind() == TPortionKind::Text &&
                         static_cast<const TTextPortion*>(lastPiece)->Chars().endsWith(u' ');
    return scan;
}

// Whether a character (a UTF-16 unit; surrogates are judged as pairs by the caller) can stand in a
// document file: the file format cannot hold the other control characters.
bool IsStorableUnit(char16_t c)
{
    return c >= 0x20 ? c != 0xFFFE && c != 0xFFFF : c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

QString TTextorElement::StorableText(const QString& text) const
{
    const bool replace = (FContentOptions & tcoSpecial) != 0;
    QString result;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (!QChar::isSurrogate(c) && IsStorableUnit(c))
            continue;
        // Copied only once something has to change: most texts come through untouched.
        if (result.isNull())
            result.reserve(text.size());
        result.append(QStringView(text).mid(copied, i - copied));
        if (replace)
            result.append(QChar::ReplacementCharacter);
        copied = i + 1;
    }
    if (result.isNull())
        return text;
    result.append(QStringView(text).mid(copied));
    return result;
}

bool TTextorElement::TryGetFloat(const QString& text, double& value)
{
    // Only plain decimal forms: strtod-like parsers also take "inf", "nan" and "0x1p3".
    static const QRegularExpression pattern(
        QStringLiteral("^[+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?$"));
    if (!pattern.match(text).hasMatch())
        return false;
    const QByteArray latin = text.toLatin1();
    const char* first = latin.constData();
    const char* last = first + latin.size();
    // from_chars does not take a leading "+".
    if (first != last && *first == '+')
        ++first;
    double result = 0;
    const auto [end, error] = std::from_chars(first, last, result, std::chars_format::general);
    if (error != std::errc() || end != last || !std::isfinite(result))
        return false;
    value = result;
    return true;
}

bool TTextorElement::TryGetInteger(const QString& text, int32_t& value)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    if (!pattern.match(text).hasMatch())
        return false;
    const QByteArray latin = text.toLatin1();
    const char* first = latin.constData();
    const char* last = first + latin.size();
    if (*first == '+')
        ++first;
    int32_t result = 0;
    const auto [end, error] = std::from_chars(first, last, result, 10);
    if (error != std::errc() || end != last)
        return false;
    value = result;
    return true;
}

void TTextorElement::CheckContent()
{
    inherited::CheckContent();
    CheckText();
    const QString id = QString::number(ID());
    if ((FContentOptions & tcoElementRequired) != 0 && CountCheckedElements(1) == 0)
        GetMessages()->AddElementsMessage(mkInvalidContent, LoadStr(2402), id);
    if ((FContentOptions & tcoSingleElement) != 0 && CountCheckedElements(2) > 1)
        GetMessages()->AddElementsMessage(mkInvalidContent, LoadStr(2403), id);
}

void TTextorElement::CheckText()
{
    const uint32_t o = FContentOptions;
    if (o == tcoAnything)
        return;
    const TTextScan scan = FTextor ? ScanText(*FTextor, o, TextAllowed()) : TTextScan{};
    const QString id = QString::number(ID());
    auto add = [this, &id](const QString& text) {
        GetMessages()->AddElementsMessage(mkInvalidContent, text, id);
    };

    if (scan.NotAllowed) {
        add(LoadStr(2384));
    } else if (scan.TextPiece) {
        if (scan.Letter)
            add(LoadStr(2388));
        else if (scan.NonLatin)
            add(LoadStr(2389));
        if (scan.Digit)
            add(LoadStr(2390));
        if (scan.Underscore)
            add(LoadStr(2391));
        if (scan.Space)
            add(LoadStr(2399));
        if (scan.Tab)
            add(LoadStr(2392));
        if (scan.LineFeed)
            add(LoadStr(2393));
        if (scan.Special)
            add(LoadStr(2394));
        if (!scan.FileChar.isNull())
            add(LoadStr(2395, {MessageValueText(scan.FileChar)}));
        if (!scan.PathChar.isNull())
            add(LoadStr(2396, {MessageValueText(scan.PathChar)}));
    }

    const QChar first = scan.First;
    if ((o & tcoBeginWithLetter) != 0 && !first.isNull() && first != u'_' && !first.isLetter())
        add(LoadStr(2387));
    bool leading = false;
    if ((o & tcoSpaces) != 0 && (o & tcoNoLeadingSpace) != 0 && first == u' ') {
        leading = true;
        add(LoadStr(2400));
    }
    if ((o & tcoSpaces) != 0 && (o & tcoNoTrailingSpace) != 0 && !leading && scan.TrailingSpace)
        add(LoadStr(2401));

    if ((o & tcoFloat) != 0) {
        double value = 0;
        const QString text = GetValueText();
        if (!TryGetFloat(text, value))
            add(LoadStr(2397, {MessageValueText(text)}));
    } else if ((o & tcoInteger) != 0) {
        int32_t value = 0;
        const QString text = GetValueText();
        if (!TryGetInteger(text, value))
            add(LoadStr(2398, {MessageValueText(text)}));
    }
}

} // namespace qv
