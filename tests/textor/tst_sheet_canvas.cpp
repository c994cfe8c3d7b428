#include "textor/qt_colors.h"
#include "textor/sheet_canvas.h"
#include "textor/sheet_settings.h"

#include "support/fixed_metrics.h"

#include "support/printers.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

// A theme whose "Field" frame is a 6 × 6 picture in 2-pixel zones, each zone its own colour, tinted by
// a half-strength green pixel; "Mark" is the same picture as an image.
class SheetCanvas : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QImage picture(8, 7, QImage::Format_ARGB32);
        picture.fill(qRgba(0, 0, 0, 0));
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 6; ++x)
                picture.setPixel(x, y, qRgb(40 * (x / 2 + 1), 60 * (y / 2 + 1), 10));
        }
        picture.setPixel(7, 6, qRgba(0, 255, 0, 128));
        ASSERT_TRUE(Theme.LoadFromText(QStringLiteral("<ThemeInfo SelectColor=7,6 DisableColor=7,6>"
                                                      "<Field Cut=0,0,5,5 Zone=2,2,2,2/>"
                                                      "<Name Cut=0,0,5,5 Zone=2,2,2,2 ColorOver=7,6/>"
                                                      "<Referenced Cut=0,0,5,5/></ThemeInfo>"),
                                       picture));
        Canvas.SetTheme(&Theme);
        Window = ColorToQColor(clWindow).rgb();
    }

    QRgb Source(int x, int y) const { return Theme.Picture().pixel(x, y); }

    TSheetTheme Theme;
    TSheetCanvas Canvas;
    QRgb Window = 0;
};

TEST_F(SheetCanvas, PaintsInSheetCoordinatesAndMovesItsOrigin)
{
    Canvas.BeginPaint(QRect(100, 50, 20, 10));
    EXPECT_EQ(Canvas.ClipRect(), QRect(100, 50, 20, 10));
    Canvas.FillRect(QRect(100, 50, 2, 1), MakeColor(255, 0, 0));
    Canvas.OffsetOrigin(105, 55);
    EXPECT_EQ(Canvas.ClipRect(), QRect(-5, -5, 20, 10));
    Canvas.FillRect(QRect(0, 0, 1, 1), MakeColor(0, 0, 255));
    Canvas.FillRect(QRect(1, 0, 1, 1), clNone);
    Canvas.OffsetOrigin(-105, -55);
    const QImage image = Canvas.EndPaint();
    ASSERT_EQ(image.size(), QSize(20, 10));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(5, 5), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(6, 5), Window);
    EXPECT_FALSE(Canvas.Painting());
}

TEST_F(SheetCanvas, NineSliceFrameOfExactlyTheZonesHasNoMiddle)
{
    Canvas.BeginPaint(QRect(0, 0, 10, 10));
    Canvas.DrawThemeFrame(steField, QRect(1, 1, 4, 4));
    const QImage image = Canvas.EndPaint();
    // Each 2 × 2 corner of the target is the matching source corner.
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(image.pixel(1 + x, 1 + y), Source(x < 2 ? x : x + 2, y < 2 ? y : y + 2))
                << x << "," << y;
    }
    EXPECT_EQ(image.pixel(5, 5), Window);
}

TEST_F(SheetCanvas, FramesAndImagesTakeTheirTint)
{
    Canvas.BeginPaint(QRect(0, 0, 20, 10));
    Canvas.DrawThemeFrame(steName, QRect(0, 0, 6, 6)); // its own ColorOver
    Canvas.DrawThemeImage(steReferenceSign, QPoint(10, 0), qRgba(0, 0, 255, 255));
    const QImage image = Canvas.EndPaint();
    auto tinted = [](QRgb pixel) {
        const double a = 128 / 255.0;
        return qRgb(int(std::lround((1 - a) * qRed(pixel))),
                    int(std::lround(a * 255 + (1 - a) * qGreen(pixel))),
                    int(std::lround((1 - a) * qBlue(pixel))));
    };
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(image.pixel(x, y), tinted(Source(x, y))) << x << "," << y;
            EXPECT_EQ(image.pixel(10 + x, y), qRgb(0, 0, 255));
        }
    }
}

TEST_F(SheetCanvas, SelectionAndDisabledMarksBlendTheOverlayColours)
{
    Canvas.BeginPaint(QRect(0, 0, 4, 1));
    Canvas.FillRect(QRect(0, 0, 4, 1), MakeColor(255, 0, 0));
    Canvas.MarkSelected(QRect(0, 0, 1, 1), true);
    Canvas.MarkDisabled(QRect(1, 0, 1, 1));
    const QImage image = Canvas.EndPaint();
    // Half-strength green over red.
    for (int x = 0; x < 2; ++x) {
        const QRgb pixel = image.pixel(x, 0);
        EXPECT_NEAR(qRed(pixel), 127, 1);
        EXPECT_NEAR(qGreen(pixel), 128, 1);
        EXPECT_EQ(qBlue(pixel), 0);
    }
    EXPECT_EQ(image.pixel(2, 0), qRgb(255, 0, 0));
}

TEST_F(SheetCanvas, FramesDotsAndFocusRectangles)
{
    Canvas.BeginPaint(QRect(0, 0, 12, 12));
    Canvas.FrameRect(QRect(0, 0, 4, 4), 0, MakeColor(0, 255, 0), MakeColor(0, 0, 255));
    Canvas.DotFill(QRect(5, 0, 6, 6), 3, MakeColor(255, 0, 0));
    const QImage before = Canvas.Bitmap().copy();
    Canvas.DrawFocusFrame(QRect(0, 6, 6, 6), false);
    const QImage focused = Canvas.Bitmap().copy();
    Canvas.DrawFocusFrame(QRect(0, 6, 6, 6), false);
    const QImage image = Canvas.EndPaint();
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(3, 2), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(2, 2), qRgb(0, 255, 0));
    for (int y = 0; y < 6; ++y) {
        for (int x = 5; x < 11; ++x) {
            const bool dot = (x - 5) % 3 == 2 && y % 3 == 2;
            EXPECT_EQ(image.pixel(x, y), dot ? qRgb(255, 0, 0) : Window) << x << "," << y;
        }
    }
    // The focus frame inverts every other border pixel; drawn twice it is gone.
    EXPECT_EQ(focused.pixel(0, 6), qRgb(255 - qRed(Window), 255 - qGreen(Window), 255 - qBlue(Window)));
    EXPECT_EQ(focused.pixel(1, 6), Window);
    EXPECT_EQ(focused.pixel(2, 8), Window);
    EXPECT_EQ(image, before);
}

TEST_F(SheetCanvas, ThemeTextIsMeasuredWithTheThemeFontsAndCachesFollowTheScale)
{
    auto context = std::make_unique<TFixedMeasuringContext>();
    TScopedMeasuringContext scope(std::move(context));
    TSheetSettings settings;
    TSheetCanvas canvas(&settings);
    EXPECT_EQ(&canvas.Theme(), &settings.SheetTheme());
    EXPECT_EQ(canvas.ThemeTextWidth(stfStone, u"abc"), 30);
    EXPECT_EQ(canvas.ThemeTextWidth(stfStone, u"abc"), 30);
    EXPECT_EQ(canvas.ThemeTextHeight(stfValue), 13);
    const TSheetThemeElementData& check = settings.SheetTheme().Element(steCheckBox);
    // Padding 2,0,2,0 around an icon of 10 × 20 and "ab".
    EXPECT_EQ(canvas.CaptionSize(steCheckBox, QSize(10, 20), u"ab"), QSize(2 + 10 + 20 + 2, 20));
    EXPECT_EQ(canvas.CaptionSize(steCheckBox, QSize(), u""), QSize(13, 13));
    EXPECT_EQ(check.Padding, QMargins(2, 0, 2, 0));
    settings.FontSize().SetValue(sfsGreat);
    EXPECT_EQ(settings.SheetTheme().Element(steCheckBox).Padding, QMargins(3, 0, 3, 0));
    EXPECT_EQ(canvas.ThemeFont(stfValue).Metrics().Ascent, 10);
    EXPECT_EQ(settings.SheetTheme().Font(stfValue).Size, 15);
}

} // namespace
} // namespace qv
