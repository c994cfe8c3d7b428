#include "naming/namespace_item.h"

#include "elements/element.h"
#include "naming/namespace.h"

#include <QHash>
#include <QVarLengthArray>

#include <mutex>

namespace qv {

// ---------------------------------------------------------------------------------------------------
// TReference

TReference::~TReference()
{
    if (FTarget != nullptr) {
        TNamespaceItem* target = FTarget;
        FTarget = nullptr;
        target->RemoveReference(this);
    }
}

void TReference::SetTarget(TNamespaceItem* target)
{
    if (target == FTarget)
        return;
    TNamespaceItem* old = FTarget;
    if (old != nullptr)
        old->RemoveReference(this);
    FTarget = target;
    if (target != nullptr)
        target->AddReference(this);
    TargetChanged();
    SetCyclic(false);
    if (old != nullptr)
        SearchReferenceCycles(old);
    if (target != nullptr)
        SearchReferenceCycles(target);
}

void TReference::SetCyclic(bool value)
{
    if (value == FCyclic)
        return;
    FCyclic = value;
    CyclicChanged();
}

void TReference::TargetChanged() {}

void TReference::CyclicChanged() {}

namespace {

// Items whose search has completed within one search, with whether they reach a cycle: an item
// that reaches none reaches nothing on any later stack either, and one that reaches a cycle
// always finds it again, so the answer stays true for the rest of the search. Without it, shared
// references make the walk exponential.
using TCycleMemo = QHash<TNamespaceItem*, bool>;

using TCycleStack = QVarLengthArray<TNamespaceItem*, 32>;

int SearchCycles(TNamespaceItem* item, TCycleStack& stack, TCycleMemo& memo)
{
    const qsizetype position = stack.indexOf(item);
    if (position >= 0)
        return static_cast<int>(position);
    if (auto done = memo.constFind(item); done != memo.constEnd())
        return *done ? static_cast<int>(stack.size()) : -1;
    QList<TReference*> dependencies;
    item->CollectDependencies(dependencies);
    if (dependencies.isEmpty())
        return -1;
    stack.append(item);
    int kept = -1;
    for (TReference* dependency : dependencies) {
        if (dependency->Target() == nullptr)
            continue;
        const int result = SearchCycles(dependency->Target(), stack, memo);
        dependency->SetCyclic(result >= 0);
        if (result >= 0 && (kept < 0 || result < kept))
            kept = result;
    }
    stack.removeLast();
    // The item a search starts from is met again only on the stack.
    if (!stack.isEmpty())
        memo.insert(item, kept >= 0);
    return kept;
}

} // namespace

int SearchReferenceCycles(TNamespaceItem* item)
{
    TCycleStack stack;
    TCycleMemo memo;
    return SearchCycles(item, stack, memo);
}

// ---------------------------------------------------------------------------------------------------
// TNamespaceItem

TNamespaceItem::~TNamespaceItem()
{
    // Freed without Free(): no virtual call is possible any more, so references that still point
    // here only lose their target.
    for (TReference* reference : FReferences) {
        if (reference->FTarget == this)
            reference->FTarget = nullptr;
    }
}

void TNamespaceItem::Free()
{
    BeforeDestruction();
    delete this;
}

void TNamespaceItem::BeforeDestruction()
{
    // Owners normally drop their references on nnItemRemoved; a reference left over would dangle.
    while (!FReferences.isEmpty()) {
        TReference* reference = FReferences.last();
        if (reference->Target() == this)
            reference->SetTarget(nullptr); // leaves the list through RemoveReference
        FReferences.removeAll(reference);
    }
}

int TNamespaceItem::ReferenceCount() const
{
    int count = 0;
    for (const TReference* reference : FReferences) {
        if (!reference->Uncounted())
            ++count;
    }
    return count;
}

void TNamespaceItem::SetState(TNameState state)
{
    if (state == FState)
        return;
    FState = state;
    StateChanged();
}

void TNamespaceItem::StateChanged() {}

void TNamespaceItem::RemoveReference(TReference* reference)
{
    TakeReference(reference);
}

void TNamespaceItem::AddReference(TReference* reference)
{
    AppendReference(reference);
}

bool TNamespaceItem::ComesThrough(const TNamespaceConnection*) const
{
    return false;
}

bool TNamespaceItem::ComesThroughClass(const TElementClass*) const
{
    return false;
}

// ---------------------------------------------------------------------------------------------------
// TNamespaceOwnItem

TNamespaceOwnItem::~TNamespaceOwnItem()
{
    // Freed without Free(): leave the namespace without announcing (the subclass is gone already).
    if (FNamespace != nullptr && FRegistered) {
        FNamespace->FItems.removeOne(this);
        FNamespace->UnindexItem(this);
    }
}

void TNamespaceOwnItem::Register()
{
    if (FRegistered || FNamespace == nullptr)
        return;
    FRegistered = true;
    FNamespace->AddItem(this);
}

QString TNamespaceOwnItem::IdPath() const
{
    return FOwner != nullptr ? QString::number(FOwner->ID()) : QString();
}

void TNamespaceOwnItem::StateChanged()
{
    if (FNamespace != nullptr)
        FNamespace->ItemNotify(nnItemStateChanged, this);
}

void TNamespaceOwnItem::RemoveReference(TReference* reference)
{
    if (FNamespace == nullptr) {
        TakeReference(reference);
        return;
    }
    std::lock_guard lock(FNamespace->Lock());
    TakeReference(reference);
}

void TNamespaceOwnItem::AddReference(TReference* reference)
{
    if (FNamespace == nullptr) {
        AppendReference(reference);
        return;
    }
    std::lock_guard lock(FNamespace->Lock());
    AppendReference(reference);
}

void TNamespaceOwnItem::NotifyImageChanged()
{
    if (FNamespace != nullptr && FRegistered && !References().isEmpty())
        FNamespace->ItemNotify(nnItemImageChanged, this);
}

void TNamespaceOwnItem::NotifyEnabledChanged()
{
    if (FNamespace != nullptr && FRegistered)
        FNamespace->ItemNotify(nnItemEnabledChanged, this);
}

void TNamespaceOwnItem::NotifyIdChanged()
{
    if (FNamespace != nullptr && FRegistered && !References().isEmpty()) {
        const QString path = IdPath();
        FNamespace->ItemNotify(nnItemIdChanged, this, &path);
    }
}

void TNamespaceOwnItem::NotifyExpandedChanged()
{
    if (FNamespace != nullptr && FRegistered && !References().isEmpty())
        FNamespace->ItemNotify(nnItemExpandedChanged, this);
}

void TNamespaceOwnItem::NotifyChanged()
{
    if (FNamespace != nullptr && FRegistered)
        FNamespace->ItemNotify(nnItemChanged, this);
}

void TNamespaceOwnItem::NotifyRenamed()
{
    if (FNamespace != nullptr && FRegistered)
        FNamespace->ItemNotify(nnItemRenamed, this);
}

void TNamespaceOwnItem::CheckNames()
{
    if (FNamespace != nullptr)
        FNamespace->CheckNames();
}

void TNamespaceOwnItem::BeforeDestruction()
{
    if (FNamespace != nullptr && FRegistered) {
        FNamespace->RemoveItem(this);
        FRegistered = false;
    }
    TNamespaceItem::BeforeDestruction();
}

} // namespace qv
