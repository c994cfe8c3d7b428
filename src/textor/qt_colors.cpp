#include "textor/qt_colors.h"

#include <QGuiApplication>

#include <array>

namespace qv {

namespace {

struct TSystemColorEntry
{
    bool Used;
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

// Indexed by TSystemColorIndex. Window decorations (captions, borders, the desktop) have no palette
// roles of their own: they take the nearest widget roles.
constexpr std::array<TSystemColorEntry, systemColorCount> systemColors = {{
    {true, QPalette::Active, QPalette::Button},          // sciScrollBar
    {true, QPalette::Active, QPalette::Dark},            // sciBackground
    {true, QPalette::Active, QPalette::Highlight},       // sciActiveCaption
    {true, QPalette::Inactive, QPalette::Mid},           // sciInactiveCaption
    {true, QPalette::Active, QPalette::Window},          // sciMenu
    {true, QPalette::Active, QPalette::Base},            // sciWindow
    {true, QPalette::Active, QPalette::Shadow},          // sciWindowFrame
    {true, QPalette::Active, QPalette::WindowText},      // sciMenuText
    {true, QPalette::Active, QPalette::Text},            // sciWindowText
    {true, QPalette::Active, QPalette::HighlightedText}, // sciCaptionText
    {true, QPalette::Active, QPalette::Button},          // sciActiveBorder
    {true, QPalette::Inactive, QPalette::Button},        // sciInactiveBorder
    {true, QPalette::Active, QPalette::Mid},             // sciAppWorkspace
    {true, QPalette::Active, QPalette::Highlight},       // sciHighlight
    {true, QPalette::Active, QPalette::HighlightedText}, // sciHighlightText
    {true, QPalette::Active, QPalette::Button},          // sciButtonFace
    {true, QPalette::Active, QPalette::Dark},            // sciButtonShadow
    {true, QPalette::Disabled, QPalette::Text},          // sciGrayText
    {true, QPalette::Active, QPalette::ButtonText},      // sciButtonText
    {true, QPalette::Inactive, QPalette::WindowText},    // sciInactiveCaptionText
    {true, QPalette::Active, QPalette::Light},           // sciButtonHighlight
    {true, QPalette::Active, QPalette::Shadow},          // sci3DDarkShadow
    {true, QPalette::Active, QPalette::Midlight},        // sci3DLight
    {true, QPalette::Active, QPalette::ToolTipText},     // sciInfoText
    {true, QPalette::Active, QPalette::ToolTipBase},     // sciInfoBackground
    {false, QPalette::Active, QPalette::NoRole},         // 25: unused
    {true, QPalette::Active, QPalette::Link},            // sciHotLight
    {true, QPalette::Active, QPalette::Highlight},       // sciGradientActiveCaption
    {true, QPalette::Inactive, QPalette::AlternateBase}, // sciGradientInactiveCaption
    {true, QPalette::Active, QPalette::Highlight},       // sciMenuHighlight
    {true, QPalette::Active, QPalette::Window},          // sciMenuBar
}};

} // namespace

bool SystemColorRole(uint8_t index, QPalette::ColorGroup& group, QPalette::ColorRole& role)
{
    if (index >= systemColors.size() || !systemColors[index].Used)
        return false;
    group = systemColors[index].Group;
    role = systemColors[index].Role;
    return true;
}

QColor ColorToQColor(TColor color)
{
    if (color == clNone)
        return {};
    if (IsSystemColor(color))
        return ColorToQColor(color, QGuiApplication::palette());
    return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

QColor ColorToQColor(TColor color, const QPalette& palette)
{
    if (color == clNone)
        return {};
    if (IsSystemColor(color)) {
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
        if (!SystemColorRole(SystemColorIndex(color), group, role))
            return {};
        return palette.color(group, role);
    }
    return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

TColor QColorToColor(const QColor& color)
{
    if (!color.isValid())
        return clNone;
    const QColor rgb = color.toRgb();
    return MakeColor(uint8_t(rgb.red()), uint8_t(rgb.green()), uint8_t(rgb.blue()));
}

TColor ResolveColor(TColor color)
{
    if (!IsSystemColor(color))
        return color;
    return QColorToColor(ColorToQColor(color));
}

TColor ResolveColor(TColor color, const QPalette& palette)
{
    if (!IsSystemColor(color))
        return color;
    return QColorToColor(ColorToQColor(color, palette));
}

} // namespace qv
