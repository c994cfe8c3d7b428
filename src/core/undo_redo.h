#pragma once

#include "core/itf_object.h"
#include "core/node.h"
#include "core/operation.h"

#include <vector>

namespace qv {

// Notification kinds of TUndoRedo (Notify's `notify`). For urnAdded, urnUndone and urnRedone, param1 is
// the TOperation* concerned (for urnAdded: the entry that now holds the change, which is the previous
// operation when the new one merged into it); for urnModified, param1 is the new value (0 or 1).
enum : int
{
    urnAdded = 1,
    urnUndone = 2,
    urnRedone = 3,
    urnModified = 4,
    urnCleared = 6,
};

// The undo manager of a document: the history of done operations, the list of undone ones, groups,
// the running stack and the modified flag. User-interface thread only.
//
// Operations running from the history (Undo, Redo) stay in their list while they run, so whatever
// would free a list during such a run — an operation that cannot be undone, a new operation discarding
// the redo list, Clear — is delayed until nothing runs any more.
class TUndoRedo : public TItfObject
{
public:
    TUndoRedo() = default;
    ~TUndoRedo() override = default;

    // Done operations in order: the last child is the next to undo.
    TNode* UndoList() { return &FUndoList; }
    // Undone operations: the first child is the next to redo.
    TNode* RedoList() { return &FRedoList; }

    // The document differs from its clean point: the place in the history where it was last saved or
    // loaded. Undo and Redo back onto the clean point clear it again; a history that lost the clean
    // point (cleared while modified, or the redo list holding it discarded) stays modified until the
    // next SetModified(false).
    bool Modified() const { return FModified; }
    // Reports urnModified when the value changes. False (a successful save) makes the present place
    // in the history the clean point; true forgets the clean point.
    void SetModified(bool value);

    int GroupDepth() const { return FGroupDepth; }
    TGroupingOperation* OpenGroup() const { return FOpenGroup.get(); }
    // Operations running now, innermost last (not owned).
    const std::vector<TOperation*>& Running() const { return FRunning; }

    // Runs the operation (osDoing) and takes ownership of it:
    //  - a failed run frees it and the error passes on; the history is unchanged (see TOperation::Run;
    //    when the run could not be taken back, the history is cleared and Modified set instead, since
    //    no entry describes the document any more);
    //  - ofModifies sets Modified;
    //  - ofNoUndo frees it, and with ofModifies clears the whole history;
    //  - otherwise the redo list is discarded and the operation appended to the history, or, while
    //    another operation runs, to that innermost running operation as its last sub-operation; then
    //    MergeInto(its previous sibling) is tried; urnAdded is reported.
    void Execute(TNodePtr<TOperation> operation);

    // Undoes the last operation of the history and moves it to the front of the redo list; reports
    // urnUndone. When its run fails and could be taken back, the operation stays where it was and the
    // error passes on. Returns false, doing nothing, when the history is empty or an operation or group
    // is running (the history must not move under it).
    bool Undo();
    // Redoes the first undone operation and appends it to the history; reports urnRedone. Failures and
    // the return value as for Undo.
    bool Redo();

    bool CanUndo() const { return FUndoList.FirstChild() != nullptr; }
    bool CanRedo() const { return FRedoList.FirstChild() != nullptr; }
    // What Undo and Redo would run (for the menu captions), or nullptr.
    TOperation* NextUndo() const;
    TOperation* NextRedo() const;

    // Frees both lists and reports urnCleared (delayed while an operation of the lists runs). An
    // unmodified document keeps its clean point at the start of the new history.
    void Clear();

    // Opens a group: the depth grows by one. When the depth was 0 and nothing runs, `group` becomes the
    // open group — it runs (osDoing, BeginRun) until the matching EndGroup, and every operation executed
    // meanwhile becomes one of its sub-operations. Otherwise `group` is freed: only the outermost group
    // of a nesting exists.
    void BeginGroup(TNodePtr<TGroupingOperation> group);
    // Closes a group: the depth shrinks by one. At depth 0 the open group's EndRun runs and it is
    // appended to the history (urnAdded) when it received sub-operations, otherwise freed. A call
    // without a matching BeginGroup is ignored (the depth never goes below 0), and so is one that would
    // close the open group while an operation executed inside the group still runs.
    void EndGroup();

private:
    class TRunningEntry;

    // True when an operation of `list` is running (its Undo or Redo is under way).
    bool ListRunning(const TNode& list) const;
    void ClearRedo();
    void SetModifiedFlag(bool value);
    // Whether running the history back or forth from here to the clean point changes nothing.
    bool AtCleanPoint() const;
    // Forgets the clean point when the operations of `list` are about to be freed and it is among them.
    void ForgetCleanPointIn(const TNode& list);
    // Carries out delayed clears once nothing runs any more.
    void FlushDelayed();
    // After a failed run: one that could not be taken back (partly) leaves the document in a state no
    // history describes, so the history goes and, for a modifying operation, Modified is set.
    void RunFailed(bool partly, TOperationFlags flags);

    TNode FUndoList;
    TNode FRedoList;
    bool FModified = false;
    // The operation that was last in the history at the clean point (null: the history's start);
    // meaningless while !FCleanKnown. Never dereferenced after it is freed: every path that frees
    // operations forgets the clean point first when it is among them.
    const TOperation* FCleanPoint = nullptr;
    bool FCleanKnown = true;
    int FGroupDepth = 0;
    TNodePtr<TGroupingOperation> FOpenGroup;
    std::vector<TOperation*> FRunning;
    bool FDelayedClear = false;
    bool FDelayedClearRedo = false;
};

} // namespace qv
