#pragma once

#include "core/colors.h"
#include "elements/drop_down_list.h"
#include "fields/textor_element.h"

#include <QString>

namespace qv {

class TSchemePaletteItem;

// An entry of a colour list: a swatch of SwatchColor in place of an icon.
class TColorDropDownItem : public TDropDownItem
{
    QV_CLASS(TColorDropDownItem, TDropDownItem)

    TColorDropDownItem() = default;

    TColor SwatchColor() const { return FSwatchColor; }
    void SetSwatchColor(TColor value) { FSwatchColor = value; }

    // A swatch of the character icon size at x, centred in `row`, framed in the window text colour;
    // x advances by the icon width + 6.
    void DrawImage(TCanvas* canvas, const QRect& row, int& x) override;

private:
    TColor FSwatchColor = clNone;
};

// A colour as text: "#RRGGBB" or "RRGGBB" (red first, hexadecimal digits of either case), or one of the
// sixteen colour names. A filled and valid field shows a swatch of its colour before the text. Its list
// offers "<choose...>", which opens the colour dialog, and the named colours.
class TColorElement : public TTextorElement
{
    QV_CLASS(TColorElement, TTextorElement)

    explicit TColorElement(TScheme* scheme);

    // The sixteen named colours in list order.
    struct TNamedColor
    {
        const char16_t* Name;
        TColor Value;
    };
    static const TNamedColor (&NamedColors())[16];

    // False when the text is none of the forms above; `color` is then unchanged.
    static bool TextToColor(const QString& text, TColor& color);
    // A named colour's name, else "#RRGGBB"; a system colour is first resolved against the present
    // palette. Empty for clNone.
    static QString ColorToText(TColor color);

    // The parsed colour of a filled field whose text parses; otherwise clNone.
    TColor GetColor();
    // Replaces the whole text by ColorToText(color) as one undoable edit.
    void SetColorUndoable(TColor color);
    // Opens the colour dialog on GetColor; a confirmed colour is set undoably. A read-only field only
    // beeps.
    void ChooseColor();

    // "<choose...>" opens the dialog (a read-only field refuses it like any entry); the others set
    // their name.
    bool SelectItem(TDropDownItem* item) override;
    TDropDownItem* FillDropDown(TDropDownItem* root) override;
    void CheckContent() override;
    void FilledChanged() override;
    void ValidityChanged() override;
    // With a swatch, the left padding makes room for it.
    QMargins GetPadding() override;
    void Paint(TCanvas* canvas) override;
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;

private:
    // Whether the swatch is shown: filled and without messages.
    bool ShowsSwatch() const;
    // The swatch's size: (3 × h) div 2 by h − 3, h the height of "0" in the value font.
    QSize SwatchSize();
};

// A colour field as an inline part of its owner, in a field frame.
class TColorField : public TColorElement
{
    QV_CLASS(TColorField, TColorElement)

    explicit TColorField(TScheme* scheme);
};

// The palette's "Choose Color" item, offered by colour elements; made on first use.
TSchemePaletteItem* ChooseColorPaletteItem();

} // namespace qv
