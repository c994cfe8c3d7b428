#pragma once

#include "core/itf_object.h"
#include "core/lists.h"
#include "core/meta_class.h"

#include <memory>
#include <vector>

namespace qv {

class TNode;

// Visitor of ForEach and ForEachChild.
using TNodeProc = void (*)(TNode* node, void* data, void* extra);

// A node of an ordered tree. The tree owns its nodes: destroying a node destroys its subtree. Every
// structural change goes through SetParent, which calls the hooks ParentChanging (→ ChildInserting on
// the new parent) before any link changes, then ParentChanged on the node and ChildrenChanged on the
// parent(s) afterwards.
//
// Nodes are freed with Free(), which runs BeforeDestruction() while the whole object still exists
// (destructors never rely on virtual calls), then deletes the node: it detaches itself from its
// parent and frees its children.
class TNode : public TItfObject
{
public:
    template <class C>
    using TMetaFor = TMetaClassImpl<C, TMetaClass>;
    using TMetaType = TMetaFor<TNode>;
    static const TMetaType* StaticClass() noexcept;
    virtual const TMetaClass* ClassType() const noexcept;

    TNode() = default;
    ~TNode() override;

    void Free();

    TNode* FirstChild() const { return FFirstChild; }
    TNode* LastChild() const { return FLastChild; }
    TNode* PrevSibling() const { return FPrevSibling; }
    TNode* NextSibling() const { return FNextSibling; }
    TNode* Parent() const { return FParent; }

    // Tree messages: small integers whose meaning each family defines. Returns whether handled.
    virtual bool HandleMessage(int msg, void* param, void* data);

    // Moves the node in front of `before` (a child of `newParent`, or null for the end). Setting no
    // parent detaches the node without freeing it; the caller then owns it.
    void SetParent(TNode* newParent, TNode* before = nullptr);
    void DeleteChildren();

    int Index() const;
    int Level() const;
    TNode* Root() const;
    int ChildCount() const;
    TNode* ChildAt(int index) const;
    bool IsAncestorOf(const TNode* node) const;
    bool IsBefore(const TNode* node) const;
    TNode* DocumentPrev() const;
    TNode* DocumentNext() const;
    int DocumentIndex() const;

    TNode* FindAncestor(const TMetaClass* cls) const;
    TNode* FindSelfOrAncestor(const TMetaClass* cls) const;
    template <class C>
    C* FindAncestor() const
    {
        return static_cast<C*>(FindAncestor(C::StaticClass()));
    }
    template <class C>
    C* FindSelfOrAncestor() const
    {
        return static_cast<C*>(FindSelfOrAncestor(C::StaticClass()));
    }
    // The nearest proper ancestor implementing interface I, or nullptr.
    template <class I>
    I* FindAncestorInterface() const
    {
        for (TNode* node = FParent; node != nullptr; node = node->FParent) {
            if (I* intf = dynamic_cast<I*>(node))
                return intf;
        }
        return nullptr;
    }
    // True, with the child, when the node has exactly one child and it is an instance of `cls`.
    bool SingleChild(const TMetaClass* cls, TNode** child = nullptr) const;

    // Forward visits in document order; backward is exactly its reverse (children last to first, a
    // node after its subtree).
    void ForEach(TNodeProc proc, void* data = nullptr, bool forward = true, void* extra = nullptr);
    void ForEachChild(TNodeProc proc, void* data = nullptr, bool recursive = false, bool forward = true,
                      void* extra = nullptr);

    // Appends the node (CollectAll only) and its descendants that are instances of `cls` (null: any
    // class) in document order.
    void CollectAll(std::vector<TNode*>& list, const TMetaClass* cls = nullptr);
    void CollectChildren(std::vector<TNode*>& list, bool recursive, const TMetaClass* cls = nullptr);
    template <class C>
    std::vector<C*> CollectAll()
    {
        std::vector<TNode*> nodes;
        CollectAll(nodes, C::StaticClass());
        std::vector<C*> result;
        result.reserve(nodes.size());
        for (TNode* node : nodes)
            result.push_back(static_cast<C*>(node));
        return result;
    }

    bool SendMessage(int msg, void* param = nullptr, void* data = nullptr);
    // HandleMessage on the node and every ancestor; results are ignored, the walk never stops early.
    void SendMessageUp(int msg, void* param = nullptr, void* data = nullptr);
    void SendMessageToAncestors(int msg, void* param = nullptr, void* data = nullptr);
    void Broadcast(int msg, void* param = nullptr, bool forward = true, void* data = nullptr);
    void BroadcastChildren(int msg, void* param = nullptr, bool recursive = true, bool forward = true,
                           void* data = nullptr);

protected:
    // Runs while the whole object still exists, before the node detaches itself and frees its children.
    virtual void BeforeDestruction() {}
    // Called on the node after its Parent changed (during a move between parents: twice, the first
    // time while the node has no parent).
    virtual void ParentChanged() {}
    // Called on a parent after a child was inserted, removed or moved.
    virtual void ChildrenChanged() {}
    // Called on the future parent before `child` is linked in front of `before`; may throw to veto.
    virtual void ChildInserting(TNode* child, TNode* before);
    // Called on the node before it moves; the default asks the new parent (ChildInserting). May throw.
    virtual void ParentChanging(TNode* newParent, TNode* before);
    // Links `child`, a new node without a parent, as the last child without calling any hook: for a
    // reader that builds a tree of plain nodes nobody observes yet. The caller does what the hooks of
    // its classes would have done.
    void AppendUnobserved(TNode* child);

private:
    static const TBidirectionalList<TNode>::TLinks& SiblingLinks();
    void Link(TNode* parent, TNode* before);
    void Unlink();

    TNode* FFirstChild = nullptr;
    TNode* FLastChild = nullptr;
    TNode* FPrevSibling = nullptr;
    TNode* FNextSibling = nullptr;
    TNode* FParent = nullptr;
};

} // namespace qv
