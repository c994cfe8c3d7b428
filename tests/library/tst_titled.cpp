// Titled, described and collapsible elements: title layout, expand buttons with undo, storage of the
// parts, descriptions, drop-down lists and the palette items for collapsing.

#include "core/knot.h"
#include "core/undo_redo.h"
#include "core/update_guard.h"
#include "elements/classes_groups.h"
#include "elements/drop_down_list.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "elements/sounds_settings.h"
#include "library/custom_titled_element.h"
#include "library/expand_button.h"
#include "textor/qt_colors.h"
#include "textor/rich_text_attributes.h"
#include "textor/sheet_canvas.h"
#include "textor/sheet_settings.h"

#include "support/fake_user_interface.h"
#include "support/printers.h"
#include "support/sound_recorder.h"
#include "support/test_elements.h"
#include "support/textor_fakes.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {

// A child of fixed size and margins for title layouts; answers the first-line query when asked to.
class TTitleTestBox : public TVisualElement
{
    QV_CLASS(TTitleTestBox, TVisualElement)

    explicit TTitleTestBox(TScheme* scheme) : TVisualElement(scheme) {}

    QMargins Margins;
    int FirstLine = 0;
    QMargins GetMargins() override { return Margins; }
    bool HandleMessage(int msg, void* param, void* data) override
    {
        if (msg == 10 && FirstLine > 0) {
            *static_cast<int*>(data) = FirstLine;
            return true;
        }
        return inherited::HandleMessage(msg, param, data);
    }
};
QV_IMPLEMENT_CLASS(TTitleTestBox)

// A titled element whose title, padding and minimum size the test writes.
class TTitleTestElement : public TCustomTitledElement
{
    QV_CLASS(TTitleTestElement, TCustomTitledElement)

    explicit TTitleTestElement(TScheme* scheme) : TCustomTitledElement(scheme) {}

    struct TStep
    {
        uint8_t Kind;
        QString Text;
        TVisualElement* Element = nullptr;
        int Value = 0;
        uint8_t Align = tiaTop;
        bool EndRow = false;
    };
    std::vector<TStep> Steps;
    QMargins Padding;
    QSize MinSize;
    TVisualElement* Content = nullptr;
    int Builds = 0;

    void BuildTitle(TTitleWriter& writer) override
    {
        ++Builds;
        for (const TStep& step : Steps) {
            switch (step.Kind) {
            case tikText:
                writer.AddText(step.Text);
                break;
            case tikContent:
                writer.AddContent(step.Element);
                break;
            case tikElement:
                writer.AddElement(step.Element, step.Align);
                break;
            case tikGap:
                writer.AddGap(step.Value);
                break;
            default:
                break;
            }
            if (step.EndRow)
                writer.EndRow();
        }
    }
    TVisualElement* ContentContainer() override { return Content; }
    QMargins GetPadding() override { return Padding; }
    void GetMinSize(int& width, int& height) override
    {
        width = MinSize.width();
        height = MinSize.height();
    }
};
QV_IMPLEMENT_CLASS(TTitleTestElement)

// A titled element as the document types build them: expand button, a caption and a content field
// that the title leaves out while collapsed; with a description.
class TElement_Chapter : public TTitledElementWithContent
{
    QV_CLASS(TElement_Chapter, TTitledElementWithContent)

    explicit TElement_Chapter(TScheme* scheme) : TTitledElementWithContent(scheme)
    {
        CreateExpandButton(true);
        CreateDescription();
    }

    void BuildTitle(TTitleWriter& writer) override
    {
        inherited::BuildTitle(writer);
        writer.AddText(QStringLiteral("Chapter"));
        writer.EndRow();
        if (IsExpanded())
            writer.AddContent(ContentContainer());
    }
};
QV_IMPLEMENT_CLASS(TElement_Chapter)

// A text field offering a fixed list of values.
class TChoiceField : public TTextorElement
{
    QV_CLASS(TChoiceField, TTextorElement)

    explicit TChoiceField(TScheme* scheme) : TTextorElement(scheme)
    {
        SetContentOptions(tcoAnything);
        SetVisualOptions(VisualOptions() | voHasDropDown);
    }

    QStringList Values;
    bool Fail = false;

    TDropDownItem* FillDropDown(TDropDownItem* root) override
    {
        if (Fail)
            throw std::runtime_error("no values");
        for (const QString& value : Values)
            TDropDownItem::AddItem(root, nullptr, -1, QString(), 0, value);
        return inherited::FillDropDown(root);
    }
};
QV_IMPLEMENT_CLASS(TChoiceField)

namespace {

using test::TTestRoot;

class Titled : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        Scheme.SetUndoRedo(&Undo);
        Sheet.SetPageSize(QSize(800, 600));
        Root->SetVisualParent(Sheet.TopElement());
        Root->SetBounds(0, 0, 3, 600, 800);
    }
    void TearDown() override
    {
        Undo.Clear();
        if (Root->VisualParent() != nullptr)
            Root->SetVisualParent(nullptr);
        TTextorFixture::TearDown();
    }

    TTitleTestBox* Box(TVisualElement* parent, int width, int height, QMargins margins = QMargins())
    {
        auto* box = new TTitleTestBox(&Scheme);
        box->SetParent(parent);
        box->Margins = margins;
        box->SetBounds(0, 0, 0, height, width);
        box->SetVisualParent(parent);
        return box;
    }
    TTitleTestElement* Title(QMargins padding)
    {
        auto* element = new TTitleTestElement(&Scheme);
        element->Padding = padding;
        element->SetParent(Root);
        return element;
    }
    // Places the element on the sheet, which lays its title out.
    void Show(TVisualElement* element) { element->SetVisualParent(Root); }
    TElement_Chapter* Chapter()
    {
        auto* chapter = new TElement_Chapter(&Scheme);
        chapter->SetParent(Root);
        chapter->SetVisualParent(Root);
        return chapter;
    }
    static TExpandButton* ButtonOf(TElement_Chapter* chapter) { return chapter->ExpandButton(); }

    TSheetSettings Settings;
    TScheme Scheme{TTestRoot::StaticClass()};
    TUndoRedo Undo;
    TSheet Sheet{&Settings};
    TTestRoot* Root = static_cast<TTestRoot*>(Scheme.Root());
};

// --- Title layout ----------------------------------------------------------------------------------------

TEST_F(Titled, TextOnlyTitleIsTheTextPlusPaddingAndDescendsByTheDefaultText)
{
    TTitleTestElement* element = Title(QMargins(4, 5, 6, 7));
    element->Steps = {{tikText, QStringLiteral("abc")}};
    Show(element);
    const QMargins inset = Sheet.Canvas()->Theme().ElementInset();
    // Fixed metrics: 10 pixels a character, digit height 13.
    EXPECT_EQ(element->Width(), std::max(4, inset.left()) + 30 + std::max(inset.right(), 6));
    EXPECT_EQ(element->Height(), std::max(5, inset.top()) + 13 + std::max(inset.bottom(), 7));
    EXPECT_EQ(element->Descent(), TRichTextAttributes::Default()->Descent() + 7);
}

struct TPlacementRow
{
    const char* Name;
    QMargins FirstMargins;
    QMargins SecondMargins;
    QRect First;
    QRect Second;
    QSize Size;
};

class TitlePlacement : public Titled, public ::testing::WithParamInterface<TPlacementRow>
{
};

TEST_P(TitlePlacement, AdjacentMarginsCollapse)
{
    const TPlacementRow& row = GetParam();
    TTitleTestElement* element = Title(QMargins(2, 2, 2, 2));
    TTitleTestBox* a = Box(element, 20, 10, row.FirstMargins);
    TTitleTestBox* b = Box(element, 30, 10, row.SecondMargins);
    element->Steps = {{tikElement, {}, a}, {tikElement, {}, b}};
    Show(element);
    EXPECT_EQ(a->BoundsRect(), row.First);
    EXPECT_EQ(b->BoundsRect(), row.Second);
    EXPECT_EQ(QSize(element->Width(), element->Height()), row.Size);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TitlePlacement,
    ::testing::Values(
        TPlacementRow{"positive margins take the larger", QMargins(0, 0, 4, 0), QMargins(6, 0, 0, 0),
                      QRect(2, 2, 20, 10), QRect(28, 2, 30, 10), QSize(60, 14)},
        TPlacementRow{"a negative margin reaches back to the neighbour", QMargins(0, 0, 4, 0),
                      QMargins(-6, 0, 0, 0), QRect(2, 2, 20, 10), QRect(22, 2, 30, 10), QSize(54, 14)},
        TPlacementRow{"margins larger than the padding push the edges", QMargins(5, 3, 0, 0),
                      QMargins(0, 0, 8, 4), QRect(5, 3, 20, 10), QRect(25, 3, 30, 10), QSize(63, 17)}),
    [](const auto& info) {
        std::string name = info.param.Name;
        for (char& c : name)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST_F(Titled, CentredElementSitsOnTheFirstLineOfAMultiLineContent)
{
    TTitleTestElement* element = Title(QMargins());
    TTitleTestBox* content = Box(element, 50, 39);
    content->FirstLine = 13;
    TTitleTestBox* mark = Box(element, 8, 7);
    element->Steps = {{tikElement, {}, mark, 0, tiaCentre}, {tikElement, {}, content}};
    Show(element);
    EXPECT_EQ(mark->BoundsRect(), QRect(0, 3, 8, 7)) << "centred on 13, not on 39";
    EXPECT_EQ(content->BoundsRect(), QRect(8, 0, 50, 39));
    EXPECT_EQ(QSize(element->Width(), element->Height()), QSize(58, 39));
}

TEST_F(Titled, RowsStackAndTheMinimumHeightGoesToTheContentContainer)
{
    TTitleTestElement* element = Title(QMargins(1, 1, 1, 1));
    TTitleTestBox* head = Box(element, 40, 10, QMargins(0, 0, 0, 3));
    TTitleTestBox* content = Box(element, 60, 20, QMargins(2, 2, 2, 2));
    element->Content = content;
    element->MinSize = QSize(10, 100);
    element->Steps = {{tikElement, {}, head, 0, tiaTop, true}, {tikContent, {}, content}};
    Show(element);
    EXPECT_EQ(head->BoundsRect(), QRect(1, 1, 40, 10));
    // Row two starts after collapse(3, 2); the content is stretched to the width less
    // collapse(2, padding 1) = 62 and grows by 100 minus the natural height (1 + 10 + 3 + 20 + 2).
    EXPECT_EQ(content->BoundsRect(), QRect(2, 14, 60, 20 + 64));
    EXPECT_EQ(QSize(element->Width(), element->Height()), QSize(64, 100));
}

TEST_F(Titled, ChildrenLeftOutOfTheTitleAreHidden)
{
    TTitleTestElement* element = Title(QMargins());
    TTitleTestBox* kept = Box(element, 10, 10);
    TTitleTestBox* dropped = Box(element, 10, 10);
    element->Steps = {{tikElement, {}, kept}};
    Show(element);
    EXPECT_TRUE(kept->IsShown());
    EXPECT_FALSE(dropped->IsShown());
    element->Steps.push_back({tikGap, {}, nullptr, 7});
    element->Steps.push_back({tikElement, {}, dropped});
    element->LayoutTitle();
    EXPECT_TRUE(dropped->IsShown());
    EXPECT_EQ(dropped->Left(), 17);
}

// --- Expand buttons --------------------------------------------------------------------------------------

TEST_F(Titled, CollapsingHidesTheContentAndUndoRestoresItWithoutModifying)
{
    TElement_Chapter* chapter = Chapter();
    TExpandButton* button = ButtonOf(chapter);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(chapter->IsExpanded());
    EXPECT_TRUE(chapter->Container()->IsShown());
    const int expandedHeight = chapter->Height();
    TSoundRecorder sounds;

    button->Press();
    EXPECT_FALSE(chapter->IsExpanded());
    EXPECT_FALSE(chapter->Container()->IsShown());
    EXPECT_LT(chapter->Height(), expandedHeight);
    EXPECT_EQ(sounds.Played, QStringList{QStringLiteral("diExpandButtonCollapseSound")});

    ASSERT_TRUE(Undo.Undo());
    EXPECT_TRUE(chapter->IsExpanded());
    EXPECT_TRUE(chapter->Container()->IsShown());
    EXPECT_EQ(chapter->Height(), expandedHeight);
    ASSERT_TRUE(Undo.Redo());
    EXPECT_FALSE(chapter->IsExpanded());
    EXPECT_FALSE(Undo.Modified()) << "collapsing does not change the document";
}

TEST_F(Titled, ShowingAChildExpandsEveryCollapsedElementAroundIt)
{
    TElement_Chapter* outer = Chapter();
    auto* inner = new TElement_Chapter(&Scheme);
    inner->SetParent(outer->Container());
    inner->SetVisualParent(outer->Container());
    ButtonOf(inner)->SetExpanded(false);
    ButtonOf(outer)->SetExpanded(false);
    ASSERT_FALSE(inner->Container()->IsShown());
    inner->Container()->EnsureShown();
    EXPECT_TRUE(outer->IsExpanded());
    EXPECT_TRUE(inner->IsExpanded());
    EXPECT_TRUE(inner->Container()->IsShown());
}

TEST_F(Titled, ButtonIsNotDefaultOnceItsContentHoldsData)
{
    TElement_Chapter* chapter = Chapter();
    TExpandButton* button = ButtonOf(chapter);
    EXPECT_TRUE(button->IsDefault());
    static_cast<TTextorElement*>(chapter->Container())->SetText(QStringLiteral("text"));
    EXPECT_FALSE(button->IsDefault());
    EXPECT_NE(button->State() & esNotDefault, 0) << "the button draws its Data look";
}

// --- Storage -----------------------------------------------------------------------------------------------

struct TStorageRow
{
    const char* Name;
    bool Collapse;
    QString Description;
    bool ExpandedWritten;
    bool DescriptionWritten;
};

class TitledStorage : public Titled, public ::testing::WithParamInterface<TStorageRow>
{
};

TEST_P(TitledStorage, RoundTripWritesOnlyWhatDiffersFromTheDefaults)
{
    const TStorageRow& row = GetParam();
    TElement_Chapter* chapter = Chapter();
    if (row.Collapse)
        ButtonOf(chapter)->SetExpanded(false);
    chapter->SetDescription(row.Description);
    TKnot knot(QStringLiteral("Chapter"));
    chapter->SaveTo(&knot, fmFile, ffFileSave);
    EXPECT_EQ(knot.FindParam(QStringLiteral("Expanded")) != nullptr, row.ExpandedWritten)
        << knot.SaveToText().toStdString();
    if (row.ExpandedWritten) {
        EXPECT_EQ(knot.ReadString(QStringLiteral("Expanded")), QStringLiteral("0"));
    }
    EXPECT_EQ(knot.FindKnot(QStringLiteral("Description")) != nullptr, row.DescriptionWritten)
        << knot.SaveToText().toStdString();

    auto* copy = new TElement_Chapter(&Scheme);
    copy->SetParent(Root);
    copy->LoadFrom(&knot, fmFile, 0);
    EXPECT_EQ(copy->IsExpanded(), !row.Collapse);
    EXPECT_EQ(copy->DescriptionText(), row.Description);
}

INSTANTIATE_TEST_SUITE_P(Rows, TitledStorage,
                         ::testing::Values(TStorageRow{"default", false, QString(), false, false},
                                           TStorageRow{"collapsed", true, QString(), true, false},
                                           TStorageRow{"described", false, QStringLiteral("note"), false,
                                                       true}),
                         [](const auto& info) { return std::string(info.param.Name); });

// --- Descriptions ------------------------------------------------------------------------------------------

TEST_F(Titled, DescriptionAppearsBesideItsOwnerWhileFilled)
{
    TElement_Chapter* chapter = Chapter();
    chapter->SetBounds(30, 40, chapter->Descent(), chapter->Height(), chapter->Width());
    TDescriptionField* description = chapter->Description();
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(description->VisualParent(), Sheet.TopElement());
    EXPECT_FALSE(description->IsShown()) << "empty";

    chapter->SetDescription(QStringLiteral("why"));
    EXPECT_TRUE(description->IsShown());
    const QMargins m = description->GetMargins();
    const QPoint origin = chapter->SheetOrigin();
    EXPECT_EQ(description->Left(), origin.x() + chapter->Width() + m.left());
    EXPECT_EQ(description->Top(), std::max(0, origin.y() + m.top()));

    chapter->SetDescription(QString());
    EXPECT_FALSE(description->IsShown());
}

TEST_F(Titled, NavigationReachesTheDescriptionFirst)
{
    TElement_Chapter* chapter = Chapter();
    TDescriptionField* description = chapter->Description();
    TVisualElement* first = chapter->FirstVisualChild();
    EXPECT_EQ(chapter->NextVisualChild(nullptr, true), description);
    EXPECT_EQ(chapter->NextVisualChild(description, true), first);
    EXPECT_EQ(chapter->NextVisualChild(first, false), description);
    EXPECT_EQ(chapter->NextVisualChild(description, false), nullptr);
    EXPECT_EQ(description->GetNavigationParent(), chapter);
}

TEST_F(Titled, DescriptionLeavesTheSheetWithItsOwner)
{
    TElement_Chapter* chapter = Chapter();
    chapter->SetDescription(QStringLiteral("why"));
    chapter->SetVisualParent(nullptr);
    EXPECT_EQ(chapter->Description()->VisualParent(), nullptr);
    EXPECT_EQ(chapter->Description()->Sheet(), nullptr);
}

// --- Drop-down lists ---------------------------------------------------------------------------------------

struct TMatchRow
{
    const char* Name;
    QStringList Values;
    QString Text;
    bool CaseSensitiveOnly;
    QString Expected; // empty: nothing matches
};

class DropDownMatch : public ::testing::TestWithParam<TMatchRow>
{
};

TEST_P(DropDownMatch, FindsTheCurrentItem)
{
    const TMatchRow& row = GetParam();
    TNodePtr<TDropDownItem> root(new TDropDownItem());
    for (const QString& value : row.Values)
        TDropDownItem::AddItem(root.get(), nullptr, -1, QString(), 0, value);
    TDropDownItem* found = TCustomDropDownElement::MatchItem(root.get(), row.Text, row.CaseSensitiveOnly);
    EXPECT_EQ(found != nullptr ? found->Value() : QString(), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DropDownMatch,
    ::testing::Values(TMatchRow{"exact", {"Abc", "ab", "abd"}, "ab", false, "ab"},
                      TMatchRow{"common_beginning_before_case", {"aX", "AB"}, "ab", false, "aX"},
                      TMatchRow{"prefix", {"Abc", "abd"}, "ab", false, "abd"},
                      TMatchRow{"case_insensitive_prefix", {"ABX"}, "ab", false, "ABX"},
                      TMatchRow{"case_sensitive_only", {"ABX"}, "ab", true, ""},
                      TMatchRow{"empty_text", {"a"}, "", false, ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(DropDownTree, SubItemReplacesItsParentOnlyWithALongerBeginning)
{
    TNodePtr<TDropDownItem> root(new TDropDownItem());
    TDropDownItem* group = TDropDownItem::AddItem(root.get(), nullptr, -1, {}, 0, QStringLiteral("abx"));
    TDropDownItem* same = TDropDownItem::AddItem(group, nullptr, -1, {}, 0, QStringLiteral("aby"));
    TDropDownItem* longer = TDropDownItem::AddItem(group, nullptr, -1, {}, 0, QStringLiteral("abcz"));
    (void)same;
    EXPECT_EQ(TCustomDropDownElement::MatchItem(root.get(), QStringLiteral("ab"), false), group) << "prefix";
    EXPECT_EQ(TCustomDropDownElement::MatchItem(root.get(), QStringLiteral("abcq"), false), longer);
}

TEST_F(Titled, DropDownListGeometryAndExpandingCollapsesSiblings)
{
    TDropDownList list(&Sheet);
    TDropDownItem* a =
        TDropDownItem::AddItem(list.Root(), nullptr, -1, QStringLiteral("ab"), 0, QStringLiteral("x"));
    TDropDownItem* a1 = TDropDownItem::AddItem(a, nullptr, -1, {}, 0, QStringLiteral("abcdef"));
    TDropDownItem* b = TDropDownItem::AddItem(list.Root(), nullptr, -1, {}, 0, QStringLiteral("b"));
    TDropDownItem* b1 = TDropDownItem::AddItem(b, nullptr, -1, {}, 0, QStringLiteral("c"));
    b1->SetComment(QStringLiteral("note"));
    EXPECT_EQ(list.ItemWidth(a), 20 + 38);
    EXPECT_EQ(list.ItemWidth(a1), 24 + 60 + 38);
    EXPECT_EQ(list.ItemWidth(b1), 24 + 50 + 38 + 6);

    list.SetCurrent(a1);
    EXPECT_TRUE(a->Expanded());
    EXPECT_EQ(list.Width(), 24 + 60 + 38);
    list.SetCurrent(b1);
    EXPECT_TRUE(b->Expanded());
    EXPECT_FALSE(a->Expanded()) << "siblings collapse";
    EXPECT_EQ(list.VisibleItems(), (QList<TDropDownItem*>{a, b, b1}));
    EXPECT_EQ(list.Width(), 24 + 50 + 38 + 6);
}

TEST_F(Titled, ChoosingFromTheListThroughTheSheetReplacesTheText)
{
    auto* field = new TChoiceField(&Scheme);
    field->SetParent(Root);
    field->SetVisualParent(Root);
    field->Values = {QStringLiteral("red"), QStringLiteral("green"), QStringLiteral("blue")};
    field->SetText(QStringLiteral("gr"));
    field->SetFocus();
    TSoundRecorder sounds;

    int key = Qt::Key_Return;
    Sheet.KeyDown(key, Qt::NoModifier);
    EXPECT_EQ(key, 0);
    TDropDownList* list = Sheet.DropDown();
    ASSERT_NE(list, nullptr);
    ASSERT_NE(list->Current(), nullptr);
    EXPECT_EQ(list->Current()->Value(), QStringLiteral("green")) << "prefix match";
    EXPECT_EQ(list->OwnerRect(), field->GetClientRect().translated(field->SheetOrigin()));
    list->MoveCurrent(1);
    key = Qt::Key_Return;
    Sheet.KeyDown(key, Qt::NoModifier);
    EXPECT_EQ(Sheet.DropDown(), nullptr);
    EXPECT_EQ(field->GetText(), QStringLiteral("blue"));
    EXPECT_TRUE(Undo.CanUndo());
    EXPECT_EQ(sounds.Played, (QStringList{"diClassesDropDownSound", "diClassesValueSound"}));
}

TEST_F(Titled, ChoosingForAReadOnlyFieldBeepsAndAFailedFillShowsNothing)
{
    TFakeUserInterface ui;
    TScopedUserInterface scope(&ui);
    auto* field = new TChoiceField(&Scheme);
    field->SetParent(Root);
    field->SetVisualParent(Root);
    field->Values = {QStringLiteral("one")};
    field->SetVisualOptions(field->VisualOptions() | voReadOnly);
    field->OpenDropDown();
    ASSERT_NE(Sheet.DropDown(), nullptr);
    Sheet.CloseDropDown(true);
    EXPECT_EQ(field->GetText(), QString());
    EXPECT_EQ(ui.Calls, QStringList{QStringLiteral("Beep")});

    field->Fail = true;
    EXPECT_THROW(field->OpenDropDown(), std::runtime_error);
    EXPECT_EQ(Sheet.DropDown(), nullptr);
}

TEST_F(Titled, AnElementThatGoesClosesItsList)
{
    auto* field = new TChoiceField(&Scheme);
    field->SetParent(Root);
    field->SetVisualParent(Root);
    field->Values = {QStringLiteral("one")};
    field->OpenDropDown();
    ASSERT_NE(Sheet.DropDown(), nullptr);
    field->Free();
    EXPECT_EQ(Sheet.DropDown(), nullptr);
}

// The field reaches the drop-down list through the sheet interface only: any sheet can show it.
TEST_F(Titled, TheDropDownGoesThroughTheSheetInterface)
{
    test::TFakeSheet fake;
    auto* field = new TChoiceField(&Scheme);
    field->SetParent(Root);
    field->SetVisualParent(fake.TopElement());
    field->Values = {QStringLiteral("one"), QStringLiteral("two")};
    field->OpenDropDown();
    ASSERT_NE(fake.DropDown(), nullptr);
    EXPECT_EQ(fake.DropDown()->Sheet(), &fake);
    fake.DropDown()->MoveCurrent(1);
    fake.CloseDropDown(true);
    EXPECT_EQ(field->GetText(), QStringLiteral("two"));
    field->OpenDropDown();
    field->Free();
    EXPECT_EQ(fake.DropDown(), nullptr) << "an element that goes closes its list";
    EXPECT_EQ(fake.DropDownsClosed, (QList<bool>{true, false}));
}

// --- Palette -----------------------------------------------------------------------------------------------

// A snapshot gives the parts of the restored element their stored IDs: the button still controls
// the restored content.
TEST_F(Titled, ARestoredElementsButtonControlsItsContent)
{
    TElement_Chapter original(&Scheme);
    TKnot knot;
    original.SaveTo(&knot, fmSnapshot, 0);
    auto* restored = new TElement_Chapter(&Scheme);
    restored->SetParent(Root);
    const int32_t freshId = restored->Container()->ID();
    restored->LoadFrom(&knot, fmSnapshot, 0);
    ASSERT_NE(restored->Container()->ID(), freshId);
    EXPECT_TRUE(ButtonOf(restored)->Controls(restored->Container()));
}

TEST_F(Titled, CollapsedItemReflectsAndChangesTheState)
{
    TElement_Chapter* chapter = Chapter();
    QList<TPaletteItem*> items;
    chapter->GetPaletteItems(items);
    TCollapsedPaletteItem* collapsed = CollapsedPaletteItem();
    ASSERT_TRUE(items.contains(collapsed));
    EXPECT_TRUE(items.contains(DescriptionPaletteItem()));
    EXPECT_EQ(collapsed->Parent(), Palette().StateGroup());
    EXPECT_EQ(collapsed->Flags(), piLarge | piCheck);
    EXPECT_EQ(collapsed->Letters(), QStringLiteral("E"));

    TPaletteItemState state;
    chapter->GetPaletteItemState(collapsed, state);
    EXPECT_FALSE(state.Checked);
    EXPECT_TRUE(collapsed->Execute(chapter, true));
    EXPECT_FALSE(chapter->IsExpanded());
    state = TPaletteItemState();
    chapter->GetPaletteItemState(collapsed, state);
    EXPECT_TRUE(state.Checked);
    collapsed->Execute(chapter, true);
    EXPECT_FALSE(chapter->IsExpanded()) << "already collapsed";

    QString sound;
    collapsed->GetSound(true, sound);
    EXPECT_EQ(sound, QStringLiteral("diExpandButtonCollapseSound"));
    collapsed->GetSound(false, sound);
    EXPECT_EQ(sound, QStringLiteral("diExpandButtonExpandSound"));
}

TEST_F(Titled, DescriptionItemFocusesTheDescription)
{
    TElement_Chapter* chapter = Chapter();
    EXPECT_TRUE(DescriptionPaletteItem()->Execute(chapter, false));
    EXPECT_EQ(Sheet.FocusedElement(), chapter->Description());
    EXPECT_TRUE(chapter->Description()->IsShown()) << "shown while focused";
}

} // namespace
} // namespace qv

namespace qv {
namespace {

class DropDownPopup : public Titled
{
protected:
    void SetUp() override
    {
        Titled::SetUp();
        auto* field = new TChoiceField(&Scheme);
        field->SetParent(Root);
        field->SetVisualParent(Root);
        field->Values = {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
        Field = field;
        field->OpenDropDown();
        List = Sheet.DropDown();
        ASSERT_NE(List, nullptr);
        List->SetShown(true);
    }
    TChoiceField* Field = nullptr;
    TDropDownList* List = nullptr;
};

TEST_F(DropDownPopup, MouseFollowsAfterTheFirstMoveAndReleaseInsideChooses)
{
    const int h = List->ItemHeight();
    EXPECT_EQ(List->ListSize(), QSize(List->Width(), 3 * h));
    List->MouseMoveAt(QPoint(5, 2 * h + 1));
    EXPECT_EQ(List->Current()->Value(), QStringLiteral("one")) << "the first move is ignored";
    List->MouseMoveAt(QPoint(5, 2 * h + 1));
    EXPECT_EQ(List->Current()->Value(), QStringLiteral("three"));
    EXPECT_FALSE(List->MouseReleaseAt(QPoint(5, 2 * h + 1)));
    EXPECT_EQ(Sheet.DropDown(), nullptr);
    EXPECT_EQ(Field->GetText(), QStringLiteral("three"));
}

TEST_F(DropDownPopup, ReleaseOutsideClosesWithoutChoosingAndKeysMoveLikeAListBox)
{
    int key = Qt::Key_End;
    List->KeyDown(key);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(List->Current()->Value(), QStringLiteral("three"));
    key = Qt::Key_Up;
    List->KeyDown(key);
    EXPECT_EQ(List->Current()->Value(), QStringLiteral("two"));
    key = Qt::Key_PageUp;
    List->KeyDown(key, 5);
    EXPECT_EQ(List->Current()->Value(), QStringLiteral("one")) << "clamped";
    key = Qt::Key_A;
    List->KeyDown(key);
    EXPECT_EQ(key, Qt::Key_A) << "not a list key";

    EXPECT_FALSE(List->MouseReleaseAt(QPoint(-5, -5)));
    EXPECT_EQ(Sheet.DropDown(), nullptr);
    EXPECT_EQ(Field->GetText(), QString());
}

TEST_F(DropDownPopup, GroupHeadingsToggleInTheExpanderColumnAndCannotBeChosen)
{
    TDropDownItem* group = TDropDownItem::AddItem(List->Root(), nullptr, -1, QStringLiteral("more"), 0, {});
    group->SetSelectable(false);
    TDropDownItem::AddItem(group, nullptr, -1, {}, 0, QStringLiteral("four"));
    const int h = List->ItemHeight();
    EXPECT_TRUE(List->MouseReleaseAt(QPoint(10, 3 * h + 1)));
    EXPECT_TRUE(group->Expanded());
    EXPECT_EQ(List->Current(), group);
    EXPECT_TRUE(List->MouseReleaseAt(QPoint(60, 3 * h + 1))) << "a heading is not chosen";
    EXPECT_NE(Sheet.DropDown(), nullptr);
    int key = Qt::Key_Return;
    Sheet.KeyDown(key, Qt::NoModifier);
    EXPECT_NE(Sheet.DropDown(), nullptr) << "nor by Enter";
    key = Qt::Key_Left;
    List->KeyDown(key);
    EXPECT_FALSE(group->Expanded());
}

struct TRowPaintRow
{
    const char* Name;
    bool SubItems;
    bool Selected;
    bool Selectable;
    TColor Expander; // colour left of indent + 24
    TColor Rest;     // colour at the right end
};

class DropDownRowPaint : public Titled, public ::testing::WithParamInterface<TRowPaintRow>
{
};

TEST_P(DropDownRowPaint, FillsTheExpanderColumnAndTheRest)
{
    const TRowPaintRow& row = GetParam();
    TNodePtr<TDropDownItem> root(new TDropDownItem());
    TDropDownItem* item = TDropDownItem::AddItem(root.get(), nullptr, -1, {}, 0, QString());
    item->SetSelectable(row.Selectable);
    if (row.SubItems)
        TDropDownItem::AddItem(item, nullptr, -1, {}, 0, QStringLiteral("sub"));
    TCanvas* canvas = Sheet.Canvas();
    canvas->BeginPaint(QRect(0, 0, 100, 20));
    item->Paint(canvas, QRect(0, 0, 100, 20), row.Selected);
    const QImage image = canvas->EndPaint();
    EXPECT_EQ(image.pixelColor(1, 1), ColorToQColor(row.Expander));
    EXPECT_EQ(image.pixelColor(98, 18), ColorToQColor(row.Rest));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DropDownRowPaint,
    ::testing::Values(TRowPaintRow{"plain", false, false, true, clWindow, clWindow},
                      TRowPaintRow{"selected", false, true, true, clHighlight, clHighlight},
                      TRowPaintRow{"selected_heading", false, true, false, clWindow, clWindow},
                      TRowPaintRow{"selected_group_heading", true, true, false, clHighlight, clWindow}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace qv

namespace qv {
namespace {

// A sheet canvas that records the texts drawn, in canvas coordinates.
class TTextRecordingCanvas : public TSheetCanvas
{
public:
    using TSheetCanvas::TSheetCanvas;
    QStringList Texts;
    void DrawText(const IMeasuredFont& font, int x, int baseline, TColor color, QStringView text) override
    {
        Texts << QStringLiteral("%1 at %2,%3")
                     .arg(text.toString())
                     .arg(x + Origin().x())
                     .arg(baseline + Origin().y());
        TSheetCanvas::DrawText(font, x, baseline, color, text);
    }
};

TEST_F(Titled, TextIsPaintedWhereTheLayoutPutItCentredOnTheRowAscent)
{
    TTitleTestElement* element = Title(QMargins(4, 2, 4, 2));
    TTitleTestBox* box = Box(element, 20, 20);
    element->Steps = {{tikElement, {}, box}, {tikText, QStringLiteral("ab")}};
    Show(element);
    const QMargins inset = Sheet.Canvas()->Theme().ElementInset();
    EXPECT_EQ(box->BoundsRect(), QRect(4, 2, 20, 20));

    TTextRecordingCanvas canvas(&Settings);
    canvas.BeginPaint(QRect(0, 0, element->Width(), element->Height()));
    element->Paint(&canvas);
    canvas.EndPaint();
    // The text's top is (20 - 13) div 2 below the row's top; the fixed font's ascent is 10. The stone
    // font may draw a shadow first, one pixel right and down.
    const int x = 24 + std::max(0, inset.left());
    ASSERT_FALSE(canvas.Texts.isEmpty());
    EXPECT_EQ(canvas.Texts.last(), QStringLiteral("ab at %1,%2").arg(x).arg(2 + 3 + 10));
}

TEST_F(Titled, ActivatingSkipsTheExpandButton)
{
    TElement_Chapter* chapter = Chapter();
    chapter->TCustomTitledElement::Activate();
    EXPECT_EQ(Sheet.FocusedElement(), chapter->Container());
    Sheet.SetFocus(nullptr);
    chapter->Activate();
    EXPECT_EQ(Sheet.FocusedElement(), chapter->Container());
}

TEST_F(Titled, ButtonsPressOnClickEnterAndSpaceAndToggleInAReadOnlySheet)
{
    TElement_Chapter* chapter = Chapter();
    TExpandButton* button = ButtonOf(chapter);
    Sheet.SetReadOnly(true);
    button->Click();
    EXPECT_FALSE(button->Expanded());
    int key = Qt::Key_Space;
    button->KeyDown(key, Qt::NoModifier);
    EXPECT_EQ(key, 0);
    EXPECT_TRUE(button->Expanded());
    key = Qt::Key_Return;
    button->KeyDown(key, Qt::NoModifier);
    EXPECT_FALSE(button->Expanded());
    QChar c = u' ';
    button->KeyPress(c);
    EXPECT_TRUE(c.isNull());
    QString hint;
    button->GetHint(hint);
    EXPECT_EQ(hint, QStringLiteral("Collapse/Expand"));
    const QSize size = Sheet.Canvas()->Theme().ImageSize(steCollapsed);
    EXPECT_EQ(QSize(button->Width(), button->Height()), size);
}

} // namespace
} // namespace qv

namespace qv {
namespace {

struct TAutoOpenRow
{
    const char* Name;
    bool Setting;
    uint16_t ExtraOptions;
    bool Opens;
};

class DropDownActivation : public Titled, public ::testing::WithParamInterface<TAutoOpenRow>
{
};

TEST_P(DropDownActivation, ActivatingOpensTheListOnlyWhenAskedTo)
{
    const TAutoOpenRow& row = GetParam();
    Settings.DropDownOnFocusNew().SetValue(row.Setting);
    auto* field = new TChoiceField(&Scheme);
    field->SetParent(Root);
    field->SetVisualParent(Root);
    field->SetVisualOptions(field->VisualOptions() | row.ExtraOptions);
    field->Values = {QStringLiteral("one")};
    field->Activate();
    EXPECT_EQ(Sheet.FocusedElement(), field);
    EXPECT_EQ(Sheet.DropDown() != nullptr, row.Opens);
}

INSTANTIATE_TEST_SUITE_P(Rows, DropDownActivation,
                         ::testing::Values(TAutoOpenRow{"setting_on", true, 0, true},
                                           TAutoOpenRow{"setting_off", false, 0, false},
                                           TAutoOpenRow{"element_refuses", true, voNoAutoDropDown, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Titled, KeysAndDoubleClickOfADropDownElement)
{
    auto* field = new TChoiceField(&Scheme);
    field->SetParent(Root);
    field->SetVisualParent(Root);
    field->Values = {QStringLiteral("one")};
    QChar c = u'\r';
    field->KeyPress(c);
    EXPECT_TRUE(c.isNull());
    int key = Qt::Key_Return;
    field->KeyDown(key, Qt::ControlModifier);
    EXPECT_EQ(key, Qt::Key_Return) << "Ctrl+Enter is left to the field";
    EXPECT_EQ(Sheet.DropDown(), nullptr);
    field->DoubleClickAction();
    EXPECT_NE(Sheet.DropDown(), nullptr);
}

TEST_F(Titled, DescriptionFollowsItsOwnersDisabledState)
{
    TElement_Chapter* chapter = Chapter();
    chapter->SetDescription(QStringLiteral("why"));
    chapter->SetDisabled(true);
    EXPECT_TRUE(chapter->Description()->IsEffectivelyDisabled());
    chapter->SetDisabled(false);
    EXPECT_FALSE(chapter->Description()->IsEffectivelyDisabled());
}

} // namespace
} // namespace qv

namespace qv {
namespace {

TEST_F(Titled, SmallImageTakesItsParentsCursorAndCommentsAcceptTheCommentGroup)
{
    auto* target = new test::TTestTarget(&Scheme);
    target->SetParent(Root);
    target->SetVisualParent(Root);
    target->Cursor = 7;
    auto* image = new TCustomSmallImageElement(&Scheme);
    image->SetParent(target);
    image->SetVisualParent(target);
    EXPECT_EQ(image->GetCursor(QPoint(1, 1)), 7);
    EXPECT_TRUE(image->HasVisualOption(voCanDisable));

    auto* comment = new TCustomCommentElement(&Scheme);
    comment->SetParent(Root);
    TElementClassList accepted;
    comment->GetAcceptedClasses(accepted);
    EXPECT_EQ(accepted, ApplicationClassesGroups().GetGroup(cgCommentContentClasses));
    EXPECT_NE(comment->Options() & eoOptional, 0);
    EXPECT_EQ(comment->BehaviourOptions(), uint32_t(0x10005));
}

} // namespace
} // namespace qv
