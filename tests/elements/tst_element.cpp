#include "elements/element.h"

#include "core/knot.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/element_operation.h"
#include "elements/element_unaccepted.h"
#include "elements/find_data.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/visual_element.h"
#include "support/fake_user_interface.h"
#include "support/printers.h"
#include "support/test_elements.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace qv::test;

// Records the tree messages a container is offered for its children.
class TWatchingPanel : public TPanelElement
{
public:
    explicit TWatchingPanel(TScheme* scheme) : TPanelElement(scheme) {}
    bool ChildMessage(TElement* child, int msg, void* param, void* data) override
    {
        Log.append(QStringLiteral("child %1").arg(msg));
        if (msg == InterceptedMessage)
            return true;
        return TPanelElement::ChildMessage(child, msg, param, data);
    }
    bool ChildVisualMessage(TVisualElement* child, int msg, void* param, void* data) override
    {
        Log.append(QStringLiteral("visual %1").arg(msg));
        return TPanelElement::ChildVisualMessage(child, msg, param, data);
    }
    QStringList Log;
    int InterceptedMessage = -1;
};

TEST(Element, XmlNamesComeFromTheClassName)
{
    EXPECT_EQ(TElement_Rockfall::StaticClass()->XmlName(), QStringLiteral("Rockfall"));
    EXPECT_EQ(TElement_Unaccepted::StaticClass()->XmlName(), QStringLiteral("Unaccepted"));
    EXPECT_EQ(TElement_TestImage::StaticClass()->XmlName(), QStringLiteral("Data"))
        << "a class may override it";
    EXPECT_EQ(TElement_Star::StaticClass()->ElementParent(), TVisualElement::StaticClass());
    EXPECT_EQ(TElement::StaticClass()->ElementParent(), nullptr);
}

TEST(Element, IdentifiersAreUniqueAndRegisteredWithTheScheme)
{
    TScheme scheme(TTestRoot::StaticClass());
    auto* root = static_cast<TTestRoot*>(scheme.Root());
    auto* star = new TElement_Star(&scheme);
    root->AppendElement(star);
    auto* rockfall = new TElement_Rockfall(&scheme);
    root->AppendElement(rockfall);

    EXPECT_GT(root->ID(), 0);
    EXPECT_GT(star->ID(), root->Title()->ID()) << "parts are created with their owner";
    EXPECT_EQ(rockfall->Condition()->ID(), rockfall->ID() + 1);
    EXPECT_EQ(scheme.FindElementByID(star->ID()), star);
    const int32_t starID = star->ID();
    const int before = scheme.ElementCount();
    star->Free();
    EXPECT_EQ(scheme.FindElementByID(starID), nullptr);
    EXPECT_EQ(scheme.ElementCount(), before - 1);
    EXPECT_EQ(root->Content().size(), 1) << "the container dropped the freed element";

    TElement loose(nullptr);
    EXPECT_EQ(loose.ID(), 0) << "elements without a scheme get no ID";
}

TEST(Element, PartsAreAnsweredByTheirOwner)
{
    TScheme scheme(TTestRoot::StaticClass());
    auto* rockfall = new TElement_Rockfall(&scheme);
    static_cast<TTestRoot*>(scheme.Root())->AppendElement(rockfall);
    TTestField* condition = rockfall->Condition();
    EXPECT_TRUE(condition->Options() & eoPart);
    EXPECT_EQ(condition->PartOwner(), rockfall);
    EXPECT_EQ(rockfall->PartOwner(), rockfall);
    condition->SetText(QStringLiteral("x > 1"));
    QString text;
    rockfall->AppendText(text);
    EXPECT_EQ(text, QStringLiteral("x > 1"));
}

TEST(Element, AcceptedClassesDropClassesThatRefuseTheParent)
{
    TScheme scheme(TTestRoot::StaticClass());
    auto* note = new TElement_Note(&scheme);
    static_cast<TTestRoot*>(scheme.Root())->AppendElement(note);
    EXPECT_EQ(scheme.Root()->AcceptedClasses(),
              (TElementClassList{TElement_Star::StaticClass(), TElement_Rockfall::StaticClass(),
                                 TElement_Note::StaticClass(), TElement_TestImage::StaticClass()}));
    EXPECT_EQ(note->AcceptedClasses(), TElementClassList{TElement_Star::StaticClass()})
        << "a note cannot go into a note";
}

// A tree message goes to the visual parent's ChildVisualMessage, then the parent's ChildMessage;
// only when neither handles it does the element act.
TEST(Element, TreeMessagesAreOfferedToTheParentsFirst)
{
    TScheme scheme;
    auto* panel = new TWatchingPanel(&scheme);
    auto* field = new TTestField(&scheme);
    field->SetParent(panel);
    field->SetVisualParent(panel);
    panel->Log.clear();

    field->SetOptions(field->Options() | eoTracked);
    field->SetText(QStringLiteral("filled")); // Changed: filled (5), default (6), changed (7)
    EXPECT_EQ(panel->Log, (QStringList{QStringLiteral("visual 5"), QStringLiteral("child 5"),
                                       QStringLiteral("visual 6"), QStringLiteral("child 6"),
                                       QStringLiteral("visual 7"), QStringLiteral("child 7")}));

    // A parent may answer a message for its child, but the destroying state is set all the same.
    panel->InterceptedMessage = tmDestroying;
    field->SendMessage(tmDestroying);
    EXPECT_TRUE(field->IsDestroying());
    panel->Free();
}

TEST(Element, ChecksAreQueuedOnceInsideNestedBrackets)
{
    TScheme scheme(TTestRoot::StaticClass());
    auto* root = static_cast<TTestRoot*>(scheme.Root());
    TTestField* title = root->Title();
    const int initial = title->CheckCount();
    scheme.BeginUpdate();
    scheme.BeginUpdate();
    scheme.BeginUpdate();
    title->Check();
    title->Check();
    title->Check();
    EXPECT_EQ(title->State() & esCheckQueued, esCheckQueued);
    EXPECT_EQ(scheme.PendingChecks().size(), 1);
    scheme.EndUpdate();
    scheme.EndUpdate();
    EXPECT_EQ(title->CheckCount(), initial) << "nothing runs before the outermost bracket ends";
    scheme.EndUpdate();
    EXPECT_EQ(title->CheckCount(), initial + 1);
    EXPECT_EQ(title->State() & esCheckQueued, 0);
    EXPECT_TRUE(scheme.PendingChecks().isEmpty());

    // A queued element that is freed leaves the queue.
    auto* star = new TElement_Star(&scheme);
    root->AppendElement(star);
    scheme.BeginUpdate();
    star->Check();
    star->Free();
    EXPECT_TRUE(scheme.PendingChecks().isEmpty());
    scheme.EndUpdate();
}

// A required, tracked value gets exactly one 2331 while unfilled; filling it removes the message and
// frees the list; the validity change reaches ValidityChanged (the sign).
TEST(Element, TheRequiredValueMessageComesAndGoes)
{
    TScheme scheme(TTestRoot::StaticClass());
    auto* rockfall = new TElement_Rockfall(&scheme);
    static_cast<TTestRoot*>(scheme.Root())->AppendElement(rockfall);
    TTestField* condition = rockfall->Condition();
    EXPECT_EQ(condition->Messages(), nullptr) << "filled with its default";
    condition->SetText(QString());
    ASSERT_NE(condition->Messages(), nullptr);
    ASSERT_EQ(condition->Messages()->Count(), 1);
    const TElementMessage* message = condition->Messages()->Items(0);
    EXPECT_EQ(message->Kind(), mkValueMissing);
    EXPECT_EQ(message->GetText(), QStringLiteral("The value must\u00A0be set"));
    EXPECT_EQ(message->Parts().last(),
              (TElementMessagePart{mpElements, QStringLiteral("set"), QString::number(condition->ID())}));
    EXPECT_FALSE(condition->IsValid());

    condition->SetText(QStringLiteral("x"));
    EXPECT_EQ(condition->Messages(), nullptr);
    EXPECT_TRUE(condition->IsValid());

    condition->SetText(QStringLiteral("bad"));
    ASSERT_NE(condition->Messages(), nullptr);
    EXPECT_EQ(condition->Messages()->Items(0)->Kind(), mkInvalidContent);

    // A disabled element needs no check: its messages go.
    rockfall->SetDisabled(true);
    EXPECT_TRUE(condition->IsEffectivelyDisabled() == false) << "not in the visual tree: nothing inherited";
    condition->SetVisualParent(rockfall);
    EXPECT_TRUE(condition->IsEffectivelyDisabled());
    EXPECT_EQ(condition->Messages(), nullptr);
}

TEST(Element, ChangingTheIDRewritesOwnMessageLinks)
{
    TScheme scheme;
    TTestField field(&scheme);
    field.SetOptions(eoTracked | eoRequired);
    ASSERT_NE(field.Messages(), nullptr);
    const QString oldID = QString::number(field.ID());
    EXPECT_EQ(field.Messages()->Items(0)->Parts().last().Data, oldID);
    // Loading a snapshot gives the element its stored ID.
    TKnot knot(QStringLiteral("Field"));
    knot.WriteInt(QStringLiteral("ID"), field.ID() + 1000);
    field.LoadFrom(&knot, fmSnapshot, 0);
    EXPECT_EQ(field.Messages()->Items(0)->Parts().last().Data, QString::number(field.ID()));
    EXPECT_NE(field.Messages()->Items(0)->Parts().last().Data, oldID);
}

struct VisualElement : ::testing::Test
{
    TScheme Scheme{TTestRoot::StaticClass()};
    TFakeSheet Sheet;
    TTestRoot* Root = static_cast<TTestRoot*>(Scheme.Root());

    void SetUp() override { Root->SetVisualParent(Sheet.TopElement()); }
    void TearDown() override { Root->SetVisualParent(nullptr); }

    TPanelElement* AddPanel(TVisualElement* parent, QRect bounds)
    {
        auto* panel = new TPanelElement(&Scheme);
        panel->SetParent(Root);
        panel->SetVisualParent(parent);
        panel->SetBounds(bounds.left(), bounds.top(), 3, bounds.height(), bounds.width());
        return panel;
    }
    TTestField* AddField(TVisualElement* parent, QRect bounds)
    {
        auto* field = new TTestField(&Scheme);
        field->SetParent(Root);
        field->SetVisualParent(parent);
        field->SetBounds(bounds.left(), bounds.top(), 3, bounds.height(), bounds.width());
        return field;
    }
};

TEST_F(VisualElement, TheSheetReachesTheWholeVisualSubtree)
{
    TPanelElement* panel = AddPanel(Root, QRect(0, 0, 10, 10));
    TTestField* field = AddField(panel, QRect(1, 1, 5, 5));
    EXPECT_EQ(field->Sheet(), &Sheet);
    Root->SetVisualParent(nullptr);
    EXPECT_EQ(field->Sheet(), nullptr);
    Root->SetVisualParent(Sheet.TopElement());
    EXPECT_EQ(field->Sheet(), &Sheet);
    EXPECT_EQ(panel->VisualIndex(), 0);
    EXPECT_EQ(Root->GetVisualChildren(0), panel);
    EXPECT_EQ(Root->GetNavigationParent(), nullptr) << "the top element is no navigation parent";
    EXPECT_EQ(field->GetNavigationParent(), panel);
}

// Disabled and covered states pass down the visual tree; a disabled element counts as absent.
TEST_F(VisualElement, DerivedStatesFollowTheVisualAncestors)
{
    TPanelElement* outer = AddPanel(Root, QRect(0, 0, 50, 50));
    TPanelElement* inner = AddPanel(outer, QRect(0, 0, 20, 20));
    TTestField* field = AddField(inner, QRect(0, 0, 5, 5));
    outer->SetDisabled(true);
    EXPECT_TRUE(field->IsEffectivelyDisabled());
    EXPECT_FALSE(field->Disabled());
    EXPECT_FALSE(field->NeedsCheck());
    outer->SetDisabled(false);
    EXPECT_FALSE(field->IsEffectivelyDisabled());

    inner->SetCovered(true);
    EXPECT_TRUE(field->IsEffectivelyCovered());
    EXPECT_FALSE(outer->IsEffectivelyCovered());
    // Moving out of the covered container recomputes the states.
    field->SetVisualParent(outer);
    EXPECT_FALSE(field->IsEffectivelyCovered());
}

// An element with option 0x2000 shows only when it is relevant: always shown, tracked and filled,
// focused, or with a tracked filled or focused visual descendant.
TEST_F(VisualElement, ShownOnlyWhenRelevant)
{
    TPanelElement* panel = AddPanel(Root, QRect(0, 0, 50, 50));
    TTestField* field = AddField(panel, QRect(0, 0, 5, 5));
    field->SetOptions(field->Options() | eoTracked);
    panel->SetVisualOptions(voShownWhenRelevant);
    EXPECT_FALSE(panel->IsShown());
    EXPECT_FALSE(field->IsShown()) << "children of a hidden element are hidden";
    EXPECT_TRUE(field->VisualFlags() & vsInRelevantOnly);

    field->SetText(QStringLiteral("filled"));
    EXPECT_TRUE(panel->IsShown());
    EXPECT_TRUE(field->IsShown());
    field->SetText(QString());
    EXPECT_FALSE(panel->IsShown());

    panel->SetVisualStateBits(vsAlwaysShown, true);
    EXPECT_TRUE(panel->IsShown());
    panel->SetVisualStateBits(vsAlwaysShown, false);
    EXPECT_FALSE(panel->IsShown());

    Sheet.SetFocusedElement(field);
    EXPECT_TRUE(panel->IsShown());
    Sheet.SetFocusedElement(nullptr);
    EXPECT_FALSE(panel->IsShown());

    // Hiding releases the hot element inside.
    panel->SetVisualOptions(0);
    Sheet.SetHotElement(field);
    panel->SetVisualOptions(voShownWhenRelevant);
    EXPECT_EQ(Sheet.HotElement(), nullptr);
}

TEST_F(VisualElement, PanelsFitTheirShownChildren)
{
    TPanelElement* panel = AddPanel(Root, QRect(5, 5, 1, 1));
    TTestField* a = AddField(panel, QRect(0, 0, 30, 10));
    TTestField* b = AddField(panel, QRect(10, 20, 5, 15));
    EXPECT_EQ(panel->Width(), 30);
    EXPECT_EQ(panel->Height(), 35);
    b->SetBounds(10, 20, 3, 15, 40);
    EXPECT_EQ(panel->Width(), 50);
    b->SetVisualParent(nullptr);
    EXPECT_EQ(panel->Width(), 30);
    EXPECT_EQ(panel->Height(), 10);
    a->SetBounds(0, 0, 3, 0, 0);
    EXPECT_EQ(panel->Width(), 30) << "a zero result keeps the present size";
    b->Free();
}

TEST_F(VisualElement, SetBoundsReportsWhatChanged)
{
    TPanelElement* panel = AddPanel(Root, QRect(0, 0, 100, 100));
    TTestField* field = AddField(panel, QRect(10, 10, 20, 20));
    Sheet.Invalidated.clear();
    EXPECT_FALSE(field->SetBounds(10, 10, 3, 20, 20));
    EXPECT_EQ(Sheet.Invalidated.size(), 1) << "an unchanged element only repaints";
    Sheet.Invalidated.clear();
    EXPECT_TRUE(field->SetBounds(12, 10, 3, 20, 20));
    ASSERT_GE(Sheet.Invalidated.size(), 2);
    EXPECT_EQ(Sheet.Invalidated.first(), QRect(10, 10, 20, 20)) << "old area, in sheet coordinates";
    EXPECT_EQ(Sheet.Invalidated.at(1), QRect(12, 10, 20, 20));
    EXPECT_EQ(field->SheetOrigin(), QPoint(12, 10));
    const int sizeChanges = Sheet.ContentSizeChanges;
    Root->SetBounds(0, 0, 3, 500, 500);
    EXPECT_GT(Sheet.ContentSizeChanges, sizeChanges) << "the sheet hears when its content grows";
}

// The sign stands at the owner's left edge with its centre on the owner's top edge, but never more
// than a quarter of its height above the sheet's top.
TEST_F(VisualElement, TheMessageSignFollowsInvalidTrackedElements)
{
    TPanelElement* panel = AddPanel(Root, QRect(0, 0, 200, 200));
    struct TRow
    {
        int Top;
        int SignTop;
    };
    const TRow rows[] = {{50, 44}, {4, -2}, {0, -3}};
    for (const TRow& row : rows) {
        TTestField* field = AddField(panel, QRect(30, row.Top, 20, 20));
        field->SetOptions(field->Options() | eoTracked | eoRequired);
        TMessagesSignElement* sign = field->MessagesSign();
        ASSERT_NE(sign, nullptr) << row.Top;
        EXPECT_EQ(sign->VisualParent(), Sheet.TopElement());
        EXPECT_EQ(sign->BoundsRect(), QRect(30, row.SignTop, 12, 12)) << row.Top;
        EXPECT_EQ(sign->Image(), msiNeedValue);
        QString hint;
        sign->GetHint(hint);
        EXPECT_EQ(hint, QStringLiteral("\u2022 The value must\u00A0be set"));
        // The sign moves with its owner and goes when the owner becomes valid.
        panel->SetBounds(0, 10, 3, 200, 200);
        EXPECT_EQ(sign->Top(), std::max(row.Top + 10 - 6, -3));
        panel->SetBounds(0, 0, 3, 200, 200);
        field->SetText(QStringLiteral("bad"));
        ASSERT_EQ(field->MessagesSign(), sign);
        EXPECT_EQ(sign->Image(), msiError);
        field->SetText(QStringLiteral("ok"));
        EXPECT_EQ(field->MessagesSign(), nullptr);
        field->Free();
    }
    TTestField* field = AddField(panel, QRect(0, 0, 5, 5));
    field->SetOptions(field->Options() | eoTracked | eoRequired);
    ASSERT_NE(field->MessagesSign(), nullptr);
    field->SetVisualParent(nullptr);
    EXPECT_EQ(field->MessagesSign(), nullptr) << "off the sheet: no sign";
    field->Free();
}

TEST_F(VisualElement, FocusTargetsAreFoundInNavigationOrder)
{
    TPanelElement* first = AddPanel(Root, QRect(0, 0, 50, 50));
    TPanelElement* second = AddPanel(Root, QRect(0, 60, 50, 50));
    TTestField* a = AddField(first, QRect(0, 0, 5, 5));
    TTestField* b = AddField(first, QRect(0, 10, 5, 5));
    TTestField* c = AddField(second, QRect(0, 0, 5, 5));

    TVisualElement* target = nullptr;
    ASSERT_TRUE(Root->FindFocusTarget(true, true, true, target));
    EXPECT_EQ(target, a);
    ASSERT_TRUE(Root->FindFocusTarget(false, true, true, target));
    EXPECT_EQ(target, c);
    EXPECT_EQ(a->FindNextFocusTarget(true, true, true), b);
    EXPECT_EQ(b->FindNextFocusTarget(true, true, true), c);
    EXPECT_EQ(c->FindNextFocusTarget(false, true, true), b);
    EXPECT_EQ(c->FindNextFocusTarget(true, true, true), nullptr);

    second->SetDisabled(true);
    EXPECT_EQ(b->FindNextFocusTarget(true, true, true), nullptr) << "disabled targets are skipped when asked";
    EXPECT_EQ(b->FindNextFocusTarget(true, true, false), c);

    Root->Activate();
    EXPECT_EQ(Sheet.FocusedElement(), a);
    second->Focus();
    EXPECT_EQ(Sheet.FocusedElement(), c) << "a container passes the focus to its first target";
}

TEST_F(VisualElement, HitTestsFindTheTopmostShownElement)
{
    TPanelElement* panel = AddPanel(Root, QRect(10, 10, 100, 100));
    TTestField* under = AddField(panel, QRect(0, 0, 50, 50));
    TTestField* over = AddField(panel, QRect(20, 20, 50, 50));
    EXPECT_EQ(Root->ElementAt(QPoint(15, 15)), under);
    EXPECT_EQ(Root->ElementAt(QPoint(40, 40)), over) << "later children lie on top";
    EXPECT_EQ(panel->Width(), 70) << "the panel fits its children";
    EXPECT_EQ(Root->ElementAt(QPoint(12, 75)), panel);
    EXPECT_EQ(Root->ElementAt(QPoint(500, 500)), nullptr);
    over->SetVisualOptions(voHitTestIgnored);
    EXPECT_EQ(Root->ElementAt(QPoint(40, 40)), under);
    EXPECT_EQ(Root->ElementAt(QPoint(40, 40), eafIncludeIgnored), over);
}

// A field framed by padding, as text fields are.
class TPaddedTestField : public TTestField
{
public:
    using TTestField::TTestField;
    QMargins GetPadding() override { return QMargins(3, 3, 3, 3); }
};

TEST_F(VisualElement, AFieldNoLargerThanItsPaddingIsHitAnywhere)
{
    auto add = [this](QRect bounds) {
        auto* field = new TPaddedTestField(&Scheme);
        field->SetParent(Root);
        field->SetVisualParent(Root);
        field->SetBounds(bounds.left(), bounds.top(), 3, bounds.height(), bounds.width());
        return field;
    };
    TTestField* empty = add(QRect(10, 10, 6, 6));
    TTestField* filled = add(QRect(100, 10, 40, 20));
    EXPECT_EQ(Root->ElementAt(QPoint(11, 11)), empty) << "an empty field would be out of reach";
    EXPECT_EQ(Root->ElementAt(QPoint(120, 20)), filled);
    EXPECT_NE(Root->ElementAt(QPoint(101, 11)), filled) << "a filled field's padding belongs to its parent";
}

TEST_F(VisualElement, MouseClicksFocusCaptureAndClick)
{
    struct TClickable : TTestField
    {
        using TTestField::TTestField;
        void Click() override { ++Clicks; }
        int Clicks = 0;
    };
    auto* button = new TClickable(&Scheme);
    button->SetParent(Root);
    button->SetVisualParent(Root);
    button->SetBounds(0, 0, 3, 10, 10);
    button->SetVisualOptions(voFocusOnClick | voFocusTarget);
    button->MouseDown(QPoint(2, 2), Qt::NoModifier, false);
    EXPECT_TRUE(button->IsFocused());
    EXPECT_TRUE(button->IsCaptured());
    button->MouseUp(QPoint(2, 2), true, Qt::NoModifier);
    EXPECT_FALSE(button->IsCaptured());
    EXPECT_EQ(button->Clicks, 1);
    button->MouseDown(QPoint(2, 2), Qt::NoModifier, false);
    button->MouseUp(QPoint(50, 2), true, Qt::NoModifier);
    EXPECT_EQ(button->Clicks, 1) << "released outside: no click";
}

TEST_F(VisualElement, ReadOnlyComesFromTheElementTheSheetOrTheScheme)
{
    TTestField* field = AddField(Root, QRect(0, 0, 5, 5));
    EXPECT_TRUE(field->CanEdit());
    Scheme.SetReadOnlyLevel(rolBusy);
    EXPECT_TRUE(field->IsReadOnly());
    EXPECT_FALSE(field->CanEdit());
    Scheme.SetReadOnlyLevel(rolEditable);
    Sheet.FReadOnly = true;
    EXPECT_TRUE(field->IsReadOnly());
    Sheet.FReadOnly = false;
    field->SetVisualOptions(voReadOnly);
    EXPECT_TRUE(field->IsReadOnly());
}

TEST(FindData, IgnoresTheCaseOfLatinLettersOnly)
{
    struct TRow
    {
        QString Text;
        QString Candidate;
        bool MatchCase;
        bool Matches;
    };
    const TRow rows[] = {
        {QStringLiteral("Begin"), QStringLiteral("BEGIN"), false, true},
        {QStringLiteral("Begin"), QStringLiteral("BEGIN"), true, false},
        {QStringLiteral("Begin"), QStringLiteral("Begin"), true, true},
        {QStringLiteral("\u00C4rger"), QStringLiteral("\u00E4rger"), false, false},
        {QStringLiteral("[a]"), QStringLiteral("{A}"), false, false},
        {QStringLiteral("ab"), QStringLiteral("abc"), false, false},
    };
    for (const TRow& row : rows) {
        TFindData data(nullptr, row.Text, row.MatchCase);
        EXPECT_EQ(data.Matches(row.Candidate), row.Matches) << row.Candidate.toStdString();
    }

    TFakeUserInterface ui;
    TScopedUserInterface scope(&ui);
    TFindData(nullptr, QStringLiteral("needle"), false).NotFound();
    EXPECT_EQ(ui.Calls, QStringList{QStringLiteral("MessageBox: Could not find \"needle\"||%1|%2|%2")
                                        .arg(int(miInformation))
                                        .arg(int(mbOk))});
}

struct ElementOperation : ::testing::Test
{
    TUndoRedo UndoRedo;
    TScheme Scheme{TTestRoot::StaticClass()};
    TTestRoot* Root = static_cast<TTestRoot*>(Scheme.Root());

    void SetUp() override { Scheme.SetUndoRedo(&UndoRedo); }
};

TEST_F(ElementOperation, DisablingIsUndoable)
{
    auto* rockfall = new TElement_Rockfall(&Scheme);
    Root->AppendElement(rockfall);
    rockfall->SetDisabledUndoable(true);
    EXPECT_TRUE(rockfall->Disabled());
    EXPECT_TRUE(UndoRedo.Modified());
    ASSERT_TRUE(UndoRedo.Undo());
    EXPECT_FALSE(rockfall->Disabled());
    ASSERT_TRUE(UndoRedo.Redo());
    EXPECT_TRUE(rockfall->Disabled());

    // An operation whose element is gone does nothing, both ways.
    rockfall->Free();
    EXPECT_TRUE(UndoRedo.Undo());
    EXPECT_TRUE(UndoRedo.Redo());
}

// Dependents restore their own state after a redo (list 0) or an undo (list 1), found by ID.
TEST_F(ElementOperation, DependentsRestoreTheirState)
{
    struct TRestoring : TElement_Star
    {
        using TElement_Star::TElement_Star;
        void RestoreRedoState(TKnot* knot) override { Log.append(QStringLiteral("redo ") + knot->Name()); }
        void RestoreUndoState(TKnot* knot) override { Log.append(QStringLiteral("undo ") + knot->Name()); }
        QStringList Log;
    };
    auto* target = new TElement_Star(&Scheme);
    auto* dependent = new TRestoring(&Scheme);
    auto* gone = new TRestoring(&Scheme);
    Root->AppendElement(target);
    Root->AppendElement(dependent);
    Root->AppendElement(gone);

    auto* first = new TElementOperation(target);
    first->Dependents().Add(TElementOperationDependents::dlRedo, dependent->ID(),
                            std::make_unique<TKnot>(QStringLiteral("r")));
    first->Dependents().Add(TElementOperationDependents::dlUndo, gone->ID(),
                            std::make_unique<TKnot>(QStringLiteral("g")));
    auto* second = new TElementOperation(target);
    first->MoveDependentsTo(second);
    second->Dependents().Add(TElementOperationDependents::dlUndo, dependent->ID(),
                             std::make_unique<TKnot>(QStringLiteral("u")));
    EXPECT_TRUE(first->Dependents().IsEmpty());
    EXPECT_EQ(second->Dependents().GetElementIdentifiers(TElementOperationDependents::dlUndo),
              (QList<int32_t>{gone->ID(), dependent->ID()}));
    first->Free();

    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(second));
    EXPECT_TRUE(dependent->Log.isEmpty()) << "the first run restores nothing";
    gone->Free();
    UndoRedo.Undo();
    UndoRedo.Redo();
    EXPECT_EQ(dependent->Log, (QStringList{QStringLiteral("undo u"), QStringLiteral("redo r")}));
}

} // namespace
} // namespace qv
