#pragma once

#include "core/colors.h"

#include <QRect>
#include <QStringView>

namespace qv {

class IMeasuredFont;

// What text layout needs of a drawing surface. Coordinates are pixels in the surface's current
// coordinates (after every OffsetOrigin); colours are stored colour values (core/colors.h).
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
    virtual void FillRect(const QRect& rect, TColor color) = 0;
    // Blends the rectangle with the selection colour of a focused field (`active`) or of an inactive one.
    virtual void MarkSelected(const QRect& rect, bool active) = 0;
    // Draws characters with a transparent background, the baseline at `baseline`, starting at x. Control
    // characters are already replaced by the caller.
    virtual void DrawText(const IMeasuredFont& font, int x, int baseline, TColor color, QStringView text) = 0;
};

} // namespace qv
