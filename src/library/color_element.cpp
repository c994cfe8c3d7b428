#include "library/color_element.h"

#include "core/strings.h"
#include "core/user_interface.h"
#include "elements/element_messages.h"
#include "elements/element_sheet.h"
#include "elements/palette.h"
#include "elements/scheme_images.h"
#include "textor/canvas.h"
#include "textor/qt_colors.h"

namespace qv {

QV_IMPLEMENT_CLASS(TColorDropDownItem)
QV_IMPLEMENT_CLASS(TColorElement)
QV_IMPLEMENT_CLASS(TColorField)

namespace {

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

// TColorDropDownItem

void TColorDropDownItem::DrawImage(TCanvas* canvas, const QRect& row, int& x)
{
    TSchemeImages& images = CharImages();
    const QRect swatch(x, row.top() + (row.height() - images.Height()) / 2, images.Width(), images.Height());
    canvas->FrameRect(swatch, 0, FSwatchColor, clWindowText);
    x += images.Width() + 6;
}

// TColorElement

TColorElement::TColorElement(TScheme* scheme) : TTextorElement(scheme)
{
    SetVisualOptions(VisualOptions() | voHasDropDown | voCaseSensitiveMatch);
    SetBehaviourOptions(BehaviourOptions() | tboIdentifierWords | tboWrap240);
    SetContentOptions(tcoLetters | tcoDigits | tcoSpecial);
}

const TColorElement::TNamedColor (&TColorElement::NamedColors())[16]
{
    static const TNamedColor colors[16] = {
        {u"Black", 0x000000},  {u"Maroon", 0x000080},  {u"Green", 0x008000}, {u"Olive", 0x008080},
        {u"Navy", 0x800000},   {u"Purple", 0x800080},  {u"Teal", 0x808000},  {u"Gray", 0x808080},
        {u"Silver", 0xC0C0C0}, {u"Red", 0x0000FF},     {u"Lime", 0x00FF00},  {u"Yellow", 0x00FFFF},
        {u"Blue", 0xFF0000},   {u"Fuchsia", 0xFF00FF}, {u"Aqua", 0xFFFF00},  {u"White", 0xFFFFFF},
    };
    return colors;
}

bool TColorElement::TextToColor(const QString& text, TColor& color)
{
    QStringView digits;
    if (text.size() == 7 && text.front() == u'#')
        digits = QStringView(text).mid(1);
    else if (text.size() == 6)
        digits = text;
    if (!digits.isEmpty()) {
        TColor value = 0;
        bool hex = true;
        // Red, green and blue, two digits each; red is the low byte of the stored value.
        for (int i = 0; i < 6 && hex; ++i) {
            const int digit = HexDigit(digits[i]);
            hex = digit >= 0;
            value |= TColor(digit & 0xF) << ((i / 2) * 8 + (i % 2 == 0 ? 4 : 0));
        }
        if (hex) {
            color = value;
            return true;
        }
    }
    for (const TNamedColor& named : NamedColors()) {
        if (text.compare(QStringView(named.Name), Qt::CaseInsensitive) == 0) {
            color = named.Value;
            return true;
        }
    }
    return false;
}

QString TColorElement::ColorToText(TColor color)
{
    color = ResolveColor(color);
    if (color == clNone)
        return QString();
    color &= 0xFFFFFF;
    for (const TNamedColor& named : NamedColors()) {
        if (named.Value == color)
            return QString::fromUtf16(named.Name);
    }
    QString text = QStringLiteral("#");
    for (const uint8_t component : {ColorRed(color), ColorGreen(color), ColorBlue(color)})
        text += QString::number(component, 16).toUpper().rightJustified(2, u'0');
    return text;
}

TColor TColorElement::GetColor()
{
    TColor color = clNone;
    if (IsFilled() && TextToColor(GetText(), color))
        return color;
    return clNone;
}

void TColorElement::SetColorUndoable(TColor color)
{
    ReplaceWithText(tetAll, nullptr, false, ColorToText(color));
}

void TColorElement::ChooseColor()
{
    if (IsReadOnly()) {
        UserInterface().Beep();
        return;
    }
    // The dialog shows the present colour; with none it starts from black.
    const TColor present = GetColor();
    if (const std::optional<uint32_t> chosen = UserInterface().ChooseColor(present == clNone ? 0 : present))
        SetColorUndoable(*chosen & 0xFFFFFF);
}

bool TColorElement::SelectItem(TDropDownItem* item)
{
    if (item == nullptr || !item->Value().isEmpty() || IsReadOnly())
        return inherited::SelectItem(item);
    ChooseColor();
    return true;
}

TDropDownItem* TColorElement::FillDropDown(TDropDownItem* root)
{
    TDropDownItem::AddItem(root, nullptr, -1, LoadStr(2604), 0, QString());
    for (const TNamedColor& named : NamedColors()) {
        auto* item = static_cast<TColorDropDownItem*>(TDropDownItem::AddItem(
            root, TColorDropDownItem::StaticClass(), -1, QString(), 0, QString::fromUtf16(named.Name)));
        item->SetSwatchColor(named.Value);
    }
    return inherited::FillDropDown(root);
}

void TColorElement::CheckContent()
{
    inherited::CheckContent();
    TColor color = clNone;
    if (IsFilled() && !TextToColor(GetText(), color))
        GetMessages()->AddElementsMessage(mkInvalidContent, LoadStr(2601), QString::number(ID()));
}

void TColorElement::FilledChanged()
{
    inherited::FilledChanged();
    UpdateSize();
    Invalidate();
}

void TColorElement::ValidityChanged()
{
    inherited::ValidityChanged();
    UpdateSize();
    Invalidate();
}

bool TColorElement::ShowsSwatch() const
{
    return (State() & esFilled) != 0 && IsValid();
}

QSize TColorElement::SwatchSize()
{
    if (Sheet() == nullptr)
        return QSize();
    const int h = Sheet()->Canvas()->ThemeTextHeight(stfValue);
    return QSize(3 * h / 2, h - 3);
}

QMargins TColorElement::GetPadding()
{
    QMargins padding = inherited::GetPadding();
    if (ShowsSwatch() && Sheet() != nullptr)
        padding.setLeft(padding.left() + Sheet()->Canvas()->Theme().Image(stiChar).Spacing +
                        SwatchSize().width());
    return padding;
}

void TColorElement::Paint(TCanvas* canvas)
{
    inherited::Paint(canvas);
    if (canvas == nullptr || !ShowsSwatch() || Sheet() == nullptr)
        return;
    // Placed as the icon of a caption without text in a field frame.
    TSheetTheme& theme = canvas->Theme();
    const QSize size = SwatchSize();
    const QRect client = GetClientRect();
    const int x = qMax(client.left(),
                       client.left() + theme.Element(steField).Padding.left() - theme.Image(stiChar).Spacing);
    const int y = client.top() + (client.height() - size.height()) / 2;
    canvas->FrameRect(QRect(QPoint(x, y), size), 0, GetColor(), theme.Font(stfValue).Color);
}

void TColorElement::GetPaletteItems(QList<TPaletteItem*>& list)
{
    inherited::GetPaletteItems(list);
    list.append(ChooseColorPaletteItem());
}

bool TColorElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    if (item == nullptr || item != ChooseColorPaletteItem())
        return inherited::ExecutePaletteItem(item, value);
    ChooseColor();
    return true;
}

// TColorField

TColorField::TColorField(TScheme* scheme) : TColorElement(scheme)
{
    SetOptions(Options() | eoInline);
    SetBehaviourOptions(BehaviourOptions() | tboFieldFrame);
}

TSchemePaletteItem* ChooseColorPaletteItem()
{
    // A large split button in "Actions".
    static TSchemePaletteItem* const item =
        new TSchemePaletteItem(Palette().ActionsGroup(), 0x150,
                               StripImage(LargeImages(), QStringLiteral("diSimpleElementsLargeImages"), 0),
                               QV_STR(2603), QV_STR(2602), 0);
    return item;
}

} // namespace qv
