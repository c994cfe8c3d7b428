#pragma once

#include "core/colors.h"
#include "textor/theme_drawing.h"

#include <QImage>
#include <QMargins>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace qv {

class TKnot;

// The six fonts of a theme, in file order.
enum TSheetThemeFont : uint8_t
{
    stfStone,   // element captions
    stfValue,   // values typed into text fields (the default text-field font)
    stfName,    // names
    stfFixed,   // fixed-pitch text
    stfArt,     // large display text
    stfComment, // comments
};
constexpr int sheetThemeFontCount = 6;

// The forty frames and images of a theme, in file order.
enum TSheetThemeElement : uint8_t
{
    steSheet,
    steLine,
    steUnaccepted,
    steElement,
    steElementCommand,
    steElementTechnical,
    steElementExpression,
    steDescription,
    steCollapsed,
    steCollapsedData,
    steExpanded,
    steExpandedData,
    steLogicFrameCollapsed,
    steLogicFrameCollapsedData,
    steLogicFrameExpanded,
    steLogicFrameExpandedData,
    steField,
    steName,
    steNamePrivate,
    steNamePublic,
    steCheckBox,
    steCheckBoxChecked,
    steCheckBoxUnchecked,
    steContainer,
    steImageContainer,
    steSubstitution,
    steSubstitutionHorzFirst,
    steSubstitutionHorzNext,
    steSubstitutionVertFirst,
    steSubstitutionVertNext,
    steComment,
    steErrorSign,
    steNeedValueSign,
    steReferenceSign,
    steFrameDot,
    steFrameSingle,
    steMark,
    steExternalEditingMode,
    steLogicFrame,
    steImageChess,
};
constexpr int sheetThemeElementCount = 40;

// Icon sizes: character-sized, small and large.
enum TSheetThemeImage : uint8_t
{
    stiChar,
    stiSmall,
    stiLarge,
};
constexpr int sheetThemeImageCount = 3;

// The theme file's node of a font or an element.
QString SheetThemeFontNode(TSheetThemeFont font);
QString SheetThemeElementNode(TSheetThemeElement element);
// The element whose node stands in when this element's node is absent; the element itself when none.
TSheetThemeElement SheetThemeElementFallback(TSheetThemeElement element);
// Frames are drawn nine-slice over a rectangle; the others are images drawn at their natural size.
bool IsSheetThemeFrame(TSheetThemeElement element);

struct TSheetThemeFontData
{
    QString FontName; // empty: the platform's default face
    int BaseSize = 0; // points, as read
    int Size = 0;     // points, BaseSize + the font size delta
    uint8_t Style = 0;
    TColor Color = 0;
    TColor SecondColor = clNone; // the shadow of stfStone text
};

// A tinted copy of an element's picture, made once per colour.
struct TColorOverImage
{
    QRgb Color = 0;
    QImage Image;
};

struct TSheetThemeElementData
{
    QRect Cut;          // source rectangle in the picture; right and bottom exclusive
    QRgb ColorOver = 0; // default tint (its alpha is the strength); 0 for none
    QMargins MouseTransparent;
    QMargins BaseMargins;
    QMargins Margins; // scaled: space outside the frame
    QMargins BasePadding;
    QMargins Padding; // scaled: space between the frame and its content
    // Frames only.
    TFillModes FillModes;
    QMargins Zone; // the nine-slice border widths, not scaled
    std::vector<TColorOverImage> TintedCopies;
};

struct TSheetThemeImageData
{
    QMargins BaseMargins;
    QMargins Margins;
    int BaseSpacing = 0;
    int Spacing = 0; // between an icon and its text
};

// A loaded theme: the picture, six fonts, forty elements, three image sizes and the overlay colours.
// Scaled by ApplyScale after loading and whenever the sheet's font size changes. Used on the
// user-interface thread only.
class TSheetTheme
{
public:
    TSheetTheme();

    // The built-in theme for "Default" (any case) and whenever the named theme cannot be read: a
    // missing file, an unreadable picture, a corrupt text, or a name that would leave the "Themes"
    // folder beside the program.
    // `themesFolder` empty: the "Themes" folder beside the program.
    static std::unique_ptr<TSheetTheme> LoadTheme(const QString& name,
                                                  const QString& themesFolder = QString());
    static std::unique_ptr<TSheetTheme> LoadBuiltIn();
    // Reads a theme from its knot text and picture; false (and nothing changed) when the text is corrupt
    // or its root is not "ThemeInfo", or the picture is empty.
    bool LoadFromText(const QString& text, const QImage& picture);
    bool LoadFromKnot(TKnot& root, const QImage& picture);
    // The built-in theme's knot text and picture, from the program's resources.
    static QString BuiltInText();
    static QImage BuiltInPicture();
    // The files of a named theme in `themesFolder`; empty strings for a name that is not a plain file
    // name ("/", "\" or "..").
    static bool ThemeFiles(const QString& themesFolder, const QString& name, QString& textFile,
                           QString& pictureFile);

    // Font sizes := base + delta; margins, padding, image margins and spacing, element spacing and inset
    // := base × percent div 100, each value separately.
    void ApplyScale(int delta, int percent);
    int ScaleDelta() const { return FScaleDelta; }
    int ScalePercent() const { return FScalePercent; }
    // Changes whenever anything scaled changes, so that caches can tell.
    int Generation() const { return FGeneration; }

    const QImage& Picture() const { return FPicture; }
    const TSheetThemeFontData& Font(TSheetThemeFont font) const { return FFonts[font]; }
    const TSheetThemeElementData& Element(TSheetThemeElement element) const { return FElements[element]; }
    const TSheetThemeImageData& Image(TSheetThemeImage image) const { return FImages[image]; }
    QRgb DisableColor() const { return FDisableColor; }
    QRgb SelectColor() const { return FSelectColor; }
    QRgb SelectInactiveColor() const { return FSelectInactiveColor; }
    QSize ElementSpacing() const { return FElementSpacing; }
    QMargins ElementInset() const { return FElementInset; }

    // The picture to draw an element from and its part: with tint 0 the picture and the cut; otherwise
    // the tinted copy of the cut (made on first use and kept) and its whole rectangle.
    const QImage& Source(TSheetThemeElement element, QRgb tint, QRect& sourceRect);
    // A frame's minimum size (its zones) and an image's natural size (its cut).
    QSize FrameMinSize(TSheetThemeElement element) const;
    QSize ImageSize(TSheetThemeElement element) const;

    // The face of a comma-separated list of faces that is installed first; empty when none is.
    static QString FirstInstalledFace(const QString& faces);

private:
    void ComputeImageData();
    void ReadFont(TKnot& root, TSheetThemeFont font);
    void ReadElement(TKnot& root, TSheetThemeElement element);

    QImage FPicture;     // as read (non-premultiplied), for colours and tinting
    QImage FDrawPicture; // premultiplied, for drawing
    std::array<TSheetThemeFontData, sheetThemeFontCount> FFonts;
    std::array<TSheetThemeElementData, sheetThemeElementCount> FElements;
    std::array<TSheetThemeImageData, sheetThemeImageCount> FImages;
    QRgb FDisableColor;
    QRgb FSelectColor;
    QRgb FSelectInactiveColor;
    QSize FBaseElementSpacing{3, 3};
    QSize FElementSpacing{3, 3};
    QMargins FBaseElementInset{3, 0, 3, 0};
    QMargins FElementInset{3, 0, 3, 0};
    int FScaleDelta = 0;
    int FScalePercent = 100;
    int FGeneration = 0;
};

} // namespace qv
