#pragma once

#include <QImage>
#include <QMargins>
#include <QRect>
#include <QRgb>

#include <cstdint>

class QPainter;

namespace qv {

// How the edges and the middle of a nine-slice frame fill their cells.
enum TFillMode : uint8_t
{
    fmStretch = 0,
    fmTile = 1,
    fmLeaveOut = 2,
};

// The fill modes of a frame: left, top, right and bottom edge, then the middle.
struct TFillModes
{
    uint8_t Left = fmStretch;
    uint8_t Top = fmStretch;
    uint8_t Right = fmStretch;
    uint8_t Bottom = fmStretch;
    uint8_t Client = fmStretch;
};

// Splits `size` pixels into two border zones of the wanted sizes: when they do not fit, the first one
// is reduced and the second takes the rest; both stay non-negative and never exceed `size` together.
void SplitZones(int size, int wantFirst, int wantSecond, int& first, int& second);

// A copy of `source` tinted with `tint`: every pixel whose alpha is not 0 gets red, green and blue
// a × tint + (1 − a) × pixel, with a = the tint's alpha ÷ 255, rounded and clamped; the pixel's alpha
// stays. Works on non-premultiplied pixels; the result is QImage::Format_ARGB32.
QImage TintImage(const QImage& source, QRgb tint);

// Draws the part `sourceRect` of `source` over `target`, both divided into three columns and three rows
// by `zone` (left, top, right and bottom border widths). Corners are stretched; edges and the middle
// follow `fillModes`; tiles start at their cell's top-left corner and the last ones are cut. Cells that
// are empty in the source or in the target are left out. Stretching takes the nearest pixel.
void DrawNineSlice(QPainter& painter, const QImage& source, const QRect& sourceRect, const QRect& target,
                   const QMargins& zone, const TFillModes& fillModes);

// Fills `target` with copies of `sourceRect`, starting at the top-left corner; the last copies are cut.
void TileImage(QPainter& painter, const QImage& source, const QRect& sourceRect, const QRect& target);

} // namespace qv
