#pragma once

#include "textor/measuring_context.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>

#include <array>

namespace qv {

// A font measured by Qt. Kerning is off, shaping is not preferred and hinting is full, so that every
// advance is an integer and the width of a string is exactly the sum of its characters' advances (with
// DejaVu Sans on Qt 6.4 the glyphs then also land where the summed advances say). Advances are cached
// per character.
class TQtMeasuredFont : public IMeasuredFont
{
public:
    explicit TQtMeasuredFont(const QFont& font);

    TFontMetricsInfo Metrics() const override { return FMetrics; }
    int Advance(char32_t c) const override;
    int TextWidth(QStringView text) const override;
    int FitCount(QStringView text, int available, int& width) const override;
    const QFont* DrawingFont() const override { return &FFont; }

    // The glyphs of `text` placed at the summed advances from 0 (so drawn glyphs sit exactly where
    // layout measured them), or false when the font lacks a glyph and Qt would pick a fallback font:
    // such text is drawn with QPainter::drawText.
    bool GlyphRun(QStringView text, QGlyphRun& run) const;

    // Applies the measuring configuration described above to `font`.
    static void Configure(QFont& font);

private:
    int MeasureAdvance(char32_t c) const;

    QFont FFont;
    QFontMetrics FFontMetrics;
    TFontMetricsInfo FMetrics;
    quint32 GlyphIndex(char32_t c) const;

    mutable std::array<int, 256> FLatin;
    mutable QHash<char32_t, int> FOthers;
    QRawFont FRawFont;
    mutable std::array<qint64, 256> FLatinGlyphs;
    mutable QHash<char32_t, quint32> FOtherGlyphs;
};

// The measuring context over QFont and QFontDatabase. Fonts are cached per request.
class TQtMeasuringContext : public IMeasuringContext
{
public:
    // `dpiY` 0 takes the primary screen's logical resolution (96 without a screen).
    explicit TQtMeasuringContext(int dpiY = 0);

    int DpiY() const override { return FDpiY; }
    std::shared_ptr<IMeasuredFont> CreateFont(const TFontRequest& request) override;
    bool HasFamily(const QString& face) const override;

    // The QFont a request stands for, configured for measuring.
    QFont MakeFont(const TFontRequest& request) const;

private:
    int FDpiY;
    QHash<TFontRequest, std::shared_ptr<IMeasuredFont>> FFonts;
};

} // namespace qv
