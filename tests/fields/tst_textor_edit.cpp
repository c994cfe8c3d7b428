#include "support/textor_fakes.h"

#include "textor/rich_text_attributes.h"

#include "support/printers.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using TextorEdit = TTextorFixture;

// Describes the portions: "t:abc" text, "tab:2" tabs, "el" an element; "|" between portions, "/" between
// paragraphs.
QString Portions(const TTextor& textor)
{
    QStringList paragraphs;
    for (TParagraph* p = textor.FirstParagraph(); p != nullptr; p = p->Next()) {
        QStringList portions;
        for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
            switch (portion->Kind()) {
            case TPortionKind::Text:
                portions << QStringLiteral("t:") + static_cast<TTextPortion*>(portion)->Chars().toString();
                break;
            case TPortionKind::TabStops:
                portions << QStringLiteral("tab:%1").arg(portion->Length());
                break;
            case TPortionKind::Element:
                portions << QStringLiteral("el");
                break;
            }
        }
        paragraphs << portions.join(QLatin1Char('|'));
    }
    return paragraphs.join(QLatin1Char('/'));
}

struct TLineBreakRow
{
    const char* Name;
    const char16_t* Text;
    bool Paragraphs;
    const char* Expected;
};

class TextorLineBreaks : public TTextorFixture, public ::testing::WithParamInterface<TLineBreakRow>
{
};

TEST_P(TextorLineBreaks, SplitsParagraphsOnCrAndLf)
{
    TTestTextor textor(0, GetParam().Paragraphs, false);
    textor.InsertText(textor.LastPosition(), GetParam().Text, nullptr);
    EXPECT_EQ(Portions(textor), QString::fromUtf8(GetParam().Expected));
}

INSTANTIATE_TEST_SUITE_P(Rules, TextorLineBreaks,
                         ::testing::Values(TLineBreakRow{"CrLf", u"a\r\nb", true, "t:a/t:b"},
                                           TLineBreakRow{"LfCr", u"a\n\rb", true, "t:a/t:b"},
                                           TLineBreakRow{"CrCr", u"a\r\rb", true, "t:a//t:b"},
                                           TLineBreakRow{"LfLf", u"a\n\nb", true, "t:a//t:b"},
                                           TLineBreakRow{"CrLfCrLf", u"\r\n\r\n", true, "//"},
                                           TLineBreakRow{"NoParagraphs", u"a\r\nb", false, "t:a\r\nb"}),
                         [](const ::testing::TestParamInfo<TLineBreakRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST_F(TextorEdit, TabsBecomeTabRunsOnlyWhenAllowed)
{
    TTestTextor textor(0, true, true);
    textor.SetText(u"a\t\tb\tc");
    EXPECT_EQ(Portions(textor), QStringLiteral("t:a|tab:2|t:b|tab:1|t:c"));
    EXPECT_EQ(textor.GetText(), QStringLiteral("a\t\tb\tc"));
    TTestTextor plain(0, true, false);
    plain.SetText(u"a\t\tb");
    EXPECT_EQ(Portions(plain), QStringLiteral("t:a\t\tb"));
}

TEST_F(TextorEdit, InsertMergesWithPortionsOfTheSameAttributes)
{
    TTestTextor textor;
    auto bold = Face(QStringLiteral("Bold"));
    textor.SetText(u"ace");
    TTextorRange range = textor.InsertText(textor.At(0, 1), u"b", nullptr);
    EXPECT_EQ(Portions(textor), QStringLiteral("t:abce"));
    EXPECT_EQ(textor.ToIndex(range), (TTextorIndexRange{{0, 1}, {0, 2}}));
    range = textor.InsertText(textor.At(0, 2), u"X", bold.get());
    EXPECT_EQ(Portions(textor), QStringLiteral("t:ab|t:X|t:ce"));
    EXPECT_EQ(textor.ToIndex(range), (TTextorIndexRange{{0, 2}, {0, 3}}));
    // At the start of a portion, text goes to the end of the previous portion when that matches.
    textor.InsertText(textor.At(0, 3), u"Y", bold.get());
    EXPECT_EQ(Portions(textor), QStringLiteral("t:ab|t:XY|t:ce"));
    textor.InsertText(textor.At(0, 4), u"c", nullptr);
    EXPECT_EQ(Portions(textor), QStringLiteral("t:ab|t:XY|t:cce"));
    EXPECT_EQ(textor.AttributesAt(textor.At(0, 3)), bold.get());
    EXPECT_EQ(textor.AttributesAt(textor.At(0, 4)), bold.get());
    EXPECT_EQ(textor.AttributesAt(textor.At(0, 5)), nullptr);
    EXPECT_EQ(textor.AttributesAt(textor.At(0, 0)), nullptr);
}

TEST_F(TextorEdit, ParagraphBreakKeepsAttributesByTheRules)
{
    TTestTextor textor;
    auto bold = Face(QStringLiteral("Bold"));
    auto mark = Face(QStringLiteral("Mark"));
    textor.SetText(u"abcd");
    textor.FirstParagraph()->SetTextAttributes(bold.get());
    TTextorRange range = textor.InsertParagraphBreak(textor.At(0, 2), mark.get());
    EXPECT_EQ(Portions(textor), QStringLiteral("t:ab/t:cd"));
    EXPECT_EQ(textor.ToIndex(range), (TTextorIndexRange{{0, 2}, {1, 0}}));
    // Something moved: the new paragraph takes the old one's text attributes.
    EXPECT_EQ(textor.Paragraph(1)->TextAttributes(), bold.get());
    // Nothing moved: it takes the given ones, which an empty paragraph uses for typed text.
    textor.InsertParagraphBreak(textor.At(1, 2), mark.get());
    EXPECT_EQ(textor.Paragraph(2)->TextAttributes(), mark.get());
    EXPECT_EQ(textor.AttributesAt(textor.At(2, 0)), mark.get());
}

TEST_F(TextorEdit, DeleteAcrossParagraphsJoinsTheEndsAndFreesWhatLiesBetween)
{
    int freed = 0;
    TTestTextor textor(100);
    auto first = Face(QStringLiteral("First"));
    textor.SetText(u"head1tail1\nmiddle\nhead3tail3");
    textor.FirstParagraph()->SetTextAttributes(first.get());
    textor.InsertElement(textor.At(0, 7), TInlineElementPtr(new TFakeElement(5, 5, 1, &freed)), nullptr);
    textor.InsertElement(textor.At(1, 3), TInlineElementPtr(new TFakeElement(5, 5, 1, &freed)), nullptr);
    textor.InsertElement(textor.At(2, 2), TInlineElementPtr(new TFakeElement(5, 5, 1, &freed)), nullptr);
    auto* kept = new TFakeElement(5, 5, 1, &freed);
    textor.InsertElement(textor.At(2, 9), TInlineElementPtr(kept), nullptr);
    const TTextorPosition at = textor.DeleteRange(textor.Range(0, 5, 2, 6));
    EXPECT_EQ(freed, 3);
    EXPECT_EQ(textor.ParagraphCount(), 1);
    EXPECT_EQ(textor.GetText(), QStringLiteral("head1tail3"));
    EXPECT_EQ(Portions(textor), QStringLiteral("t:head1|t:tai|el|t:l3"));
    EXPECT_EQ(textor.FirstParagraph()->TextAttributes(), first.get());
    EXPECT_EQ(textor.ToIndex(at), (TTextorIndex{0, 5}));
    EXPECT_EQ(kept->Portion->Paragraph(), textor.FirstParagraph());
    ExpectConsistentLayout(textor);
}

TEST_F(TextorEdit, DestroyingTheTextorFreesItsElements)
{
    int freed = 0;
    {
        TTestTextor textor;
        textor.SetText(u"a\nb");
        textor.InsertElement(textor.At(0, 1), TInlineElementPtr(new TFakeElement(5, 5, 1, &freed)), nullptr);
        textor.InsertElement(textor.At(1, 0), TInlineElementPtr(new TFakeElement(5, 5, 1, &freed)), nullptr);
        textor.Clear();
        EXPECT_EQ(freed, 2);
        textor.InsertElement(textor.LastPosition(), TInlineElementPtr(new TFakeElement(5, 5, 1, &freed)),
                             nullptr);
    }
    EXPECT_EQ(freed, 3);
}

TEST_F(TextorEdit, ClearKeepsTheFirstParagraphObject)
{
    TTestTextor textor;
    textor.SetText(u"a\nb\nc");
    TParagraph* first = textor.FirstParagraph();
    textor.Clear();
    EXPECT_EQ(textor.FirstParagraph(), first);
    EXPECT_TRUE(textor.IsEmpty());
    EXPECT_EQ(textor.GetText(), QString());
}

TEST_F(TextorEdit, RangeTextUsesCrLfAndTabsAndSkipsElements)
{
    TTestTextor textor;
    textor.SetText(u"a\tb\ncd\n\nef");
    textor.InsertElement(textor.At(1, 1), TInlineElementPtr(new TFakeElement(5, 5, 1)), nullptr);
    EXPECT_EQ(textor.GetText(), QStringLiteral("a\tb\r\ncd\r\n\r\nef"));
    EXPECT_EQ(textor.GetRangeText(textor.Range(0, 2, 1, 2)), QStringLiteral("b\r\nc"));
    EXPECT_EQ(textor.GetRangeText(textor.Range(1, 3, 3, 0)), QStringLiteral("\r\n\r\n"));
}

TEST_F(TextorEdit, SegmentsReportPiecesAndParagraphEnds)
{
    TTestTextor textor;
    auto bold = Face(QStringLiteral("Bold"));
    textor.SetText(u"abc\nde");
    textor.InsertText(textor.At(0, 3), u"XY", bold.get());
    QStringList seen;
    auto record = [&seen](TParagraph* p, TPortion* portion, int start, int count) {
        seen << (portion == nullptr ? QStringLiteral("end%1").arg(p->Index())
                                    : QStringLiteral("%1:%2+%3").arg(p->Index()).arg(start).arg(count));
        return true;
    };
    EXPECT_TRUE(textor.ForEachSegment(textor.Range(0, 1, 1, 1), false, record));
    EXPECT_EQ(seen, QStringList({"0:1+2", "0:0+2", "end0", "1:0+1"}));
    seen.clear();
    textor.ForEachSegment(textor.Range(0, 5, 1, 2), true, record);
    EXPECT_EQ(seen, QStringList({"end0", "1:0+2", "end1"}));
    int calls = 0;
    EXPECT_FALSE(textor.ForEachSegment(textor.WholeRange(), true, [&calls](TParagraph*, TPortion*, int, int) {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 1);
}

TEST_F(TextorEdit, SetRangeAttributesSplitsAtTheBounds)
{
    TTestTextor textor;
    auto bold = Face(QStringLiteral("Bold"));
    textor.SetText(u"abcdef\nghi");
    const TTextorRange result = textor.SetRangeAttributes(textor.Range(0, 2, 1, 1), true, bold.get());
    EXPECT_EQ(Portions(textor), QStringLiteral("t:ab|t:cdef/t:g|t:hi"));
    EXPECT_EQ(textor.ToIndex(result), (TTextorIndexRange{{0, 2}, {1, 1}}));
    EXPECT_EQ(textor.Paragraph(0)->FirstPortion()->Attributes(), nullptr);
    EXPECT_EQ(textor.Paragraph(0)->LastPortion()->Attributes(), bold.get());
    EXPECT_EQ(textor.Paragraph(1)->FirstPortion()->Attributes(), bold.get());
    EXPECT_EQ(textor.Paragraph(1)->LastPortion()->Attributes(), nullptr);
    // The first paragraph's end lies inside the range; the last one's end does not.
    EXPECT_EQ(textor.Paragraph(0)->TextAttributes(), bold.get());
    EXPECT_EQ(textor.Paragraph(1)->TextAttributes(), nullptr);
}

TEST_F(TextorEdit, IndexFormsAndTheirLimits)
{
    TTestTextor textor;
    textor.SetText(u"ab\ncde");
    TTextorPosition position;
    ASSERT_TRUE(textor.FromIndex({1, 3}, position));
    EXPECT_EQ(position, textor.Paragraph(1)->End());
    EXPECT_FALSE(textor.FromIndex({1, 4}, position));
    EXPECT_FALSE(textor.FromIndex({2, 0}, position));
    EXPECT_FALSE(textor.FromIndex({-1, 0}, position));
    ASSERT_TRUE(textor.FromIndex({1, 1}, position));
    EXPECT_EQ(textor.ToIndex(position), (TTextorIndex{1, 1}));
    TTextorRange range;
    EXPECT_FALSE(textor.FromIndex(TTextorIndexRange{{0, 0}, {1, 9}}, range));
}

TEST_F(TextorEdit, CaretStepsCrossParagraphsAndStopAtTheEnds)
{
    TTestTextor textor;
    textor.SetText(u"ab\nc");
    EXPECT_EQ(textor.NextPosition(textor.At(0, 2)), textor.Paragraph(1)->Start());
    EXPECT_EQ(textor.PrevPosition(textor.At(1, 0)), textor.Paragraph(0)->End());
    EXPECT_EQ(textor.NextPosition(textor.LastPosition()), textor.LastPosition());
    EXPECT_EQ(textor.PrevPosition(textor.FirstPosition()), textor.FirstPosition());
    EXPECT_EQ(textor.Compare(textor.At(0, 2), textor.At(1, 0)), -1);
    EXPECT_EQ(textor.Compare(textor.At(1, 1), textor.At(0, 0)), 1);
    EXPECT_EQ(textor.Compare(textor.At(0, 1), textor.At(0, 1)), 0);
}

// A lone surrogate would be saved as U+FFFD: steps, deletions and inserts keep pairs whole.
TEST_F(TextorEdit, SurrogatePairsStayWhole)
{
    TTestTextor textor;
    const QString smile = QString::fromUtf8("\U0001F600");
    textor.SetText(QString(QStringLiteral("a") + smile + QStringLiteral("b")));
    EXPECT_EQ(textor.ToIndex(textor.NextPosition(textor.At(0, 1))), (TTextorIndex{0, 3}));
    EXPECT_EQ(textor.ToIndex(textor.PrevPosition(textor.At(0, 3))), (TTextorIndex{0, 1}));
    // A range that ends inside the pair deletes the whole pair; one that starts inside it too.
    textor.DeleteRange(textor.Range(0, 0, 0, 2));
    EXPECT_EQ(textor.GetText(), QStringLiteral("b"));
    textor.SetText(QString(QStringLiteral("a") + smile + QStringLiteral("b")));
    textor.DeleteRange(textor.Range(0, 2, 0, 4));
    EXPECT_EQ(textor.GetText(), QStringLiteral("a"));
    textor.SetText(smile);
    textor.InsertText(textor.At(0, 1), u"x", nullptr);
    EXPECT_EQ(textor.GetText(), QString(QStringLiteral("x") + smile));
}

TEST_F(TextorEdit, WordBoundaries)
{
    TTestTextor textor;
    textor.SetText(u"abc  def\nnext");
    struct TRow
    {
        int From;
        int WordEnd;
        int WordStart;
    };
    // WordEnd skips the blanks after a word; WordStart does not move from a word's start, and from
    // between the blanks it goes back to the word before them.
    for (const TRow& row :
         {TRow{0, 5, 0}, TRow{1, 5, 0}, TRow{3, 5, 0}, TRow{4, 5, 0}, TRow{5, 8, 5}, TRow{7, 8, 5}}) {
        EXPECT_EQ(textor.ToIndex(textor.WordEnd(textor.At(0, row.From))).Offset, row.WordEnd) << row.From;
        EXPECT_EQ(textor.ToIndex(textor.WordStart(textor.At(0, row.From))).Offset, row.WordStart) << row.From;
    }
    // The end of a paragraph that is not the last stays; the end of the last one goes to its word start.
    EXPECT_EQ(textor.ToIndex(textor.WordStart(textor.At(0, 8))), (TTextorIndex{0, 8}));
    EXPECT_EQ(textor.ToIndex(textor.WordStart(textor.At(1, 4))), (TTextorIndex{1, 0}));
    EXPECT_EQ(textor.ToIndex(textor.WordEnd(textor.At(0, 8))), (TTextorIndex{0, 8}));
    // Punctuation is a word of its own; elements break words.
    textor.SetText(u"ab.,cd");
    EXPECT_EQ(textor.ToIndex(textor.WordEnd(textor.At(0, 0))).Offset, 2);
    EXPECT_EQ(textor.ToIndex(textor.WordEnd(textor.At(0, 2))).Offset, 4);
    textor.InsertElement(textor.At(0, 1), TInlineElementPtr(new TFakeElement(5, 5, 1)), nullptr);
    EXPECT_EQ(textor.ToIndex(textor.WordEnd(textor.At(0, 0))).Offset, 1);
    EXPECT_EQ(textor.ToIndex(textor.WordStart(textor.At(0, 2))).Offset, 2);
}

TEST_F(TextorEdit, NormalizeSplitsAgainByTheCurrentOptions)
{
    TTestTextor textor(0, false, false);
    textor.SetText(u"a\tb\r\nc");
    textor.InsertElement(textor.At(0, 2), TInlineElementPtr(new TFakeElement(5, 5, 1)), nullptr);
    EXPECT_EQ(Portions(textor), QStringLiteral("t:a\t|el|t:b\r\nc"));
    textor.Paragraphs = true;
    textor.Tabs = true;
    textor.Normalize();
    EXPECT_EQ(Portions(textor), QStringLiteral("t:a|tab:1|el|t:b/t:c"));
    ExpectConsistentLayout(textor);
}

TEST_F(TextorEdit, NormalizeKeepsEachPiecesAttributes)
{
    TTestTextor textor(0, false, false);
    auto bold = Face(QStringLiteral("Bold"));
    textor.SetText(u"a\tbc");
    textor.SetRangeAttributes(textor.Range(0, 2, 0, 4), false, bold.get());
    textor.Tabs = true;
    textor.Normalize();
    EXPECT_EQ(Portions(textor), QStringLiteral("t:a|tab:1|t:bc"));
    EXPECT_EQ(textor.FirstParagraph()->FirstPortion()->Attributes(), nullptr);
    EXPECT_EQ(textor.FirstParagraph()->LastPortion()->Attributes(), bold.get());
}

TEST_F(TextorEdit, FontDefiningSettersDropTheCachedFont)
{
    TRichTextAttributes attributes;
    attributes.Ascent();
    const int created = Context->FontsCreated();
    attributes.SetColor(0x123456);
    attributes.Ascent();
    EXPECT_EQ(Context->FontsCreated(), created);
    using TSetter = void (*)(TRichTextAttributes&);
    const TSetter setters[] = {
        [](TRichTextAttributes& a) { a.SetCharset(0); },
        [](TRichTextAttributes& a) { a.SetPitch(fpFixed); },
        [](TRichTextAttributes& a) { a.SetSize(20); },
        [](TRichTextAttributes& a) { a.SetStyle(fsBold); },
        [](TRichTextAttributes& a) { a.SetFontName(QStringLiteral("Other")); },
    };
    int expected = created;
    for (TSetter setter : setters) {
        setter(attributes);
        attributes.TextWidth(u"x");
        EXPECT_EQ(Context->FontsCreated(), ++expected);
    }
}

} // namespace
} // namespace qv
