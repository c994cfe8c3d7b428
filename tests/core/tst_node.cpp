#include "core/node.h"

#include "support/printers.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace qv {
namespace {

// Records every hook call as text, so tests can compare the exact order.
class TLogNode : public TNode
{
    QV_CLASS(TLogNode, TNode)

    explicit TLogNode(std::string name = {}, std::string* log = nullptr) : FName(std::move(name)), FLog(log)
    {}

    std::string FName;
    std::string* FLog;
    bool FVeto = false;
    int* FDestroyed = nullptr;

    ~TLogNode() override
    {
        if (FDestroyed != nullptr)
            ++*FDestroyed;
    }

protected:
    void Log(const std::string& what)
    {
        if (FLog != nullptr)
            *FLog += what + ";";
    }
    void ParentChanged() override { Log(FName + ".ParentChanged(" + ParentName() + ")"); }
    void ChildrenChanged() override { Log(FName + ".ChildrenChanged"); }
    void ChildInserting(TNode* child, TNode*) override
    {
        Log(FName + ".ChildInserting(" + static_cast<TLogNode*>(child)->FName + ")");
        if (FVeto)
            throw std::runtime_error("veto");
    }
    void ParentChanging(TNode* newParent, TNode* before) override
    {
        Log(FName + ".ParentChanging");
        TNode::ParentChanging(newParent, before);
    }

private:
    std::string ParentName() const
    {
        return Parent() != nullptr ? static_cast<TLogNode*>(Parent())->FName : "none";
    }
};
QV_IMPLEMENT_CLASS(TLogNode)

class TOtherNode : public TLogNode
{
    QV_CLASS(TOtherNode, TLogNode)
    using TLogNode::TLogNode;
};
QV_IMPLEMENT_CLASS(TOtherNode)

struct ITestIntf
{
    virtual ~ITestIntf() = default;
};

class TIntfNode : public TLogNode, public ITestIntf
{
    QV_CLASS(TIntfNode, TLogNode)
    using TLogNode::TLogNode;
};
QV_IMPLEMENT_CLASS(TIntfNode)

class NodeTree : public ::testing::Test
{
protected:
    // root
    //   a
    //     a1
    //     a2
    //   b
    //     b1
    void SetUp() override
    {
        root = new TLogNode("root", &log);
        a = Add("a", root);
        a1 = Add("a1", a);
        a2 = Add("a2", a);
        b = Add("b", root);
        b1 = Add("b1", b);
        log.clear();
    }
    void TearDown() override { root->Free(); }

    TLogNode* Add(const std::string& name, TNode* parent)
    {
        auto* node = new TLogNode(name, &log);
        node->SetParent(parent);
        return node;
    }

    std::string log;
    TLogNode *root, *a, *a1, *a2, *b, *b1;
};

TEST_F(NodeTree, SetParentWithoutEffectCallsNoHook)
{
    a1->SetParent(a, a2);
    a2->SetParent(a);
    a2->SetParent(a, nullptr);
    auto* loose = new TLogNode("loose", &log);
    loose->SetParent(nullptr);
    EXPECT_EQ(log, "");
    loose->Free();
}

TEST_F(NodeTree, HooksRunInOrderForEveryKindOfMove)
{
    a2->SetParent(a, a1); // within one parent
    EXPECT_EQ(log, "a2.ParentChanging;a.ChildInserting(a2);a2.ParentChanged(a);a.ChildrenChanged;");
    EXPECT_EQ(a->FirstChild(), a2);
    EXPECT_EQ(a->LastChild(), a1);

    log.clear();
    a1->SetParent(b); // between two parents: ParentChanged twice, the first time without a parent
    EXPECT_EQ(log, "a1.ParentChanging;b.ChildInserting(a1);a1.ParentChanged(none);a.ChildrenChanged;"
                   "a1.ParentChanged(b);b.ChildrenChanged;");
    EXPECT_EQ(b->LastChild(), a1);
    EXPECT_EQ(a->FirstChild(), a2);
    EXPECT_EQ(a->LastChild(), a2);

    log.clear();
    a1->SetParent(nullptr); // detached, not freed
    EXPECT_EQ(log, "a1.ParentChanging;a1.ParentChanged(none);b.ChildrenChanged;");
    EXPECT_EQ(a1->Parent(), nullptr);
    EXPECT_EQ(a1->PrevSibling(), nullptr);
    EXPECT_EQ(b1->NextSibling(), nullptr);
    a1->Free();
}

TEST_F(NodeTree, VetoInAHookLeavesTheLinksUntouched)
{
    b->FVeto = true;
    EXPECT_THROW(a1->SetParent(b), std::runtime_error);
    EXPECT_EQ(a1->Parent(), a);
    EXPECT_EQ(a->FirstChild(), a1);
    EXPECT_EQ(a1->NextSibling(), a2);
    EXPECT_EQ(b->ChildCount(), 1);
    EXPECT_EQ(log, "a1.ParentChanging;b.ChildInserting(a1);");
}

TEST_F(NodeTree, PositionsAndDocumentOrder)
{
    EXPECT_EQ(root->Index(), -1);
    EXPECT_EQ(root->Level(), 0);
    EXPECT_EQ(a->Index(), 0);
    EXPECT_EQ(a2->Index(), 1);
    EXPECT_EQ(b1->Level(), 2);
    EXPECT_EQ(b1->Root(), root);
    EXPECT_EQ(root->DocumentIndex(), 0);
    EXPECT_EQ(a->DocumentIndex(), 1);
    EXPECT_EQ(b->DocumentIndex(), 4);
    EXPECT_EQ(b->DocumentPrev(), a2);
    EXPECT_EQ(a->DocumentPrev(), root);
    EXPECT_EQ(a2->DocumentNext(), b);
    EXPECT_EQ(b1->DocumentNext(), nullptr);
    EXPECT_EQ(root->ChildAt(1), b);
    EXPECT_EQ(root->ChildAt(2), nullptr);
    EXPECT_TRUE(root->IsAncestorOf(b1));
    EXPECT_FALSE(b1->IsAncestorOf(b1));
    EXPECT_FALSE(a->IsAncestorOf(b1));
}

TEST_F(NodeTree, IsBeforeMatrixFollowsDocumentOrder)
{
    const std::vector<TNode*> order{root, a, a1, a2, b, b1};
    for (size_t i = 0; i < order.size(); ++i) {
        for (size_t j = 0; j < order.size(); ++j) {
            // A root is before everything, itself included.
            const bool expected = i == 0 || i < j;
            EXPECT_EQ(order[i]->IsBefore(order[j]), expected) << i << " before " << j;
        }
    }
    TLogNode other("other");
    TLogNode otherChild("otherChild");
    otherChild.SetParent(&other);
    EXPECT_FALSE(a->IsBefore(&otherChild)); // another tree: no order, and no crash
    otherChild.SetParent(nullptr);
}

TEST_F(NodeTree, ClassesAreValues)
{
    auto* other = new TOtherNode("other", &log);
    other->SetParent(a1);
    auto* intf = new TIntfNode("intf", &log);
    intf->SetParent(other);
    auto* leaf = new TLogNode("leaf", &log);
    leaf->SetParent(intf);

    EXPECT_EQ(leaf->FindAncestor(TOtherNode::StaticClass()), other);
    EXPECT_EQ(leaf->FindAncestor<TOtherNode>(), other);
    EXPECT_EQ(other->FindAncestor<TOtherNode>(), nullptr);
    EXPECT_EQ(other->FindSelfOrAncestor<TOtherNode>(), other);
    EXPECT_EQ(leaf->FindAncestorInterface<ITestIntf>(), static_cast<ITestIntf*>(intf));
    EXPECT_EQ(intf->FindAncestorInterface<ITestIntf>(), nullptr);

    std::vector<TNode*> all;
    root->CollectAll(all, TLogNode::StaticClass());
    EXPECT_EQ(all.size(), 9u);
    EXPECT_EQ(root->CollectAll<TOtherNode>().size(), 1u);
    std::vector<TNode*> children;
    root->CollectChildren(children, false);
    EXPECT_EQ(children, (std::vector<TNode*>{a, b}));

    TNode* single = nullptr;
    EXPECT_TRUE(other->SingleChild(TLogNode::StaticClass(), &single));
    EXPECT_EQ(single, intf);
    EXPECT_FALSE(a->SingleChild(nullptr, &single));
    EXPECT_EQ(single, nullptr);

    EXPECT_TRUE(TIntfNode::StaticClass()->InheritsFrom(TNode::StaticClass()));
    EXPECT_FALSE(TLogNode::StaticClass()->InheritsFrom(TOtherNode::StaticClass()));
    EXPECT_EQ(TMetaClass::FindClass(QStringLiteral("TOtherNode")), TOtherNode::StaticClass());
    TNodePtr<TNode> made = TOtherNode::StaticClass()->CreateNode();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->ClassType(), TOtherNode::StaticClass());
}

void RecordName(TNode* node, void* data, void*)
{
    *static_cast<std::string*>(data) += static_cast<TLogNode*>(node)->FName + " ";
}

TEST_F(NodeTree, TraversalForwardIsDocumentOrderAndBackwardItsReverse)
{
    std::string visits;
    root->ForEach(RecordName, &visits, true);
    EXPECT_EQ(visits, "root a a1 a2 b b1 ");
    visits.clear();
    root->ForEach(RecordName, &visits, false);
    EXPECT_EQ(visits, "b1 b a2 a1 a root ");
    visits.clear();
    root->ForEachChild(RecordName, &visits, false, false);
    EXPECT_EQ(visits, "b a ");
}

class TMessageNode : public TNode
{
public:
    std::string* Log = nullptr;
    std::string Name;
    bool HandleMessage(int msg, void*, void*) override
    {
        *Log += Name + std::to_string(msg) + " ";
        return true;
    }
};

TEST(NodeMessages, UpWalkNeverStopsAndBroadcastFollowsForEach)
{
    std::string log;
    auto make = [&](const char* name, TNode* parent) {
        auto* node = new TMessageNode;
        node->Log = &log;
        node->Name = name;
        node->SetParent(parent);
        return node;
    };
    TMessageNode* top = make("t", nullptr);
    TMessageNode* mid = make("m", top);
    TMessageNode* low = make("l", mid);
    make("s", top);
    low->SendMessageUp(7);
    EXPECT_EQ(log, "l7 m7 t7 ");
    log.clear();
    low->SendMessageToAncestors(3);
    EXPECT_EQ(log, "m3 t3 ");
    log.clear();
    top->Broadcast(1, nullptr, false);
    EXPECT_EQ(log, "s1 l1 m1 t1 ");
    log.clear();
    top->BroadcastChildren(2, nullptr, false, true);
    EXPECT_EQ(log, "m2 s2 ");
    top->Free();
}

TEST(NodeLifetime, FreeingANodeFreesItsSubtreeAndDetachesIt)
{
    int destroyed = 0;
    std::string log;
    auto* top = new TLogNode("top", &log);
    auto* mid = new TLogNode("mid", &log);
    mid->SetParent(top);
    for (int i = 0; i < 3; ++i) {
        auto* leaf = new TLogNode("leaf", nullptr);
        leaf->FDestroyed = &destroyed;
        leaf->SetParent(mid);
    }
    mid->FDestroyed = &destroyed;
    mid->Free();
    EXPECT_EQ(destroyed, 4);
    EXPECT_EQ(top->FirstChild(), nullptr);
    top->Free();
}

// Handler walk: last registered first; handlers may change the list while the walk runs.
class TNotifyProbe
{
public:
    TItfObject* Target = nullptr;
    std::string* Log = nullptr;
    std::string Name;
    bool RemoveSelf = false;
    TNotifyProbe* RemoveOther = nullptr;
    TNotifyProbe* AddOther = nullptr;

    TItfNotifyEvent Event() { return MakeNotifyEvent<&TNotifyProbe::Handle>(this); }
    TItfNotifyEvent OtherEvent() { return MakeNotifyEvent<&TNotifyProbe::Other>(this); }

    void Handle(TItfObject*, int notify, intptr_t, intptr_t)
    {
        *Log += Name + std::to_string(notify) + " ";
        if (RemoveSelf)
            Target->RemoveHandler(Event());
        if (RemoveOther != nullptr)
            Target->RemoveHandler(RemoveOther->Event());
        if (AddOther != nullptr) {
            for (int i = 0; i < 40; ++i) // forces reallocation of the handler list
                Target->AddHandler(AddOther->Event());
        }
    }
    void Other(TItfObject*, int, intptr_t, intptr_t) {}
};

TEST(ItfObject, HandlersAreCalledLastFirstAndMayChangeTheList)
{
    TItfObject target;
    std::string log;
    TNotifyProbe p1{&target, &log, "a"}, p2{&target, &log, "b"}, p3{&target, &log, "c"},
        late{&target, &log, "x"};
    target.AddHandler(p1.Event());
    target.AddHandler(p2.Event());
    target.AddHandler(p3.Event());
    target.Notify(5);
    EXPECT_EQ(log, "c5 b5 a5 ");

    // b removes itself and adds many late handlers (the list reallocates); the walk goes on below c,
    // the last handler called, and does not call the late ones.
    log.clear();
    p2.RemoveSelf = true;
    p2.AddOther = &late;
    target.Notify(1);
    EXPECT_EQ(log, "c1 b1 a1 ");
    EXPECT_EQ(target.HandlerCount(), 42);
    EXPECT_EQ(target.IndexOfHandler(p2.Event()), -1);
}

TEST(ItfObject, WalkEndsWhenTheHandlerAndTheLastCalledOneAreGone)
{
    TItfObject target;
    std::string log;
    TNotifyProbe p1{&target, &log, "a"}, p2{&target, &log, "b"}, p3{&target, &log, "c"};
    target.AddHandler(p1.Event());
    target.AddHandler(p2.Event());
    target.AddHandler(p3.Event());
    p2.RemoveSelf = true;
    p2.RemoveOther = &p3;
    target.Notify(2);
    EXPECT_EQ(log, "c2 b2 ");
    EXPECT_EQ(target.HandlerCount(), 1);
}

TEST(ItfObject, EqualityAndDuplicates)
{
    TItfObject target;
    std::string log;
    TNotifyProbe p{&target, &log, "p"}, q{&target, &log, "q"};
    EXPECT_EQ(p.Event(), p.Event());
    EXPECT_NE(p.Event(), q.Event());
    EXPECT_NE(p.Event(), p.OtherEvent());
    target.AddHandler(p.Event());
    target.AddHandler(q.Event());
    target.AddHandler(p.Event());
    EXPECT_EQ(target.IndexOfHandler(p.Event()), 2);
    target.RemoveHandler(p.Event()); // the later duplicate goes
    EXPECT_EQ(target.IndexOfHandler(p.Event()), 0);
    EXPECT_EQ(target.IndexOfHandler(q.Event()), 1);
    target.RemoveHandler(p.OtherEvent()); // not registered: nothing happens
    EXPECT_EQ(target.HandlerCount(), 2);
}

TEST(ItfObject, SelfReplacingHandlerWithoutPredecessorEnds)
{
    // The first handler called removes itself and re-adds itself at the top: the walk restarts,
    // and must still end.
    TItfObject target;
    int calls = 0;
    struct TReplacer
    {
        TItfObject* Target;
        int* Calls;
        void Handle(TItfObject*, int, intptr_t, intptr_t)
        {
            ++*Calls;
            Target->RemoveHandler(MakeNotifyEvent<&TReplacer::Handle>(this));
            Target->AddHandler(MakeNotifyEvent<&TReplacer::Other>(this));
        }
        void Other(TItfObject*, int, intptr_t, intptr_t) { ++*Calls; }
    } replacer{&target, &calls};
    target.AddHandler(MakeNotifyEvent<&TReplacer::Handle>(&replacer));
    target.Notify(0);
    EXPECT_EQ(calls, 2); // the restart calls the newly added handler once
}

} // namespace
} // namespace qv
