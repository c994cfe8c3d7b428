// The text field's validation against its ContentOptions, and number parsing.

#include "core/strings.h"
#include "core/text_utils.h"
#include "elements/element_messages.h"
#include "fields/textor_element.h"

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

} // namespace

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
    const QString id = QString::number(ID());
    auto add = [this, &id](const QString& text) {
        GetMessages()->AddElementsMessage(mkInvalidContent, text, id);
    };

    bool textPiece = false;
    bool letter = false, latin = false, digit = false, underscore = false, space = false, tab = false,
         lineFeed = false, special = false;
    QString fileChar;
    QString pathChar;
    const bool textAllowed = TextAllowed();
    bool notAllowed = false;
    for (TParagraph* p = FTextor->FirstParagraph(); p != nullptr && !notAllowed; p = p->Next()) {
        for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
            if (portion->Kind() != TPortionKind::Text)
                continue;
            textPiece = true;
            if (!textAllowed) {
                notAllowed = true;
                break;
            }
            const QStringView chars = static_cast<TTextPortion*>(portion)->Chars();
            for (qsizetype i = 0; i < chars.size(); ++i) {
                char32_t c = chars[i].unicode();
                if (QChar::isHighSurrogate(c) && i + 1 < chars.size() && chars[i + 1].isLowSurrogate()) {
                    c = QChar::surrogateToUcs4(chars[i], chars[i + 1]);
                    ++i;
                }
                if (QChar::isLetter(c)) {
                    if ((o & tcoLetters) == 0)
                        letter = true;
                    else if ((o & tcoLatinOnly) != 0 && !IsLatinLetter(c))
                        latin = true;
                } else if (c >= U'0' && c <= U'9') {
                    digit |= (o & tcoDigits) == 0;
                } else if (c == U'_') {
                    underscore |= (o & tcoUnderscore) == 0;
                } else if (c == U' ') {
                    space |= (o & tcoSpaces) == 0;
                } else if (c == 9) {
                    tab = true;
                } else if (c == 10 || c == 13) {
                    lineFeed = true;
                } else {
                    special |= (o & tcoSpecial) == 0;
                }
                if ((o & tcoFileNameChars) != 0 && fileChar.isNull() && c <= 0xFF && IsFileNameForbidden(c))
                    fileChar = QString(QChar(c));
                if ((o & tcoPathChars) != 0 && pathChar.isNull() && c <= 0xFF && IsPathForbidden(c))
                    pathChar = QString(QChar(c));
            }
        }
    }
    if (notAllowed) {
        add(LoadStr(2384));
    } else if (textPiece) {
        if (letter)
            add(LoadStr(2388));
        else if (latin)
            add(LoadStr(2389));
        if (digit)
            add(LoadStr(2390));
        if (underscore)
            add(LoadStr(2391));
        if (space)
            add(LoadStr(2399));
        if (tab)
            add(LoadStr(2392));
        if (lineFeed)
            add(LoadStr(2393));
        if (special)
            add(LoadStr(2394));
        if (!fileChar.isNull())
            add(LoadStr(2395, {MessageValueText(fileChar)}));
        if (!pathChar.isNull())
            add(LoadStr(2396, {MessageValueText(pathChar)}));
    }

    TPortion* firstPiece = FTextor->FirstParagraph()->FirstPortion();
    TPortion* lastPiece = FTextor->LastParagraph()->LastPortion();
    auto firstChar = [](TPortion* portion) {
        return portion != nullptr && portion->Kind() == TPortionKind::Text && portion->Length() > 0
                   ? static_cast<TTextPortion*>(portion)->Chars().front()
                   : QChar();
    };
    const QChar first = firstChar(firstPiece);
    if ((o & tcoBeginWithLetter) != 0 && !first.isNull() && first != u'_' && !first.isLetter())
        add(LoadStr(2387));
    bool leading = false;
    if ((o & tcoSpaces) != 0 && (o & tcoNoLeadingSpace) != 0 && first == u' ') {
        leading = true;
        add(LoadStr(2400));
    }
    if ((o & tcoSpaces) != 0 && (o & tcoNoTrailingSpace) != 0 && !leading && lastPiece != nullptr &&
        lastPiece->Kind() == TPortionKind::Text &&
        static_cast<TTextPortion*>(lastPiece)->Chars().endsWith(u' '))
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
