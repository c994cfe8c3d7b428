#include "support/textor_fakes.h"

#include "support/printers.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using TextorHit = TTextorFixture;

TEST_F(TextorHit, RowOfAWrapPointDependsOnPreferNext)
{
    TTestTextor textor(69);
    textor.SetText(u"abc def\nx");
    const TParagraph* p = textor.FirstParagraph();
    const TTextorPosition wrap = textor.At(0, 4);
    EXPECT_EQ(textor.RowOf(wrap, false), p->FirstRow());
    EXPECT_EQ(textor.RowOf(wrap, true), p->LastRow());
    EXPECT_EQ(textor.RowOf(textor.At(0, 3), true), p->FirstRow());
    // The paragraph end belongs to the last row, also with preferNext.
    EXPECT_EQ(textor.RowOf(p->End(), true), p->LastRow());
    EXPECT_EQ(textor.XOfPosition(*p->FirstRow(), wrap), 40);
    EXPECT_EQ(textor.XOfPosition(*p->LastRow(), wrap), 0);
    EXPECT_EQ(textor.CaretRect(*p->LastRow(), textor.At(0, 6), 3), QRect(19, 13, 3, 13));
}

TEST_F(TextorHit, RowAtSearchesBothHalvesAndClamps)
{
    TTestTextor textor(35);
    textor.SetText(u"abcdef\nghi\njklmnop");
    ASSERT_EQ(textor.RowTexts(), QStringLiteral("abc|def/ghi/jkl|mno|p"));
    const int height = textor.ContentHeight();
    ASSERT_EQ(height, 6 * 13);
    for (int y = 0; y < height; ++y) {
        TRow* row = textor.RowAt(y, false);
        ASSERT_NE(row, nullptr) << y;
        EXPECT_LE(row->Top(), y);
        EXPECT_GT(row->Bottom(), y);
    }
    EXPECT_EQ(textor.RowAt(height, false), nullptr);
    EXPECT_EQ(textor.RowAt(-1, false), nullptr);
    EXPECT_EQ(textor.RowAt(height + 50, true), textor.LastParagraph()->LastRow());
    EXPECT_EQ(textor.RowAt(-5, true), textor.FirstParagraph()->FirstRow());
}

TEST_F(TextorHit, PointsOutsideTheContentGiveRowEndsAndOutside)
{
    TTestTextor textor(69);
    textor.SetText(u"abc def");
    TTextorHit hit = textor.PositionAtPoint(QPoint(55, 5), false, true);
    EXPECT_FALSE(hit.Inside);
    EXPECT_EQ(textor.ToIndex(hit.Position), (TTextorIndex{0, 4}));
    hit = textor.PositionAtPoint(QPoint(-3, 15), false, true);
    EXPECT_FALSE(hit.Inside);
    EXPECT_EQ(textor.ToIndex(hit.Position), (TTextorIndex{0, 4}));
    // Below the last row: with clamp a position in the last row, "inside".
    hit = textor.PositionAtPoint(QPoint(12, 500), true, true);
    EXPECT_TRUE(hit.Inside);
    EXPECT_EQ(hit.Row, textor.FirstParagraph()->LastRow());
    EXPECT_EQ(textor.ToIndex(hit.Position), (TTextorIndex{0, 5}));
    hit = textor.PositionAtPoint(QPoint(12, 500), false, true);
    EXPECT_FALSE(hit.Inside);
    EXPECT_EQ(hit.Row, nullptr);
}

struct THitRow
{
    int X;
    bool Rounding;
    int Expected;
};

// Narrow and wide characters make the proportional guess wrong, so the stepping has to correct it.
class TextorHitProportional : public TTextorFixture, public ::testing::WithParamInterface<THitRow>
{
protected:
    void SetUp() override
    {
        TFixedFontSpec metrics;
        metrics.Advances.insert(U'i', 4);
        metrics.Advances.insert(U'W', 14);
        Install(metrics);
    }
};

TEST_P(TextorHitProportional, FindsTheCharacterUnderThePoint)
{
    TTestTextor textor;
    textor.SetText(u"iiiiWWWW"); // edges 0 4 8 12 16 30 44 58 72
    const TTextorHit hit = textor.PositionAtPoint(QPoint(GetParam().X, 5), false, GetParam().Rounding);
    EXPECT_TRUE(hit.Inside);
    EXPECT_EQ(textor.ToIndex(hit.Position).Offset, GetParam().Expected) << GetParam().X;
}

INSTANTIATE_TEST_SUITE_P(Points, TextorHitProportional,
                         ::testing::Values(THitRow{0, false, 0}, THitRow{3, false, 0}, THitRow{3, true, 1},
                                           THitRow{15, false, 3}, THitRow{16, false, 4}, THitRow{22, true, 4},
                                           THitRow{24, true, 5}, THitRow{29, false, 4}, THitRow{71, false, 7},
                                           THitRow{71, true, 8}, THitRow{44, false, 6}));

struct TDragRow
{
    const char* Name;
    int X;
    bool Dragging;
    bool Leftwards;
    int Expected;
};

class TextorDragSplit : public TTextorFixture, public ::testing::WithParamInterface<TDragRow>
{
};

// A 200 px element at x 10: dragging rightwards takes it after 40 px, leftwards it is left before
// 160 px; a plain click splits at 100 px.
TEST_P(TextorDragSplit, ChoosesTheSideOfAWideElement)
{
    TTestTextor textor;
    textor.SetText(u"a");
    textor.InsertElement(textor.LastPosition(), TInlineElementPtr(new TFakeElement(200, 20, 5)), nullptr);
    textor.InsertText(textor.LastPosition(), u"b", nullptr);
    const TDragRow& row = GetParam();
    TTextorDrag drag;
    drag.Threshold = 4;
    drag.From = QPoint(row.Leftwards ? 300 : 0, 5);
    drag.To = row.Dragging ? QPoint(10 + row.X, 5) : drag.From;
    if (!row.Dragging)
        drag.From = drag.To = QPoint(10 + row.X, 5);
    const TTextorHit hit = textor.PositionAtPoint(QPoint(10 + row.X, 5), false, true, &drag);
    EXPECT_EQ(textor.ToIndex(hit.Position).Offset, row.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextorDragSplit,
    ::testing::Values(TDragRow{"RightAt40", 40, true, false, 1}, TDragRow{"RightAt41", 41, true, false, 2},
                      TDragRow{"LeftAt160", 160, true, true, 1}, TDragRow{"LeftAt161", 161, true, true, 2},
                      TDragRow{"ClickAt100", 100, false, false, 1},
                      TDragRow{"ClickAt101", 101, false, false, 2},
                      TDragRow{"RightAt41NoThreshold", 41, false, false, 1}),
    [](const ::testing::TestParamInfo<TDragRow>& info) { return std::string(info.param.Name); });

TEST_F(TextorHit, TabsAreHitByTheirCells)
{
    TTestTextor textor;
    textor.SetText(u"a\t\tb"); // cells 0-10, 10-40, 40-80, 80-90
    struct TRow
    {
        int X;
        int Rounded;
    };
    for (const TRow& row : {TRow{12, 1}, TRow{25, 1}, TRow{26, 2}, TRow{60, 2}, TRow{61, 3}, TRow{85, 3}}) {
        EXPECT_EQ(textor.ToIndex(textor.PositionAtPoint(QPoint(row.X, 5), false, true).Position).Offset,
                  row.Rounded)
            << row.X;
    }
}

// Rows keep offsets, so queries between an edit and the next layout read stale but valid data.
TEST_F(TextorHit, QueriesDuringALockAfterAnEditAreSafe)
{
    TTestTextor textor(35);
    textor.SetText(u"abcdefghi\njkl");
    textor.Lock();
    textor.DeleteRange(textor.Range(0, 1, 1, 2));
    TRow* row = textor.RowAt(30, true);
    ASSERT_NE(row, nullptr);
    const TTextorHit hit = textor.PositionAtPoint(QPoint(20, 5), true, true);
    EXPECT_LE(textor.ToIndex(hit.Position).Offset, textor.FirstParagraph()->Length());
    EXPECT_LE(row->EndOffset(), row->Paragraph()->Length());
    textor.XOfPosition(*textor.FirstParagraph()->FirstRow(), textor.LastPosition());
    textor.Unlock();
    EXPECT_EQ(textor.RowTexts(), QStringLiteral("al"));
    ExpectConsistentLayout(textor);
}

} // namespace
} // namespace qv
