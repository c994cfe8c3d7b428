#pragma once

#include "core/property.h"
#include "textor/attributes.h"
#include "textor/sheet_theme.h"

#include <array>
#include <memory>

namespace qv {

// Values of the "FontSize" setting.
enum TSheetFontSize : int
{
    sfsNormal = 0,
    sfsLarge = 1,
    sfsGreat = 2,
};

// The font size delta (points) and scale (percent) of a "FontSize" value: +0/100, +2/140, +4/180.
void SheetFontScale(int fontSize, int& delta, int& percent);
// The names "FontSize" is stored by: normal has the empty name.
QStringList SheetFontSizeNames();

// The "Sheet" settings: the theme and how the sheet behaves. Owns the loaded theme (created on first
// use, scaled by "FontSize") and shared text attributes built from the theme's fonts. Changing "Theme"
// drops the theme and those attributes; changing "FontSize" drops the attributes and scales the theme
// again. Used on the user-interface thread only.
class TSheetSettings : public TProperty
{
    QV_CLASS(TSheetSettings, TProperty)

public:
    explicit TSheetSettings(TProperty* parent = nullptr, const QString& name = QStringLiteral("Sheet"));
    ~TSheetSettings() override;

    TStringProperty& Theme() const { return *FThemeName; }
    TEnumProperty& FontSize() const { return *FFontSize; }
    TBooleanProperty& NonPrintingCharacters() const { return *FNonPrintingCharacters; }
    // Caret width in pixels, 1 to 20.
    TIntegerProperty& CaretSize() const { return *FCaretSize; }
    TBooleanProperty& FocusNew() const { return *FFocusNew; }
    TBooleanProperty& DropDownOnFocusNew() const { return *FDropDownOnFocusNew; }
    TBooleanProperty& IncreaseWorkspaceHeight() const { return *FIncreaseWorkspaceHeight; }

    // The theme named by "Theme", scaled by "FontSize".
    TSheetTheme& SheetTheme();
    // A shared text attributes value in a theme font: its face, size, colour and style (fixed pitch
    // for stfFixed). Kept until the theme or the font size changes.
    TTextAttributes* FontAttributes(TSheetThemeFont font);
    // The scale of "FontSize" in percent (other components scale their own constants by it).
    int ScalePercent() const;

    // Where named themes are looked for; empty: the "Themes" folder beside the program.
    void SetThemesFolder(const QString& folder);

    bool HandleMessage(int msg, void* param, void* data) override;

private:
    void DropCaches();

    TStringProperty* FThemeName;
    TEnumProperty* FFontSize;
    TBooleanProperty* FNonPrintingCharacters;
    TIntegerProperty* FCaretSize;
    TBooleanProperty* FFocusNew;
    TBooleanProperty* FDropDownOnFocusNew;
    TBooleanProperty* FIncreaseWorkspaceHeight;
    std::unique_ptr<TSheetTheme> FTheme;
    QString FLoadedName;
    int FScaledFontSize = -1;
    QString FThemesFolder;
    std::array<TAttributesRef<TTextAttributes>, sheetThemeFontCount> FAttributes;
};

// The "Print" settings: the theme, font size and scale of printed sheets.
class TPrintSettings : public TProperty
{
    QV_CLASS(TPrintSettings, TProperty)

public:
    explicit TPrintSettings(TProperty* parent = nullptr, const QString& name = QStringLiteral("Print"));

    TStringProperty& Theme() const { return *FThemeName; }
    TEnumProperty& FontSize() const { return *FFontSize; }
    // Percent of the screen size, 1 to 500.
    TIntegerProperty& Scale() const { return *FScale; }

private:
    TStringProperty* FThemeName;
    TEnumProperty* FFontSize;
    TIntegerProperty* FScale;
};

} // namespace qv
