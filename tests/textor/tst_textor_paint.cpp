#include "support/textor_fakes.h"

#include "textor/rich_text_attributes.h"

#include "support/printers.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

class TextorPaint : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TFixedFontSpec metrics;
        metrics.Advances.insert(0xB7, 4); // "·"
        metrics.Advances.insert(0xB0, 6); // "°"
        Install(metrics);
    }
};

TEST_F(TextorPaint, NonPrintingMarksSitOnTheirBlanks)
{
    TTestTextor textor(0);
    textor.SetText(QString::fromUtf8("a b\u00a0c\td\ne"));
    TRecordingCanvas canvas;
    textor.Paint(canvas, 0, false, tpfNonPrinting, textor.WholeRange());
    // Baseline 10; the marks are centred on the blank's 10 px cell; the tab mark sits at its cell's
    // left; the paragraph end mark follows the first paragraph's content only.
    EXPECT_EQ(canvas.Filtered(QStringLiteral("text")),
              QStringList({QString::fromUtf8("text 0,10 a b\u00a0c"), QString::fromUtf8("text 13,10 \u00b7"),
                           QString::fromUtf8("text 32,10 \u00b0"), QString::fromUtf8("text 50,10 \u00ac"),
                           QStringLiteral("text 80,10 d"), QString::fromUtf8("text 90,10 \u00b6"),
                           QStringLiteral("text 0,23 e")}));
}

TEST_F(TextorPaint, ControlCharactersAreDrawnAsReplacementCharacters)
{
    TTestTextor textor(0, false, false);
    textor.SetText(u"a\r\nb");
    TRecordingCanvas canvas;
    textor.Paint(canvas, 0, false, 0, textor.WholeRange());
    EXPECT_EQ(canvas.Filtered(QStringLiteral("text")),
              QStringList({QString::fromUtf8("text 0,10 a\ufffd\ufffdb")}));
    EXPECT_EQ(textor.FirstParagraph()->FirstRow()->Width(), 40);
}

TEST_F(TextorPaint, SelectionMarksCellsAndParagraphEnds)
{
    TTestTextor textor(0);
    textor.SetText(u"ab\tc\nd");
    TRecordingCanvas canvas;
    textor.Paint(canvas, 0, true, tpfSelected, textor.Range(0, 1, 1, 1));
    EXPECT_EQ(canvas.Filtered(QStringLiteral("select")),
              QStringList({QStringLiteral("select 10,0,10,13"), QStringLiteral("select 20,0,20,13"),
                           QStringLiteral("select 40,0,10,13"), QStringLiteral("select 50,0,5,13"),
                           QStringLiteral("select 0,13,10,13")}));
    canvas.Log.clear();
    textor.Paint(canvas, 0, true, tpfSelected | tpfInactive, textor.Range(1, 0, 1, 1));
    EXPECT_EQ(canvas.Filtered(QStringLiteral("select")),
              QStringList({QStringLiteral("select 0,13,10,13 inactive")}));
}

TEST_F(TextorPaint, BackgroundsAndElementsPaintInTheirCells)
{
    TTestTextor textor(0);
    textor.Margins = QMargins(1, 0, 1, 0);
    textor.Padding = QMargins(5, 3, 0, 0);
    textor.InvalidateLayout();
    TRichTextAttributes scratch;
    scratch.SetBackColor(0x00FF00);
    auto green = Intern(scratch);
    textor.InsertText(textor.LastPosition(), u"ab", green.get());
    auto* element = new TFakeElement(20, 10, 2);
    textor.InsertElement(textor.LastPosition(), TInlineElementPtr(element), green.get());
    TRecordingCanvas canvas;
    textor.Paint(canvas, 0, false, tpfSelected, textor.WholeRange());
    EXPECT_EQ(canvas.Log,
              QStringList({QStringLiteral("fill 0,0,20,13 ff00"), QStringLiteral("text 0,10 ab"),
                           QStringLiteral("select 0,0,20,13"), QStringLiteral("fill 20,0,22,13 ff00"),
                           // The element is placed in owner coordinates (21 + 5, 10 + 3 - 10 + 2) and
                           // drawn with the origin moved back by the padding.
                           QStringLiteral("element 21,2"), QStringLiteral("select 20,0,22,13")}));
    EXPECT_EQ(element->PaintOrigin, QPoint(-5, -3));
    EXPECT_EQ(canvas.Origin, QPoint(0, 0));
}

TEST_F(TextorPaint, OnlyRowsMeetingTheClipArePainted)
{
    TTestTextor textor(35);
    textor.SetText(u"abcdefghijkl");
    ASSERT_EQ(textor.RowTexts(), QStringLiteral("abc|def|ghi|jkl"));
    TRecordingCanvas canvas(QRect(0, 14, 15, 20));
    textor.Paint(canvas, 0, false, 0, textor.WholeRange());
    EXPECT_EQ(canvas.Filtered(QStringLiteral("text")),
              QStringList({QStringLiteral("text 0,23 def"), QStringLiteral("text 0,36 ghi")}));
}

// A screen at the end of a long text, and one in its middle, look at as many paragraphs as the first.
TEST_F(TextorPaint, EveryScreenOfALongTextCostsWhatTheFirstDoes)
{
    TTestTextor textor(35);
    textor.SetText(QString(QStringLiteral("p\n").repeated(1999) + u'p'));
    const int height = textor.ContentHeight();
    auto steps = [&](int top) {
        textor.ResetCounters();
        TRecordingCanvas canvas(QRect(0, top, 35, 130));
        textor.PaintBackgrounds(canvas, 0);
        textor.Paint(canvas, 0, false, 0, textor.WholeRange());
        EXPECT_EQ(canvas.Filtered(QStringLiteral("text")).size(), 10) << "at " << top;
        return textor.Counters().PaintSteps;
    };
    const int64_t first = steps(0);
    EXPECT_LE(first, 30);
    EXPECT_EQ(steps(height / 2 - height / 2 % 13), first);
    EXPECT_EQ(steps(height - 130), first - 2) << "nothing follows the last screen";
}

TEST_F(TextorPaint, BulletAndParagraphBackground)
{
    TTestTextor textor(100);
    textor.SetText(u"x");
    TRichParagraphAttributes scratch;
    scratch.SetBullet(true);
    scratch.SetBackColor(0x0000FF);
    scratch.SetRightIndent(10);
    auto bullet = Intern(scratch);
    textor.FirstParagraph()->SetParagraphAttributes(bullet.get());
    TRecordingCanvas canvas;
    textor.PaintBackgrounds(canvas, 0);
    EXPECT_EQ(canvas.Log,
              QStringList({QStringLiteral("fill 40,0,50,13 ff"), QString::fromUtf8("text 20,10 \u2022")}));
}

} // namespace
} // namespace qv
