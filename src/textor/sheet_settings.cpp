#include "textor/sheet_settings.h"

#include "textor/rich_text_attributes.h"

namespace qv {

void SheetFontScale(int fontSize, int& delta, int& percent)
{
    switch (fontSize) {
    case sfsLarge:
        delta = 2;
        percent = 140;
        break;
    case sfsGreat:
        delta = 4;
        percent = 180;
        break;
    default:
        delta = 0;
        percent = 100;
        break;
    }
}

QStringList SheetFontSizeNames()
{
    return {QString(), QStringLiteral("Large"), QStringLiteral("Great")};
}

QV_IMPLEMENT_CLASS(TSheetSettings)

TSheetSettings::TSheetSettings(TProperty* parent, const QString& name)
    : TProperty(parent, name),
      FThemeName(new TStringProperty(this, QStringLiteral("Theme"), QStringLiteral("Default"))),
      FFontSize(new TEnumProperty(this, QStringLiteral("FontSize"), SheetFontSizeNames())),
      FNonPrintingCharacters(new TBooleanProperty(this, QStringLiteral("NonPrintingCharacters"), false)),
      // The default is the width of a window border, one pixel here.
      FCaretSize(new TIntegerProperty(this, QStringLiteral("CaretSize"), 1, 1, 20)),
      FFocusNew(new TBooleanProperty(this, QStringLiteral("FocusNew"), true)),
      FDropDownOnFocusNew(new TBooleanProperty(this, QStringLiteral("DropDownOnFocusNew"), true)),
      FIncreaseWorkspaceHeight(new TBooleanProperty(this, QStringLiteral("IncreaseWorkspaceHeight"), true))
{}

TSheetSettings::~TSheetSettings() = default;

void TSheetSettings::DropCaches()
{
    for (auto& attributes : FAttributes)
        attributes = TAttributesRef<TTextAttributes>();
}

void TSheetSettings::SetThemesFolder(const QString& folder)
{
    FThemesFolder = folder;
    FTheme.reset();
    DropCaches();
}

int TSheetSettings::ScalePercent() const
{
    int delta = 0;
    int percent = 100;
    SheetFontScale(FFontSize->Value(), delta, percent);
    return percent;
}

TSheetTheme& TSheetSettings::SheetTheme()
{
    if (!FTheme || FLoadedName != FThemeName->Value()) {
        DropCaches();
        FLoadedName = FThemeName->Value();
        FTheme = TSheetTheme::LoadTheme(FLoadedName, FThemesFolder);
        FScaledFontSize = -1;
    }
    if (FScaledFontSize != FFontSize->Value()) {
        DropCaches();
        FScaledFontSize = FFontSize->Value();
        int delta = 0;
        int percent = 100;
        SheetFontScale(FScaledFontSize, delta, percent);
        FTheme->ApplyScale(delta, percent);
    }
    return *FTheme;
}

TTextAttributes* TSheetSettings::FontAttributes(TSheetThemeFont font)
{
    TSheetTheme& theme = SheetTheme();
    TAttributesRef<TTextAttributes>& cached = FAttributes[font];
    if (!cached) {
        const TSheetThemeFontData& data = theme.Font(font);
        TRichTextAttributes scratch;
        scratch.SetFontName(data.FontName);
        scratch.SetSize(data.Size);
        scratch.SetColor(data.Color);
        scratch.SetStyle(data.Style);
        if (font == stfFixed)
            scratch.SetPitch(fpFixed);
        cached = TAttributesRef<TTextAttributes>::Adopt(
            static_cast<TTextAttributes*>(TAttributesRegistry::InternRef(scratch)));
    }
    return cached.get();
}

bool TSheetSettings::HandleMessage(int msg, void* param, void* data)
{
    if (msg == pmChanged && FTheme) {
        // A new theme is loaded on next use; a new font size scales the present one.
        if (FLoadedName != FThemeName->Value()) {
            FTheme.reset();
            DropCaches();
        } else if (FScaledFontSize != FFontSize->Value()) {
            SheetTheme();
        }
    }
    return inherited::HandleMessage(msg, param, data);
}

QV_IMPLEMENT_CLASS(TPrintSettings)

TPrintSettings::TPrintSettings(TProperty* parent, const QString& name)
    : TProperty(parent, name),
      FThemeName(new TStringProperty(this, QStringLiteral("Theme"), QStringLiteral("Default"))),
      FFontSize(new TEnumProperty(this, QStringLiteral("FontSize"), SheetFontSizeNames())),
      FScale(new TIntegerProperty(this, QStringLiteral("Scale"), 50, 1, 500))
{}

} // namespace qv
