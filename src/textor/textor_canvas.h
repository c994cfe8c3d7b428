#pragma once

#include <QRect>
#include <QStringView>

#include <cstdint>

namespace qv {

class IMeasuredFont;

// What text layout needs of a drawing surface. Coordinates are pixels in the surface's current
// coordinates (after every OffsetOrigin). Colours are 32-bit colour values (red + green × 256 + blue ×
// 65536, a system colour index with the high byte 0xFF, 0x1FFFFFFF for none).
class ITextorCanvas
{
public:
    virtual ~ITextorCanvas() = default;

    // The part of the surface that needs drawing, in current coordinates.
    virtual QRect ClipRect() const = 0;
    // Moves the origin by (dx, dy): what is drawn at (0, 0) afterwards lands at the old (dx, dy); the
    // clip rectangle moves the other way.
    virtual void OffsetOrigin(int dx, int dy) = 0;
    // Fills a rectangle; nothing for the colour none.
    virtual void FillRect(const QRect& rect, uint32_t color) = 0;
    // Blends the rectangle with the selection colour of a focused field (`active`) or of an inactive one.
    virtual void MarkSelected(const QRect& rect, bool active) = 0;
    // Draws characters with a transparent background, the baseline at `baseline`, starting at x. Control
    // characters are already replaced by the caller.
    virtual void DrawText(const IMeasuredFont& font, int x, int baseline, uint32_t color, QStringView text) = 0;
};

} // namespace qv
