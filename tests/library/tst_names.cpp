// Names and references: binding by text, following renames, delete and undo through the stored
// link, duplicates and case, cycles, the drop-down of candidates, and a random walk of edits
// checked against a fresh load of the saved document.

#include "core/strings.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "naming/namespace_connection.h"
#include "textor/sheet_settings.h"

#include "support/names_document.h"
#include "support/textor_fakes.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace qv {

using test::TElement_Condition;
using test::TElement_Constant;
using test::TElement_Processor;
using test::TElement_Thing;
using test::TElement_Use;
using test::TNamesTestRoot;

namespace {

class Names : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        RegisterNameElements();
        Scheme.SetUndoRedo(&Undo);
    }
    void TearDown() override
    {
        Undo.Clear();
        TTextorFixture::TearDown();
    }

    TElement_Thing* AddThing(const QString& name, const QString& uses = QString())
    {
        auto* thing = static_cast<TElement_Thing*>(
            Root->InsertNewElement(TElement_Thing::StaticClass(), nullptr, nullptr));
        thing->Name->SetText(name);
        thing->Uses->SetText(uses);
        return thing;
    }
    TElement_Use* AddUse(const QString& text)
    {
        auto* use =
            static_cast<TElement_Use*>(Root->InsertNewElement(TElement_Use::StaticClass(), nullptr, nullptr));
        use->Target->SetText(text);
        return use;
    }
    // Deletes an element of the root's text as one undoable edit.
    void Delete(TElement* element)
    {
        TTextor* textor = Root->Textor();
        for (TParagraph* p = textor->FirstParagraph(); p != nullptr; p = p->Next()) {
            int offset = 0;
            for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
                if (TTextorElement::EmbeddedElement(portion) == element) {
                    const TTextorRange range{p->PositionAt(offset), p->PositionAt(offset + 1)};
                    Root->ReplaceWithText(tetRange, &range, false, QString());
                    return;
                }
                offset += portion->Length();
            }
        }
        FAIL() << "not embedded";
    }
    static QStringList MessageTexts(TElement* element)
    {
        QStringList texts;
        if (TElementMessages* messages = element->Messages()) {
            for (int i = 0; i < messages->Count(); ++i)
                texts.append(messages->Items(i)->GetText());
        }
        return texts;
    }
    // The checks of names and references report invalid content, whatever the text.
    static bool AllInvalidContent(TElement* element)
    {
        TElementMessages* messages = element->Messages();
        for (int i = 0; messages != nullptr && i < messages->Count(); ++i) {
            if (messages->Items(i)->Kind() != mkInvalidContent)
                return false;
        }
        return true;
    }
    QByteArray Save(TScheme& scheme)
    {
        TKnot knot(QStringLiteral("Names"));
        scheme.SaveToKnot(scheme.Root(), fmFile, &knot, ffFileSave);
        return knot.SaveToText().toUtf8();
    }
    // A message text as the element shows it (without the emphasis brackets).
    static QString Shown(const QString& text) { return QString(text).remove(u'[').remove(u']'); }
    static TElement* TargetElement(TCustomReferenceElement* field)
    {
        return field->Target() != nullptr ? field->Target()->Element() : nullptr;
    }

    TUndoRedo Undo;
    TScheme Scheme{TNamesTestRoot::StaticClass(), QStringLiteral("Names")};
    TNamesTestRoot* Root = static_cast<TNamesTestRoot*>(Scheme.Root());
};

TEST_F(Names, RenameRewritesBoundReferencesAndLeavesUnboundOnes)
{
    TElement_Thing* alpha = AddThing(QStringLiteral("Alpha"));
    TElement_Use* bound = AddUse(QStringLiteral("Alpha"));
    TElement_Use* lower = AddUse(QStringLiteral("alpha")); // case matters for references
    EXPECT_EQ(TargetElement(bound->Target), alpha);
    EXPECT_EQ(lower->Target->Target(), nullptr);
    EXPECT_EQ(MessageTexts(lower->Target), QStringList{Shown(LoadStr(2724, {QStringLiteral("alpha")}))});
    EXPECT_TRUE(AllInvalidContent(lower->Target));

    alpha->Name->SetText(QStringLiteral("Beta"));
    EXPECT_EQ(bound->Target->GetText(), QStringLiteral("Beta"));
    EXPECT_EQ(TargetElement(bound->Target), alpha);
    EXPECT_EQ(lower->Target->GetText(), QStringLiteral("alpha"));
    EXPECT_EQ(alpha->Name->Item()->ReferenceCount(), 1);

    // A name typed later binds the waiting reference; emptying it unbinds and keeps the text.
    TElement_Thing* lowerThing = AddThing(QStringLiteral("alpha"));
    EXPECT_EQ(TargetElement(lower->Target), lowerThing);
    lowerThing->Name->SetText(QString());
    EXPECT_EQ(lower->Target->Target(), nullptr);
    EXPECT_EQ(lower->Target->GetText(), QStringLiteral("alpha"));

    // Plain text allowed: no broken reference.
    lower->Target->SetReferenceOptions(lower->Target->ReferenceOptions() | roAllowText);
    EXPECT_TRUE(MessageTexts(lower->Target).isEmpty());
}

TEST_F(Names, DuplicatesBindTheFirstAndUndoOfADeleteBindsTheVeryItem)
{
    TElement_Thing* first = AddThing(QStringLiteral("X"));
    TElement_Thing* second = AddThing(QStringLiteral("x")); // a duplicate ignoring Latin case
    TElement_Thing* third = AddThing(QStringLiteral("X"));
    TElement_Use* use = AddUse(QStringLiteral("X"));
    EXPECT_EQ(TargetElement(use->Target), first);
    EXPECT_EQ(MessageTexts(use->Target), QStringList{Shown(LoadStr(2730))});
    EXPECT_TRUE(AllInvalidContent(use->Target));
    EXPECT_EQ(first->Name->Item()->State(), nsDuplicate);
    EXPECT_EQ(second->Name->Item()->State(), nsDuplicate);

    // Choosing the third is undoable; deleting it lets the first take over, undo binds it again.
    use->Target->Rebind(third->Name->Item());
    EXPECT_EQ(TargetElement(use->Target), third);
    // Undoing typing binds the item of before, not the first of its name.
    use->Target->ReplaceWithText(tetAll, nullptr, false, QStringLiteral("Q"));
    EXPECT_EQ(use->Target->Target(), nullptr);
    Undo.Undo();
    EXPECT_EQ(TargetElement(use->Target), third);
    const int32_t thirdID = third->ID();
    Delete(third);
    EXPECT_EQ(TargetElement(use->Target), first);
    Undo.Undo();
    EXPECT_EQ(TargetElement(use->Target), Scheme.FindElementByID(thirdID));
    Undo.Redo();
    EXPECT_EQ(TargetElement(use->Target), first);
    Undo.Undo();
    Undo.Undo(); // the rebind
    EXPECT_EQ(TargetElement(use->Target), first);

    // A unique name again: no more duplicate messages.
    Delete(Scheme.FindElementByID(thirdID));
    second->Name->SetText(QStringLiteral("Y"));
    EXPECT_TRUE(MessageTexts(use->Target).isEmpty());
    EXPECT_TRUE(MessageTexts(first->Name).isEmpty());
}

TEST_F(Names, DeletedTargetLeavesTheTextAndComesBackWithUndo)
{
    TElement_Thing* thing = AddThing(QStringLiteral("Alpha"));
    TElement_Use* use = AddUse(QStringLiteral("Alpha"));
    const int32_t id = thing->ID();
    Delete(thing);
    EXPECT_EQ(use->Target->Target(), nullptr);
    EXPECT_EQ(use->Target->GetText(), QStringLiteral("Alpha"));
    EXPECT_EQ(MessageTexts(use->Target), QStringList{Shown(LoadStr(2724, {QStringLiteral("Alpha")}))});
    Undo.Undo();
    EXPECT_EQ(TargetElement(use->Target), Scheme.FindElementByID(id));
    EXPECT_TRUE(MessageTexts(use->Target).isEmpty());

    // A deleted reference comes back bound too (its snapshot carries the link).
    const int32_t useID = use->ID();
    Delete(use);
    Undo.Undo();
    auto* back = static_cast<TElement_Use*>(Scheme.FindElementByID(useID));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(TargetElement(back->Target), Scheme.FindElementByID(id));
}

TEST_F(Names, CyclesAreReportedAndTheSearchStaysLinearOnSharedReferences)
{
    TElement_Thing* a = AddThing(QStringLiteral("A"), QStringLiteral("B"));
    TElement_Thing* b = AddThing(QStringLiteral("B"), QStringLiteral("A"));
    EXPECT_TRUE(a->Uses->Reference()->Cyclic());
    EXPECT_TRUE(b->Uses->Reference()->Cyclic());
    EXPECT_EQ(MessageTexts(a->Uses), QStringList{Shown(LoadStr(2728))});
    EXPECT_TRUE(AllInvalidContent(a->Uses));
    b->Uses->SetText(QString());
    EXPECT_FALSE(a->Uses->Reference()->Cyclic());

    // A ladder: both things of a rung use both things of the next rung. Without memoising, a
    // search from the top walks 2^depth paths.
    const int depth = 40;
    for (int i = depth; i >= 0; --i) {
        const QString next = i < depth ? QStringLiteral("R%1").arg(i + 1) : QString();
        for (const char* side : {"a", "b"}) {
            TElement_Thing* thing = AddThing(QStringLiteral("R%1").arg(i) + QLatin1String(side));
            thing->Uses->SetText(next.isEmpty() ? QString() : next + u'a');
            thing->Also->SetText(next.isEmpty() ? QString() : next + u'b');
        }
    }
    test::TThingNameField::Collects = 0;
    AddUse(QStringLiteral("R0a"));
    TElement_Thing* bottom = AddThing(QStringLiteral("Loop"), QStringLiteral("R0a"));
    EXPECT_LT(test::TThingNameField::Collects, 8 * depth);
    EXPECT_FALSE(bottom->Uses->Reference()->Cyclic());
}

TEST_F(Names, DropDownGroupsDottedNamesAndShowsHiddenNamesOnlyWithShift)
{
    for (const char* name : {"A.B.C", "A.B.D", "A.E", "Z"})
        AddThing(QString::fromLatin1(name));
    // A built-in name, hidden from lists, listed after the others.
    struct THiddenName : TNameElement
    {
        using TNameElement::TNameElement;
        QString Name() const override { return QStringLiteral("Hidden"); }
        TNameFlags Flags() const override { return nfHidden | nfSecondary; }
    };
    TNodePtr<THiddenName> hidden(new THiddenName(&Scheme));
    hidden->SetNamespace(Root->GeneralElementsNamespace());
    TElement_Use* use = AddUse(QStringLiteral("A.B.D"));
    auto shapeOf = [&](TDropDownItem& root) {
        QStringList shape;
        std::function<void(TDropDownItem*, QString)> walk = [&](TDropDownItem* item, QString indent) {
            for (TDropDownItem* child = item->FirstItem(); child != nullptr; child = child->NextItem()) {
                shape.append(indent + child->ShownText() + (child->Selectable() ? "" : "/"));
                walk(child, indent + u' ');
            }
        };
        walk(&root, QString());
        return shape.join(u'|');
    };
    TDropDownItem root;
    TDropDownItem* current = use->Target->FillDropDown(&root);
    EXPECT_EQ(shapeOf(root), QStringLiteral("A/| B/|  C|  D| E|Z"));
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->Value(), QStringLiteral("A.B.D"));
    const auto keyboard = TCustomReferenceElement::KeyboardModifiers();
    TCustomReferenceElement::KeyboardModifiers() = [] {
        return Qt::KeyboardModifiers(Qt::ShiftModifier);
    };
    TDropDownItem withShift;
    use->Target->FillDropDown(&withShift);
    TCustomReferenceElement::KeyboardModifiers() = keyboard;
    EXPECT_EQ(shapeOf(withShift), QStringLiteral("A/| B/|  C|  D| E|Z|Hidden"));

    // "<create>" makes a new element at the end of the document and binds its automatic name.
    TElementPaletteItem create(nullptr, 0, -1, 0, 0, TElement_Condition::StaticClass());
    use->Target->SetCreateItem(&create);
    TDropDownItem withCreate;
    use->Target->FillDropDown(&withCreate);
    ASSERT_EQ(withCreate.FirstItem()->ShownText(), LoadStr(2733));
    EXPECT_TRUE(use->Target->SelectItem(withCreate.FirstItem()));
    EXPECT_EQ(use->Target->GetText(), QStringLiteral("Condition1"));
    EXPECT_EQ(TargetElement(use->Target), Root->CollectAll<TElement_Condition>().front());
    Undo.Undo(); // one step
    EXPECT_TRUE(Root->CollectAll<TElement_Condition>().empty());
    EXPECT_EQ(use->Target->GetText(), QStringLiteral("A.B.D"));
    use->Target->SetCreateItem(nullptr);

    // Choosing an entry rebinds undoably.
    TDropDownItem* z = root.LastChild() != nullptr ? static_cast<TDropDownItem*>(root.LastChild()) : nullptr;
    ASSERT_NE(z, nullptr);
    EXPECT_TRUE(use->Target->SelectItem(z));
    EXPECT_EQ(use->Target->GetText(), QStringLiteral("Z"));
    Undo.Undo();
    EXPECT_EQ(use->Target->GetText(), QStringLiteral("A.B.D"));
    EXPECT_EQ(use->Target->Target()->Name(), QStringLiteral("A.B.D"));
}

TEST_F(Names, RenameWorkIsProportionalToTheReferencesOfTheName)
{
    const int things = 20000;
    const int uses = 100000;
    TKnot knot;
    ASSERT_TRUE(knot.LoadFromText(test::NamesDocumentText(things, uses, true)));
    Scheme.LoadFromKnot(Root, fmFile, &knot);
    const auto all = Root->CollectAll<TElement_Thing>();
    ASSERT_EQ(static_cast<int>(all.size()), things);
    const auto refs = Root->CollectAll<TElement_Use>();
    ASSERT_EQ(static_cast<int>(refs.size()), uses);
    EXPECT_EQ(TargetElement(refs[7]->Target), all[7]);

    const int64_t before = TCustomReferenceElement::NotifyCount();
    all[7]->Name->SetText(QStringLiteral("Renamed"));
    // The five references of N7 follow; nobody else is asked.
    EXPECT_EQ(TCustomReferenceElement::NotifyCount() - before, uses / things);
    EXPECT_EQ(refs[7]->Target->GetText(), QStringLiteral("Renamed"));
    EXPECT_EQ(refs[7 + things]->Target->GetText(), QStringLiteral("Renamed"));
}

TEST_F(Names, RandomEditsBindWhatAFreshLoadOfTheSavedBytesBinds)
{
    QRandomGenerator random(1807);
    int counter = 0;
    for (int i = 0; i < 6; ++i)
        AddThing(QStringLiteral("T%1").arg(counter++));
    for (int i = 0; i < 10; ++i)
        AddUse(QStringLiteral("T%1").arg(random.bounded(6)));
    Undo.Clear();
    int boundSteps = 0; // the walk must not drift into a document without live references
    for (int step = 0; step < 150; ++step) {
        const auto things = Root->CollectAll<TElement_Thing>();
        const auto uses = Root->CollectAll<TElement_Use>();
        const int choice = static_cast<int>(random.bounded(8));
        SCOPED_TRACE(step);
        if (choice == 0 && !things.empty()) {
            things[random.bounded(static_cast<quint32>(things.size()))]->Name->ReplaceWithText(
                tetAll, nullptr, false, QStringLiteral("T%1").arg(counter++));
        } else if (choice == 1 && !things.empty()) {
            Delete(things[random.bounded(static_cast<quint32>(things.size()))]);
        } else if (choice == 2 && !uses.empty()) {
            Delete(uses[random.bounded(static_cast<quint32>(uses.size()))]);
        } else if (choice == 3) {
            Undo.Undo();
        } else if (choice == 4) {
            Undo.Redo();
        } else if (choice == 5 || things.empty()) {
            AddThing(QStringLiteral("T%1").arg(counter++));
        } else {
            AddUse(things[random.bounded(static_cast<quint32>(things.size()))]->Name->GetText());
        }

        const QByteArray bytes = Save(Scheme);
        TScheme fresh(TNamesTestRoot::StaticClass(), QStringLiteral("Names"));
        TKnot knot;
        ASSERT_TRUE(knot.LoadFromText(QString::fromUtf8(bytes)));
        fresh.LoadFromKnot(fresh.Root(), fmFile, &knot);
        auto bindings = [](TElement* root) {
            QStringList list;
            for (TElement_Use* use : root->CollectAll<TElement_Use>()) {
                TNamespaceItem* target = use->Target->Target();
                list.append(use->Target->GetText() + u'>' +
                            (target != nullptr ? QString::number(target->Element()->DocumentIndex()) : "-"));
            }
            return list;
        };
        const QStringList live = bindings(Root);
        ASSERT_EQ(live, bindings(fresh.Root()));
        boundSteps += live.filter(QRegularExpression(QStringLiteral(">\\d"))).isEmpty() ? 0 : 1;
    }
    EXPECT_GT(boundSteps, 100);
}

TEST_F(Names, ReferencesReachAnotherDocumentThroughAPrefixedConnection)
{
    TScheme other(TNamesTestRoot::StaticClass(), QStringLiteral("Names"));
    auto* otherRoot = static_cast<TNamesTestRoot*>(other.Root());
    auto* x = static_cast<TElement_Thing*>(
        otherRoot->InsertNewElement(TElement_Thing::StaticClass(), nullptr, nullptr));
    x->Name->SetText(QStringLiteral("X"));
    TNodePtr<TNamespaceConnection> connection(new TNamespaceConnection(&Scheme));
    connection->SetPrefix(QStringLiteral("Lib"));
    connection->SetSource(otherRoot->GeneralElementsNamespace());
    connection->SetTarget(Root->GeneralElementsNamespace());

    TElement_Use* use = AddUse(QStringLiteral("Lib.X"));
    TElement_Use* plain = AddUse(QStringLiteral("X"));
    EXPECT_EQ(TargetElement(use->Target), x);
    EXPECT_EQ(plain->Target->Target(), nullptr);
    // Counted for the name in the other document and for the connection.
    EXPECT_EQ(x->Name->Item()->ReferenceCount(), 1);
    EXPECT_EQ(connection->ReferenceCount(), 1);

    x->Name->SetText(QStringLiteral("Y"));
    EXPECT_EQ(use->Target->GetText(), QStringLiteral("Lib.Y"));
    connection->SetPrefix(QStringLiteral("Ext"));
    EXPECT_EQ(use->Target->GetText(), QStringLiteral("Ext.Y"));
    EXPECT_EQ(TargetElement(use->Target), x);

    x->Name->SetText(QString());
    EXPECT_EQ(use->Target->Target(), nullptr);
    EXPECT_EQ(use->Target->GetText(), QStringLiteral("Ext.Y"));
    x->Name->SetText(QStringLiteral("Y"));
    EXPECT_EQ(TargetElement(use->Target), x);
}

TEST_F(Names, TheSignShowsWhileTheNameHasCountedReferences)
{
    TSheetSettings settings;
    TSheet sheet(&settings);
    sheet.SetPageSize(QSize(800, 600));
    Root->SetVisualParent(sheet.TopElement());
    Root->SetBounds(0, 0, 3, 600, 800);
    auto* condition = static_cast<TElement_Condition*>(
        Root->InsertNewElement(TElement_Condition::StaticClass(), nullptr, nullptr));
    auto* processor = static_cast<TElement_Processor*>(
        Root->InsertNewElement(TElement_Processor::StaticClass(), nullptr, nullptr));
    processor->Conditions->SetCheckedElement(condition, true);
    EXPECT_EQ(condition->NameField()->Sign(), nullptr); // check boxes do not count
    TElement_Use* use = AddUse(condition->Name());
    ASSERT_NE(condition->NameField()->Sign(), nullptr);
    QString hint;
    condition->NameField()->Sign()->GetHint(hint);
    EXPECT_TRUE(hint.endsWith(LoadStr(2723, {QStringLiteral("1")}))) << qPrintable(hint);
    use->Target->SetText(QString());
    EXPECT_EQ(condition->NameField()->Sign(), nullptr);
    Root->SetVisualParent(nullptr);
}

TEST_F(Names, VisibilityIsStoredOnlyInChangeableModesAndReadsAnyLatinCase)
{
    auto* condition = static_cast<TElement_Condition*>(
        Root->InsertNewElement(TElement_Condition::StaticClass(), nullptr, nullptr));
    auto* constant = static_cast<TElement_Constant*>(
        Root->InsertNewElement(TElement_Constant::StaticClass(), nullptr, nullptr));
    // New elements are named after their type.
    EXPECT_EQ(condition->Name(), QStringLiteral("Condition1"));
    auto* second = static_cast<TElement_Condition*>(
        Root->InsertNewElement(TElement_Condition::StaticClass(), nullptr, nullptr));
    EXPECT_EQ(second->Name(), QStringLiteral("Condition2"));

    condition->SetVisibility(nvPrivate);
    const QString saved = QString::fromUtf8(Save(Scheme));
    EXPECT_EQ(saved.count(QStringLiteral("Visibility=\"Private\"")), 1) << qPrintable(saved);
    Undo.Undo();
    EXPECT_EQ(condition->Visibility(), nvPublic);
    EXPECT_EQ(constant->Visibility(), nvPublic);

    QString lower = saved;
    lower.replace(QStringLiteral("\"Private\""), QStringLiteral("\"private\""));
    TScheme fresh(TNamesTestRoot::StaticClass(), QStringLiteral("Names"));
    TKnot knot;
    ASSERT_TRUE(knot.LoadFromText(lower));
    fresh.LoadFromKnot(fresh.Root(), fmFile, &knot);
    const auto loaded = fresh.Root()->CollectAll<TElement_Condition>();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0]->Visibility(), nvPrivate);
    EXPECT_EQ(loaded[1]->Visibility(), nvPublic);
}

TEST_F(Names, CheckedConditionsKeepTheirChecksThroughRenameDeleteUndoAndCopies)
{
    auto* processor = static_cast<TElement_Processor*>(
        Root->InsertNewElement(TElement_Processor::StaticClass(), nullptr, nullptr));
    auto* first = static_cast<TElement_Condition*>(
        Root->InsertNewElement(TElement_Condition::StaticClass(), nullptr, nullptr));
    auto* second = static_cast<TElement_Condition*>(
        Root->InsertNewElement(TElement_Condition::StaticClass(), nullptr, nullptr));
    AddThing(QStringLiteral("NotACondition"));
    test::TConditionsBox* box = processor->Conditions;
    EXPECT_EQ(box->ChildCount(), 2);
    box->SetCheckedElement(first, true);
    // Checking does not count as a use of the name.
    EXPECT_EQ(first->NameField()->Item()->ReferenceCount(), 0);

    first->NameField()->SetText(QStringLiteral("Debug, \"full\""));
    EXPECT_EQ(box->CheckedNames(), QStringList{QStringLiteral("Debug, \"full\"")});
    const QString saved = QString::fromUtf8(Save(Scheme));
    EXPECT_TRUE(saved.contains(QStringLiteral("Checked=\"&quot;Debug, &quot;&quot;full&quot;&quot;&quot;\"")))
        << qPrintable(saved);

    const int32_t firstID = first->ID();
    Delete(first);
    EXPECT_EQ(box->ChildCount(), 1);
    Undo.Undo();
    EXPECT_EQ(box->ChildCount(), 2);
    EXPECT_TRUE(box->GetCheckedElement(Scheme.FindElementByID(firstID)));
    EXPECT_FALSE(box->GetCheckedElement(second));

    // A fresh load applies the names (unknown ones are left out) once everything is loaded.
    QString edited = saved;
    edited.replace(QStringLiteral("Checked=\""), QStringLiteral("Checked=\"Nowhere,Condition2,"));
    for (const QString& text : {saved, edited}) {
        TScheme fresh(TNamesTestRoot::StaticClass(), QStringLiteral("Names"));
        TKnot knot;
        ASSERT_TRUE(knot.LoadFromText(text));
        fresh.LoadFromKnot(fresh.Root(), fmFile, &knot);
        auto* copy = fresh.Root()->CollectAll<TElement_Processor>().front();
        EXPECT_EQ(copy->Conditions->CheckedNames().size(), text == saved ? 1 : 2);
    }

    // A snapshot copy carries the states by id path.
    TKnot snapshot(QStringLiteral("Names"));
    Scheme.SaveToKnot(Root, fmSnapshot, &snapshot, 0);
    TScheme copy(TNamesTestRoot::StaticClass(), QStringLiteral("Names"));
    copy.LoadFromKnot(copy.Root(), fmSnapshot, &snapshot);
    const auto copied = copy.Root()->CollectAll<TElement_Processor>();
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied.front()->Conditions->CheckedNames(), QStringList{QStringLiteral("Debug, \"full\"")});
}

TEST_F(Names, StrictCommaTextRoundTripsAndRejectsLooseQuotes)
{
    const QStringList values = {QStringLiteral("a"), QStringLiteral("b c"), QStringLiteral("d,\"e")};
    QStringList back;
    ASSERT_TRUE(SplitStrictCommaText(JoinStrictCommaText(values), back));
    EXPECT_EQ(back, values);
    for (const char* bad : {"\"a", "\"a\"b", "a\"b"})
        EXPECT_FALSE(SplitStrictCommaText(QString::fromLatin1(bad), back)) << bad;
}

} // namespace

} // namespace qv
