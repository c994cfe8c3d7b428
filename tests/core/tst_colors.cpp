#include "core/colors.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

// The stored encoding is fixed by existing files: red in the low byte, blue in the third.
static_assert(MakeColor(0, 0, 255) == 0xFF0000);
static_assert(MakeColor(0x12, 0x34, 0x56) == 0x563412);
static_assert(ColorRed(0x563412) == 0x12 && ColorGreen(0x563412) == 0x34 && ColorBlue(0x563412) == 0x56);
static_assert(clNone == 0x1FFFFFFF);
static_assert(clWindowText == 0xFF000008 && clWindow == 0xFF000005);

TEST(Colors, SystemColoursAreTheOnesWithHighByteFF)
{
    EXPECT_FALSE(IsSystemColor(clNone));
    EXPECT_FALSE(IsSystemColor(MakeColor(255, 255, 255)));
    EXPECT_FALSE(IsSystemColor(0xFE000005));
    for (int index = 0; index < systemColorCount; ++index) {
        const TColor color = SystemColor(uint8_t(index));
        EXPECT_TRUE(IsSystemColor(color));
        EXPECT_EQ(SystemColorIndex(color), index);
    }
}

TEST(Colors, ComponentsRoundTrip)
{
    for (const TColor color :
         {TColor(0), TColor(0xFFFFFF), TColor(0x808080), TColor(0x0000FF), TColor(0xABCDEF)})
        EXPECT_EQ(MakeColor(ColorRed(color), ColorGreen(color), ColorBlue(color)), color);
}

} // namespace
} // namespace qv
