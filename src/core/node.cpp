#include "core/node.h"

#include "core/lists.h"

namespace qv {

const TNode::TMetaType* TNode::StaticClass() noexcept
{
    static const TMetaType meta("TNode", nullptr);
    return &meta;
}

const TMetaClass* TNode::ClassType() const noexcept
{
    return StaticClass();
}

namespace {

using TSiblings = TBidirectionalList<TNode>;

} // namespace

TNode::~TNode()
{
    SetParent(nullptr);
    DeleteChildren();
}

void TNode::Free()
{
    BeforeDestruction();
    delete this;
}

void TNodeFree::operator()(TNode* node) const
{
    node->Free();
}

bool TNode::HandleMessage(int, void*, void*)
{
    return false;
}

void TNode::ChildInserting(TNode*, TNode*) {}

void TNode::ParentChanging(TNode* newParent, TNode* before)
{
    if (newParent != nullptr)
        newParent->ChildInserting(this, before);
}

// The sibling links are private, so the list routines reach them through these accessors.
const TBidirectionalList<TNode>::TLinks& TNode::SiblingLinks()
{
    static const TSiblings::TLinks links{[](const TNode* n) { return n->FNextSibling; },
                                         [](const TNode* n) { return n->FPrevSibling; },
                                         [](TNode* n, TNode* l) { n->FNextSibling = l; },
                                         [](TNode* n, TNode* l) {
                                             n->FPrevSibling = l;
                                         }};
    return links;
}

void TNode::Link(TNode* parent, TNode* before)
{
    TSiblings::Insert(this, before, parent->FFirstChild, parent->FLastChild, SiblingLinks());
    FParent = parent;
}

void TNode::AppendUnobserved(TNode* child)
{
    child->FParent = this;
    child->FPrevSibling = FLastChild;
    if (FLastChild != nullptr)
        FLastChild->FNextSibling = child;
    else
        FFirstChild = child;
    FLastChild = child;
}

void TNode::Unlink()
{
    TSiblings::Remove(this, FParent->FFirstChild, FParent->FLastChild, SiblingLinks());
    FParent = nullptr;
}

void TNode::SetParent(TNode* newParent, TNode* before)
{
    if (newParent != nullptr && newParent == FParent) {
        if (before == FNextSibling)
            return;
        ParentChanging(newParent, before);
        Unlink();
        Link(newParent, before);
        ParentChanged();
        newParent->ChildrenChanged();
        return;
    }
    if (newParent == nullptr && FParent == nullptr)
        return;
    ParentChanging(newParent, before);
    if (TNode* oldParent = FParent) {
        Unlink();
        ParentChanged();
        oldParent->ChildrenChanged();
    }
    if (newParent != nullptr) {
        Link(newParent, before);
        ParentChanged();
        newParent->ChildrenChanged();
    }
}

void TNode::DeleteChildren()
{
    while (FFirstChild != nullptr)
        FFirstChild->Free();
}

int TNode::Index() const
{
    if (FParent == nullptr)
        return -1;
    int index = 0;
    for (const TNode* node = FParent->FFirstChild; node != this; node = node->FNextSibling)
        ++index;
    return index;
}

int TNode::Level() const
{
    int level = 0;
    for (const TNode* node = FParent; node != nullptr; node = node->FParent)
        ++level;
    return level;
}

TNode* TNode::Root() const
{
    const TNode* node = this;
    while (node->FParent != nullptr)
        node = node->FParent;
    return const_cast<TNode*>(node);
}

int TNode::ChildCount() const
{
    int count = 0;
    for (const TNode* node = FFirstChild; node != nullptr; node = node->FNextSibling)
        ++count;
    return count;
}

TNode* TNode::ChildAt(int index) const
{
    return TDirectionalList<TNode>::ItemAt(FFirstChild, index,
                                           [](const TNode* n) { return n->FNextSibling; });
}

bool TNode::IsAncestorOf(const TNode* node) const
{
    if (node == nullptr)
        return false;
    for (const TNode* p = node->FParent; p != nullptr; p = p->FParent) {
        if (p == this)
            return true;
    }
    return false;
}

bool TNode::IsBefore(const TNode* node) const
{
    if (FParent == nullptr)
        return true;
    if (node == this || node == nullptr || node->FParent == nullptr)
        return false;
    const TNode* mine = this;
    const TNode* other = node;
    int myLevel = Level();
    int otherLevel = node->Level();
    while (myLevel > otherLevel) {
        mine = mine->FParent;
        --myLevel;
    }
    while (otherLevel > myLevel) {
        other = other->FParent;
        --otherLevel;
    }
    if (mine == node)
        return false; // `node` is an ancestor of this node
    if (other == this)
        return true; // this node is an ancestor of `node`
    while (mine->FParent != other->FParent) {
        mine = mine->FParent;
        other = other->FParent;
        if (mine == nullptr || other == nullptr)
            return false; // different trees
    }
    return TDirectionalList<TNode>::IsBefore(mine, other, [](const TNode* n) { return n->FNextSibling; });
}

TNode* TNode::DocumentPrev() const
{
    if (FPrevSibling == nullptr)
        return FParent;
    TNode* node = FPrevSibling;
    while (node->FLastChild != nullptr)
        node = node->FLastChild;
    return node;
}

TNode* TNode::DocumentNext() const
{
    if (FFirstChild != nullptr)
        return FFirstChild;
    for (const TNode* node = this; node != nullptr; node = node->FParent) {
        if (node->FNextSibling != nullptr)
            return node->FNextSibling;
    }
    return nullptr;
}

int TNode::DocumentIndex() const
{
    int index = 0;
    for (const TNode* node = DocumentPrev(); node != nullptr; node = node->DocumentPrev())
        ++index;
    return index;
}

TNode* TNode::FindAncestor(const TMetaClass* cls) const
{
    for (TNode* node = FParent; node != nullptr; node = node->FParent) {
        if (IsInstanceOf(node, cls))
            return node;
    }
    return nullptr;
}

TNode* TNode::FindSelfOrAncestor(const TMetaClass* cls) const
{
    if (IsInstanceOf(this, cls))
        return const_cast<TNode*>(this);
    return FindAncestor(cls);
}

bool TNode::SingleChild(const TMetaClass* cls, TNode** child) const
{
    const bool single = FFirstChild != nullptr && FFirstChild == FLastChild && IsInstanceOf(FFirstChild, cls);
    if (child != nullptr)
        *child = single ? FFirstChild : nullptr;
    return single;
}

void TNode::ForEach(TNodeProc proc, void* data, bool forward, void* extra)
{
    if (forward) {
        proc(this, data, extra);
        ForEachChild(proc, data, true, true, extra);
    } else {
        ForEachChild(proc, data, true, false, extra);
        proc(this, data, extra);
    }
}

void TNode::ForEachChild(TNodeProc proc, void* data, bool recursive, bool forward, void* extra)
{
    // The next sibling is taken before the visit, so a visitor may move or free the visited node.
    if (forward) {
        for (TNode* node = FFirstChild; node != nullptr;) {
            TNode* next = node->FNextSibling;
            if (recursive)
                node->ForEach(proc, data, true, extra);
            else
                proc(node, data, extra);
            node = next;
        }
    } else {
        for (TNode* node = FLastChild; node != nullptr;) {
            TNode* prev = node->FPrevSibling;
            if (recursive)
                node->ForEach(proc, data, false, extra);
            else
                proc(node, data, extra);
            node = prev;
        }
    }
}

void TNode::CollectAll(std::vector<TNode*>& list, const TMetaClass* cls)
{
    if (IsInstanceOf(this, cls))
        list.push_back(this);
    CollectChildren(list, true, cls);
}

void TNode::CollectChildren(std::vector<TNode*>& list, bool recursive, const TMetaClass* cls)
{
    for (TNode* node = FFirstChild; node != nullptr; node = node->FNextSibling) {
        if (recursive)
            node->CollectAll(list, cls);
        else if (IsInstanceOf(node, cls))
            list.push_back(node);
    }
}

bool TNode::SendMessage(int msg, void* param, void* data)
{
    return HandleMessage(msg, param, data);
}

void TNode::SendMessageUp(int msg, void* param, void* data)
{
    for (TNode* node = this; node != nullptr; node = node->FParent)
        node->HandleMessage(msg, param, data);
}

void TNode::SendMessageToAncestors(int msg, void* param, void* data)
{
    for (TNode* node = FParent; node != nullptr; node = node->FParent)
        node->HandleMessage(msg, param, data);
}

namespace {

struct TBroadcastData
{
    int Msg;
    void* Param;
    void* Data;
};

void BroadcastProc(TNode* node, void* data, void*)
{
    const auto* message = static_cast<const TBroadcastData*>(data);
    node->HandleMessage(message->Msg, message->Param, message->Data);
}

} // namespace

void TNode::Broadcast(int msg, void* param, bool forward, void* data)
{
    TBroadcastData message{msg, param, data};
    ForEach(BroadcastProc, &message, forward);
}

void TNode::BroadcastChildren(int msg, void* param, bool recursive, bool forward, void* data)
{
    TBroadcastData message{msg, param, data};
    ForEachChild(BroadcastProc, &message, recursive, forward);
}

} // namespace qv
