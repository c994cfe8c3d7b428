#include "textor/qt_colors.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QColor& color, std::ostream* os)
{
    *os << (color.isValid() ? color.name(QColor::HexArgb).toStdString() : std::string("invalid"));
}
QT_END_NAMESPACE

namespace qv {
namespace {

// A palette in which every entry has its own colour, so a wrong role shows.
QPalette DistinctPalette()
{
    QPalette palette;
    int n = 1;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            if (role != QPalette::NoRole)
                palette.setColor(group, QPalette::ColorRole(role),
                                 QColor(n * 3 % 256, n * 7 % 256, n * 11 % 256));
            ++n;
        }
    }
    return palette;
}

struct TSystemRow
{
    const char* Name;
    TColor Color;
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

class SystemColorRows : public ::testing::TestWithParam<TSystemRow>
{
};

TEST_P(SystemColorRows, TakeTheirPaletteEntry)
{
    const TSystemRow& row = GetParam();
    const QPalette palette = DistinctPalette();
    EXPECT_EQ(ColorToQColor(row.Color, palette), palette.color(row.Group, row.Role));
    EXPECT_EQ(ResolveColor(row.Color, palette), QColorToColor(palette.color(row.Group, row.Role)));
}

const TSystemRow systemRows[] = {
    {"Window", clWindow, QPalette::Active, QPalette::Base},
    {"WindowText", clWindowText, QPalette::Active, QPalette::Text},
    {"Highlight", clHighlight, QPalette::Active, QPalette::Highlight},
    {"HighlightText", clHighlightText, QPalette::Active, QPalette::HighlightedText},
    {"ButtonFace", clButtonFace, QPalette::Active, QPalette::Button},
    {"GrayText", clGrayText, QPalette::Disabled, QPalette::Text},
    {"ButtonText", SystemColor(sciButtonText), QPalette::Active, QPalette::ButtonText},
    {"InfoBackground", SystemColor(sciInfoBackground), QPalette::Active, QPalette::ToolTipBase},
    {"InfoText", SystemColor(sciInfoText), QPalette::Active, QPalette::ToolTipText},
    {"HotLight", SystemColor(sciHotLight), QPalette::Active, QPalette::Link},
};

INSTANTIATE_TEST_SUITE_P(Roles, SystemColorRows, ::testing::ValuesIn(systemRows),
                         [](const ::testing::TestParamInfo<TSystemRow>& info) { return info.param.Name; });

TEST(QtColors, PlainColoursConvertBothWays)
{
    EXPECT_EQ(ColorToQColor(MakeColor(0x12, 0x34, 0x56)), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(ColorToQColor(0xFF0000), QColor(0, 0, 255)); // stored blue
    EXPECT_EQ(QColorToColor(QColor(0, 0, 255)), TColor(0xFF0000));
    for (const TColor color : {TColor(0), TColor(0xFFFFFF), TColor(0x563412), TColor(0x0000FF)})
        EXPECT_EQ(QColorToColor(ColorToQColor(color)), color);
    EXPECT_EQ(QColorToColor(QColor(1, 2, 3, 4)), MakeColor(1, 2, 3)); // alpha dropped
    EXPECT_EQ(QColorToColor(QColor::fromHsv(0, 255, 255)), MakeColor(255, 0, 0));
    EXPECT_EQ(ColorToQColor(0x02112233), QColor(0x33, 0x22, 0x11)); // other high bytes are ignored
    EXPECT_EQ(ResolveColor(0x563412), TColor(0x563412));
}

TEST(QtColors, NoColourIsAnInvalidQColor)
{
    EXPECT_FALSE(ColorToQColor(clNone).isValid());
    EXPECT_EQ(QColorToColor(QColor()), clNone);
    EXPECT_EQ(ResolveColor(clNone), clNone);
}

TEST(QtColors, EveryUsedSystemIndexHasARole)
{
    for (int index = 0; index < 256; ++index) {
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
        const bool used = index < systemColorCount && index != 25;
        EXPECT_EQ(SystemColorRole(uint8_t(index), group, role), used) << index;
        if (!used) {
            EXPECT_FALSE(ColorToQColor(SystemColor(uint8_t(index))).isValid());
            EXPECT_EQ(ResolveColor(SystemColor(uint8_t(index))), clNone);
        }
    }
}

TEST(QtColors, SystemColoursFollowTheApplicationPalette)
{
    const QPalette saved = QGuiApplication::palette();
    const QPalette palette = DistinctPalette();
    QGuiApplication::setPalette(palette);
    EXPECT_EQ(ColorToQColor(clHighlight), palette.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(ResolveColor(clWindowText), QColorToColor(palette.color(QPalette::Active, QPalette::Text)));
    QGuiApplication::setPalette(saved);
}

} // namespace
} // namespace qv
