#pragma once

#include "core/colors.h"

#include <QColor>
#include <QPalette>

namespace qv {

// Conversion between stored colours (core/colors.h) and QColor. System colour indexes are resolved
// against a palette: by default QGuiApplication::palette(), so a QGuiApplication must exist.

// The palette entry a system colour index stands for; false for an unused or unknown index.
bool SystemColorRole(uint8_t index, QPalette::ColorGroup& group, QPalette::ColorRole& role);

// clNone gives an invalid QColor, and so does a system colour with an unknown index. Plain colours
// ignore whatever stands in their high byte.
QColor ColorToQColor(TColor color);
QColor ColorToQColor(TColor color, const QPalette& palette);

// An invalid QColor gives clNone; otherwise the red, green and blue components (alpha is dropped).
TColor QColorToColor(const QColor& color);

// A system colour replaced by its present red, green and blue value; other colours unchanged. An
// unknown system index gives clNone.
TColor ResolveColor(TColor color);
TColor ResolveColor(TColor color, const QPalette& palette);

} // namespace qv
