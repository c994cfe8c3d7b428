// Text fields: storage, edits with undo and merging, validation, links and the clipboard.

#include "core/knot.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/find_data.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "fields/textor_edit_operation.h"
#include "fields/textor_element.h"
#include "textor/rich_text_attributes.h"
#include "textor/sheet_canvas.h"
#include "textor/sheet_settings.h"

#include "support/fake_clock.h"
#include "support/fake_user_interface.h"
#include "support/printers.h"
#include "support/test_elements.h"
#include "support/textor_fakes.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <tuple>

namespace qv {

// A text field whose options the tests set; with embedded elements it accepts stars.
class TTestTextField : public TTextorElement
{
    QV_CLASS(TTestTextField, TTextorElement)

    explicit TTestTextField(TScheme* scheme) : TTextorElement(scheme) {}

    void GetAcceptedClasses(TElementClassList& list) override
    {
        inherited::GetAcceptedClasses(list);
        if (HasBehaviour(tboElements))
            list.append(test::TElement_Star::StaticClass());
    }
};
QV_IMPLEMENT_CLASS(TTestTextField)

namespace {

using test::TElement_Star;
using test::TFakeSheet;
using test::TTestRoot;

constexpr uint32_t multiLine = tcoAnything;

class TextField : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        Scheme.SetUndoRedo(&Undo);
        Root = static_cast<TTestRoot*>(Scheme.Root());
    }
    void TearDown() override
    {
        Undo.Clear();
        if (Root->VisualParent() != nullptr)
            Root->SetVisualParent(nullptr);
        TTextorFixture::TearDown();
    }

    TTestTextField* NewField(uint32_t content, uint32_t behaviour)
    {
        auto* field = new TTestTextField(&Scheme);
        field->SetParent(Root);
        field->SetBehaviourOptions(behaviour);
        field->SetContentOptions(content);
        return field;
    }
    // A field on the sheet with the focus: edits of the selection place the caret.
    TTestTextField* FocusedField(uint32_t content, uint32_t behaviour)
    {
        TTestTextField* field = NewField(content, behaviour);
        Root->SetVisualParent(Sheet.TopElement());
        field->SetVisualParent(Root);
        field->SetFocus();
        return field;
    }

    static void SetCaret(TTextorElement* field, int paragraph, int offset)
    {
        field->SetSelection({{paragraph, offset}, {paragraph, offset}});
    }
    static void Type(TTextorElement* field, const QString& text)
    {
        field->ReplaceWithText(tetSelection, nullptr, false, text);
    }
    // Backspace and Delete as the keys make them: a one-step range before or after the caret.
    static void Backspace(TTextorElement* field)
    {
        const TTextorIndex caret = field->Selection().End;
        TTextorPosition at;
        ASSERT_TRUE(field->Textor()->FromIndex(caret, at));
        const TTextorRange range{field->Textor()->PrevPosition(at), at};
        field->ReplaceWithText(tetRange, &range, false, QString());
    }
    static void Delete(TTextorElement* field)
    {
        TTextorPosition at;
        ASSERT_TRUE(field->Textor()->FromIndex(field->Selection().End, at));
        const TTextorRange range{at, field->Textor()->NextPosition(at)};
        field->ReplaceWithText(tetRange, &range, false, QString());
    }

    int UndoSteps()
    {
        int steps = 0;
        for (TNode* node = Undo.UndoList()->FirstChild(); node != nullptr; node = node->NextSibling())
            ++steps;
        return steps;
    }

    // The content as a file would hold it, as knot text.
    static QString ContentText(TTextorElement* field)
    {
        TKnot knot(QStringLiteral("Field"));
        TSchemeSaver saver(fmFile, &knot, ffFileSave);
        field->SaveContent(&saver, &knot, nullptr);
        return knot.SaveToText();
    }

    QStringList MessageTexts(TElement* element)
    {
        QStringList texts;
        if (element->Messages() != nullptr) {
            for (int i = 0; i < element->Messages()->Count(); ++i)
                texts.append(element->Messages()->Items(i)->GetText());
        }
        return texts;
    }

    TFakeClock Time;
    TScheme Scheme{TTestRoot::StaticClass()};
    TUndoRedo Undo;
    TFakeSheet Sheet;
    TTestRoot* Root = nullptr;
};

// --- Storage ---------------------------------------------------------------------------------------

TEST_F(TextField, ValueAttributeLeavesOutTheDefault)
{
    struct TRow
    {
        const char* Name;
        QString Default;
        QString Text;
        bool Written;
    };
    const TRow rows[] = {
        {"empty without default", QString(), QString(), false},
        {"text without default", QString(), QStringLiteral("abc"), true},
        {"equal to the default", QStringLiteral("x"), QStringLiteral("x"), false},
        {"emptied with a default", QStringLiteral("x"), QStringLiteral(""), true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TTestTextField* field = NewField(tcoLetters, 0);
        if (!row.Default.isNull())
            field->SetDefaultText(row.Default);
        field->SetText(row.Text);
        TKnot knot(QStringLiteral("Field"));
        field->SaveTo(&knot, fmFile, ffFileSave);
        EXPECT_EQ(knot.FindParam(QStringLiteral("Value")) != nullptr, row.Written);
        // Loading gives the same text back: a missing attribute is the default.
        TTestTextField* loaded = NewField(tcoLetters, 0);
        if (!row.Default.isNull())
            loaded->SetDefaultText(row.Default);
        loaded->SetText(QStringLiteral("something else"));
        knot.SetReadMarks(false);
        loaded->LoadFrom(&knot, fmFile, 0);
        EXPECT_EQ(loaded->GetText(), row.Text.isNull() ? QString(row.Default) : row.Text);
    }
}

TEST_F(TextField, ContentNodesJoinRunsOfEqualData)
{
    TTestTextField* field = NewField(multiLine, tboElements);
    TTextor* textor = field->Textor();
    textor->SetText(u"ab\r\nc");
    EXPECT_EQ(
        ContentText(field),
        QStringLiteral("<Field>\r\n\t<Chars Value=\"ab\"/><Br/>\r\n\t<Chars Value=\"c\"/>\r\n</Field>\r\n"));

    // Runs with different data stay apart; a tab between runs without data joins them.
    TRichTextAttributes scratch;
    scratch.SetData(QStringLiteral("x"));
    TAttributesRef<TTextAttributes> x = Intern<TTextAttributes>(scratch);
    textor->Clear();
    textor->InsertText(textor->LastPosition(), u"a", nullptr);
    textor->InsertText(textor->LastPosition(), u"b", x.get());
    textor->InsertText(textor->LastPosition(), u"c\td", nullptr);
    EXPECT_EQ(ContentText(field),
              QStringLiteral("<Field>\r\n\t<Chars Value=\"a\"/>\r\n\t<Chars Value=\"b\" Data=\"x\"/>\r\n"
                             "\t<Chars Value=\"c&#9;d\"/>\r\n</Field>\r\n"));

    // "Data" is read back into the run's attributes and nothing is left unread.
    TKnot knot(QStringLiteral("Field"));
    field->SaveTo(&knot, fmFile, ffFileSave);
    TElementMessages log;
    Scheme.SetMessages(&log);
    TTestTextField* loaded = NewField(multiLine, tboElements);
    loaded->LoadFrom(&knot, fmFile, 0);
    Scheme.SetMessages(nullptr);
    EXPECT_TRUE(log.IsEmpty());
    EXPECT_EQ(ContentText(loaded), ContentText(field));
    int local = 0;
    TPortion* b = loaded->Textor()->FirstParagraph()->PortionAt(1, local);
    ASSERT_NE(b->Attributes(), nullptr);
    EXPECT_EQ(b->Attributes()->Data(), QStringLiteral("x"));
}

TEST_F(TextField, ElementNodesBecomeEmbeddedElementsAndSnapshotsKeepTheirIDs)
{
    TTestTextField* field = NewField(multiLine, tboElements);
    TKnot knot(QStringLiteral("Field"));
    knot.AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Value"), QStringLiteral("a"));
    knot.AddKnot(QStringLiteral("Star"));
    knot.AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Value"), QStringLiteral("b"));
    field->LoadFrom(&knot, fmFile, 0);
    std::vector<TElement_Star*> stars = field->CollectAll<TElement_Star>();
    ASSERT_EQ(stars.size(), 1u);
    EXPECT_EQ(field->Textor()->FirstParagraph()->Length(), 3);
    const int32_t id = stars[0]->ID();

    // Deleting the element and undoing brings the same element back.
    const TTextorRange star{field->Textor()->FirstParagraph()->PositionAt(1),
                            field->Textor()->FirstParagraph()->PositionAt(2)};
    field->ReplaceWithText(tetRange, &star, false, QString());
    EXPECT_EQ(Scheme.FindElementByID(id), nullptr);
    Undo.Undo();
    EXPECT_TRUE(IsInstanceOf(Scheme.FindElementByID(id), TElement_Star::StaticClass()));
    Undo.Redo();
    EXPECT_EQ(Scheme.FindElementByID(id), nullptr);
    Undo.Undo();
    EXPECT_EQ(field->CollectAll<TElement_Star>().size(), 1u);

    // An element freed directly leaves the text as well.
    field->CollectAll<TElement_Star>()[0]->Free();
    EXPECT_EQ(field->GetText(), QStringLiteral("ab"));
    EXPECT_EQ(field->Textor()->FirstParagraph()->Length(), 2);

    // A field without embedded elements leaves element nodes unread.
    TElementMessages log;
    Scheme.SetMessages(&log);
    TTestTextField* plain = NewField(multiLine, 0);
    TKnot other(QStringLiteral("Field"));
    other.AddKnot(QStringLiteral("Star"));
    plain->LoadFrom(&other, fmFile, 0);
    Scheme.SetMessages(nullptr);
    EXPECT_EQ(log.Count(), 1);
}

// A field that was never given content nor laid out makes its Textor only when it is asked for; until
// then it must answer and save exactly as a field with an empty Textor does.
TEST_F(TextField, AnUntouchedFieldAnswersAsAnEmptyOne)
{
    struct TRow
    {
        const char* Name;
        uint32_t Behaviour;
        QString DefaultText;
    };
    const TRow rows[] = {
        {"plain", 0, QString()},
        {"empty default text", 0, QStringLiteral("")},
        {"elements", tboElements, QString()},
    };
    auto answers = [](TTestTextField* field) {
        TKnot knot(QStringLiteral("Field"));
        field->SaveTo(&knot, fmFile, 0);
        QByteArray saved;
        knot.SaveToStream(saved, keUtf8);
        return std::make_tuple(field->IsDefault(), field->IsFilled(), field->GetText(), saved);
    };
    for (const TRow& row : rows) {
        TTestTextField* untouched = NewField(multiLine, row.Behaviour);
        untouched->SetDefaultText(row.DefaultText);
        TTestTextField* made = NewField(multiLine, row.Behaviour);
        made->SetDefaultText(row.DefaultText);
        ASSERT_NE(made->Textor(), nullptr);
        EXPECT_EQ(answers(untouched), answers(made)) << row.Name;
    }
}

// --- Edits and merging -----------------------------------------------------------------------------

TEST_F(TextField, TypingWithinTheMergeIntervalIsOneUndoStep)
{
    TTestTextField* field = FocusedField(multiLine, tboElements);
    Type(field, QStringLiteral("a"));
    Time.Advance(300);
    Type(field, QStringLiteral("b"));
    Time.Advance(799);
    Type(field, QStringLiteral("c"));
    EXPECT_EQ(field->GetText(), QStringLiteral("abc"));
    ASSERT_EQ(UndoSteps(), 1);
    auto* edit = static_cast<TTextorEditOperation*>(Undo.UndoList()->LastChild());
    ASSERT_EQ(edit->Content()->KnotCount(), 1);
    EXPECT_EQ(edit->Content()->FirstKnot()->ReadString(QStringLiteral("Value")), QStringLiteral("abc"));
    Undo.Undo();
    EXPECT_EQ(field->GetText(), QString());
    Undo.Redo();
    EXPECT_EQ(field->GetText(), QStringLiteral("abc"));

    // A pause of 800 ms starts a new step.
    Time.Advance(800);
    Type(field, QStringLiteral("d"));
    EXPECT_EQ(UndoSteps(), 2);
    Undo.Undo();
    EXPECT_EQ(field->GetText(), QStringLiteral("abc"));
}

TEST_F(TextField, BackspacesMergeAndDeletesDoNot)
{
    TTestTextField* field = FocusedField(multiLine, tboElements);
    field->SetText(QStringLiteral("abcdef"));
    SetCaret(field, 0, 3);
    for (int i = 0; i < 3; ++i) {
        Backspace(field);
        Time.Advance(100);
    }
    EXPECT_EQ(field->GetText(), QStringLiteral("def"));
    EXPECT_EQ(UndoSteps(), 1);
    Undo.Undo();
    EXPECT_EQ(field->GetText(), QStringLiteral("abcdef"));
    EXPECT_EQ(field->Selection(), (TTextorIndexRange{{0, 0}, {0, 3}})) << "the restored text is selected";

    Undo.Clear();
    SetCaret(field, 0, 0);
    for (int i = 0; i < 3; ++i) {
        Delete(field);
        Time.Advance(100);
    }
    EXPECT_EQ(field->GetText(), QStringLiteral("def"));
    EXPECT_EQ(UndoSteps(), 3);
    Undo.Undo();
    EXPECT_EQ(field->GetText(), QStringLiteral("cdef"));
}

TEST_F(TextField, BackspacesAcrossAParagraphEndUndoInOrder)
{
    TTestTextField* field = FocusedField(multiLine, tboElements);
    field->SetText(QStringLiteral("ab\r\ncd"));
    SetCaret(field, 1, 1);
    for (int i = 0; i < 3; ++i)
        Backspace(field);
    EXPECT_EQ(field->GetText(), QStringLiteral("ad"));
    EXPECT_EQ(UndoSteps(), 1);
    Undo.Undo();
    EXPECT_EQ(field->GetText(), QStringLiteral("ab\r\ncd"));
}

TEST_F(TextField, UndoingAReplacementSelectsTheOldText)
{
    TTestTextField* field = FocusedField(multiLine, tboElements);
    field->SetText(QStringLiteral("one two three"));
    field->SetSelection({{0, 4}, {0, 7}});
    Type(field, QStringLiteral("2"));
    EXPECT_EQ(field->GetText(), QStringLiteral("one 2 three"));
    EXPECT_EQ(field->Selection(), (TTextorIndexRange{{0, 5}, {0, 5}}));
    Undo.Undo();
    EXPECT_EQ(field->GetText(), QStringLiteral("one two three"));
    EXPECT_EQ(field->Selection(), (TTextorIndexRange{{0, 4}, {0, 7}}));
}

TEST_F(TextField, InsertingABlockElementMidLinePutsItOnItsOwnLine)
{
    TTestTextField* field = FocusedField(multiLine, tboElements | tboElementsOnOwnLine);
    field->SetText(QStringLiteral("abcd"));
    const TTextorPosition middle = field->Textor()->FirstParagraph()->PositionAt(2);
    SetCaret(field, 0, 2);
    TElement* star = field->InsertNewElement(TElement_Star::StaticClass(), nullptr, &middle);
    ASSERT_NE(star, nullptr);
    EXPECT_EQ(field->Textor()->ParagraphCount(), 3);
    EXPECT_EQ(field->Textor()->FirstParagraph()->Next()->Length(), 1);
    EXPECT_EQ(field->Selection().End, (TTextorIndex{1, 1})) << "the caret ends the element's line";
    EXPECT_EQ(UndoSteps(), 1);
    Undo.Undo();
    EXPECT_EQ(field->GetText(), QStringLiteral("abcd"));
    EXPECT_TRUE(field->CollectAll<TElement_Star>().empty());
}

// A done insertion of elements from a file keeps no copy of them: undo saves them, redo brings them
// back with their IDs, and typing right after them still joins the same step.
TEST_F(TextField, InsertedElementsComeBackWithTheirIDsAndTypingAfterThemJoinsTheStep)
{
    TTestTextField* field = FocusedField(multiLine, tboElements);
    TKnot content(QStringLiteral("Content"));
    content.AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Value"), QStringLiteral("ab"));
    content.AddKnot(QStringLiteral("Star"));
    field->Replace(tetSelection, nullptr, false, 0, fmFile, &content);
    auto* edit = static_cast<TTextorEditOperation*>(Undo.UndoList()->LastChild());
    EXPECT_EQ(edit->Content(), nullptr);
    const auto stars = field->CollectAll<TElement_Star>();
    ASSERT_EQ(stars.size(), 1u);
    const int32_t id = stars.front()->ID();
    Type(field, QStringLiteral("c"));
    EXPECT_EQ(UndoSteps(), 1);

    Undo.Undo();
    EXPECT_EQ(field->GetText(), QString());
    EXPECT_TRUE(field->CollectAll<TElement_Star>().empty());
    Undo.Redo();
    EXPECT_EQ(field->GetText(), QStringLiteral("abc"));
    const auto back = field->CollectAll<TElement_Star>();
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back.front()->ID(), id);
}

// A range or point that cuts a surrogate pair takes the whole character, and undo gives back exactly
// the old text.
TEST_F(TextField, EditsThatCutASurrogatePairTakeTheWholeCharacter)
{
    struct TRow
    {
        const char* Name;
        TTextorIndexRange Range;
        QString Text;
        QString Edited;
    };
    const QString face = QString::fromUtf16(u"\U0001F600");
    const QString original = QStringLiteral("a") + face + QStringLiteral("bc");
    const TRow rows[] = {
        {"start inside the pair", {{0, 2}, {0, 4}}, QString(), QStringLiteral("ac")},
        {"end inside the pair", {{0, 0}, {0, 2}}, QString(), QStringLiteral("bc")},
        {"replacing from inside", {{0, 2}, {0, 3}}, QStringLiteral("X"), QStringLiteral("aXbc")},
        {"inserting inside", {{0, 2}, {0, 2}}, QStringLiteral("X"), QStringLiteral("aX") + face + "bc"},
    };
    TTestTextField* field = NewField(multiLine, tboElements);
    for (const TRow& row : rows) {
        field->SetText(original);
        TTextorRange range;
        ASSERT_TRUE(field->Textor()->FromIndex(row.Range, range)) << row.Name;
        field->ReplaceWithText(tetRange, &range, false, row.Text);
        EXPECT_EQ(field->GetText(), row.Edited) << row.Name;
        Undo.Undo();
        EXPECT_EQ(field->GetText(), original) << row.Name;
        Undo.Redo();
        EXPECT_EQ(field->GetText(), row.Edited) << row.Name;
        Undo.Clear();
        Time.Advance(1000);
    }
}

// Edits, undos and redos in random order end with the content that replaying only the edits that
// survive in the history gives.
TEST_F(TextField, RandomEditsUndosAndRedosMatchAReplay)
{
    struct TEdit
    {
        TTextorIndexRange Range;
        QString Text;
    };
    const QString initial = QStringLiteral("first line\r\n\tsecond\r\nthird");
    TTestTextField* field = FocusedField(multiLine, tboElements);
    field->SetText(initial);
    // The recorded edits of each history entry (merged edits share one).
    QList<QList<TEdit>> entries;
    QList<QList<TEdit>> undone;
    QRandomGenerator random(20261209);
    const QStringList pieces = {QStringLiteral("x"),    QStringLiteral("yz"),     QStringLiteral("\t"),
                                QStringLiteral("\r\n"), QStringLiteral("q\r\nr"), QString()};
    auto randomIndex = [&]() {
        TTextor* textor = field->Textor();
        const int paragraph = random.bounded(textor->ParagraphCount());
        TParagraph* p = textor->FirstParagraph();
        for (int i = 0; i < paragraph; ++i)
            p = p->Next();
        return TTextorIndex{paragraph, random.bounded(p->Length() + 1)};
    };
    int merges = 0;
    for (int step = 0; step < 400; ++step) {
        Time.Advance(random.bounded(2) == 0 ? 100 : 1000);
        const int action = random.bounded(10);
        if (action < 2 && Undo.CanUndo()) {
            ASSERT_TRUE(Undo.Undo());
            undone.prepend(entries.takeLast());
        } else if (action < 3 && Undo.CanRedo()) {
            ASSERT_TRUE(Undo.Redo());
            entries.append(undone.takeFirst());
        } else {
            TTextorIndex a = randomIndex();
            TTextorIndex b = random.bounded(3) == 0 ? randomIndex() : a;
            if (b < a)
                std::swap(a, b);
            // Typing and Backspace at the caret, so that some edits merge.
            if (random.bounded(2) == 0) {
                a = b = field->Selection().End;
                if (random.bounded(2) == 0 && a.Offset > 0)
                    --a.Offset;
            }
            TEdit edit{{a, b}, pieces[random.bounded(int(pieces.size()))]};
            TTextorRange range;
            ASSERT_TRUE(field->Textor()->FromIndex(edit.Range, range));
            TNode* lastBefore = Undo.UndoList()->LastChild();
            const int stepsBefore = UndoSteps();
            field->ReplaceWithText(tetRange, &range, false, edit.Text);
            if (UndoSteps() == stepsBefore && Undo.UndoList()->LastChild() == lastBefore &&
                lastBefore != nullptr) {
                entries.last().append(edit);
                ++merges;
            } else {
                entries.append({edit});
                undone.clear();
            }
        }
    }
    EXPECT_GT(merges, 0);
    EXPECT_EQ(UndoSteps(), entries.size());

    TTestTextField* replay = NewField(multiLine, tboElements);
    replay->SetText(initial);
    for (const QList<TEdit>& entry : entries) {
        for (const TEdit& edit : entry) {
            Time.Advance(10000);
            TTextorRange range;
            ASSERT_TRUE(replay->Textor()->FromIndex(edit.Range, range));
            replay->ReplaceWithText(tetRange, &range, false, edit.Text);
        }
    }
    EXPECT_EQ(ContentText(replay), ContentText(field));
    EXPECT_EQ(replay->GetText(), field->GetText());
}

TEST_F(TextField, DeferredCommitWaitsForTheFocusToGo)
{
    TTestTextField* field = FocusedField(multiLine, tboDeferredCommit);
    Type(field, QStringLiteral("a"));
    EXPECT_NE(field->VisualFlags() & vsWantsFocusLost, 0u);
    Sheet.SetFocusedElement(nullptr);
    EXPECT_EQ(field->VisualFlags() & vsWantsFocusLost, 0u);
    EXPECT_TRUE((field->State() & esFilled) != 0);
}

TEST_F(TextField, FindTextSelectsMatchesInBothDirections)
{
    TTestTextField* field = FocusedField(multiLine, tboElements);
    field->SetText(QStringLiteral("Abc x\r\nyabc"));
    SetCaret(field, 0, 0);
    TFindData find(Root, QStringLiteral("abc"), false);
    int position = 0;
    TVisualElement* next = nullptr;
    ASSERT_TRUE(field->FindText(2, find, position, next, true));
    EXPECT_EQ(field->Selection(), (TTextorIndexRange{{0, 0}, {0, 3}}));
    // The selection counts as a match: the search goes on after it, into the next paragraph.
    ASSERT_TRUE(field->FindText(1, find, position, next, true));
    EXPECT_EQ(field->Selection(), (TTextorIndexRange{{1, 1}, {1, 4}}));
    ASSERT_TRUE(field->FindText(1, find, position, next, false));
    EXPECT_EQ(field->Selection(), (TTextorIndexRange{{0, 0}, {0, 3}}));
    find.SetMatchCase(true);
    EXPECT_FALSE(field->FindText(1, find, position, next, false));
}

// --- Validation ------------------------------------------------------------------------------------

TEST_F(TextField, ValidationReportsEachProblemOnceInOrder)
{
    struct TRow
    {
        const char* Name;
        uint32_t Options;
        QString Text;
        QList<int> Messages;
        QString Value = QString(); // %1 of 2395 to 2398
    };
    const uint32_t letters = tcoLetters | tcoDigits;
    const TRow rows[] = {
        {"space in a single-line field", letters, QStringLiteral("a b c"), {2399}},
        {"pasted line break", letters, QStringLiteral("a\r\nb"), {2393}},
        {"letters and digits", letters, QStringLiteral("a1"), {}},
        {"underscore first", letters | tcoUnderscore | tcoBeginWithLetter, QStringLiteral("_x"), {}},
        {"letter first", letters | tcoUnderscore | tcoBeginWithLetter, QStringLiteral("x1"), {}},
        {"digit first", letters | tcoUnderscore | tcoBeginWithLetter, QStringLiteral("1x"), {2387}},
        {"leading space",
         tcoLetters | tcoSpaces | tcoNoLeadingSpace | tcoNoTrailingSpace,
         QStringLiteral(" x "),
         {2400}},
        {"trailing space",
         tcoLetters | tcoSpaces | tcoNoLeadingSpace | tcoNoTrailingSpace,
         QStringLiteral("x "),
         {2401}},
        {"no text at all", tcoParagraphs, QStringLiteral("x1"), {2384}},
        {"Latin only", tcoLetters | tcoLatinOnly, QStringLiteral("ab\u00E9"), {2389}},
        {"letters before Latin", tcoDigits | tcoLatinOnly, QStringLiteral("\u00E9"), {2388}},
        {"scan order",
         0x100 | tcoSpecial,
         QStringLiteral("\tA1_ :"),
         {2388, 2390, 2391, 2399, 2392, 2395},
         QStringLiteral(":")},
        {"path characters",
         tcoLetters | tcoSpecial | tcoPathChars,
         QStringLiteral("a/b:c|d"),
         {2396},
         QStringLiteral("|")},
        {"special characters", tcoLetters, QStringLiteral("a-b"), {2394}},
        {"float with a comma",
         tcoDigits | tcoSpecial | tcoFloat,
         QStringLiteral("1,5"),
         {2397},
         QStringLiteral("1,5")},
        {"float", tcoDigits | tcoSpecial | tcoFloat, QStringLiteral("1.5"), {}},
        {"percent", tcoDigits | tcoSpecial | tcoFloat | tcoPercent, QStringLiteral("50%"), {}},
        {"integer overflow",
         tcoDigits | tcoInteger,
         QStringLiteral("2147483648"),
         {2398},
         QStringLiteral("2147483648")},
        {"integer", tcoDigits | tcoSpecial | tcoInteger, QStringLiteral("-12"), {}},
        {"anything", tcoAnything, QStringLiteral("\t\r\n-+"), {}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TTestTextField* field = NewField(row.Options, 0);
        field->SetText(row.Text);
        field->Check();
        QStringList expected;
        for (int id : row.Messages) {
            switch (id) {
            case 2395:
            case 2396:
            case 2397:
            case 2398:
                expected.append(LoadStr(id, {row.Value}).remove(u'[').remove(u']'));
                break;
            default:
                expected.append(LoadStr(id).remove(u'[').remove(u']'));
            }
        }
        EXPECT_EQ(MessageTexts(field), expected);
        field->Free();
    }
}

TEST_F(TextField, ElementCountsAreChecked)
{
    TTestTextField* field = NewField(multiLine | tcoElementRequired | tcoSingleElement, tboElements);
    field->SetText(QStringLiteral("a"));
    field->Check();
    EXPECT_EQ(MessageTexts(field), QStringList{LoadStr(2402).remove(u'[').remove(u']')});
    for (int i = 0; i < 2; ++i)
        field->InsertNewElement(TElement_Star::StaticClass(), nullptr, nullptr);
    field->Check();
    EXPECT_EQ(MessageTexts(field), QStringList{LoadStr(2403).remove(u'[').remove(u']')});
}

TEST_F(TextField, NumbersParseWithAPointWhateverTheLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    struct TRow
    {
        const char* Text;
        bool Ok;
        double Value;
    };
    const TRow rows[] = {
        {"1.5", true, 1.5},  {"-2e3", true, -2000}, {"+.25", true, 0.25}, {"7.", true, 7},
        {"1,5", false, 0},   {"inf", false, 0},     {"nan", false, 0},    {"0x10", false, 0},
        {"1e999", false, 0}, {" 1", false, 0},      {"", false, 0},       {"1.2.3", false, 0},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Text);
        double value = 0;
        EXPECT_EQ(TTextorElement::TryGetFloat(QString::fromLatin1(row.Text), value), row.Ok);
        if (row.Ok) {
            EXPECT_DOUBLE_EQ(value, row.Value);
        }
    }
    int32_t integer = 0;
    EXPECT_TRUE(TTextorElement::TryGetInteger(QStringLiteral("-2147483648"), integer));
    EXPECT_EQ(integer, INT32_MIN);
    EXPECT_FALSE(TTextorElement::TryGetInteger(QStringLiteral("0x1F"), integer));
    EXPECT_FALSE(TTextorElement::TryGetInteger(QStringLiteral("1 "), integer));
    TTestTextField* field = NewField(tcoDigits | tcoSpecial | tcoFloat | tcoPercent, 0);
    field->SetText(QStringLiteral("50%"));
    EXPECT_DOUBLE_EQ(field->GetFloat(), 50.0);
    QLocale::setDefault(previous);
}

// --- Options ---------------------------------------------------------------------------------------

TEST_F(TextField, SplittingContentAgainKeepsCharacterAttributes)
{
    TTestTextField* field = NewField(tcoLetters | tcoSpecial, tboElements);
    TRichTextAttributes scratch;
    scratch.SetData(QStringLiteral("kept"));
    TAttributesRef<TTextAttributes> kept = Intern<TTextAttributes>(scratch);
    field->Textor()->InsertText(field->Textor()->LastPosition(), u"a\r\nb", kept.get());
    EXPECT_EQ(field->Textor()->ParagraphCount(), 1);
    field->SetContentOptions(field->ContentOptions() | tcoParagraphs);
    ASSERT_EQ(field->Textor()->ParagraphCount(), 2);
    for (TParagraph* p = field->Textor()->FirstParagraph(); p != nullptr; p = p->Next())
        EXPECT_EQ(p->FirstPortion()->Attributes(), kept.get());
}

TEST_F(TextField, InheritingFieldsTakeTheEnclosingFieldsOptions)
{
    TTestTextField* outer =
        NewField(tcoLetters | tcoDigits, tboElements | tboFixedFont | tboLinks | tboWrap480);
    auto* inner = new TTestTextField(&Scheme);
    inner->SetBehaviourOptions(tboInheritOptions | tboMinWidth30);
    inner->SetParent(outer);
    EXPECT_EQ(inner->ContentOptions(), uint32_t(tcoLetters | tcoDigits));
    EXPECT_EQ(inner->BehaviourOptions(),
              uint32_t(tboInheritOptions | tboMinWidth30 | tboFixedFont | tboLinks));
    // An in-place field leaves the query messages to its enclosing field.
    auto* inPlace = new TTestTextField(&Scheme);
    inPlace->SetBehaviourOptions(tboInPlace);
    inPlace->SetParent(outer);
    outer->SetText(QStringLiteral("x"));
    int answered = -1;
    EXPECT_TRUE(inPlace->HandleMessage(tmFirstLineHeightQuery, nullptr, &answered));
    EXPECT_FALSE(inPlace->HandleMessage(tmFileFilters, nullptr, nullptr));
    // Outside a text field the inherited bits go and anything is allowed.
    auto* loose = new TTestTextField(&Scheme);
    loose->SetBehaviourOptions(tboInPlace | tboFixedFont);
    loose->SetParent(Root);
    EXPECT_EQ(loose->ContentOptions(), uint32_t(tcoAnything));
    EXPECT_EQ(loose->BehaviourOptions(), uint32_t(tboInPlace));
}

// --- Links and layout ------------------------------------------------------------------------------

TEST_F(TextField, UrlWordsBecomeLinksWhenLaidOut)
{
    TTestTextField* field = FocusedField(multiLine, tboLinks);
    field->SetText(QStringLiteral("see http://example.org/a?b now\r\nhttp:// HTTP://a"));
    QStringList links;
    for (TParagraph* p = field->Textor()->FirstParagraph(); p != nullptr; p = p->Next()) {
        for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
            if (portion->Attributes() != nullptr && portion->Attributes()->IsLink())
                links.append(portion->Attributes()->LinkTarget());
        }
    }
    EXPECT_EQ(links, (QStringList{QStringLiteral("http://example.org/a?b"), QStringLiteral("HTTP://a")}));
    EXPECT_GT(field->FirstLineHeight(), 0);
    int answered = 0;
    field->SendMessage(tmFirstLineHeightQuery, nullptr, &answered);
    EXPECT_EQ(answered, field->FirstLineHeight());

    TFakeClipboard clipboard;
    TFakeUrlOpener opener;
    TScopedDesktop desktop(&clipboard, &opener);
    TPortion* link = field->Textor()->FirstParagraph()->FirstPortion()->Next();
    field->LinkClicked(link);
    ASSERT_EQ(opener.Opened.size(), 1);
    EXPECT_EQ(opener.Opened[0].toString(), QStringLiteral("http://example.org/a?b"));
    EXPECT_EQ(TTextorElement::LinkUrl(QStringLiteral("file://x\" ; rm -rf")), QString());
    EXPECT_EQ(TTextorElement::LinkUrl(QStringLiteral("ftp:\\\\host\\dir")), QStringLiteral("ftp://host/dir"));
}

// The fixed wrap widths are for a 96 dpi screen at the normal font size: they grow with both, as the
// text does, and stop at what the parent offers, so that a field never reaches past a narrow window.
TEST_F(TextField, FixedWrapWidthsFollowTheScaleAndStopAtTheOffer)
{
    struct Row
    {
        const char* Name;
        uint32_t Wrap;
        int Dpi;
        int FontSize;
        int PageWidth;
        int Expected; // -1: what the parent offers
    };
    const Row rows[] = {
        {"720 at 96 dpi", tboWrap720, 96, sfsNormal, 3000, 720},
        {"720 on a screen of twice the resolution", tboWrap720, 192, sfsNormal, 3000, 1440},
        {"480 at the great font size", tboWrap480, 96, sfsGreat, 3000, 864},
        {"720 in a narrow window", tboWrap720, 96, sfsNormal, 400, -1},
    };
    TSheetSettings settings;
    SetTextorSheetSettings(&settings);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        Context->Dpi = row.Dpi;
        settings.FontSize().SetValue(row.FontSize);
        Sheet.Page = QSize(row.PageWidth, 600);
        TTestTextField* field = FocusedField(multiLine, row.Wrap);
        field->SetText(QStringLiteral("word ").repeated(400));
        int minimum = 0;
        int wrap = 0;
        int height = 0;
        field->GetSizeLimits(minimum, wrap, height);
        const int offer = field->OfferedByParent().width();
        EXPECT_EQ(wrap, row.Expected < 0 ? offer : row.Expected);
        EXPECT_LE(field->Width(), std::min(wrap, offer));
        field->Free();
    }
    SetTextorSheetSettings(nullptr);
}

TEST_F(TextField, PaintsItsFrameAndTextInsideThePadding)
{
    TSheetSettings settings;
    SetTextorSheetSettings(&settings);
    TTestTextField* field = FocusedField(tcoLetters, tboFieldFrame);
    field->SetText(QStringLiteral("ab"));
    const QMargins padding = settings.SheetTheme().Element(steField).Padding;
    EXPECT_EQ(field->GetPadding(), padding);
    EXPECT_EQ(field->Height(), field->Textor()->ContentHeight() + padding.top() + padding.bottom());
    TSheetCanvas canvas(&settings);
    canvas.BeginPaint(QRect(0, 0, field->Width(), field->Height()));
    const QRgb window = canvas.Bitmap().pixel(0, 0);
    field->Paint(&canvas);
    const QImage image = canvas.EndPaint();
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            inked += image.pixel(x, y) != window ? 1 : 0;
    }
    EXPECT_GT(inked, 0);
    field->Free();
    SetTextorSheetSettings(nullptr);
}

// Embedded elements are painted with their rows, once, in the field's coordinates.
TEST_F(TextField, EmbeddedElementsArePaintedOnceWithTheirLine)
{
    TTestTextField* field = FocusedField(multiLine, tboElements);
    field->SetText(QStringLiteral("ab"));
    auto* star =
        static_cast<TElement_Star*>(field->InsertNewElement(TElement_Star::StaticClass(), nullptr, nullptr));
    ASSERT_NE(star, nullptr);
    star->SetBounds(star->Left(), star->Top(), 3, 12, 12);
    ASSERT_GT(star->Width(), 0);
    ASSERT_NE(star->Portion(), nullptr);

    TSheetCanvas canvas;
    canvas.BeginPaint(QRect(0, 0, field->Width() + 50, field->Height() + 50));
    field->PaintTree(&canvas, 0);
    canvas.EndPaint();
    EXPECT_EQ(star->Paints, 1);

    // Off the rows' rectangle nothing is painted.
    canvas.BeginPaint(QRect(0, field->Height() + 10, 10, 10));
    field->PaintTree(&canvas, 0);
    canvas.EndPaint();
    EXPECT_EQ(star->Paints, 1);

    // A child outside the text is painted by the field itself, before and after the embedded one goes.
    auto* loose = new TElement_Star(field->Scheme());
    loose->SetVisualParent(field);
    loose->SetBounds(0, 0, 3, 12, 12);
    for (int pass = 1; pass <= 2; ++pass) {
        canvas.BeginPaint(QRect(0, 0, field->Width() + 50, field->Height() + 50));
        field->PaintTree(&canvas, 0);
        canvas.EndPaint();
        EXPECT_EQ(loose->Paints, pass);
        field->SetText(QString()); // frees the embedded star
    }
    loose->Free();
}

// --- Clipboard -------------------------------------------------------------------------------------

TEST_F(TextField, CopyGivesOtherProgramsTheTextAndKeepsTheContentBesideIt)
{
    TFakeClipboard clipboard;
    TFakeUrlOpener opener;
    TScopedDesktop desktop(&clipboard, &opener);
    const QString format = QString::fromUtf16(textorClipboardFormat);
    TTestTextField* field = FocusedField(multiLine, tboElements);
    field->SetText(QStringLiteral("a<b\r\nc&d"));
    field->InsertNewElement(TElement_Star::StaticClass(), nullptr, nullptr);
    field->SetSelection({{0, 1}, {1, 4}});
    field->Copy();
    // What the user sees, never the markup.
    EXPECT_EQ(clipboard.Text(), QStringLiteral("<b\r\nc&d"));
    const QString xml = QString::fromUtf8(clipboard.Data(format));
    QXmlStreamReader reader(xml);
    QStringList names;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement)
            names.append(reader.name().toString());
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString() << "\n" << xml.toStdString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("ZivorEredadContent"), QStringLiteral("Chars"),
                                  QStringLiteral("Br"), QStringLiteral("Chars"), QStringLiteral("Star")}));

    struct TRow
    {
        const char* Name;
        bool Text;         // a text flavour beside the content
        bool MarkupAsText; // no content flavour: the markup as the text
    };
    // The content wins over the text beside it; markup copied as text by earlier versions still
    // brings the element.
    const TRow rows[] = {
        {"both flavours", true, false},
        {"content only", false, false},
        {"markup as text", false, true},
    };
    for (const TRow& row : rows) {
        field->SetSelection({{0, 1}, {1, 4}});
        field->Copy();
        const QByteArray markup = clipboard.Data(format);
        if (row.MarkupAsText)
            clipboard.SetText(QString::fromUtf8(markup));
        else if (!row.Text)
            clipboard.SetData(format, markup);
        else
            clipboard.SetTextAndData(QStringLiteral("other"), format, markup);
        TTestTextField* target = FocusedField(multiLine, tboElements);
        EXPECT_TRUE(target->Paste()) << row.Name;
        EXPECT_EQ(target->GetText(), QStringLiteral("<b\r\nc&d")) << row.Name;
        EXPECT_EQ(target->CollectAll<TElement_Star>().size(), 1u) << row.Name;
    }
}

TEST_F(TextField, PastingTextThatIsNoContentPastesItAsText)
{
    TFakeClipboard clipboard;
    TFakeUrlOpener opener;
    TScopedDesktop desktop(&clipboard, &opener);
    clipboard.SetText(QStringLiteral("12\r\nab"));
    TTestTextField* field = FocusedField(tcoDigits, 0);
    EXPECT_TRUE(field->Paste());
    EXPECT_EQ(field->GetText(), QStringLiteral("12\r\nab"));
    field->Check();
    EXPECT_EQ(MessageTexts(field), (QStringList{LoadStr(2388).remove(u'[').remove(u']'),
                                                LoadStr(2393).remove(u'[').remove(u']')}));
}

TEST_F(TextField, PastedAndTypedControlCharactersNeverReachTheFile)
{
    TFakeClipboard clipboard;
    TFakeUrlOpener opener;
    TScopedDesktop desktop(&clipboard, &opener);
    struct TRow
    {
        const char* Name;
        uint32_t Content;
        uint32_t Behaviour;
        QString Expected;
    };
    // What a file cannot hold becomes U+FFFD where special characters are allowed and is left out
    // elsewhere; tabs and line breaks stay.
    const TRow rows[] = {
        {"special characters allowed", multiLine, tboElements,
         QStringLiteral("a\uFFFDb\tc\r\nd\uFFFD\uFFFD")},
        {"letters only", tcoLetters | tcoParagraphs, 0, QStringLiteral("ab\tc\r\nd")},
    };
    for (const TRow& row : rows) {
        TTestTextField* field = FocusedField(row.Content, row.Behaviour);
        clipboard.SetText(QStringLiteral("a\u0001b\tc\r\nd\uFFFF"));
        EXPECT_TRUE(field->Paste()) << row.Name;
        Type(field, QString(QChar(0x1B)));
        EXPECT_EQ(field->GetText(), row.Expected) << row.Name;
        const QString saved = ContentText(field);
        QXmlStreamReader reader(saved);
        while (!reader.atEnd())
            reader.readNext();
        EXPECT_FALSE(reader.hasError()) << row.Name << ": " << saved.toStdString();
    }
}

} // namespace
} // namespace qv
