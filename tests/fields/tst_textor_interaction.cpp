// Caret, selection, keys and mouse of a focused text field.

#include "core/undo_redo.h"
#include "elements/scheme.h"
#include "fields/scheme_textor_interactive.h"
#include "fields/textor_element.h"
#include "textor/sheet_settings.h"

#include "support/fake_clock.h"
#include "support/fake_user_interface.h"
#include "support/printers.h"
#include "support/test_elements.h"
#include "support/textor_fakes.h"

#include <gtest/gtest.h>

namespace qv {

// A text field that records activated links and may embed other fields of its class.
class TInteractionField : public TTextorElement
{
    QV_CLASS(TInteractionField, TTextorElement)

    explicit TInteractionField(TScheme* scheme) : TTextorElement(scheme) {}

    void GetAcceptedClasses(TElementClassList& list) override
    {
        if (HasBehaviour(tboElements))
            list.append(TInteractionField::StaticClass());
    }
    void LinkClicked(TPortion* portion) override
    {
        if (portion != nullptr && portion->Attributes() != nullptr)
            Links.append(portion->Attributes()->LinkTarget());
    }

    QStringList Links;
};
QV_IMPLEMENT_CLASS(TInteractionField)

namespace {

using test::TFakeSheet;
using test::TTestRoot;

constexpr uint32_t singleLine = tcoLetters | tcoDigits | tcoSpaces | tcoSpecial;
constexpr uint32_t multiLine = tcoAnything;

// One keystroke: a key with modifiers, followed by its character when the key is not consumed.
struct TKey
{
    int Key = 0;
    Qt::KeyboardModifiers Shift;
    QChar Char;
};

// clang-format off
TKey K(int key, Qt::KeyboardModifiers shift = {}) { return {key, shift, QChar()}; }
TKey S(int key) { return K(key, Qt::ShiftModifier); }
TKey C(int key) { return K(key, Qt::ControlModifier); }
TKey Ch(char16_t c, Qt::KeyboardModifiers shift = {}) { return {0, shift, QChar(c)}; }
TTextorIndexRange Caret(int p, int o) { return {{p, o}, {p, o}}; }
TTextorIndexRange Sel(int p1, int o1, int p2, int o2) { return {{p1, o1}, {p2, o2}}; }
// "/" separates paragraphs.
QString Paras(QString text) { return text.replace(u'/', QStringLiteral("\r\n")); }
// clang-format on

class TextorInteraction : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        Scheme.SetUndoRedo(&Undo);
        Root = static_cast<TTestRoot*>(Scheme.Root());
        Root->SetVisualParent(Sheet.TopElement());
    }
    void TearDown() override
    {
        SetTextorSheetSettings(nullptr);
        Undo.Clear();
        Root->SetVisualParent(nullptr);
        TTextorFixture::TearDown();
    }

    TInteractionField* Field(uint32_t content, uint32_t behaviour, const QString& text, bool focus = true)
    {
        auto* field = new TInteractionField(&Scheme);
        field->SetParent(Root);
        field->SetBehaviourOptions(behaviour);
        field->SetContentOptions(content);
        field->SetVisualParent(Root);
        field->SetText(text);
        if (focus)
            field->SetFocus();
        return field;
    }

    static void Press(TTextorElement* field, const TKey& stroke)
    {
        int key = stroke.Key;
        field->KeyDown(key, stroke.Shift);
        QChar c = stroke.Char;
        if (stroke.Key == Qt::Key_Return)
            c = u'\r';
        // As from the window: what a key types follows it even when the key itself was taken.
        if (!c.isNull())
            field->KeyPress(c);
    }
    static void Type(TTextorElement* field, const QString& text)
    {
        for (QChar c : text)
            Press(field, Ch(c.unicode()));
    }
    // The text with "/" for each paragraph end.
    static QString Text(TTextorElement* field)
    {
        return field->GetText().replace(QStringLiteral("\r\n"), QStringLiteral("/"));
    }
    static QPoint At(TTextorElement* field, int x, int y)
    {
        const QMargins padding = field->GetPadding();
        return QPoint(x + padding.left(), y + padding.top());
    }
    // A full click (press and release) at a point of the field.
    static void Click(TTextorElement* field, QPoint at, bool doubleClick = false)
    {
        field->MouseDown(at, {}, doubleClick);
        field->MouseUp(at, true, {});
    }

    TFakeClock Time;
    TScheme Scheme{TTestRoot::StaticClass()};
    TUndoRedo Undo;
    TFakeSheet Sheet;
    TTestRoot* Root = nullptr;
};

// --- Keys ------------------------------------------------------------------------------------------

struct TKeyRow
{
    const char* Name;
    uint32_t Content;
    const char* Start; // "/" separates paragraphs
    TTextorIndexRange Selection;
    std::vector<TKey> Keys;
    QString Text;
    TTextorIndexRange Expected; // Start is the anchor, End the caret
};

class TextorKeys : public TextorInteraction, public ::testing::WithParamInterface<TKeyRow>
{
};

TEST_P(TextorKeys, GiveTextCaretAndSelection)
{
    const TKeyRow& row = GetParam();
    TInteractionField* field = Field(row.Content, 0, Paras(QString::fromUtf8(row.Start)));
    field->SetSelection(row.Selection);
    for (const TKey& key : row.Keys)
        Press(field, key);
    EXPECT_EQ(Text(field), row.Text);
    EXPECT_EQ(field->Selection(), row.Expected);
}

constexpr auto CtrlShift = Qt::ControlModifier | Qt::ShiftModifier;
using Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Down, Qt::Key_End, Qt::Key_Home, Qt::Key_Left,
    Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Return, Qt::Key_Right, Qt::Key_Up;

// clang-format off
const TKeyRow keyRows[] = {
    {"RightLeftStepAndStopAtTheEnds", multiLine, "ab/c", Caret(0, 0), {K(Key_Left), K(Key_Right), K(Key_Right), K(Key_Right)}, "ab/c", Caret(1, 0)},
    {"ShiftRightThriceSelectsThenShiftLeftShrinks", multiLine, "abc def", Caret(0, 0), {S(Key_Right), S(Key_Right), S(Key_Right), S(Key_Left)}, "abc def", Sel(0, 0, 0, 2)},
    {"ShiftLeftFromASelectionKeepsTheAnchor", multiLine, "abc def", Sel(0, 2, 0, 5), {S(Key_Left), S(Key_Left), S(Key_Left), S(Key_Left)}, "abc def", Sel(0, 2, 0, 1)},
    {"CtrlRightGoesToWordEnds", multiLine, "one two", Caret(0, 0), {C(Key_Right), C(Key_Right), C(Key_Right)}, "one two", Caret(0, 7)},
    {"CtrlLeftGoesToWordStarts", multiLine, "one two", Caret(0, 7), {C(Key_Left), C(Key_Left), C(Key_Left)}, "one two", Caret(0, 0)},
    {"CtrlShiftHomeSelectsToTheStart", multiLine, "ab/cd", Caret(1, 1), {K(Key_Home, CtrlShift)}, "ab/cd", Sel(1, 1, 0, 0)},
    {"CtrlEndGoesToTheLastPosition", multiLine, "ab/cd", Caret(0, 1), {C(Key_End)}, "ab/cd", Caret(1, 2)},
    {"HomeAndEndOfARow", multiLine, "abc/defg", Caret(1, 2), {K(Key_Home), S(Key_End)}, "abc/defg", Sel(1, 0, 1, 4)},
    {"UpOnTheFirstRowDoesNothing", multiLine, "abc/def", Caret(0, 2), {K(Key_Up)}, "abc/def", Caret(0, 2)},
    {"DownOnTheLastRowDoesNothing", multiLine, "abc/def", Caret(1, 1), {K(Key_Down)}, "abc/def", Caret(1, 1)},
    {"CtrlUpDoesNothing", multiLine, "abc/def", Caret(1, 1), {C(Key_Up)}, "abc/def", Caret(1, 1)},
    {"DownKeepsTheColumn", multiLine, "abcd/efgh", Caret(0, 3), {K(Key_Down)}, "abcd/efgh", Caret(1, 3)},
    {"DownThroughAShortLineKeepsTheColumn", multiLine, "abcdef/x/ghijkl", Caret(0, 5), {K(Key_Down), K(Key_Down)}, "abcdef/x/ghijkl", Caret(2, 5)},
    {"ShiftDownExtends", multiLine, "abcd/efgh", Caret(0, 1), {S(Key_Down)}, "abcd/efgh", Sel(0, 1, 1, 1)},
    {"PageDownKeepsTheColumn", multiLine, "ab/cd/ef", Caret(0, 1), {K(Key_PageDown)}, "ab/cd/ef", Caret(2, 1)},
    {"PageDownOnTheLastRowGoesToTheEnd", multiLine, "ab/cd/ef", Caret(0, 1), {K(Key_PageDown), K(Key_PageDown)}, "ab/cd/ef", Caret(2, 2)},
    {"ShiftPageUpSelectsToTheStart", multiLine, "ab/cd/ef", Caret(2, 1), {S(Key_PageUp), S(Key_PageUp)}, "ab/cd/ef", Sel(2, 1, 0, 0)},
    {"TypingInsertsAtTheCaret", multiLine, "ad", Caret(0, 1), {Ch(u'b'), Ch(u'c')}, "abcd", Caret(0, 3)},
    {"TypingReplacesTheSelection", multiLine, "one two", Sel(0, 4, 0, 7), {Ch(u'2')}, "one 2", Caret(0, 5)},
    {"CtrlCharactersAreNotTyped", multiLine, "a", Caret(0, 1), {Ch(u'b', Qt::ControlModifier)}, "a", Caret(0, 1)},
    {"ControlCharactersAreNotTyped", multiLine, "a", Caret(0, 1), {Ch(0x7F), Ch(0x1B), Ch(0x85)}, "a", Caret(0, 1)},
    {"BackspaceDeletesBeforeTheCaret", multiLine, "abc", Caret(0, 2), {K(Key_Backspace)}, "ac", Caret(0, 1)},
    {"BackspaceAtTheStartDeletesNothing", multiLine, "abc", Caret(0, 0), {K(Key_Backspace)}, "abc", Caret(0, 0)},
    {"BackspaceJoinsParagraphs", multiLine, "ab/cd", Caret(1, 0), {K(Key_Backspace)}, "abcd", Caret(0, 2)},
    {"BackspaceDeletesTheSelection", multiLine, "abcdef", Sel(0, 4, 0, 1), {K(Key_Backspace)}, "aef", Caret(0, 1)},
    {"DeleteAtTheEndDeletesNothing", multiLine, "abc", Caret(0, 3), {K(Key_Delete)}, "abc", Caret(0, 3)},
    {"DeleteAtAParagraphEndJoins", multiLine, "ab/cd", Caret(0, 2), {K(Key_Delete)}, "abcd", Caret(0, 2)},
    {"CtrlBackspaceDeletesTheWordAndItsBlanks", multiLine, "one word  ", Caret(0, 10), {C(Key_Backspace)}, "one ", Caret(0, 4)},
    {"CtrlDeleteDeletesToTheWordEnd", multiLine, "one two", Caret(0, 0), {C(Key_Delete)}, "two", Caret(0, 0)},
    {"EnterSplitsAParagraph", multiLine, "abcd", Caret(0, 2), {K(Key_Return)}, "ab/cd", Caret(1, 0)},
    {"CtrlEnterNeverBreaksALine", multiLine, "abcd", Caret(0, 2), {C(Key_Return)}, "abcd", Caret(0, 2)},
    {"EnterInASingleLineFieldInsertsNothing", singleLine, "abcd", Caret(0, 2), {K(Key_Return)}, "abcd", Caret(0, 2)},
    {"TabIsNotTypedWithoutTabStops", singleLine, "ab", Caret(0, 1), {Ch(u'\t')}, "ab", Caret(0, 1)},
    {"TabIsTypedWithTabStops", multiLine, "ab", Caret(0, 1), {Ch(u'\t')}, "a\tb", Caret(0, 2)},
    {"ASurrogatePairIsTypedWhole", multiLine, "ab", Caret(0, 1), {Ch(0xD83D), Ch(0xDE00)}, QStringLiteral("a\U0001F600b"), Caret(0, 3)},
    {"CtrlASelectsEverything", multiLine, "ab/cd", Caret(0, 1), {C(Qt::Key_A)}, "ab/cd", Sel(0, 0, 1, 2)},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, TextorKeys, ::testing::ValuesIn(keyRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TextorInteraction, HomeAndEndOnWrappedRowsStayOnTheRowThenGoToTheParagraphEdge)
{
    // 240 pixels: 24 characters of 10 pixels; the paragraph wraps after "aaaa bbbb ... ".
    TInteractionField* field =
        Field(multiLine, tboWrap240, QStringLiteral("aaaa bbbb cccc dddd eeee ffff gggg hhhh"));
    TSchemeTextorInteractive* interactive = field->Interactive();
    ASSERT_NE(interactive, nullptr);
    TRow* first = field->Textor()->FirstParagraph()->FirstRow();
    ASSERT_NE(first->Next(), nullptr) << "the paragraph must wrap";
    const int wrap = first->EndOffset();

    field->SetSelection(Caret(0, 2));
    Press(field, K(Key_End));
    EXPECT_EQ(field->Selection(), Caret(0, wrap));
    EXPECT_EQ(interactive->CaretRow(), first) << "the caret stays at the end of the upper row";
    Press(field, K(Key_End));
    EXPECT_EQ(field->Selection(), Caret(0, 39));
    Press(field, K(Key_Home));
    EXPECT_EQ(field->Selection(), Caret(0, wrap));
    EXPECT_EQ(interactive->CaretRow(), first->Next());
    Press(field, K(Key_Home));
    EXPECT_EQ(field->Selection(), Caret(0, 0));
}

TEST_F(TextorInteraction, UndoOfTypedTextRestoresTheCaretAndRedoTheTypedText)
{
    TInteractionField* field = Field(multiLine, 0, QStringLiteral("one two"));
    field->SetSelection(Sel(0, 4, 0, 7));
    Type(field, QStringLiteral("2nd"));
    EXPECT_EQ(Text(field), QStringLiteral("one 2nd"));
    // The replacement is one step, the quick typing after it another.
    Undo.Undo();
    EXPECT_EQ(Text(field), QStringLiteral("one 2"));
    EXPECT_EQ(field->Selection(), Caret(0, 5));
    Undo.Undo();
    EXPECT_EQ(Text(field), QStringLiteral("one two"));
    EXPECT_EQ(field->Selection(), Sel(0, 4, 0, 7)) << "undo selects the replaced text";
    Undo.Redo();
    Undo.Redo();
    EXPECT_EQ(Text(field), QStringLiteral("one 2nd"));
    EXPECT_EQ(field->Selection(), Caret(0, 7));
    EXPECT_EQ(field->Textor()->ToIndex(field->Interactive()->Caret()), (TTextorIndex{0, 7}));
}

TEST_F(TextorInteraction, AnEditsPendingSelectionIsShownAfterTheLayout)
{
    TInteractionField* field = Field(multiLine, 0, QStringLiteral("abc"));
    field->SetSelection(Caret(0, 3));
    const TTextorRange range{field->Textor()->FirstPosition(), field->Textor()->FirstPosition()};
    field->ReplaceWithText(tetRange, &range, true, QStringLiteral("xy"));
    EXPECT_EQ(Text(field), QStringLiteral("xyabc"));
    EXPECT_EQ(field->Selection(), Sel(0, 0, 0, 2)) << "kept selection of the inserted text";
    EXPECT_FALSE(field->Interactive()->HasPendingSelection());

    // Set while the Textor is in an update bracket, a selection waits for the layout.
    field->Textor()->BeginUpdate();
    field->Textor()->InsertText(field->Textor()->LastPosition(), QStringLiteral("!"), nullptr);
    field->SetSelection(Caret(0, 6));
    EXPECT_TRUE(field->Interactive()->HasPendingSelection());
    field->Textor()->EndUpdate();
    EXPECT_FALSE(field->Interactive()->HasPendingSelection());
    EXPECT_EQ(field->Textor()->ToIndex(field->Interactive()->Caret()), (TTextorIndex{0, 6}));

    // A text set from outside keeps the caret inside the shorter content.
    field->SetText(QStringLiteral("a"));
    EXPECT_EQ(field->Selection(), Caret(0, 1));
}

TEST_F(TextorInteraction, TheInteractiveLivesWhileTheFieldHasTheFocus)
{
    TInteractionField* one = Field(multiLine, 0, QStringLiteral("one"));
    TInteractionField* two = Field(multiLine, 0, QStringLiteral("two"), false);
    EXPECT_NE(one->Interactive(), nullptr);
    EXPECT_EQ(two->Interactive(), nullptr);
    EXPECT_EQ(one->Selection(), Caret(0, 0)) << "focused without a position: the first position";
    two->FocusAtLast();
    EXPECT_EQ(one->Interactive(), nullptr);
    ASSERT_NE(two->Interactive(), nullptr);
    EXPECT_EQ(two->Selection(), Caret(0, 3));
    int kind = 0;
    QRect rect;
    one->GetCaret(kind, rect);
    EXPECT_EQ(kind, 0);

    two->SetSelection(Sel(0, 3, 0, 1));
    EXPECT_EQ(two->FocusData(), QStringLiteral("0,3,0,1"));
    one->FocusWithData(QStringLiteral("0,1,0,x"));
    EXPECT_EQ(one->Selection(), Sel(0, 1, 0, 0)) << "an invalid number counts as 0";
    two->FocusWithData(QStringLiteral("5,0,5,1"));
    EXPECT_EQ(two->Selection(), Caret(0, 0)) << "a range that does not convert is ignored";
}

TEST_F(TextorInteraction, CaretRectangleAndKindFollowTheCaretSize)
{
    TSheetSettings settings;
    settings.CaretSize().SetValue(3);
    SetTextorSheetSettings(&settings);
    TInteractionField* field = Field(multiLine, 0, Paras("abc/def"));
    field->SetSelection(Caret(1, 2));
    const TRow* row = field->Interactive()->CaretRow();
    ASSERT_NE(row, nullptr);
    ASSERT_GT(row->Top(), 0) << "the caret is on the second row";
    int kind = 0;
    QRect rect;
    field->GetCaret(kind, rect);
    const QMargins padding = field->GetPadding();
    const int x = field->Textor()->XOfPosition(*row, field->Interactive()->Caret());
    EXPECT_EQ(kind, 3);
    EXPECT_EQ(rect,
              QRect(padding.left() + row->Left() + x - 1, padding.top() + row->Top(), 3, row->Height()));
}

TEST_F(TextorInteraction, RightMovesTheFocusIntoAnEmbeddedField)
{
    TInteractionField* outer = Field(multiLine, tboElements, QStringLiteral("ab"));
    TTextorPosition at = outer->Textor()->LastPosition();
    auto* inner = static_cast<TInteractionField*>(
        outer->InsertNewElement(TInteractionField::StaticClass(), nullptr, &at));
    ASSERT_NE(inner, nullptr);
    inner->SetContentOptions(multiLine);
    inner->SetText(QStringLiteral("xyz"));
    outer->SetFocus();
    outer->SetSelection(Caret(0, 2));
    Press(outer, K(Key_Right));
    EXPECT_TRUE(inner->IsFocused());
    EXPECT_EQ(inner->Selection(), Caret(0, 0));
    EXPECT_EQ(outer->Interactive(), nullptr);

    outer->FocusAtLast();
    Press(outer, K(Key_Left));
    EXPECT_TRUE(inner->IsFocused());
    EXPECT_EQ(inner->Selection(), Caret(0, 3)) << "entered from the right at its end";

    outer->FocusBeside(inner, false);
    EXPECT_EQ(outer->Selection(), Caret(0, 2));
    Press(outer, S(Key_Right));
    EXPECT_TRUE(outer->IsFocused()) << "Shift steps over the element";
    EXPECT_EQ(outer->Selection(), Sel(0, 2, 0, 3));
    EXPECT_TRUE(inner->IsCovered()) << "a selected element is marked";
    EXPECT_EQ(outer->CoveredChildCount(), 1);
    outer->SetSelection(Caret(0, 1));
    EXPECT_FALSE(inner->IsCovered()) << "and unmarked when the selection goes";
    EXPECT_EQ(outer->CoveredChildCount(), 0);
}

// The elements inside the selection are marked as it grows, shrinks and moves across paragraphs, also
// after the text above the last selection changed; the palette follows when the marks change.
TEST_F(TextorInteraction, SelectedElementsFollowTheSelectionAcrossParagraphs)
{
    TInteractionField* outer = Field(multiLine, tboElements, Paras(QStringLiteral("a/b/c/d")));
    QList<TVisualElement*> inner; // one element at the end of each paragraph
    for (int p = 0; p < 4; ++p) {
        TTextorPosition at;
        ASSERT_TRUE(outer->Textor()->FromIndex(TTextorIndex{p, 1}, at));
        inner.append(static_cast<TVisualElement*>(
            outer->InsertNewElement(TInteractionField::StaticClass(), nullptr, &at)));
        ASSERT_NE(inner.back(), nullptr);
    }
    outer->SetFocus();
    struct TRow
    {
        TTextorIndexRange Selection;
        QString Covered; // "1" for each element marked
        bool PaletteAsked;
    };
    const TRow rows[] = {
        {Sel(0, 0, 0, 2), QStringLiteral("1000"), true},  {Sel(0, 0, 2, 2), QStringLiteral("1110"), true},
        {Sel(0, 0, 2, 2), QStringLiteral("1110"), false}, {Sel(2, 0, 3, 2), QStringLiteral("0011"), true},
        {Sel(1, 0, 1, 1), QStringLiteral("0000"), true},  {Sel(3, 1, 3, 2), QStringLiteral("0001"), true},
    };
    for (const TRow& row : rows) {
        Sheet.PaletteItemsRequests = 0;
        outer->SetSelection(row.Selection);
        QString covered;
        for (TVisualElement* element : inner)
            covered += element->IsCovered() ? u'1' : u'0';
        EXPECT_EQ(covered, row.Covered);
        EXPECT_EQ(Sheet.PaletteItemsRequests > 0, row.PaletteAsked) << row.Covered.toStdString();
    }
    // Two paragraphs put above the marked element while the selection stays: it is no longer in the
    // paragraph where it was marked, and still unmarked when the selection goes.
    TTextorRange top;
    ASSERT_TRUE(outer->Textor()->FromIndex(Caret(0, 0), top));
    outer->ReplaceWithText(tetRange, &top, true, Paras(QStringLiteral("x/y/")));
    outer->SetSelection(Caret(0, 0));
    for (TVisualElement* element : inner)
        EXPECT_FALSE(element->IsCovered());
    EXPECT_EQ(outer->CoveredChildCount(), 0);
}

TEST_F(TextorInteraction, ClipboardKeysAndReadOnlyFields)
{
    TFakeClipboard clipboard;
    TFakeUrlOpener opener;
    TScopedDesktop desktop(&clipboard, &opener);
    TInteractionField* field = Field(multiLine, 0, QStringLiteral("one two"));
    field->SetSelection(Sel(0, 4, 0, 7));
    Press(field, C(Qt::Key_C));
    EXPECT_EQ(clipboard.Text(), QStringLiteral("two"));
    field->SetSelection(Sel(0, 0, 0, 4));
    Press(field, K(Key_Delete, Qt::ShiftModifier));
    EXPECT_EQ(clipboard.Text(), QStringLiteral("one "));
    EXPECT_EQ(Text(field), QStringLiteral("two"));
    Press(field, C(Key_End));
    Press(field, C(Qt::Key_V));
    EXPECT_EQ(Text(field), QStringLiteral("twoone "));
    EXPECT_EQ(field->Selection(), Caret(0, 7));

    // A read-only field moves the caret and copies, but is not edited.
    Sheet.FReadOnly = true;
    field->SetSelection(Caret(0, 1));
    Press(field, K(Key_Backspace));
    Type(field, QStringLiteral("x"));
    Press(field, K(Key_Right));
    EXPECT_EQ(field->Selection(), Caret(0, 2));
    field->SetSelection(Sel(0, 0, 0, 3));
    EXPECT_FALSE(field->CanCut());
    Press(field, C(Qt::Key_X));
    Press(field, K(Qt::Key_Insert, Qt::ShiftModifier));
    EXPECT_EQ(Text(field), QStringLiteral("twoone "));
    Press(field, K(Qt::Key_Insert, Qt::ControlModifier));
    EXPECT_EQ(clipboard.Text(), QStringLiteral("two"));
}

// --- Mouse -----------------------------------------------------------------------------------------

TEST_F(TextorInteraction, ClickAndDragSelectWithTheMouseCaptured)
{
    TInteractionField* field = Field(multiLine, 0, Paras("abcdef/ghij"), false);
    field->MouseDown(At(field, 21, 5), {}, false);
    ASSERT_TRUE(field->IsFocused());
    EXPECT_EQ(field->Selection(), Caret(0, 2));
    EXPECT_EQ(Sheet.CaptureElement(), field);
    field->MouseMove(At(field, 41, 5), {});
    EXPECT_EQ(field->Selection(), Sel(0, 2, 0, 4));
    // Outside the field the selection follows, clamped.
    field->MouseMove(At(field, 500, 20), {});
    EXPECT_EQ(field->Selection(), Sel(0, 2, 1, 4));
    // Keys wait while the mouse selects.
    Press(field, K(Key_Left));
    EXPECT_EQ(field->Selection(), Sel(0, 2, 1, 4));
    field->MouseUp(At(field, 500, 20), true, {});
    EXPECT_EQ(Sheet.CaptureElement(), nullptr);
    EXPECT_EQ(field->Interactive()->MouseState(), tmsIdle);

    Time.Advance(5000);
    field->MouseDown(At(field, 11, 5), Qt::ShiftModifier, false);
    EXPECT_EQ(field->Selection(), Sel(0, 2, 0, 1)) << "Shift-click extends from the anchor";
    field->MouseUp(At(field, 11, 5), true, {});
}

TEST_F(TextorInteraction, DoubleAndTripleClicksSelectWordsAndParagraphs)
{
    TInteractionField* field = Field(multiLine, 0, Paras("one two   three//last"));
    const QPoint blanks = At(field, 82, 5);
    // A double click on the blanks after a word selects the word with them.
    Click(field, blanks);
    field->MouseDown(blanks, {}, true);
    EXPECT_EQ(field->Selection(), Sel(0, 4, 0, 10));
    field->MouseUp(blanks, true, {});
    // A third quick press selects the paragraph up to the next one.
    field->MouseDown(blanks, {}, false);
    EXPECT_EQ(field->Selection(), Sel(0, 0, 1, 0));
    field->MouseUp(blanks, true, {});

    const int rowHeight = field->Textor()->FirstParagraph()->FirstRow()->Height();
    Time.Advance(5000);
    // The empty paragraph, not the last: one step to the next paragraph.
    Click(field, At(field, 5, rowHeight + 3), true);
    EXPECT_EQ(field->Selection(), Sel(1, 0, 2, 0));
    // A triple click on the last paragraph selects it to its end.
    const QPoint last = At(field, 15, 2 * rowHeight + 3);
    for (bool doubleClick : {false, true, false}) {
        field->MouseDown(last, {}, doubleClick);
        Time.Advance(10);
    }
    EXPECT_EQ(field->Selection(), Sel(2, 0, 2, 4));
}

TEST_F(TextorInteraction, LinksOpenOnDoubleClickAndCtrlEnterAndShowTheHand)
{
    TInteractionField* field = Field(multiLine, tboLinks, QStringLiteral("go http://example.org now"));
    EXPECT_EQ(field->GetCursor(At(field, 5, 5)), crTextorContainerTextBeam);
    EXPECT_EQ(field->GetCursor(At(field, 45, 5)), crHandPoint);
    field->MouseDown(At(field, 45, 5), {}, true);
    EXPECT_EQ(field->Links, QStringList{QStringLiteral("http://example.org")});

    field->SetSelection(Caret(0, 21)); // just after the link
    Press(field, C(Key_Return));
    EXPECT_EQ(field->Links.size(), 2);
    field->SetSelection(Caret(0, 1));
    Press(field, C(Key_Return));
    EXPECT_EQ(field->Links.size(), 2) << "no link at the caret";
    EXPECT_EQ(Text(field), QStringLiteral("go http://example.org now"));
}

TEST_F(TextorInteraction, FieldCursorsFollowTheOptions)
{
    const struct
    {
        uint16_t Options;
        int Cursor;
    } rows[] = {
        {tioTakesText, crTextorFieldBeam},
        {tioTakesElements, crTextorFieldElementsBeam},
        {tioDropDown | tioLineBreaks, crTextorFieldDropDownBeam},
        {tioLineBreaks, crTextorContainerBeam},
        {tioLineBreaks | tioTakesText, crTextorContainerTextBeam},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TTextorInteractive::FieldCursor(row.Options), row.Cursor) << row.Options;
    TInteractionField* field = Field(singleLine, 0, QStringLiteral("ab"), false);
    EXPECT_EQ(field->GetCursor(QPoint(1, 1)), crTextorFieldBeam) << "also without the focus";
}

// --- The interactive on a plain Textor ---------------------------------------------------------------

class TRecorder
{
public:
    QList<int> Notes;
    QStringList Replaced;
    void Notify(TItfObject*, int notify, intptr_t param1, intptr_t)
    {
        Notes.append(notify);
        if (notify == tinReplace)
            Replaced.append(param1 != 0 ? *reinterpret_cast<const QString*>(param1)
                                        : QStringLiteral("<delete>"));
    }
    QList<int> Take() { return std::exchange(Notes, {}); }
};

TEST_F(TextorInteraction, NotificationsReportOnlyRealChanges)
{
    TTestTextor textor;
    textor.SetText(QStringLiteral("abc def"));
    TTextorInteractive interactive(&textor);
    TRecorder recorder;
    interactive.AddHandler(MakeNotifyEvent<&TRecorder::Notify>(&recorder));

    interactive.SetCaret(textor.At(0, 2));
    EXPECT_EQ(recorder.Take(), QList<int>{tinCaret}) << "an empty selection that moves is no change";
    interactive.SetSelection(textor.Range(0, 1, 0, 3), false);
    EXPECT_EQ(recorder.Take(), (QList<int>{tinCaret, tinSelection}));
    interactive.SetSelection(textor.Range(0, 1, 0, 3), true);
    EXPECT_EQ(recorder.Take(), QList<int>{tinCaret}) << "the same ends in the other order";
    interactive.SetSelection(textor.Range(0, 1, 0, 3), true);
    EXPECT_TRUE(recorder.Notes.isEmpty());

    // Keys ask the owner for edits; without permission nothing is asked.
    EXPECT_TRUE(interactive.KeyPress(u'x', {}));
    EXPECT_TRUE(interactive.KeyDown(Qt::Key_Delete, {}));
    bool editable = false;
    interactive.SetCanEdit([&editable] { return editable; });
    EXPECT_FALSE(interactive.KeyPress(u'y', {}));
    EXPECT_EQ(recorder.Replaced, (QStringList{QStringLiteral("x"), QStringLiteral("<delete>")}));
    EXPECT_EQ(textor.GetText(), QStringLiteral("abc def")) << "the interactive never edits itself";
}

TEST_F(TextorInteraction, PaintsTheSelectionMarkedAndTheRestPlain)
{
    TTestTextor textor;
    textor.SetText(QStringLiteral("abcd\r\nef"));
    TTextorInteractive interactive(&textor);
    interactive.SetInteractiveOptions(tioDefault);
    interactive.SetSelection(textor.Range(0, 1, 1, 1), false);
    TRecordingCanvas canvas;
    interactive.Paint(canvas, 0, tpfSelected);
    const QString marks = canvas.Filtered(QStringLiteral("select")).join(u';');
    // "bcd", the paragraph end cell of 5 pixels, then "e".
    EXPECT_TRUE(marks.startsWith(QStringLiteral("select 10,0,30,"))) << marks.toStdString();
    EXPECT_TRUE(marks.contains(QStringLiteral("select 40,0,5,"))) << marks.toStdString();
    const QStringList texts = canvas.Filtered(QStringLiteral("text"));
    EXPECT_EQ(texts.size(), 4) << "a, bcd, e and f, each once: " << texts.join(u';').toStdString();
    TRecordingCanvas plain;
    interactive.Paint(plain, 0, 0);
    EXPECT_TRUE(plain.Filtered(QStringLiteral("select")).isEmpty());
}

} // namespace
} // namespace qv
