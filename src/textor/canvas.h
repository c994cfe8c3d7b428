#pragma once

#include "textor/sheet_theme.h"
#include "textor/textor_canvas.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <array>
#include <memory>

namespace qv {

class IMeasuredFont;
class TSheetSettings;

// The drawing surface of a sheet (the canvas elements paint on): an off-screen 32-bit bitmap between
// BeginPaint and EndPaint, drawn in sheet coordinates, with the theme's frames, images, fonts and overlay
// colours. Elements paint in their own coordinates after OffsetOrigin. Measuring theme text works at any
// time.
//
// The theme comes from the sheet settings (the settings own it and replace it when "Theme" changes) or,
// without settings, from SetTheme. Used on the user-interface thread only.
class TCanvas : public ITextorCanvas
{
public:
    explicit TCanvas(TSheetSettings* settings = nullptr);
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TSheetSettings* Settings() const { return FSettings; }
    // A theme that overrides the settings' one; not owned.
    void SetTheme(TSheetTheme* theme);
    TSheetTheme& Theme() const;

    // Starts painting `rect` (sheet coordinates): a bitmap of its size filled with the window colour,
    // with `devicePixelRatio` device pixels per sheet pixel (a screen's ratio: pictures drawn with more
    // pixels stay sharp there).
    void BeginPaint(const QRect& rect, qreal devicePixelRatio = 1);
    // Copies the bitmap to `target` at the rectangle's position and frees it.
    void EndPaint(QPainter& target);
    // Ends painting and hands the bitmap over.
    QImage EndPaint();
    bool Painting() const { return FPainter != nullptr; }
    const QImage& Bitmap() const { return FBitmap; }
    // The painter of the bitmap (current coordinates); only while painting.
    QPainter& Painter() { return *FPainter; }
    // The accumulated origin offset.
    QPoint Origin() const { return FOrigin; }

    // ITextorCanvas
    QRect ClipRect() const override { return FClip; }
    void OffsetOrigin(int dx, int dy) override;
    void FillRect(const QRect& rect, TColor color) override;
    void MarkSelected(const QRect& rect, bool active) override;
    void DrawText(const IMeasuredFont& font, int x, int baseline, TColor color, QStringView text) override;

    // With radius 0: a 1-pixel frame (unless the frame colour is none), then the inside filled (unless
    // the fill is none); with a radius a rounded rectangle, its outline left out for none.
    void FrameRect(const QRect& rect, int radius, TColor fill, TColor frame);
    void MarkDisabled(const QRect& rect);
    // A frame nine-slice over `rect`, and an image at its natural size. `tint` 0 takes the element's
    // own tint (ColorOver), which may be none.
    void DrawThemeFrame(TSheetThemeElement element, const QRect& rect, QRgb tint = 0);
    void DrawThemeImage(TSheetThemeElement element, QPoint point, QRgb tint = 0);
    // A dotted focus rectangle that inverts what lies below; the double form adds a second one inset by
    // one pixel.
    void DrawFocusFrame(const QRect& rect, bool doubled);
    // Device pixels per sheet pixel of the bitmap being painted (1 when not painting): choose
    // double-size pictures by it.
    qreal DevicePixelRatio() const { return FPainter ? FBitmap.devicePixelRatio() : 1; }
    // Icon `index` of a horizontal strip of icons `iconWidth` sheet pixels wide; a strip with a device
    // pixel ratio (a double-size one) is cut in its own pixels and drawn at its size in sheet pixels.
    void DrawImage(const QImage& strip, int iconWidth, int x, int y, int index);
    // Text in a theme font with its top at y. stfStone text gets its shadow colour first, one pixel
    // right and down.
    void DrawThemeText(TSheetThemeFont font, int x, int y, TColor color, QStringView text);
    int ThemeTextWidth(TSheetThemeFont font, QStringView text);
    // The height of the digit "0" in a theme font.
    int ThemeTextHeight(TSheetThemeFont font);
    IMeasuredFont& ThemeFont(TSheetThemeFont font);
    // One pixel every `step` pixels in both directions, starting step - 1 from the top-left corner.
    void DotFill(const QRect& rect, int step, TColor color);
    void Polyline(const QPolygon& points, TColor color);

    // A caption with an optional icon inside a theme element's padding (check boxes, drop-down
    // buttons): its size, and drawing it into `rect`.
    QSize CaptionSize(TSheetThemeElement element, QSize iconSize, QStringView text);
    void DrawCaption(TSheetThemeElement element, const QRect& rect, const QImage* icon, QStringView text);

private:
    void CheckCaches();

    TSheetSettings* FSettings;
    TSheetTheme* FTheme = nullptr;
    QImage FBitmap;
    std::unique_ptr<QPainter> FPainter;
    QRect FPaintRect;
    QPoint FOrigin;
    QRect FClip;
    // Caches of the theme generation they were made for.
    const TSheetTheme* FCachedTheme = nullptr;
    int FCachedGeneration = -1;
    std::array<std::shared_ptr<IMeasuredFont>, sheetThemeFontCount> FFonts;
    std::array<int, sheetThemeFontCount> FZeroHeights{};
    QHash<QString, int> FStoneWidths;
};

} // namespace qv
