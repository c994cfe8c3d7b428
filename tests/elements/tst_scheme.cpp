#include "elements/scheme.h"

#include "core/knot.h"
#include "core/undo_redo.h"
#include "elements/classes_groups.h"
#include "elements/element_messages.h"
#include "elements/processing_service.h"
#include "elements/scheme_descriptor.h"
#include "elements/scheme_operation.h"
#include "elements/text_element.h"
#include "support/fake_user_interface.h"
#include "support/printers.h"
#include "support/test_elements.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace qv::test;

struct TNotifications
{
    QList<int> Kinds;
    void OnNotify(TItfObject*, int notify, intptr_t, intptr_t) { Kinds.append(notify); }
};

TEST(Scheme, NotifiesFileNameAndReadOnlyChangesOnly)
{
    TScheme scheme;
    TNotifications log;
    scheme.AddHandler(MakeNotifyEvent<&TNotifications::OnNotify>(&log));
    scheme.SetFileName(QStringLiteral("/a/b.frt"));
    scheme.SetFileName(QStringLiteral("/a/b.frt"));
    scheme.SetFileName(QStringLiteral("/a/B.frt")); // compared exactly
    scheme.SetReadOnlyLevel(rolReadOnly);
    scheme.SetReadOnlyLevel(rolReadOnly);
    scheme.SetReadOnlyLevel(rolBusy);
    EXPECT_EQ(log.Kinds,
              (QList<int>{snFileNameChanged, snFileNameChanged, snReadOnlyChanged, snReadOnlyChanged}));
}

TEST(Scheme, KeepsOneDependantEntryPerConnection)
{
    TScheme scheme;
    TScheme other;
    scheme.AddDependant(&other);
    scheme.AddDependant(&other);
    scheme.RemoveDependant(&other);
    EXPECT_EQ(scheme.Dependants(), QList<TScheme*>{&other});
}

// Registration order is kept through many removals; lookups find live elements only.
TEST(Scheme, RegistersElementsInOrderThroughManyRemovals)
{
    TScheme scheme(TTestRoot::StaticClass());
    auto* root = static_cast<TTestRoot*>(scheme.Root());
    QList<TElement*> kept;
    for (int i = 0; i < 500; ++i) {
        auto* star = new TElement_Star(&scheme);
        root->AppendElement(star);
        if (i % 3 == 0)
            kept.append(star);
    }
    for (TNode* node = root->LastChild(); node != nullptr;) {
        TNode* prev = node->PrevSibling();
        if (IsInstanceOf(node, TElement_Star::StaticClass()) && !kept.contains(static_cast<TElement*>(node)))
            static_cast<TElement*>(node)->Free();
        node = prev;
    }
    const QList<TElement*> elements = scheme.Elements();
    ASSERT_EQ(elements.size(), 3 + kept.size()); // the root and its two parts first
    EXPECT_EQ(elements.mid(3), kept);
    for (TElement* element : kept)
        EXPECT_EQ(scheme.FindElementByID(element->ID()), element);
    auto* late = new TElement_Star(&scheme);
    root->AppendElement(late);
    EXPECT_EQ(scheme.Elements().last(), late);
}

TEST(Scheme, ElementsOutlivingTheirSchemeLoseIt)
{
    auto scheme = std::make_unique<TScheme>();
    auto* loose = new TElement_Star(scheme.get());
    scheme.reset();
    EXPECT_EQ(loose->Scheme(), nullptr);
    loose->Free();
}

TEST(Scheme, QueuedChecksWaitForARoot)
{
    TScheme scheme;
    TTestField field(&scheme);
    const int before = field.CheckCount();
    scheme.BeginUpdate();
    field.Check();
    scheme.EndUpdate();
    EXPECT_EQ(field.CheckCount(), before) << "without a root the queue is kept";
    EXPECT_EQ(scheme.PendingChecks().size(), 1);
}

// Undo groups of a scheme: one history entry, and the outermost group clears the messages.
TEST(Scheme, GroupsClearTheMessagesOnce)
{
    TUndoRedo undoRedo;
    TElementMessages log;
    TScheme scheme(TTestRoot::StaticClass());
    scheme.SetUndoRedo(&undoRedo);
    scheme.SetMessages(&log);
    auto* rockfall = new TElement_Rockfall(&scheme);
    static_cast<TTestRoot*>(scheme.Root())->AppendElement(rockfall);

    log.AddText(mkError, QStringLiteral("old"));
    scheme.BeginGroup(QStringLiteral("Disable"), true);
    EXPECT_EQ(log.Count(), 0);
    log.AddText(mkError, QStringLiteral("new"));
    scheme.BeginGroup(QString(), true);
    rockfall->SetDisabledUndoable(true);
    rockfall->SetDisabledUndoable(false);
    scheme.EndGroup();
    scheme.EndGroup();
    EXPECT_EQ(log.Count(), 1);
    EXPECT_EQ(log.UpdateCount(), 0);
    ASSERT_NE(undoRedo.NextUndo(), nullptr);
    EXPECT_EQ(undoRedo.NextUndo()->GetCaption(), QStringLiteral("Disable"));
    EXPECT_EQ(undoRedo.UndoList()->ChildCount(), 1);
    EXPECT_EQ(undoRedo.NextUndo()->ChildCount(), 2);
}

// Descriptors

} // namespace

// Descriptor classes are never instantiated; outside the anonymous namespace their unused
// ClassType() is no warning.
namespace descriptors {

#define QV_TEST_DESCRIPTOR(Name, Base, Sort, Ext)                                                            \
    class Name : public Base                                                                                 \
    {                                                                                                        \
        QV_CLASS(Name, Base)                                                                                 \
        static int GetSortValue(TDescriptor) { return Sort; }                                                \
        static QString GetExtension(TDescriptor) { return QStringLiteral(Ext); }                             \
        static QString GetTitle(TDescriptor) { return QStringLiteral(#Name); }                               \
    };                                                                                                       \
    QV_IMPLEMENT_CLASS(Name)

QV_TEST_DESCRIPTOR(TResourcesDescriptor, TSchemeWithProcessingDescriptor, 120, "rsr")
QV_TEST_DESCRIPTOR(TWizardDescriptor, TSchemeWithProcessingDescriptor, 260, "prm")
QV_TEST_DESCRIPTOR(TModuleDescriptor, TSchemeWithProcessingDescriptor, 250, "prm")
QV_TEST_DESCRIPTOR(TRichDescriptor, TSchemeWithProcessingDescriptor, 50, "mxt")
QV_TEST_DESCRIPTOR(TDataDescriptor, TSchemeWithProcessingDescriptor, 60, "strucd")
QV_TEST_DESCRIPTOR(TCommandsDescriptor, TSchemeWithProcessingDescriptor, 110, "comd")
QV_TEST_DESCRIPTOR(TPlainDescriptor, TSchemeDescriptor, 20, "frt")

class TGrossDescriptor : public TSchemeWithProcessingDescriptor
{
    QV_CLASS(TGrossDescriptor, TSchemeWithProcessingDescriptor)
    static int GetSortValue(TDescriptor) { return 260; }
    static QString GetExtension(TDescriptor) { return QStringLiteral("gross"); }
    static bool CanCreate(TDescriptor) { return false; }
    static QString GetMenuCaption(TDescriptor) { return QStringLiteral("Gross..."); }
};
QV_IMPLEMENT_CLASS(TGrossDescriptor)

} // namespace descriptors

namespace {

using namespace descriptors;

// Larger sort values come first; equal values keep their registration order.
TEST(SchemeRegistry, SortsAndFindsByExtension)
{
    TSchemeRegistry registry;
    const TDescriptor order[] = {TResourcesDescriptor::StaticClass(), TWizardDescriptor::StaticClass(),
                                 TModuleDescriptor::StaticClass(),    TRichDescriptor::StaticClass(),
                                 TDataDescriptor::StaticClass(),      TCommandsDescriptor::StaticClass(),
                                 TPlainDescriptor::StaticClass(),     TGrossDescriptor::StaticClass()};
    for (TDescriptor cls : order)
        registry.RegisterScheme(cls);
    QList<int> values;
    for (TDescriptor cls : registry.Descriptors())
        values.append(cls->GetSortValue());
    EXPECT_EQ(values, (QList<int>{260, 260, 250, 120, 110, 60, 50, 20}));
    EXPECT_EQ(registry.Descriptors().at(0), TWizardDescriptor::StaticClass());
    EXPECT_EQ(registry.Descriptors().at(1), TGrossDescriptor::StaticClass());

    struct TRow
    {
        const char* File;
        TDescriptor Expected;
    };
    const TRow rows[] = {
        {"Notes.FRT", TPlainDescriptor::StaticClass()},
        {"/home/u/notes.txt", nullptr},
        {"a.prm", TModuleDescriptor::StaticClass()}, // searched last to first
        {"notes.~frt", nullptr},
        {"x.gross", TGrossDescriptor::StaticClass()},
        {"/dir.frt/noextension", nullptr},
        {"", nullptr},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(registry.FindDescriptorByExtension(QString::fromUtf8(row.File)), row.Expected) << row.File;
    EXPECT_FALSE(TGrossDescriptor::StaticClass()->CanCreate());
}

TEST(SchemeRegistry, DescriptorDefaultsCallTheClassOperations)
{
    TDescriptor plain = TPlainDescriptor::StaticClass();
    EXPECT_EQ(plain->GetMenuCaption(), QStringLiteral("TPlainDescriptor"));
    EXPECT_EQ(plain->GetDefaultDocumentTitle(), QStringLiteral("TPlainDescriptor"));
    EXPECT_EQ(TGrossDescriptor::StaticClass()->GetMenuCaption(), QStringLiteral("Gross..."));
    EXPECT_EQ(plain->GetVerbCount(), 0);
    EXPECT_TRUE(plain->CanCreate());
    EXPECT_FALSE(plain->AsksOnCreation());
    EXPECT_TRUE(plain->IsAbstract());

    TScheme scheme(TTestRoot::StaticClass());
    EXPECT_EQ(plain->GetVisualRoot(&scheme), scheme.Root());
}

TEST(SchemeRegistry, ProcessingTypesOfferProcessAndRemoveGenerated)
{
    TDescriptor cls = TModuleDescriptor::StaticClass();
    EXPECT_EQ(cls->GetVerbCount(), 2);
    QString caption;
    QKeySequence shortCut;
    cls->GetVerb(0, caption, shortCut);
    EXPECT_EQ(caption, QStringLiteral("Process"));
    EXPECT_EQ(shortCut, QKeySequence(Qt::Key_F9));
    cls->GetVerb(1, caption, shortCut);
    EXPECT_EQ(caption, QStringLiteral("Remove Generated"));
    EXPECT_TRUE(shortCut.isEmpty());
    TCommandLineVerbs verbs;
    cls->GetCommandLineVerbs(verbs);
    EXPECT_EQ(verbs,
              (TCommandLineVerbs{{QStringLiteral("delgenerated"), 1}, {QStringLiteral("process"), 0}}));
    QStringList names;
    cls->GetVerbParameters(0, names);
    EXPECT_EQ(names, QStringList{QStringLiteral("processors")});
    names.clear();
    cls->GetVerbParameters(1, names);
    EXPECT_TRUE(names.isEmpty());
}

TEST(SchemeRegistry, TheProcessorsParameterPicksProcessors)
{
    struct TRow
    {
        const char* Name;
        std::optional<QStringList> Parameters;
        int Count;
        std::optional<QList<int>> Expected;
    };
    const TRow rows[] = {
        {"no parameters", std::nullopt, 2, std::nullopt},
        {"no processors parameter", QStringList{QStringLiteral("other=1")}, 2, std::nullopt},
        {"empty value", QStringList{QStringLiteral("processors=")}, 2, std::nullopt},
        {"out of range dropped", QStringList{QStringLiteral("processors=3,1")}, 2, QList<int>{0}},
        {"not a number", QStringList{QStringLiteral("processors=x")}, 2, QList<int>{}},
        {"list order kept", QStringList{QStringLiteral("Processors=2,1,2")}, 3, QList<int>{1, 0, 1}},
        {"quotes honoured", QStringList{QStringLiteral("processors=\"1\",\"2,3\",3")}, 3, QList<int>{0, 2}},
        {"zero and negatives", QStringList{QStringLiteral("processors=0,-1,1")}, 1, QList<int>{0}},
    };
    for (const TRow& row : rows) {
        const QStringList* parameters = row.Parameters ? &*row.Parameters : nullptr;
        EXPECT_EQ(TSchemeWithProcessingDescriptor::PickProcessors(parameters, row.Count), row.Expected)
            << row.Name;
    }
}

// Records what the processing commands ask of the generation run; the processors are the root's
// Rockfall children.
class TRecordingProcessing : public IProcessingService
{
public:
    QList<TElement*> ProcessorElements(TElement* root) override
    {
        QList<TElement*> list;
        for (TElement_Rockfall* element : root->CollectAll<TElement_Rockfall>())
            list.append(element);
        return list;
    }
    void RunProcessors(TElement*, const QList<TElement*>* processors) override
    {
        Runs.append(processors != nullptr ? std::optional(*processors) : std::nullopt);
    }
    void RemoveGenerated(TElement* root) override
    {
        ++Removals;
        UndoDepthDuringRemoval = root->Scheme()->UndoRedo()->GroupDepth();
        WaitCursorDuringRemoval = Ui != nullptr ? Ui->WaitCursorDepth : 0;
    }

    QList<std::optional<QList<TElement*>>> Runs;
    int Removals = 0;
    int UndoDepthDuringRemoval = 0;
    int WaitCursorDuringRemoval = 0;
    TFakeUserInterface* Ui = nullptr;
};

struct ProcessingVerbs : ::testing::Test
{
    void SetUp() override
    {
        Scheme.SetUndoRedo(&Undo);
        Processing.Ui = &Ui;
        Previous = SetProcessingService(&Processing);
        for (int i = 0; i < 2; ++i) {
            auto* processor = new TElement_Rockfall(&Scheme);
            static_cast<TTestRoot*>(Scheme.Root())->AppendElement(processor);
            Processors.append(processor);
        }
    }
    void TearDown() override { SetProcessingService(Previous); }
    void Run(int verb, std::optional<QStringList> parameters = std::nullopt)
    {
        TModuleDescriptor::StaticClass()->ExecuteVerb(Scheme.Root(), verb,
                                                      parameters ? &*parameters : nullptr);
    }

    TFakeUserInterface Ui;
    TScopedUserInterface UiScope{&Ui};
    TUndoRedo Undo;
    TScheme Scheme{TTestRoot::StaticClass()};
    TRecordingProcessing Processing;
    IProcessingService* Previous = nullptr;
    QList<TElement*> Processors;
};

TEST_F(ProcessingVerbs, ProcessRunsThePickedProcessorsInListOrder)
{
    Run(TSchemeWithProcessingDescriptor::pvProcess);
    Run(TSchemeWithProcessingDescriptor::pvProcess, QStringList{QStringLiteral("processors=3,2,1")});
    Run(TSchemeWithProcessingDescriptor::pvProcess, QStringList{QStringLiteral("processors=x")});
    ASSERT_EQ(Processing.Runs.size(), 3);
    EXPECT_EQ(Processing.Runs[0], std::nullopt) << "every enabled processor";
    EXPECT_EQ(Processing.Runs[1], (QList<TElement*>{Processors[1], Processors[0]}));
    EXPECT_EQ(Processing.Runs[2], QList<TElement*>{}) << "the run tells the user there are none";
    EXPECT_TRUE(Ui.Calls.isEmpty());
}

TEST_F(ProcessingVerbs, RemoveGeneratedIsOneUndoGroupUnderTheWaitCursor)
{
    Run(TSchemeWithProcessingDescriptor::pvRemoveGenerated);
    EXPECT_EQ(Processing.Removals, 1);
    EXPECT_EQ(Processing.UndoDepthDuringRemoval, 1);
    EXPECT_EQ(Processing.WaitCursorDuringRemoval, 1);
    EXPECT_EQ(Ui.WaitCursorDepth, 0);
    EXPECT_EQ(Undo.GroupDepth(), 0);
}

// A busy document, or a program without the generation run, only beeps.
TEST_F(ProcessingVerbs, BusyDocumentsOnlyBeep)
{
    Scheme.SetReadOnlyLevel(rolBusy);
    Run(TSchemeWithProcessingDescriptor::pvProcess);
    Run(TSchemeWithProcessingDescriptor::pvRemoveGenerated);
    Scheme.SetReadOnlyLevel(rolEditable);
    SetProcessingService(nullptr);
    Run(TSchemeWithProcessingDescriptor::pvProcess);
    EXPECT_EQ(Ui.Calls, QStringList(3, QStringLiteral("Beep")));
    EXPECT_TRUE(Processing.Runs.isEmpty());
    EXPECT_EQ(Processing.Removals, 0);
}

TEST(ClassesGroups, StartWithTheFourCommonGroups)
{
    TClassesGroups& groups = ApplicationClassesGroups();
    ASSERT_GE(groups.GroupCount(), 4);
    // A document type reserves its own group once, the first time it asks.
    const int group = TRichDescriptor::StaticClass()->ClassesGroup();
    EXPECT_GE(group, 4);
    EXPECT_EQ(TRichDescriptor::StaticClass()->ClassesGroup(), group);
    EXPECT_NE(TDataDescriptor::StaticClass()->ClassesGroup(), group);
    EXPECT_TRUE(groups.GetGroup(group).isEmpty());
    TClassesGroups local;
    EXPECT_EQ(local.AddGroup(), 0);
    EXPECT_EQ(local.AddGroup(), 1);
    local.GetGroup(0) = {TElement_Star::StaticClass(), TElement_Note::StaticClass()};
    local.GetGroup(1) = {TElement_Note::StaticClass()};
    TElementClassList list{TElement_Rockfall::StaticClass(), TElement_Note::StaticClass()};
    local.AddGroupTo(list, 0);
    EXPECT_EQ(list, (TElementClassList{TElement_Rockfall::StaticClass(), TElement_Note::StaticClass(),
                                       TElement_Star::StaticClass()}));
    local.RemoveGroupFrom(list, 1);
    EXPECT_EQ(list, (TElementClassList{TElement_Rockfall::StaticClass(), TElement_Star::StaticClass()}));
}

// Code mode

class TTestCodeRoot : public TVisualElement, public ITextElement
{
    QV_CLASS(TTestCodeRoot, TVisualElement)

    using TVisualElement::TVisualElement;
    QString GetText() override { return FText; }
    void ReplaceSelection(const QString& text) override { FText += text; }
    void SetText(const QString& text) override { FText = text; }
    // Snapshots keep the text.
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override
    {
        TVisualElement::LoadFromKnot(filer, knot);
        FText = knot->ReadString(QStringLiteral("Value"));
    }
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override
    {
        TVisualElement::SaveToKnot(filer, knot);
        knot->WriteString(QStringLiteral("Value"), FText);
    }

private:
    QString FText;
};
QV_IMPLEMENT_CLASS(TTestCodeRoot)

struct CodeMode : ::testing::Test
{
    TUndoRedo UndoRedo;
    TElementMessages Log;
    TScheme Scheme{TTestRoot::StaticClass(), QStringLiteral("FreeText"), TTestCodeRoot::StaticClass()};

    void SetUp() override
    {
        Scheme.SetUndoRedo(&UndoRedo);
        Scheme.SetMessages(&Log);
        auto* root = static_cast<TTestRoot*>(Scheme.Root());
        root->Title()->SetText(QStringLiteral("T"));
        root->Content().append(TTestRun{QStringLiteral("Hello"), QString()});
        auto* rockfall = new TElement_Rockfall(&Scheme);
        root->AppendElement(rockfall);
    }
};

// Switching to code mode and back does not modify the document; undo restores the tree as it was,
// identifiers included.
TEST_F(CodeMode, SwitchesThroughTheDocumentText)
{
    TNotifications notifications;
    Scheme.AddHandler(MakeNotifyEvent<&TNotifications::OnNotify>(&notifications));
    const int32_t rootID = Scheme.Root()->ID();
    const QByteArray before = Scheme.SaveToBytes();

    Scheme.SetCodeMode(true);
    ASSERT_TRUE(Scheme.CodeMode());
    auto* code = dynamic_cast<TTestCodeRoot*>(Scheme.Root());
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(QByteArray("\xEF\xBB\xBF") + code->GetText().toUtf8(), before);
    EXPECT_EQ(Scheme.SaveToBytes(), before) << "saving in code mode writes the text as typed";
    EXPECT_FALSE(UndoRedo.Modified());
    EXPECT_EQ(notifications.Kinds, QList<int>{snRootReplaced});

    QString edited = code->GetText().replace(QStringLiteral("Hello"), QStringLiteral("Bye"));
    edited.insert(edited.indexOf(u'>'), QStringLiteral(" Extra=\"1\""));
    code->SetText(edited);
    Log.AddText(mkHint, QStringLiteral("stale"));
    Scheme.SetCodeMode(false);
    ASSERT_FALSE(Scheme.CodeMode());
    auto* root = static_cast<TTestRoot*>(Scheme.Root());
    EXPECT_EQ(root->ContentText(), QStringLiteral("Bye<Rockfall>"));
    ASSERT_EQ(Log.Count(), 1) << "leaving replaces the messages with those of the reload";
    EXPECT_TRUE(Log.Items(0)->GetText().contains(QStringLiteral("Extra\" was not read")));

    UndoRedo.Undo(); // back into code mode with the edited text
    ASSERT_TRUE(Scheme.CodeMode());
    EXPECT_TRUE(static_cast<TTestCodeRoot*>(Scheme.Root())->GetText().contains(QStringLiteral("Bye")));
    UndoRedo.Undo(); // the original tree
    ASSERT_FALSE(Scheme.CodeMode());
    EXPECT_EQ(Scheme.Root()->ID(), rootID);
    EXPECT_EQ(static_cast<TTestRoot*>(Scheme.Root())->ContentText(), QStringLiteral("Hello<Rockfall>"));
    EXPECT_EQ(Scheme.SaveToBytes(), before);
    UndoRedo.Redo();
    EXPECT_TRUE(Scheme.CodeMode());
    EXPECT_FALSE(UndoRedo.Modified());
}

} // namespace
} // namespace qv
