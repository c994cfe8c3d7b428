#include "support/textor_fakes.h"

#include "core/update_guard.h"
#include "textor/rich_text_attributes.h"

#include "support/printers.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace qv {
namespace {

using TextorLayout = TTextorFixture;

TEST_F(TextorLayout, EmptyTextorHasOneWholeRowOfTheDefaultHeight)
{
    TTestTextor textor(100);
    // A new Textor is laid out by its first Arrange (its owner's, when it unlocks it).
    textor.Arrange(false);
    TParagraph* p = textor.FirstParagraph();
    ASSERT_EQ(textor.ParagraphCount(), 1);
    ASSERT_NE(p->FirstRow(), nullptr);
    EXPECT_EQ(p->FirstRow(), p->LastRow());
    EXPECT_NE(dynamic_cast<TWholeParagraphRow*>(p->FirstRow()), nullptr);
    EXPECT_EQ(p->FirstRow()->Width(), 0);
    EXPECT_EQ(p->FirstRow()->Height(), 13);
    EXPECT_EQ(textor.GetText(), QString());
    EXPECT_TRUE(textor.IsEmpty());
    EXPECT_EQ(textor.ContentHeight(), 13);
}

struct TWrapRow
{
    const char* Name;
    int Width;
    const char* Text;
    const char* Rows;
};

class TextorWrapping : public TTextorFixture, public ::testing::WithParamInterface<TWrapRow>
{
};

TEST_P(TextorWrapping, BreaksWhereTheRulesSay)
{
    const TWrapRow& row = GetParam();
    TTestTextor textor(row.Width);
    textor.SetText(QString::fromUtf8(row.Text));
    EXPECT_EQ(textor.RowTexts(), QString::fromUtf8(row.Rows));
    ExpectConsistentLayout(textor);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TextorWrapping,
    ::testing::Values(
        // Fits except for its last letter: the break goes after the space, which stays on row 1.
        TWrapRow{"LastLetterOverflows", 69, "abc def", "abc |def"},
        TWrapRow{"ExactFit", 70, "abc def", "abc def"},
        TWrapRow{"SpaceDoesNotFit", 45, "ab   cd", "ab  | cd"},
        TWrapRow{"TrailingSpacesStay", 60, "abc   def", "abc   |def"},
        TWrapRow{"LongWordIsCut", 35, "abcdefgh", "abc|def|gh"},
        TWrapRow{"WordCutAfterShortWord", 35, "ab cdefgh", "ab |cde|fgh"},
        TWrapRow{"NothingFitsOneCharPerRow", 5, "abc", "a|b|c"},
        TWrapRow{"NoWrapAtZeroWidth", 0, "abc def ghi jkl", "abc def ghi jkl"},
        TWrapRow{"NoWrapAtNegativeWidth", -10, "abc def", "abc def"},
        TWrapRow{"TabIsABreak", 45, "ab\tcd", "ab\t|cd"},
        TWrapRow{"ParagraphsWrapSeparately", 35, "abcd\nef gh", "abc|d/ef |gh"}),
    [](const ::testing::TestParamInfo<TWrapRow>& info) { return std::string(info.param.Name); });

TEST_F(TextorLayout, TrailingSpaceCountsInTheRowWidth)
{
    TTestTextor textor(69);
    textor.SetText(u"abc def");
    const TParagraph* p = textor.FirstParagraph();
    EXPECT_EQ(p->FirstRow()->Width(), 40);
    EXPECT_EQ(p->LastRow()->Width(), 30);
    EXPECT_NE(dynamic_cast<TWrappedParagraphFirstRow*>(p->FirstRow()), nullptr);
    EXPECT_NE(dynamic_cast<TWrappedParagraphLastRow*>(p->LastRow()), nullptr);
    EXPECT_EQ(p->LastRow()->Top(), 13);
    EXPECT_EQ(p->LastRow()->Bottom(), 26);
    EXPECT_EQ(p->LastRow()->Baseline(), 23);
}

TEST_F(TextorLayout, TabStopsAreMultiplesOfTheTabWidthFromTheRowStart)
{
    EXPECT_EQ(TTabStopsPortion::NextTabStop(0, 40), 40);
    EXPECT_EQ(TTabStopsPortion::NextTabStop(39, 40), 40);
    EXPECT_EQ(TTabStopsPortion::NextTabStop(40, 40), 80);
    // A zero tab width (no font) must not divide by zero.
    EXPECT_EQ(TTabStopsPortion::NextTabStop(7, 0), 8);

    TFixedFontSpec metrics;
    metrics.Advances.insert(U'q', 39);
    Install(metrics);
    struct TRow
    {
        const char16_t* Text;
        int Width;
    };
    for (const TRow& row :
         {TRow{u"\t", 40}, TRow{u"\t\t", 80}, TRow{u"q\t", 40}, TRow{u"qa\t", 80}, TRow{u"a\tb", 50}}) {
        TTestTextor textor;
        textor.SetText(QStringView(row.Text));
        EXPECT_EQ(textor.FirstParagraph()->FirstRow()->Width(), row.Width)
            << QString::fromUtf16(row.Text).toStdString();
    }
}

TEST_F(TextorLayout, ZeroAverageWidthGivesATabWidthOfOne)
{
    TFixedFontSpec metrics;
    metrics.AvgCharWidth = 0;
    Install(metrics);
    TTestTextor textor(100);
    textor.SetText(u"a\t\tb");
    EXPECT_EQ(textor.FirstParagraph()->FirstRow()->Width(), 10 + 1 + 1 + 10);
}

TEST_F(TextorLayout, TabCellsAfterAWrapCountFromTheNewRow)
{
    // "abcd efg" wraps after the space; the tab on row 2 starts at 30 and ends at 40, not at a stop
    // measured from row 1.
    TTestTextor textor(55);
    textor.SetText(u"abcd efg\th");
    EXPECT_EQ(textor.RowTexts(), QStringLiteral("abcd |efg\th"));
    EXPECT_EQ(textor.FirstParagraph()->LastRow()->Width(), 50);
    ExpectConsistentLayout(textor);
}

// The end of a portion that fits and ends in a space is a legal break; a cut inside the next portion's
// word must not replace it.
TEST_F(TextorLayout, LinkAfterSpaceMovesToTheNextRowWhole)
{
    TTestTextor textor(100);
    auto link = Face(QStringLiteral("Tahoma"), true);
    textor.InsertText(textor.LastPosition(), u"see ", nullptr);
    textor.InsertText(textor.LastPosition(), u"http://a.b", link.get());
    EXPECT_EQ(textor.RowTexts(), QStringLiteral("see |http://a.b"));
    ExpectConsistentLayout(textor);
}

TEST_F(TextorLayout, PortionBoundaryInsideAWordIsNotABreak)
{
    TTestTextor textor(50);
    auto other = Face(QStringLiteral("Other"));
    textor.InsertText(textor.LastPosition(), u"abc", nullptr);
    textor.InsertText(textor.LastPosition(), u"defgh", other.get());
    // The cut goes after the last character that fits, inside the second portion.
    EXPECT_EQ(textor.RowTexts(), QStringLiteral("abcde|fgh"));
}

TEST_F(TextorLayout, MixedFontsRaiseTheRowAscentAndDescent)
{
    TFixedFontSpec big;
    big.Ascent = 20;
    big.Descent = 6;
    Context->SetFace(QStringLiteral("Big"), big);
    TTestTextor textor(60);
    auto bigAttributes = Face(QStringLiteral("Big"));
    textor.InsertText(textor.LastPosition(), u"ab ", nullptr);
    textor.InsertText(textor.LastPosition(), u"cd ef", bigAttributes.get());
    EXPECT_EQ(textor.RowTexts(), QStringLiteral("ab cd |ef"));
    const TParagraph* p = textor.FirstParagraph();
    EXPECT_EQ(p->FirstRow()->Height(), 26);
    EXPECT_EQ(p->FirstRow()->Descent(), 6);
    EXPECT_EQ(p->LastRow()->Height(), 26);
    ExpectConsistentLayout(textor);
}

TEST_F(TextorLayout, TextBeforeAnElementThatDoesNotFitBreaksBeforeTheElement)
{
    TTestTextor textor(60);
    textor.SetText(u"abc");
    textor.InsertElement(textor.LastPosition(), TInlineElementPtr(new TFakeElement(50, 20, 5)), nullptr);
    EXPECT_EQ(textor.RowTexts(), QStringLiteral("abc|#"));
    ExpectConsistentLayout(textor);
}

TEST_F(TextorLayout, ElementsArePlacedOnTheBaselineWithMarginsAndPadding)
{
    TTestTextor textor(0);
    textor.Margins = QMargins(1, 2, 3, 4);
    textor.Padding = QMargins(9, 7, 0, 0);
    textor.InvalidateLayout();
    textor.SetText(u"ab");
    auto* element = new TFakeElement(30, 20, 5);
    textor.InsertElement(textor.LastPosition(), TInlineElementPtr(element), nullptr);
    textor.InsertText(textor.LastPosition(), u"c", nullptr);
    const TRow* row = textor.FirstParagraph()->FirstRow();
    // The element's ascent is 20 + 2 - 5 = 17 and its descent 5 + 4 = 9.
    EXPECT_EQ(row->Height(), 17 + 9);
    EXPECT_EQ(row->Baseline(), 17);
    EXPECT_EQ(row->Width(), 20 + 1 + 30 + 3 + 10);
    EXPECT_EQ(element->Left, 20 + 9 + 1);
    EXPECT_EQ(element->Top, 17 + 7 - 20 + 5);
    EXPECT_EQ(element->Portion,
              static_cast<TElementPortion*>(textor.FirstParagraph()->FirstPortion()->Next()));
}

TEST_F(TextorLayout, AnElementThatGrowsReWrapsItsParagraphSilently)
{
    TTestTextor textor(100);
    textor.SetText(u"abc\nxyz");
    auto* element = new TFakeElement(30, 10, 2);
    textor.InsertElement(textor.At(0, 3), TInlineElementPtr(element), nullptr);
    textor.ResetCounters();
    textor.ChangedCalls = 0;
    element->Width = 80;
    element->Height = 40;
    textor.InvalidateParagraph(*element->Portion->Paragraph());
    EXPECT_EQ(textor.RowTexts(), QStringLiteral("abc|#/xyz"));
    EXPECT_EQ(textor.Counters().Wraps, 1);
    // The paragraph below moves without being visited.
    EXPECT_EQ(textor.Counters().Moves, 0);
    EXPECT_EQ(textor.ChangedCalls, 0);
    ExpectConsistentLayout(textor);
}

TEST_F(TextorLayout, HiddenElementTakesNoRoom)
{
    TTestTextor textor(0);
    auto* element = new TFakeElement(30, 40, 5);
    element->Shown = false;
    textor.SetText(u"ab");
    textor.InsertElement(textor.LastPosition(), TInlineElementPtr(element), nullptr);
    EXPECT_EQ(textor.FirstParagraph()->FirstRow()->Width(), 20);
    EXPECT_EQ(textor.FirstParagraph()->FirstRow()->Height(), 13);
}

TEST_F(TextorLayout, CentreAndRightAlignmentAndIndents)
{
    TTestTextor textor(100);
    textor.SetText(u"abcd efgh ij");
    TRichParagraphAttributes scratch;
    scratch.SetAlignment(paCenter);
    scratch.SetLeftIndent(4);
    scratch.SetFirstIndent(6);
    scratch.SetRightIndent(2);
    auto centred = Intern(scratch);
    textor.FirstParagraph()->SetParagraphAttributes(centred.get());
    // First row: 100 - 4 - 6 - 2 = 88 available; later rows 94.
    EXPECT_EQ(textor.RowTexts(), QStringLiteral("abcd |efgh ij"));
    const TParagraph* p = textor.FirstParagraph();
    EXPECT_EQ(p->FirstRow()->Left(), 4 + (100 - (4 + 2 + 50)) / 2 + 6);
    EXPECT_EQ(p->LastRow()->Left(), 4 + (100 - (4 + 2 + 70)) / 2);
    EXPECT_EQ(textor.ContentWidth(), p->LastRow()->Left() + 70 + 2);

    scratch.SetAlignment(paRight);
    auto right = Intern(scratch);
    textor.FirstParagraph()->SetParagraphAttributes(right.get());
    EXPECT_EQ(p->LastRow()->Left(), 100 - 2 - 70);
    EXPECT_EQ(p->FirstRow()->Left(), 100 - 2 - 50);
}

TEST_F(TextorLayout, BulletIndentsByOneTab)
{
    TTestTextor textor(0);
    textor.SetText(u"x");
    TRichParagraphAttributes scratch;
    scratch.SetBullet(true);
    scratch.SetLeftIndent(5);
    auto bullet = Intern(scratch);
    textor.FirstParagraph()->SetParagraphAttributes(bullet.get());
    EXPECT_EQ(textor.FirstParagraph()->FirstRow()->Left(), 45);
}

// Work counts: editing one paragraph re-wraps only it and shifts the ones below.
class TextorWork : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        Textor = std::make_unique<TTestTextor>(35);
        Textor->SetText(u"p0\np1\np2\np3\np4");
        for (int i = 2; i < 5; ++i) {
            Elements[i] = new TFakeElement(10, 30, 5);
            Textor->InsertElement(Textor->At(i, 2), TInlineElementPtr(Elements[i]), nullptr);
        }
        Textor->ResetCounters();
        Textor->ChangedCalls = 0;
    }

    std::unique_ptr<TTestTextor> Textor;
    TFakeElement* Elements[5] = {};
};

TEST_F(TextorWork, AKeystrokeReWrapsOneParagraphAndMovesTheRest)
{
    const int oldTop = Elements[3]->Top;
    // Typing in paragraph 1 makes it wrap onto a second row (13 px higher).
    Textor->InsertText(Textor->At(1, 2), u"xx", nullptr);
    EXPECT_EQ(Textor->RowTexts(), QStringLiteral("p0/p1x|x/p2#/p3#/p4#"));
    const TTextorCounters& counters = Textor->Counters();
    EXPECT_EQ(counters.Arranges, 1);
    EXPECT_EQ(counters.ArrangeParagraphs, 1);
    EXPECT_EQ(counters.Wraps, 1);
    EXPECT_EQ(counters.Moves, 3);
    EXPECT_EQ(counters.Changes, 1);
    EXPECT_EQ(Elements[3]->Top, oldTop + 13);
    ExpectConsistentLayout(*Textor);
}

TEST_F(TextorWork, DeletingAParagraphOnlyMovesTheOneAfterIt)
{
    const int oldTop = Elements[3]->Top;
    const int height = Textor->Paragraph(1)->Bottom() - Textor->Paragraph(1)->Top();
    Textor->DeleteRange(Textor->Range(0, 2, 1, 2));
    EXPECT_EQ(Textor->RowTexts(), QStringLiteral("p0/p2#/p3#/p4#"));
    const TTextorCounters& counters = Textor->Counters();
    EXPECT_EQ(counters.Wraps, 0);
    EXPECT_EQ(counters.ArrangeParagraphs, 1);
    EXPECT_EQ(counters.Moves, 3);
    EXPECT_EQ(counters.Changes, 1);
    EXPECT_EQ(Elements[3]->Top, oldTop - height);
    ExpectConsistentLayout(*Textor);
}

// Typing in one paragraph visits as many paragraphs (to arrange, number and measure the text) in a
// text of 5,000 paragraphs as in one of 100, also when the paragraph gains and loses a row or is
// broken in two.
TEST_F(TextorWork, TypingVisitsAsManyParagraphsInALargeTextAsInASmallOne)
{
    auto steps = [](int paragraphs) {
        TTestTextor textor(35);
        textor.SetText(QString(QStringLiteral("p\n").repeated(paragraphs - 1) + u'p'));
        const TTextorIndex at{paragraphs / 2, 1};
        TTextorPosition position;
        EXPECT_TRUE(textor.FromIndex(at, position));
        textor.ResetCounters();
        // The third key wraps the paragraph, the first deletion unwraps it: the ones after it move.
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(textor.FromIndex(at, position));
            EXPECT_EQ(textor.ToIndex(textor.InsertText(position, u"x", nullptr).End).Paragraph, at.Paragraph);
        }
        for (int i = 0; i < 2; ++i) {
            EXPECT_TRUE(textor.FromIndex(at, position));
            textor.DeleteRange({position, textor.NextPosition(position)});
        }
        // A paragraph break and its deletion renumber the paragraphs after it.
        EXPECT_TRUE(textor.FromIndex(at, position));
        const TTextorRange broken = textor.InsertParagraphBreak(position, nullptr);
        const TParagraph& created = *broken.End.Paragraph;
        EXPECT_EQ(textor.RowAt(created.Top(), false), created.FirstRow());
        textor.DeleteRange(broken);
        EXPECT_GT(textor.ContentHeight(), 0);
        const int64_t visited = textor.Counters().ParagraphSteps;
        ExpectConsistentLayout(textor);
        return visited;
    };
    EXPECT_EQ(steps(100), steps(5000));
}

// Paragraphs below an edit lie right after rows are gained and lost, wherever the edits fall in turn:
// every row at the bottom of the one above, found there by RowAt, and every element on its row.
struct TShiftRow
{
    const char* Name;
    std::function<void(TTestTextor&)> Edits;
    friend void PrintTo(const TShiftRow& row, std::ostream* os) { *os << row.Name; }
};

class TextorShift : public TTextorFixture, public ::testing::WithParamInterface<TShiftRow>
{
};

TEST_P(TextorShift, PositionsBelowAnEditStayRight)
{
    TTestTextor textor(35);
    textor.SetText(u"p0\np1\np2\np3\np4\np5\np6\np7\np8\np9");
    std::vector<TFakeElement*> elements;
    for (int i : {3, 6, 9}) {
        elements.push_back(new TFakeElement(10, 30, 5));
        textor.InsertElement(textor.At(i, 2), TInlineElementPtr(elements.back()), nullptr);
    }
    GetParam().Edits(textor);
    ExpectConsistentLayout(textor);
    for (TParagraph* p = textor.FirstParagraph(); p != nullptr; p = p->Next()) {
        for (TRow* row = p->FirstRow(); row != nullptr; row = row->Next())
            EXPECT_EQ(textor.RowAt(row->Top(), false), row) << "paragraph " << p->Index();
    }
    for (TFakeElement* element : elements) {
        const TRow* row = textor.RowOf({element->Portion->Paragraph(), element->Portion, 0}, true);
        EXPECT_EQ(element->Top, row->Baseline() - 30 + 5);
    }
}

void Type(TTestTextor& textor, int paragraph, const char16_t* chars)
{
    textor.InsertText(textor.At(paragraph, 1), QStringView(chars), nullptr);
}

void Erase(TTestTextor& textor, int paragraph, int count)
{
    textor.DeleteRange(textor.Range(paragraph, 1, paragraph, 1 + count));
}

const TShiftRow shiftRows[] = {
    {"GainThenLose",
     [](TTestTextor& t) {
         Type(t, 1, u"xxx");
         Erase(t, 1, 3);
     }},
    {"BelowThenAbove",
     [](TTestTextor& t) {
         Type(t, 7, u"xx");
         Type(t, 1, u"xx");
         Erase(t, 7, 2);
     }},
    {"AboveThenBelow",
     [](TTestTextor& t) {
         Type(t, 1, u"xx");
         Type(t, 7, u"xx");
         Erase(t, 1, 2);
     }},
    {"ElementParagraphs",
     [](TTestTextor& t) {
         Type(t, 3, u"xxxx");
         Type(t, 6, u"x");
         Erase(t, 3, 4);
     }},
    {"NewAndJoinedParagraphs",
     [](TTestTextor& t) {
         Type(t, 2, u"xx");
         t.InsertParagraphBreak(t.At(4, 1), nullptr);
         Type(t, 0, u"xx");
         t.DeleteRange(t.Range(8, 1, 9, 1));
         t.InsertParagraphBreak(t.LastPosition(), nullptr);
     }},
    {"FirstShiftedParagraphDeleted",
     [](TTestTextor& t) {
         Type(t, 2, u"xx");
         t.DeleteRange(t.Range(2, 3, 3, 2));
         Erase(t, 2, 2);
     }},
    {"EditsInOneBracket",
     [](TTestTextor& t) {
         TUpdateGuard guard(t);
         Type(t, 8, u"xx");
         Type(t, 1, u"xx");
         Erase(t, 8, 2);
         Type(t, 4, u"xx");
     }},
    {"NewWidth",
     [](TTestTextor& t) {
         Type(t, 5, u"xx");
         t.Width = 20;
         t.InvalidateLayout();
         Type(t, 2, u"x");
     }},
};

INSTANTIATE_TEST_SUITE_P(Edits, TextorShift, ::testing::ValuesIn(shiftRows),
                         [](const ::testing::TestParamInfo<TShiftRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST_F(TextorWork, EditsInOneBracketArrangeOnceAndNotifyOnce)
{
    {
        TUpdateGuard guard(*Textor);
        for (int i = 0; i < 5; ++i)
            Textor->InsertText(Textor->At(i, 0), u"z", nullptr);
        Textor->InsertParagraphBreak(Textor->At(4, 1), nullptr);
        EXPECT_EQ(Textor->Counters().Arranges, 0);
        EXPECT_TRUE(Textor->ChangePending());
        EXPECT_EQ(Textor->ChangedCalls, 0);
    }
    EXPECT_EQ(Textor->Counters().Arranges, 1);
    EXPECT_EQ(Textor->ChangedCalls, 1);
    EXPECT_FALSE(Textor->ChangePending());
    EXPECT_EQ(Textor->UpdateCount(), 0);
    EXPECT_EQ(Textor->LockCount(), 0);
    ExpectConsistentLayout(*Textor);
}

TEST_F(TextorWork, InvalidateLayoutReWrapsEverythingWithoutNotifying)
{
    Textor->Width = 25;
    Textor->InvalidateLayout();
    EXPECT_EQ(Textor->Counters().Wraps, 5);
    EXPECT_EQ(Textor->ChangedCalls, 0);
    EXPECT_EQ(Textor->RowTexts(), QStringLiteral("p0/p1/p2|#/p3|#/p4|#"));
    ExpectConsistentLayout(*Textor);
}

// Breaking a long paragraph into many rows measures each character a few times, not once per row.
TEST_F(TextorLayout, LongParagraphsCostTimeInProportionToTheirLength)
{
    TTestTextor textor(100);
    QString text;
    for (int i = 0; i < 400; ++i)
        text += QStringLiteral("abcd ");
    textor.SetText(text);
    ASSERT_EQ(textor.FirstParagraph()->FirstRow()->EndOffset(), 10);
    TFixedMeasuredFont::AdvanceCalls = 0;
    textor.ResetCounters();
    textor.InvalidateLayout();
    EXPECT_EQ(textor.Counters().Wraps, 1);
    EXPECT_LE(TFixedMeasuredFont::AdvanceCalls, 6 * text.size());
    ExpectConsistentLayout(textor);
}

TEST_F(TextorLayout, LockedTextorArrangesWhenUnlocked)
{
    TTestTextor textor(35, true, true, true);
    textor.SetText(u"abcdef");
    EXPECT_EQ(textor.FirstParagraph()->FirstRow(), nullptr);
    EXPECT_TRUE(textor.ArrangePending());
    textor.Unlock();
    EXPECT_EQ(textor.RowTexts(), QStringLiteral("abc|def"));
}

// A paragraph that is only moved keeps the row heights its layout gave (largest ascent + largest
// descent), so it never overlaps the paragraph above.
TEST_F(TextorLayout, MovedParagraphKeepsItsRowHeights)
{
    TTestTextor textor(0);
    textor.SetText(u"first\nab");
    // Ascent 13 - 8 = 5, descent 8: the row is 10 + 8 = 18 high, while ascent + descent of each portion
    // is only 13.
    textor.InsertElement(textor.At(1, 2), TInlineElementPtr(new TFakeElement(10, 13, 8)), nullptr);
    EXPECT_EQ(textor.Paragraph(1)->FirstRow()->Height(), 18);
    textor.InsertParagraphBreak(textor.At(0, 0), nullptr);
    textor.DeleteRange(textor.Range(0, 0, 1, 0));
    EXPECT_EQ(textor.Paragraph(1)->FirstRow()->Height(), 18);
    ExpectConsistentLayout(textor);
}

TEST_F(TextorLayout, SurrogatePairsAreNeverCut)
{
    TTestTextor textor(15);
    const QString text = QString::fromUtf8("a\U0001F600\U0001F600b");
    textor.SetText(text);
    // Each row holds whole characters even when not one fits.
    EXPECT_EQ(textor.RowTexts(), QString::fromUtf8("a|\U0001F600|\U0001F600|b"));
    ExpectConsistentLayout(textor);
}

} // namespace
} // namespace qv
