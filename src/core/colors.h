#pragma once

#include <cstdint>

namespace qv {

// A colour as documents, settings and themes store it: red + green × 256 + blue × 65536 in the low
// three bytes; or, with the high byte 0xFF, the index of a system colour in the low byte, resolved
// against the present user-interface palette when drawn; or clNone.
using TColor = uint32_t;

// No colour (transparent, "not set").
constexpr TColor clNone = 0x1FFFFFFF;
// The high byte that marks a system colour index.
constexpr TColor clSystemColor = 0xFF000000;

// System colour indexes (the low byte of a system colour).
enum TSystemColorIndex : uint8_t
{
    sciScrollBar = 0,
    sciBackground = 1,
    sciActiveCaption = 2,
    sciInactiveCaption = 3,
    sciMenu = 4,
    sciWindow = 5,
    sciWindowFrame = 6,
    sciMenuText = 7,
    sciWindowText = 8,
    sciCaptionText = 9,
    sciActiveBorder = 10,
    sciInactiveBorder = 11,
    sciAppWorkspace = 12,
    sciHighlight = 13,
    sciHighlightText = 14,
    sciButtonFace = 15,
    sciButtonShadow = 16,
    sciGrayText = 17,
    sciButtonText = 18,
    sciInactiveCaptionText = 19,
    sciButtonHighlight = 20,
    sci3DDarkShadow = 21,
    sci3DLight = 22,
    sciInfoText = 23,
    sciInfoBackground = 24,
    sciHotLight = 26,
    sciGradientActiveCaption = 27,
    sciGradientInactiveCaption = 28,
    sciMenuHighlight = 29,
    sciMenuBar = 30,
};
constexpr int systemColorCount = 31; // indexes 0…30 (25 is unused)

constexpr TColor MakeColor(uint8_t red, uint8_t green, uint8_t blue)
{
    return TColor(red) | TColor(green) << 8 | TColor(blue) << 16;
}
constexpr uint8_t ColorRed(TColor color)
{
    return uint8_t(color & 0xFF);
}
constexpr uint8_t ColorGreen(TColor color)
{
    return uint8_t(color >> 8 & 0xFF);
}
constexpr uint8_t ColorBlue(TColor color)
{
    return uint8_t(color >> 16 & 0xFF);
}

constexpr TColor SystemColor(uint8_t index)
{
    return clSystemColor | index;
}
constexpr bool IsSystemColor(TColor color)
{
    return (color & 0xFF000000) == clSystemColor;
}
constexpr uint8_t SystemColorIndex(TColor color)
{
    return uint8_t(color & 0xFF);
}

// The named system colours used across the program.
constexpr TColor clWindow = SystemColor(sciWindow);
constexpr TColor clWindowText = SystemColor(sciWindowText);
constexpr TColor clHighlight = SystemColor(sciHighlight);
constexpr TColor clHighlightText = SystemColor(sciHighlightText);
constexpr TColor clButtonFace = SystemColor(sciButtonFace);
constexpr TColor clGrayText = SystemColor(sciGrayText);

} // namespace qv
