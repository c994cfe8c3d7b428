#include "textor/canvas.h"

#include "textor/measuring_context.h"
#include "textor/qt_colors.h"
#include "textor/qt_measuring_context.h"
#include "textor/sheet_settings.h"
#include "textor/theme_drawing.h"

#include <QRawFont>
#include <QtMath>

namespace qv {

TCanvas::TCanvas(TSheetSettings* settings) : FSettings(settings) {}

TCanvas::~TCanvas()
{
    if (FPainter)
        FPainter->end();
}

void TCanvas::SetTheme(TSheetTheme* theme)
{
    FTheme = theme;
}

TSheetTheme& TCanvas::Theme() const
{
    if (FTheme != nullptr)
        return *FTheme;
    if (FSettings != nullptr)
        return FSettings->SheetTheme();
    // Without settings or a theme of its own the canvas draws with the built-in theme.
    static TSheetTheme* builtIn = TSheetTheme::LoadBuiltIn().release();
    return *builtIn;
}

void TCanvas::CheckCaches()
{
    const TSheetTheme& theme = Theme();
    if (FCachedTheme == &theme && FCachedGeneration == theme.Generation())
        return;
    FCachedTheme = &theme;
    FCachedGeneration = theme.Generation();
    for (auto& font : FFonts)
        font.reset();
    FZeroHeights.fill(-1);
    FStoneWidths.clear();
}

void TCanvas::BeginPaint(const QRect& rect, qreal devicePixelRatio)
{
    if (FPainter)
        FPainter->end();
    FPaintRect = rect;
    const qreal ratio = qMax<qreal>(1, devicePixelRatio);
    // The bitmap of the last paint onto a device is reused when the size is the same: a new one of a
    // full screen costs its allocation and page faults on every paint.
    const QSize size(qMax(1, qCeil(rect.width() * ratio)), qMax(1, qCeil(rect.height() * ratio)));
    if (FBitmap.size() != size || FBitmap.format() != QImage::Format_ARGB32_Premultiplied)
        FBitmap = QImage(size, QImage::Format_ARGB32_Premultiplied);
    FBitmap.setDevicePixelRatio(ratio);
    QColor window = ColorToQColor(clWindow);
    window.setAlpha(255);
    FBitmap.fill(window);
    FPainter = std::make_unique<QPainter>(&FBitmap);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter->translate(-rect.left(), -rect.top());
    FOrigin = QPoint();
    FClip = rect;
}

QImage TCanvas::EndPaint()
{
    if (FPainter) {
        FPainter->end();
        FPainter.reset();
    }
    FOrigin = QPoint();
    FClip = QRect();
    return std::exchange(FBitmap, QImage());
}

void TCanvas::EndPaint(QPainter& target)
{
    if (FPainter) {
        FPainter->end();
        FPainter.reset();
    }
    FOrigin = QPoint();
    FClip = QRect();
    // The bitmap stays for the next paint; drawing copies its pixels.
    target.drawImage(FPaintRect.topLeft(), FBitmap);
}

void TCanvas::OffsetOrigin(int dx, int dy)
{
    FOrigin += QPoint(dx, dy);
    FClip.translate(-dx, -dy);
    if (FPainter)
        FPainter->translate(dx, dy);
}

void TCanvas::FillRect(const QRect& rect, TColor color)
{
    const QColor qcolor = ColorToQColor(color);
    if (FPainter && qcolor.isValid() && !rect.isEmpty())
        FPainter->fillRect(rect, qcolor);
}

void TCanvas::MarkSelected(const QRect& rect, bool active)
{
    if (FPainter && !rect.isEmpty())
        FPainter->fillRect(rect,
                           QColor::fromRgba(active ? Theme().SelectColor() : Theme().SelectInactiveColor()));
}

void TCanvas::MarkDisabled(const QRect& rect)
{
    if (FPainter && !rect.isEmpty())
        FPainter->fillRect(rect, QColor::fromRgba(Theme().DisableColor()));
}

void TCanvas::DrawText(const IMeasuredFont& font, int x, int baseline, TColor color, QStringView text)
{
    const QColor qcolor = ColorToQColor(color);
    if (!FPainter || !qcolor.isValid() || text.isEmpty())
        return;
    FPainter->setPen(qcolor);
    if (const auto* qtFont = dynamic_cast<const TQtMeasuredFont*>(&font)) {
        // Glyphs at the summed advances: exactly where layout put the carets.
        QGlyphRun run;
        if (qtFont->GlyphRun(text, run)) {
            // Qt places a glyph run's own underline and strike-out with the painter's translation
            // applied twice, so they are drawn here.
            const bool underline = run.underline();
            const bool strikeOut = run.strikeOut();
            run.setUnderline(false);
            run.setStrikeOut(false);
            FPainter->drawGlyphRun(QPointF(x, baseline), run);
            if (underline || strikeOut) {
                const QRawFont raw = run.rawFont();
                const qreal thickness = qMax<qreal>(1.0, raw.lineThickness());
                const qreal width = qtFont->TextWidth(text);
                if (underline)
                    FPainter->fillRect(QRectF(x, baseline + raw.underlinePosition(), width, thickness),
                                       qcolor);
                if (strikeOut)
                    FPainter->fillRect(QRectF(x, baseline - raw.xHeight() / 2, width, thickness), qcolor);
            }
            return;
        }
    }
    if (const QFont* drawing = font.DrawingFont()) {
        FPainter->setFont(*drawing);
        FPainter->drawText(QPoint(x, baseline), text.toString());
        return;
    }
    // A font that only measures: each character in the default face at its measured place.
    QFont fallback;
    TQtMeasuredFont::Configure(fallback);
    FPainter->setFont(fallback);
    int left = x;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype size = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = text.mid(i, size);
        FPainter->drawText(QPoint(left, baseline), character.toString());
        left += font.TextWidth(character);
        i += size - 1;
    }
}

void TCanvas::FrameRect(const QRect& rect, int radius, TColor fill, TColor frame)
{
    if (!FPainter || rect.isEmpty())
        return;
    const QColor fillColor = ColorToQColor(fill);
    const QColor frameColor = ColorToQColor(frame);
    if (radius <= 0) {
        QRect inside = rect;
        if (frameColor.isValid()) {
            FPainter->fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), frameColor);
            FPainter->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), frameColor);
            FPainter->fillRect(QRect(rect.left(), rect.top() + 1, 1, rect.height() - 2), frameColor);
            FPainter->fillRect(QRect(rect.right(), rect.top() + 1, 1, rect.height() - 2), frameColor);
            inside = rect.adjusted(1, 1, -1, -1);
        }
        if (fillColor.isValid() && !inside.isEmpty())
            FPainter->fillRect(inside, fillColor);
        return;
    }
    FPainter->save();
    FPainter->setRenderHint(QPainter::Antialiasing, true);
    FPainter->setPen(frameColor.isValid() ? QPen(frameColor, 1) : QPen(Qt::NoPen));
    FPainter->setBrush(fillColor.isValid() ? QBrush(fillColor) : QBrush(Qt::NoBrush));
    FPainter->drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    FPainter->restore();
}

void TCanvas::DrawThemeFrame(TSheetThemeElement element, const QRect& rect, QRgb tint)
{
    if (!FPainter || rect.isEmpty())
        return;
    TSheetTheme& theme = Theme();
    const TSheetThemeElementData& data = theme.Element(element);
    if (tint == 0)
        tint = data.ColorOver;
    QRect sourceRect;
    const QImage& source = theme.Source(element, tint, sourceRect);
    if (sourceRect.isEmpty())
        return;
    DrawNineSlice(*FPainter, source, sourceRect, rect, data.Zone, data.FillModes);
}

void TCanvas::DrawThemeImage(TSheetThemeElement element, QPoint point, QRgb tint)
{
    if (!FPainter)
        return;
    TSheetTheme& theme = Theme();
    if (tint == 0)
        tint = theme.Element(element).ColorOver;
    QRect sourceRect;
    const QImage& source = theme.Source(element, tint, sourceRect);
    if (!sourceRect.isEmpty())
        FPainter->drawImage(point, source, sourceRect);
}

void TCanvas::DrawFocusFrame(const QRect& rect, bool doubled)
{
    if (!FPainter || rect.isEmpty())
        return;
    FPainter->save();
    FPainter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    FPainter->setPen(QPen(QColor(255, 255, 255), 1));
    auto frame = [this](const QRect& r) {
        // Every other pixel along the border, clockwise from the top-left corner.
        int step = 0;
        auto dot = [this, &step](int x, int y) {
            if (step++ % 2 == 0)
                FPainter->drawPoint(x, y);
        };
        for (int x = r.left(); x < r.right(); ++x)
            dot(x, r.top());
        for (int y = r.top(); y < r.bottom(); ++y)
            dot(r.right(), y);
        for (int x = r.right(); x > r.left(); --x)
            dot(x, r.bottom());
        for (int y = r.bottom(); y > r.top(); --y)
            dot(r.left(), y);
    };
    frame(rect);
    if (doubled && rect.width() > 2 && rect.height() > 2)
        frame(rect.adjusted(1, 1, -1, -1));
    FPainter->restore();
}

void TCanvas::DrawImage(const QImage& strip, int iconWidth, int x, int y, int index)
{
    if (!FPainter || iconWidth <= 0 || index < 0)
        return;
    const qreal ratio = strip.devicePixelRatio();
    if (ratio == 1) {
        FPainter->drawImage(QPoint(x, y), strip, QRect(index * iconWidth, 0, iconWidth, strip.height()));
        return;
    }
    const QRectF source(index * iconWidth * ratio, 0, iconWidth * ratio, strip.height());
    FPainter->drawImage(QRectF(x, y, iconWidth, strip.height() / ratio), strip, source);
}

IMeasuredFont& TCanvas::ThemeFont(TSheetThemeFont font)
{
    CheckCaches();
    std::shared_ptr<IMeasuredFont>& cached = FFonts[font];
    if (!cached) {
        const TSheetThemeFontData& data = Theme().Font(font);
        TFontRequest request;
        request.Face = data.FontName;
        request.Size = data.Size > 0 ? data.Size : 8;
        request.Style = data.Style;
        if (font == stfFixed)
            request.Pitch = fpFixed;
        cached = TDeviceContextManager::Instance().CreateFont(request);
    }
    return *cached;
}

int TCanvas::ThemeTextHeight(TSheetThemeFont font)
{
    CheckCaches();
    if (FZeroHeights[font] < 0) {
        const TFontMetricsInfo metrics = ThemeFont(font).Metrics();
        FZeroHeights[font] = metrics.Ascent + metrics.Descent;
    }
    return FZeroHeights[font];
}

int TCanvas::ThemeTextWidth(TSheetThemeFont font, QStringView text)
{
    CheckCaches();
    if (font != stfStone)
        return ThemeFont(font).TextWidth(text);
    // Captions repeat on every element: their widths are kept.
    const QString key = text.toString();
    auto it = FStoneWidths.constFind(key);
    if (it != FStoneWidths.cend())
        return it.value();
    const int width = ThemeFont(font).TextWidth(text);
    FStoneWidths.insert(key, width);
    return width;
}

void TCanvas::DrawThemeText(TSheetThemeFont font, int x, int y, TColor color, QStringView text)
{
    IMeasuredFont& measured = ThemeFont(font);
    const int baseline = y + measured.Metrics().Ascent;
    const TColor shadow = Theme().Font(font).SecondColor;
    if (font == stfStone && shadow != clNone)
        DrawText(measured, x + 1, baseline + 1, shadow, text);
    DrawText(measured, x, baseline, color, text);
}

void TCanvas::DotFill(const QRect& rect, int step, TColor color)
{
    const QColor qcolor = ColorToQColor(color);
    if (!FPainter || !qcolor.isValid() || step <= 0)
        return;
    for (int y = rect.top() + step - 1; y <= rect.bottom(); y += step) {
        for (int x = rect.left() + step - 1; x <= rect.right(); x += step)
            FPainter->fillRect(QRect(x, y, 1, 1), qcolor);
    }
}

void TCanvas::Polyline(const QPolygon& points, TColor color)
{
    const QColor qcolor = ColorToQColor(color);
    if (!FPainter || !qcolor.isValid())
        return;
    FPainter->setPen(QPen(qcolor, 1));
    FPainter->drawPolyline(points);
}

QSize TCanvas::CaptionSize(TSheetThemeElement element, QSize iconSize, QStringView text)
{
    const QMargins padding = Theme().Element(element).Padding;
    const int contentWidth = iconSize.width() + (text.isEmpty() ? 0 : ThemeTextWidth(stfValue, text));
    const int contentHeight =
        qMax(iconSize.height(), qMax(ThemeTextHeight(stfValue), ThemeTextHeight(stfStone)));
    const int height = padding.top() + contentHeight + padding.bottom();
    if (iconSize.isEmpty() && text.isEmpty())
        return QSize(height, height);
    return QSize(padding.left() + contentWidth + padding.right(), height);
}

void TCanvas::DrawCaption(TSheetThemeElement element, const QRect& rect, const QImage* icon, QStringView text)
{
    TSheetTheme& theme = Theme();
    const QMargins padding = theme.Element(element).Padding;
    const int spacing = theme.Image(stiChar).Spacing;
    int x = rect.left() + padding.left();
    if (icon != nullptr && !icon->isNull()) {
        x = qMax(rect.left(), x - spacing);
        if (FPainter)
            FPainter->drawImage(QPoint(x, rect.top() + (rect.height() - icon->height()) / 2), *icon);
        x += icon->width() + spacing;
    }
    if (!text.isEmpty()) {
        const int height = ThemeTextHeight(stfValue);
        DrawThemeText(stfValue, x, rect.top() + (rect.height() - height) / 2, theme.Font(stfValue).Color,
                      text);
    }
}

} // namespace qv
