// Nine-slice frames and tinting, checked pixel by pixel against hand-made source images.

#include "textor/theme_drawing.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace qv {
namespace {

// Colours of the nine cells of the source: row-major, top-left first.
const QRgb cellColors[9] = {
    qRgb(255, 0, 0),   qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0), qRgb(0, 255, 255),
    qRgb(255, 0, 255), qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 128),
};
const QRgb background = qRgb(1, 2, 3);

// A 9 × 9 source in three 3-pixel zones per direction, placed at (2, 1) of a larger picture so that the
// source rectangle matters.
QImage ZonedPicture()
{
    QImage picture(14, 12, QImage::Format_ARGB32_Premultiplied);
    picture.fill(qRgb(77, 77, 77));
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x)
            picture.setPixel(2 + x, 1 + y, cellColors[(y / 3) * 3 + x / 3]);
    }
    return picture;
}

QImage Draw(const QImage& source, const QRect& target, const TFillModes& modes, QSize canvas = QSize(24, 24))
{
    QImage image(canvas, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    DrawNineSlice(painter, source, QRect(2, 1, 9, 9), target, QMargins(3, 3, 3, 3), modes);
    painter.end();
    return image;
}

// The cell index (0..8) a target pixel belongs to, given the target's column and row edges.
int CellOf(int x, int y, const int columns[4], const int rows[4])
{
    int column = x < columns[1] ? 0 : (x < columns[2] ? 1 : 2);
    int row = y < rows[1] ? 0 : (y < rows[2] ? 1 : 2);
    return row * 3 + column;
}

TEST(NineSlice, StretchesEveryCellIntoItsPlace)
{
    const QRect target(4, 5, 15, 12);
    const QImage image = Draw(ZonedPicture(), target, TFillModes());
    const int columns[4] = {4, 7, 16, 19};
    const int rows[4] = {5, 8, 14, 17};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb expected =
                target.contains(x, y) ? cellColors[CellOf(x, y, columns, rows)] : background;
            ASSERT_EQ(image.pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST(NineSlice, TargetAsLargeAsTheZonesHasNoMiddle)
{
    const QRect target(2, 2, 6, 6);
    const QImage image = Draw(ZonedPicture(), target, TFillModes());
    for (int y = 2; y < 8; ++y) {
        for (int x = 2; x < 8; ++x) {
            const int cell = (y < 5 ? 0 : 6) + (x < 5 ? 0 : 2);
            ASSERT_EQ(image.pixel(x, y), cellColors[cell]) << x << "," << y;
        }
    }
}

TEST(NineSlice, SmallTargetReducesTheFirstZone)
{
    int first = 0;
    int second = 0;
    SplitZones(4, 3, 3, first, second);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 3);
    SplitZones(2, 3, 3, first, second);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 2);
    SplitZones(-5, 3, 3, first, second);
    EXPECT_EQ(first + second, 0);
    // A 4 × 4 target: one column and row of the first corner's source, squeezed, then the far zones.
    const QImage image = Draw(ZonedPicture(), QRect(0, 0, 4, 4), TFillModes());
    EXPECT_EQ(image.pixel(0, 0), cellColors[0]);
    EXPECT_EQ(image.pixel(1, 0), cellColors[2]);
    EXPECT_EQ(image.pixel(0, 3), cellColors[6]);
    EXPECT_EQ(image.pixel(3, 3), cellColors[8]);
}

TEST(NineSlice, TilesFromTheCellCornerAndLeavesOut)
{
    // A middle cell with three distinct columns shows whether tiles start at the cell's left edge.
    QImage picture = ZonedPicture();
    const QRgb stripes[3] = {qRgb(10, 10, 10), qRgb(20, 20, 20), qRgb(30, 30, 30)};
    for (int y = 4; y < 7; ++y) {
        for (int x = 5; x < 8; ++x)
            picture.setPixel(x, y, stripes[x - 5]);
    }
    TFillModes modes;
    modes.Client = fmTile;
    modes.Top = fmLeaveOut;
    const QImage image = Draw(picture, QRect(0, 0, 14, 10), modes);
    // Middle cell: x 3..10, y 3..6; columns repeat every 3 pixels from x = 3, the last tile cut.
    for (int y = 3; y < 7; ++y) {
        for (int x = 3; x < 11; ++x)
            ASSERT_EQ(image.pixel(x, y), stripes[(x - 3) % 3]) << x << "," << y;
    }
    // The top edge is left out: the background shows.
    for (int x = 3; x < 11; ++x)
        EXPECT_EQ(image.pixel(x, 1), background) << x;
    EXPECT_EQ(image.pixel(1, 1), cellColors[0]);
}

TEST(Tint, MixesColourAndKeepsAlpha)
{
    QImage source(3, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(10, 20, 30, 255));
    source.setPixel(1, 0, qRgba(200, 100, 50, 128));
    source.setPixel(2, 0, qRgba(1, 2, 3, 0));
    const QImage tinted = TintImage(source, qRgba(255, 0, 0, 128));
    ASSERT_EQ(tinted.format(), QImage::Format_ARGB32);
    // a = 128 / 255: 0.502 × 255 + 0.498 × 10 = 132.98, and so on, rounded.
    EXPECT_EQ(tinted.pixel(0, 0), qRgba(133, 10, 15, 255));
    EXPECT_EQ(tinted.pixel(1, 0), qRgba(228, 50, 25, 128));
    // Fully transparent pixels are left alone.
    EXPECT_EQ(tinted.pixel(2, 0), qRgba(1, 2, 3, 0));
    // A fully opaque tint replaces the colour; a transparent one changes nothing.
    EXPECT_EQ(TintImage(source, qRgba(9, 8, 7, 255)).pixel(1, 0), qRgba(9, 8, 7, 128));
    EXPECT_EQ(TintImage(source, qRgba(9, 8, 7, 0)).pixel(0, 0), qRgba(10, 20, 30, 255));
}

} // namespace
} // namespace qv
