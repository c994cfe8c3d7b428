#include "core/undo_redo.h"

#include "support/printers.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qv {
namespace {

// A tiny document the test operations change, with a log of every hook call.
struct TDoc
{
    std::map<std::string, int> Values;
    std::string Log;
    std::vector<std::string> Destroyed;
    bool DestroyedWhileRunning = false;
    TUndoRedo* Manager = nullptr;

    void Write(const std::string& entry) { Log += entry + ";"; }
};

constexpr int failOn(TOperationState state)
{
    return 1 << state;
}

// Sets Values[key] = value; undo restores the old value. Hooks let a test execute other operations
// from inside the run or make a step fail (before changing anything, as DoRun and UndoRun must).
class TSetOp : public TOperation
{
    QV_CLASS(TSetOp, TOperation)

    TSetOp(TDoc* doc, std::string name, std::string key = {}, int value = 0,
           TOperationFlags flags = ofModifies)
        : FDoc(doc), FName(std::move(name)), FKey(std::move(key)), FValue(value), FFlags(flags)
    {}
    ~TSetOp() override
    {
        FDoc->Destroyed.push_back(FName);
        if (State() != osIdle)
            FDoc->DestroyedWhileRunning = true;
    }

    std::function<void()> OnDo;   // runs inside DoRun, first do only
    std::function<void()> OnRedo; // runs inside DoRun, redo only
    std::function<void()> OnUndo; // runs inside UndoRun
    int FailDo = 0;               // failOn(state) bits: DoRun throws in these states
    int FailUndo = 0;             // UndoRun throws (any non-zero)
    bool FailBegin = false;
    bool Merges = false; // merges into a previous TSetOp of the same key

    QString GetCaption() const override { return QString::fromStdString(FName); }
    TOperationFlags Flags() const override { return FFlags; }
    bool MergeInto(TOperation* previous) override
    {
        auto* other = dynamic_cast<TSetOp*>(previous);
        if (!Merges || other == nullptr || other->FKey != FKey)
            return false;
        other->FValue = FValue;
        FDoc->Write(FName + ".merged");
        return true;
    }

protected:
    void BeginRun() override
    {
        FDoc->Write(FName + ".begin");
        if (FailBegin)
            throw std::runtime_error("begin");
    }
    void EndRun() override { FDoc->Write(FName + ".end"); }
    void DoRun() override
    {
        FDoc->Write(FName + (State() == osRedoing ? ".redo" : ".do"));
        if (State() == osDoing && OnDo)
            OnDo();
        if (State() == osRedoing && OnRedo)
            OnRedo();
        if (FailDo & failOn(State()))
            throw std::runtime_error("do");
        if (!FKey.empty()) {
            if (State() == osDoing)
                FOld = FDoc->Values[FKey];
            FDoc->Values[FKey] = FValue;
        }
    }
    void UndoRun() override
    {
        FDoc->Write(FName + ".undo");
        if (OnUndo)
            OnUndo();
        if (FailUndo)
            throw std::runtime_error("undo");
        if (!FKey.empty())
            FDoc->Values[FKey] = FOld;
    }

private:
    TDoc* FDoc;
    std::string FName;
    std::string FKey;
    int FValue;
    int FOld = 0;
    TOperationFlags FFlags;
};
QV_IMPLEMENT_CLASS(TSetOp)

// A group that logs its hooks.
class TLogGroup : public TGroupingOperation
{
    QV_CLASS(TLogGroup, TGroupingOperation)

    TLogGroup(TDoc* doc, std::string name, QString caption = {})
        : TGroupingOperation(std::move(caption)), FDoc(doc), FName(std::move(name))
    {}
    ~TLogGroup() override { FDoc->Destroyed.push_back(FName); }

protected:
    void BeginRun() override { FDoc->Write(FName + ".begin"); }
    void EndRun() override { FDoc->Write(FName + ".end"); }
    void DoRun() override { FDoc->Write(FName + (State() == osRedoing ? ".redo" : ".do")); }
    void UndoRun() override { FDoc->Write(FName + ".undo"); }

private:
    TDoc* FDoc;
    std::string FName;
};
QV_IMPLEMENT_CLASS(TLogGroup)

// Records the manager's notifications as "kind" or "kind:caption-of-param1" / "kind:value".
class TRecorder
{
public:
    std::vector<std::string> Events;

    void OnNotify(TItfObject*, int notify, intptr_t param1, intptr_t)
    {
        std::string event = std::to_string(notify);
        if (notify == urnModified)
            event += ":" + std::to_string(param1);
        else if (notify != urnCleared)
            event += ":" + reinterpret_cast<TOperation*>(param1)->GetCaption().toStdString();
        Events.push_back(event);
    }
};

class UndoRedo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FDoc.Manager = &FManager;
        FManager.AddHandler(MakeNotifyEvent<&TRecorder::OnNotify>(&FRecorder));
    }

    TNodePtr<TSetOp> Set(const std::string& name, const std::string& key, int value,
                         TOperationFlags flags = ofModifies)
    {
        return TNodePtr<TSetOp>(new TSetOp(&FDoc, name, key, value, flags));
    }
    void Exec(const std::string& name, const std::string& key, int value, TOperationFlags flags = ofModifies)
    {
        FManager.Execute(Set(name, key, value, flags));
    }
    TNodePtr<TLogGroup> Group(const std::string& name, const QString& caption = {})
    {
        return TNodePtr<TLogGroup>(new TLogGroup(&FDoc, name, caption));
    }
    std::string Captions(TNode* list) const
    {
        std::string text;
        for (TNode* node = list->FirstChild(); node != nullptr; node = node->NextSibling())
            text += static_cast<TOperation*>(node)->GetCaption().toStdString() + ";";
        return text;
    }
    int Value(const std::string& key) { return FDoc.Values[key]; }
    std::string TakeLog() { return std::exchange(FDoc.Log, {}); }
    std::vector<std::string> TakeEvents() { return std::exchange(FRecorder.Events, {}); }

    using TEvents = std::vector<std::string>;

    TDoc FDoc;
    TRecorder FRecorder;
    TUndoRedo FManager;
};

TEST_F(UndoRedo, ExecuteUndoRedoMoveBetweenTheLists)
{
    Exec("a", "x", 1);
    Exec("b", "x", 2);
    EXPECT_EQ(Captions(FManager.UndoList()), "a;b;");
    EXPECT_EQ(FManager.NextUndo()->GetCaption(), QStringLiteral("b"));
    EXPECT_EQ(FManager.NextRedo(), nullptr);

    EXPECT_TRUE(FManager.Undo());
    EXPECT_EQ(Value("x"), 1);
    EXPECT_TRUE(FManager.Undo());
    EXPECT_EQ(Value("x"), 0);
    EXPECT_FALSE(FManager.CanUndo());
    EXPECT_FALSE(FManager.Undo());
    EXPECT_EQ(Captions(FManager.RedoList()), "a;b;");

    EXPECT_TRUE(FManager.Redo());
    EXPECT_EQ(Value("x"), 1);
    EXPECT_EQ(Captions(FManager.UndoList()), "a;");
    EXPECT_EQ(Captions(FManager.RedoList()), "b;");
    EXPECT_EQ(FManager.NextRedo()->GetCaption(), QStringLiteral("b"));
}

TEST_F(UndoRedo, ExecuteAfterUndoDiscardsTheRedoList)
{
    Exec("a", "x", 1);
    Exec("b", "x", 2);
    FManager.Undo();
    FManager.Undo();
    Exec("c", "y", 3);
    EXPECT_FALSE(FManager.CanRedo());
    EXPECT_EQ(Captions(FManager.UndoList()), "c;");
    EXPECT_EQ(FDoc.Destroyed, (std::vector<std::string>{"a", "b"}));
}

TEST_F(UndoRedo, ModifyingOperationThatCannotBeUndoneEmptiesBothLists)
{
    Exec("a", "x", 1);
    Exec("b", "x", 2);
    FManager.Undo();
    TakeEvents();
    Exec("irreversible", "y", 5, ofModifies | ofNoUndo);
    EXPECT_EQ(Value("y"), 5);
    EXPECT_FALSE(FManager.CanUndo());
    EXPECT_FALSE(FManager.CanRedo());
    EXPECT_EQ(TakeEvents(), TEvents{"6"});
    EXPECT_EQ(FDoc.Destroyed.size(), 3u);
    EXPECT_TRUE(FManager.Modified());
}

TEST_F(UndoRedo, OperationThatCannotBeUndoneButDoesNotModifyKeepsTheHistory)
{
    Exec("a", "x", 1);
    FManager.Undo();
    Exec("view", "", 0, ofNoUndo);
    EXPECT_EQ(FDoc.Destroyed, std::vector<std::string>{"view"});
    EXPECT_TRUE(FManager.CanRedo());
}

TEST_F(UndoRedo, OnlyModifyingOperationsSetModified)
{
    Exec("look", "", 0, 0);
    EXPECT_FALSE(FManager.Modified());
    EXPECT_EQ(Captions(FManager.UndoList()), "look;");
    FManager.Undo();
    EXPECT_FALSE(FManager.Modified());

    Exec("a", "x", 1);
    EXPECT_TRUE(FManager.Modified());
    FManager.SetModified(false); // saved
    FManager.Undo();
    EXPECT_TRUE(FManager.Modified());
    FManager.SetModified(false);
    FManager.Redo();
    EXPECT_TRUE(FManager.Modified());
}

// The modified flag follows the clean point. Steps: a letter executes a modifying operation on its own
// key, "v" one that does not modify, "m" one that merges into a previous "m", "s" saves, "u" undoes,
// "r" redoes, "c" clears the history; `modified` is the flag after each step.
TEST_F(UndoRedo, ModifiedFollowsTheCleanPoint)
{
    struct TRow
    {
        const char* Name;
        std::string Steps;
        std::string Modified;
    };
    const TRow rows[] = {
        {"undo back to the save", "asbur", "10101"},
        {"undo back to the loaded state", "abuur", "11101"},
        {"steps that do not modify do not count", "asvuu", "10001"},
        {"a save moves the clean point", "asbsu", "10101"},
        {"the clean point discarded with the redo list", "asubu", "10111"},
        {"nothing merges into the saved step", "msmu", "1010"},
        {"a history cleared while clean starts clean", "ascbu", "10010"},
        {"a history cleared while modified never gets clean", "abcdu", "11111"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TUndoRedo manager;
        FDoc.Manager = &manager;
        std::string modified;
        for (const char step : row.Steps) {
            switch (step) {
            case 's':
                manager.SetModified(false);
                break;
            case 'u':
                manager.Undo();
                break;
            case 'r':
                manager.Redo();
                break;
            case 'c':
                manager.Clear();
                break;
            case 'v':
                manager.Execute(Set("v", "", 0, 0));
                break;
            case 'm': {
                auto op = Set("m", "m", int(modified.size()));
                op->Merges = true;
                manager.Execute(std::move(op));
                break;
            }
            default:
                manager.Execute(Set(std::string(1, step), std::string(1, step), 1));
                break;
            }
            modified += manager.Modified() ? '1' : '0';
        }
        EXPECT_EQ(modified, row.Modified);
    }
}

TEST_F(UndoRedo, EveryNotificationKindFiresWhenItShould)
{
    Exec("a", "x", 1);
    EXPECT_EQ(TakeEvents(), (TEvents{"4:1", "1:a"}));
    Exec("b", "x", 2);
    EXPECT_EQ(TakeEvents(), TEvents{"1:b"}); // Modified did not change
    FManager.Undo();
    EXPECT_EQ(TakeEvents(), TEvents{"2:b"});
    FManager.Redo();
    EXPECT_EQ(TakeEvents(), TEvents{"3:b"});
    FManager.SetModified(false);
    FManager.SetModified(false);
    EXPECT_EQ(TakeEvents(), TEvents{"4:0"});
    FManager.Clear();
    EXPECT_EQ(TakeEvents(), TEvents{"6"});
    EXPECT_FALSE(FManager.Undo());
    EXPECT_FALSE(FManager.Redo());
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(UndoRedo, EmptyGroupLeavesNoTrace)
{
    FManager.BeginGroup(Group("g"));
    EXPECT_NE(FManager.OpenGroup(), nullptr);
    FManager.EndGroup();
    EXPECT_FALSE(FManager.CanUndo());
    EXPECT_EQ(FManager.OpenGroup(), nullptr);
    EXPECT_EQ(FManager.GroupDepth(), 0);
    EXPECT_TRUE(FManager.Running().empty());
    EXPECT_EQ(FDoc.Destroyed, std::vector<std::string>{"g"});
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(TakeLog(), "g.begin;g.end;");
}

TEST_F(UndoRedo, NestedGroupsMakeOneEntry)
{
    FManager.BeginGroup(Group("outer", QStringLiteral("Typing")));
    Exec("a", "x", 1);
    FManager.BeginGroup(Group("inner"));
    EXPECT_EQ(FDoc.Destroyed, std::vector<std::string>{"inner"}); // only the outermost group exists
    EXPECT_EQ(FManager.GroupDepth(), 2);
    Exec("b", "y", 2);
    FManager.EndGroup();
    EXPECT_EQ(TakeEvents(), (TEvents{"4:1", "1:a", "1:b"})); // added to the open group
    Exec("c", "z", 3);
    FManager.EndGroup();
    EXPECT_EQ(TakeEvents(), (TEvents{"1:c", "1:Typing"}));

    ASSERT_EQ(FManager.UndoList()->ChildCount(), 1);
    EXPECT_EQ(Captions(FManager.NextUndo()), "a;b;c;");
    TakeLog();
    FManager.Undo();
    EXPECT_EQ(TakeLog(),
              "outer.begin;outer.undo;c.begin;c.undo;c.end;b.begin;b.undo;b.end;a.begin;a.undo;a.end;"
              "outer.end;");
    EXPECT_EQ(FDoc.Values, (std::map<std::string, int>{{"x", 0}, {"y", 0}, {"z", 0}}));
    FManager.Redo();
    EXPECT_EQ(TakeLog(),
              "outer.begin;a.begin;a.redo;a.end;b.begin;b.redo;b.end;c.begin;c.redo;c.end;outer.redo;"
              "outer.end;");
}

TEST_F(UndoRedo, GroupCaptionFallsBackToItsFirstSubOperationAndFlagsAreTheUnion)
{
    FManager.BeginGroup(Group("g"));
    Exec("look", "", 0, 0);
    Exec("edit", "x", 1);
    FManager.EndGroup();
    auto* group = static_cast<TGroupingOperation*>(FManager.NextUndo());
    EXPECT_EQ(group->GetCaption(), QStringLiteral("look"));
    EXPECT_EQ(group->Flags(), ofModifies);
    group->SetCaption(QStringLiteral("Paste"));
    EXPECT_EQ(group->GetCaption(), QStringLiteral("Paste"));
    EXPECT_EQ(TGroupingOperation().Flags(), 0u);
    EXPECT_TRUE(TGroupingOperation().GetCaption().isEmpty());
}

TEST_F(UndoRedo, OperationExecutedWhileAnotherRunsBecomesItsLastSubOperation)
{
    auto parent = Set("p", "x", 1);
    parent->OnDo = [this] {
        Exec("n1", "y", 1);
        Exec("n2", "z", 1);
        EXPECT_EQ(FManager.Running().size(), 1u);
    };
    FManager.Execute(std::move(parent));
    EXPECT_EQ(TakeEvents(), (TEvents{"4:1", "1:n1", "1:n2", "1:p"}));
    ASSERT_EQ(FManager.UndoList()->ChildCount(), 1);
    EXPECT_EQ(Captions(FManager.NextUndo()), "n1;n2;");
    TakeLog();

    // Undo: the parent's own undo first, then its sub-operations last to first.
    FManager.Undo();
    EXPECT_EQ(TakeLog(), "p.begin;p.undo;n2.begin;n2.undo;n2.end;n1.begin;n1.undo;n1.end;p.end;");
    EXPECT_EQ(FDoc.Values, (std::map<std::string, int>{{"x", 0}, {"y", 0}, {"z", 0}}));
    // Redo: sub-operations first to last, then the parent; nothing is executed a second time.
    FManager.Redo();
    EXPECT_EQ(TakeLog(), "p.begin;n1.begin;n1.redo;n1.end;n2.begin;n2.redo;n2.end;p.redo;p.end;");
    EXPECT_EQ(FDoc.Values, (std::map<std::string, int>{{"x", 1}, {"y", 1}, {"z", 1}}));
    EXPECT_EQ(Captions(FManager.NextUndo()), "n1;n2;");
}

TEST_F(UndoRedo, PreparedSubOperationsRunBeforeTheirParent)
{
    auto group = Group("g");
    Set("a", "x", 1).release()->SetParent(group.get());
    Set("b", "y", 2).release()->SetParent(group.get());
    FManager.Execute(std::move(group));
    EXPECT_EQ(TakeLog(), "g.begin;a.begin;a.do;a.end;b.begin;b.do;b.end;g.do;g.end;");
    EXPECT_TRUE(FManager.Modified());
}

TEST_F(UndoRedo, MergingOperationsFoldIntoTheirPreviousSibling)
{
    for (int value : {1, 2, 3}) {
        auto op = Set("type" + std::to_string(value), "x", value);
        op->Merges = true;
        FManager.Execute(std::move(op));
    }
    EXPECT_EQ(Captions(FManager.UndoList()), "type1;");
    EXPECT_EQ(TakeEvents(), (TEvents{"4:1", "1:type1", "1:type1", "1:type1"}));
    EXPECT_EQ(FDoc.Destroyed, (std::vector<std::string>{"type2", "type3"}));
    EXPECT_EQ(Value("x"), 3);
    FManager.Undo();
    EXPECT_EQ(Value("x"), 0);
    FManager.Redo();
    EXPECT_EQ(Value("x"), 3);
}

TEST_F(UndoRedo, NestedOperationsMergeInsideTheRunningOperation)
{
    auto parent = Set("p", "", 0);
    parent->OnDo = [this] {
        for (int value : {1, 2}) {
            auto op = Set("n" + std::to_string(value), "x", value);
            op->Merges = true;
            FManager.Execute(std::move(op));
        }
        Exec("other", "y", 1);
    };
    FManager.Execute(std::move(parent));
    EXPECT_EQ(Captions(FManager.NextUndo()), "n1;other;");
    FManager.Undo();
    EXPECT_EQ(Value("x"), 0);
    FManager.Redo();
    EXPECT_EQ(Value("x"), 2);
}

TEST_F(UndoRedo, BeginGroupWhileAnOperationRunsOnlyCounts)
{
    auto parent = Set("p", "x", 1);
    parent->OnDo = [this] {
        FManager.BeginGroup(Group("g"));
        EXPECT_EQ(FManager.OpenGroup(), nullptr);
        EXPECT_EQ(FManager.GroupDepth(), 1);
        Exec("n", "y", 1);
        FManager.EndGroup();
    };
    FManager.Execute(std::move(parent));
    EXPECT_EQ(FManager.GroupDepth(), 0);
    EXPECT_EQ(Captions(FManager.UndoList()), "p;");
    EXPECT_EQ(Captions(FManager.NextUndo()), "n;");
}

TEST_F(UndoRedo, UndoAndRedoAreRefusedWhileAGroupIsOpen)
{
    Exec("a", "x", 1);
    FManager.BeginGroup(Group("g"));
    EXPECT_FALSE(FManager.Undo());
    EXPECT_EQ(Value("x"), 1);
    FManager.EndGroup();
    EXPECT_TRUE(FManager.Undo());
}

TEST_F(UndoRedo, ThereIsNoLimitOnTheHistory)
{
    for (int i = 0; i < 1000; ++i)
        Exec("op", "x", i);
    EXPECT_EQ(FManager.UndoList()->ChildCount(), 1000);
    while (FManager.Undo()) {
    }
    EXPECT_EQ(Value("x"), 0);
}

TEST_F(UndoRedo, OnlyOperationsCanBeSubOperations)
{
    TNodePtr<TOperation> op(new TOperation);
    TNodePtr<TNode> plain(new TNode);
    EXPECT_THROW(plain->SetParent(op.get()), std::invalid_argument);
    EXPECT_EQ(op->FirstChild(), nullptr);
    EXPECT_EQ(TOperation().Flags(), ofModifies);
}

// An operation that cannot be undone, executed while an Undo or Redo runs, would free the running
// operation with the history: the clear waits until the run is over.
TEST_F(UndoRedo, ClearRequestedDuringUndoWaitsForTheRunToEnd)
{
    auto op = Set("p", "x", 1);
    op->OnUndo = [this] {
        Exec("irreversible", "y", 1, ofModifies | ofNoUndo);
        EXPECT_TRUE(FManager.CanUndo()); // still holds the running operation
    };
    Exec("before", "z", 1);
    FManager.Execute(std::move(op));
    TakeEvents();
    FManager.Undo();
    EXPECT_FALSE(FDoc.DestroyedWhileRunning);
    EXPECT_FALSE(FManager.CanUndo());
    EXPECT_FALSE(FManager.CanRedo());
    EXPECT_EQ(TakeEvents(), (TEvents{"2:p", "6"}));
    EXPECT_EQ(FDoc.Destroyed, (std::vector<std::string>{"irreversible", "before", "p"}));
}

TEST_F(UndoRedo, ClearRequestedDuringRedoWaitsForTheRunToEnd)
{
    auto op = Set("p", "x", 1);
    op->OnRedo = [this] {
        FManager.Clear();
    };
    FManager.Execute(std::move(op));
    FManager.Undo();
    TakeEvents();
    FManager.Redo();
    EXPECT_FALSE(FDoc.DestroyedWhileRunning);
    // The undo had gone back to the unmodified start; the redo leaves it again.
    EXPECT_EQ(TakeEvents(), (TEvents{"4:1", "3:p", "6"}));
    EXPECT_FALSE(FManager.CanUndo());
}

TEST_F(UndoRedo, RedoListDiscardedDuringRedoWaitsForTheRunToEnd)
{
    auto op = Set("p", "x", 1);
    op->OnRedo = [this] {
        Exec("nested", "y", 1);
    };
    FManager.Execute(std::move(op));
    Exec("q", "z", 1);
    FManager.Undo();
    FManager.Undo();
    FManager.Redo();
    EXPECT_FALSE(FDoc.DestroyedWhileRunning);
    EXPECT_FALSE(FManager.CanRedo()); // "q" went once the redo was over
    EXPECT_EQ(Captions(FManager.UndoList()), "p;");
    EXPECT_EQ(FDoc.Destroyed, std::vector<std::string>{"q"});
}

TEST_F(UndoRedo, UnbalancedEndGroupNeverDrivesTheDepthBelowZero)
{
    FManager.EndGroup();
    FManager.EndGroup();
    EXPECT_EQ(FManager.GroupDepth(), 0);
    FManager.BeginGroup(Group("g"));
    Exec("a", "x", 1);
    Exec("b", "x", 2);
    FManager.EndGroup();
    EXPECT_EQ(FManager.UndoList()->ChildCount(), 1);
    EXPECT_EQ(FManager.GroupDepth(), 0);
}

TEST_F(UndoRedo, EndGroupFromInsideARunningOperationCannotCloseTheGroup)
{
    FManager.BeginGroup(Group("g"));
    auto op = Set("p", "x", 1);
    op->OnDo = [this] {
        FManager.EndGroup();
    };
    FManager.Execute(std::move(op));
    EXPECT_EQ(FManager.GroupDepth(), 1);
    EXPECT_NE(FManager.OpenGroup(), nullptr);
    FManager.EndGroup();
    EXPECT_EQ(Captions(FManager.UndoList()), "p;");
    EXPECT_EQ(Captions(FManager.NextUndo()), "p;");
}

TEST_F(UndoRedo, FailingOperationIsFreedAndLeavesTheHistoryAlone)
{
    Exec("a", "x", 1);
    FManager.Undo();
    TakeEvents();
    TakeLog();
    auto op = Set("bad", "x", 9);
    op->FailDo = failOn(osDoing);
    EXPECT_THROW(FManager.Execute(std::move(op)), std::runtime_error);
    EXPECT_EQ(TakeLog(), "bad.begin;bad.do;bad.end;"); // EndRun ran after the failure
    EXPECT_EQ(FDoc.Destroyed, std::vector<std::string>{"bad"});
    EXPECT_TRUE(FManager.CanRedo());
    EXPECT_TRUE(FManager.Running().empty());
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(UndoRedo, FailingBeginRunSkipsEndRun)
{
    auto op = Set("bad", "x", 9);
    op->FailBegin = true;
    EXPECT_THROW(FManager.Execute(std::move(op)), std::runtime_error);
    EXPECT_EQ(TakeLog(), "bad.begin;");
    EXPECT_EQ(Value("x"), 0);
}

// An operation that fails after some of its sub-operations ran takes them back, so the document matches
// the unchanged history and Modified stays as it was.
TEST_F(UndoRedo, FailureAfterSubOperationsRanTakesThemBack)
{
    auto op = Set("p", "x", 1);
    op->OnDo = [this] {
        Exec("n1", "y", 1);
        Exec("n2", "z", 1);
    };
    op->FailDo = failOn(osDoing);
    EXPECT_THROW(FManager.Execute(std::move(op)), std::runtime_error);
    EXPECT_EQ(FDoc.Values, (std::map<std::string, int>{{"y", 0}, {"z", 0}}));
    EXPECT_FALSE(FManager.CanUndo());
    EXPECT_TRUE(FManager.Running().empty());
    EXPECT_EQ(FDoc.Destroyed, (std::vector<std::string>{"p", "n1", "n2"}));
    // The nested operations set Modified while they ran (the user saw a change); it is not reset.
    EXPECT_TRUE(FManager.Modified());
}

TEST_F(UndoRedo, FailureInAPreparedSubOperationTakesBackTheEarlierOnes)
{
    auto group = Group("g");
    Set("a", "x", 1).release()->SetParent(group.get());
    auto bad = Set("b", "y", 1);
    bad->FailDo = failOn(osDoing);
    bad.release()->SetParent(group.get());
    Set("c", "z", 1).release()->SetParent(group.get());
    EXPECT_THROW(FManager.Execute(std::move(group)), std::runtime_error);
    EXPECT_EQ(TakeLog(), "g.begin;a.begin;a.do;a.end;b.begin;b.do;b.end;a.begin;a.undo;a.end;g.end;");
    EXPECT_EQ(FDoc.Values, (std::map<std::string, int>{{"x", 0}}));
    EXPECT_FALSE(FManager.Modified());
    EXPECT_FALSE(FManager.CanUndo());
}

TEST_F(UndoRedo, FailureThatCannotBeTakenBackClearsTheHistoryAndSetsModified)
{
    Exec("earlier", "w", 1);
    FManager.SetModified(false);
    TakeEvents();
    auto op = Set("p", "x", 1);
    op->OnDo = [this] {
        auto stuck = Set("stuck", "y", 1);
        stuck->FailUndo = 1;
        FManager.Execute(std::move(stuck));
    };
    op->FailDo = failOn(osDoing);
    EXPECT_THROW(FManager.Execute(std::move(op)), std::runtime_error);
    EXPECT_EQ(Value("y"), 1); // the change that could not be taken back
    EXPECT_FALSE(FManager.CanUndo());
    EXPECT_TRUE(FManager.Modified());
    EXPECT_EQ(TakeEvents(), (TEvents{"4:1", "1:stuck", "6"}));
}

TEST_F(UndoRedo, FailingUndoRedoesWhatItUndidAndKeepsTheEntry)
{
    FManager.BeginGroup(Group("g"));
    Exec("a", "x", 1);
    auto bad = Set("b", "y", 1);
    TSetOp* badOp = bad.get();
    FManager.Execute(std::move(bad));
    Exec("c", "z", 1);
    FManager.EndGroup();
    FManager.SetModified(false);
    badOp->FailUndo = 1;
    TakeLog();
    TakeEvents();

    EXPECT_THROW(FManager.Undo(), std::runtime_error);
    EXPECT_EQ(TakeLog(),
              "g.begin;g.undo;c.begin;c.undo;c.end;b.begin;b.undo;b.end;c.begin;c.redo;c.end;g.redo;g.end;");
    EXPECT_EQ(FDoc.Values, (std::map<std::string, int>{{"x", 1}, {"y", 1}, {"z", 1}}));
    EXPECT_EQ(Captions(FManager.UndoList()), "a;");
    EXPECT_FALSE(FManager.CanRedo());
    EXPECT_FALSE(FManager.Modified());
    EXPECT_TRUE(TakeEvents().empty());

    badOp->FailUndo = 0;
    EXPECT_TRUE(FManager.Undo());
    EXPECT_EQ(FDoc.Values, (std::map<std::string, int>{{"x", 0}, {"y", 0}, {"z", 0}}));
}

TEST_F(UndoRedo, FailingRedoUndoesWhatItRedidAndKeepsTheEntry)
{
    auto group = Group("g");
    Set("a", "x", 1).release()->SetParent(group.get());
    auto bad = Set("b", "y", 1);
    bad->FailDo = failOn(osRedoing);
    bad.release()->SetParent(group.get());
    FManager.Execute(std::move(group));
    FManager.Undo();
    EXPECT_THROW(FManager.Redo(), std::runtime_error);
    EXPECT_EQ(FDoc.Values, (std::map<std::string, int>{{"x", 0}, {"y", 0}}));
    EXPECT_FALSE(FManager.CanUndo());
    EXPECT_TRUE(FManager.CanRedo());
}

TEST_F(UndoRedo, UndoThatCannotBeTakenBackClearsTheHistory)
{
    FManager.BeginGroup(Group("g"));
    Exec("a", "x", 1);
    auto bad = Set("b", "y", 1);
    TSetOp* badOp = bad.get();
    FManager.Execute(std::move(bad));
    auto last = Set("c", "z", 1);
    TSetOp* lastOp = last.get();
    FManager.Execute(std::move(last));
    FManager.EndGroup();
    FManager.SetModified(false);
    badOp->FailUndo = 1;
    lastOp->FailDo = failOn(osRedoing); // so c, undone already, cannot be redone
    TakeEvents();

    EXPECT_THROW(FManager.Undo(), std::runtime_error);
    EXPECT_EQ(FDoc.Values, (std::map<std::string, int>{{"x", 1}, {"y", 1}, {"z", 0}}));
    EXPECT_FALSE(FManager.CanUndo());
    EXPECT_FALSE(FManager.CanRedo());
    EXPECT_TRUE(FManager.Modified());
    EXPECT_EQ(TakeEvents(), (TEvents{"4:1", "6"}));
    EXPECT_FALSE(FDoc.DestroyedWhileRunning);
}

} // namespace
} // namespace qv
