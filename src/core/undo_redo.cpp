#include "core/undo_redo.h"

#include <exception>

namespace qv {

// Keeps an operation on the running stack for the length of its run, exceptions included.
class TUndoRedo::TRunningEntry
{
public:
    TRunningEntry(TUndoRedo& owner, TOperation* operation) : FOwner(owner)
    {
        FOwner.FRunning.push_back(operation);
    }
    ~TRunningEntry() { FOwner.FRunning.pop_back(); }
    TRunningEntry(const TRunningEntry&) = delete;
    TRunningEntry& operator=(const TRunningEntry&) = delete;

private:
    TUndoRedo& FOwner;
};

namespace {

intptr_t AsParam(TOperation* operation)
{
    return reinterpret_cast<intptr_t>(operation);
}

} // namespace

void TUndoRedo::SetModified(bool value)
{
    FCleanKnown = !value;
    FCleanPoint = value ? nullptr : NextUndo();
    SetModifiedFlag(value);
}

void TUndoRedo::SetModifiedFlag(bool value)
{
    if (FModified == value)
        return;
    FModified = value;
    Notify(urnModified, value ? 1 : 0);
}

bool TUndoRedo::AtCleanPoint() const
{
    if (!FCleanKnown)
        return false;
    // The operations between here and the clean point: after it in the history, or up to and
    // including it in the redo list.
    const TNode* first = FUndoList.FirstChild();
    const TNode* last = nullptr;
    if (FCleanPoint != nullptr && FCleanPoint->Parent() == &FUndoList) {
        first = FCleanPoint->NextSibling();
    } else if (FCleanPoint != nullptr) {
        first = FRedoList.FirstChild();
        last = FCleanPoint;
    }
    for (const TNode* node = first; node != nullptr; node = node->NextSibling()) {
        if (static_cast<const TOperation*>(node)->Flags() & ofModifies)
            return false;
        if (node == last)
            break;
    }
    return true;
}

void TUndoRedo::ForgetCleanPointIn(const TNode& list)
{
    if (FCleanPoint != nullptr && FCleanPoint->Parent() == &list) {
        FCleanKnown = false;
        FCleanPoint = nullptr;
    }
}

TOperation* TUndoRedo::NextUndo() const
{
    return static_cast<TOperation*>(FUndoList.LastChild());
}

TOperation* TUndoRedo::NextRedo() const
{
    return static_cast<TOperation*>(FRedoList.FirstChild());
}

bool TUndoRedo::ListRunning(const TNode& list) const
{
    for (const TOperation* operation : FRunning) {
        if (operation->Root() == &list)
            return true;
    }
    return false;
}

void TUndoRedo::Clear()
{
    if (ListRunning(FUndoList) || ListRunning(FRedoList)) {
        FDelayedClear = true;
        return;
    }
    FDelayedClear = false;
    FDelayedClearRedo = false;
    FCleanKnown = !FModified;
    FCleanPoint = nullptr;
    FUndoList.DeleteChildren();
    FRedoList.DeleteChildren();
    Notify(urnCleared);
}

void TUndoRedo::ClearRedo()
{
    if (ListRunning(FRedoList)) {
        FDelayedClearRedo = true;
        return;
    }
    ForgetCleanPointIn(FRedoList);
    FRedoList.DeleteChildren();
}

void TUndoRedo::FlushDelayed()
{
    if (!FRunning.empty())
        return;
    if (FDelayedClear) {
        Clear();
    } else if (FDelayedClearRedo) {
        FDelayedClearRedo = false;
        ForgetCleanPointIn(FRedoList);
        FRedoList.DeleteChildren();
    }
}

void TUndoRedo::RunFailed(bool partly, TOperationFlags flags)
{
    if (partly) {
        if (flags & ofModifies)
            SetModifiedFlag(true);
        Clear();
    }
    FlushDelayed();
}

void TUndoRedo::Execute(TNodePtr<TOperation> operation)
{
    if (!operation)
        return;
    TOperation* const op = operation.get();
    try {
        TRunningEntry running(*this, op);
        op->Run(osDoing);
    } catch (...) {
        const bool partly = op->PartlyRun();
        const TOperationFlags flags = partly ? op->Flags() : 0;
        operation.reset();
        RunFailed(partly, flags);
        throw;
    }

    const TOperationFlags flags = op->Flags();
    if (flags & ofModifies)
        SetModifiedFlag(true);
    if (flags & ofNoUndo) {
        operation.reset();
        if (flags & ofModifies)
            Clear();
        FlushDelayed();
        return;
    }

    ClearRedo();
    TNode* const parent = FRunning.empty() ? &FUndoList : FRunning.back();
    op->SetParent(parent);
    operation.release(); // owned by `parent` now
    TOperation* holder = op;
    // Nothing merges into the clean point's operation: undoing the merged step would skip over the
    // saved state, and the document could never be clean again.
    if (auto* previous = static_cast<TOperation*>(op->PrevSibling());
        previous != nullptr && previous != FCleanPoint && op->MergeInto(previous)) {
        op->Free();
        holder = previous;
    }
    Notify(urnAdded, AsParam(holder));
    FlushDelayed();
}

bool TUndoRedo::Undo()
{
    TOperation* const op = NextUndo();
    if (op == nullptr || !FRunning.empty())
        return false;
    try {
        TRunningEntry running(*this, op);
        op->Run(osUndoing);
    } catch (...) {
        RunFailed(op->PartlyRun(), op->Flags());
        throw;
    }
    op->SetParent(&FRedoList, FRedoList.FirstChild());
    SetModifiedFlag(!AtCleanPoint());
    Notify(urnUndone, AsParam(op));
    FlushDelayed();
    return true;
}

bool TUndoRedo::Redo()
{
    TOperation* const op = NextRedo();
    if (op == nullptr || !FRunning.empty())
        return false;
    try {
        TRunningEntry running(*this, op);
        op->Run(osRedoing);
    } catch (...) {
        RunFailed(op->PartlyRun(), op->Flags());
        throw;
    }
    op->SetParent(&FUndoList);
    SetModifiedFlag(!AtCleanPoint());
    Notify(urnRedone, AsParam(op));
    FlushDelayed();
    return true;
}

void TUndoRedo::BeginGroup(TNodePtr<TGroupingOperation> group)
{
    const bool opens = FGroupDepth == 0 && FRunning.empty() && group != nullptr;
    ++FGroupDepth;
    if (!opens)
        return; // `group` is freed here
    FRunning.push_back(group.get());
    group->FState = osDoing;
    try {
        group->BeginRun();
    } catch (...) {
        group->FState = osIdle;
        FRunning.pop_back();
        --FGroupDepth;
        throw;
    }
    FOpenGroup = std::move(group);
}

void TUndoRedo::EndGroup()
{
    if (FGroupDepth == 0)
        return;
    if (FGroupDepth == 1 && FOpenGroup != nullptr && FRunning.back() != FOpenGroup.get())
        return;
    if (--FGroupDepth > 0 || FOpenGroup == nullptr)
        return;

    TNodePtr<TGroupingOperation> group = std::move(FOpenGroup);
    std::exception_ptr failure;
    try {
        group->EndRun();
    } catch (...) {
        // The sub-operations have made their changes: the group goes into the history all the same.
        failure = std::current_exception();
    }
    group->FState = osIdle;
    FRunning.pop_back();
    if (group->FirstChild() != nullptr) {
        TGroupingOperation* const entry = group.release();
        entry->SetParent(&FUndoList);
        Notify(urnAdded, AsParam(entry));
    }
    group.reset();
    FlushDelayed();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace qv
