#pragma once

#include "core/node.h"

#include <QString>

#include <cstdint>

namespace qv {

// What an operation is running at the moment.
enum TOperationState : uint8_t
{
    osIdle = 0,
    osDoing = 1,
    osUndoing = 2,
    osRedoing = 3,
};

// Bits of TOperation::Flags.
using TOperationFlags = uint32_t;
enum : TOperationFlags
{
    ofModifies = 0x01, // the operation changes the document (sets Modified)
    ofNoUndo = 0x02,   // cannot be undone; together with ofModifies executing it clears the whole history
};

// One undoable change. Its children are its sub-operations (only operations may be children): they are
// done and redone before the operation's own DoRun and undone after its own UndoRun, last to first.
// Operations never keep pointers to elements between runs; they find them again by ID.
//
// Contract of the hooks: DoRun and UndoRun either make their whole change or throw having made none of
// it. Run builds on that to keep a failing run all-or-nothing (see Run).
class TOperation : public TNode
{
    QV_CLASS(TOperation, TNode)

    TOperation() = default;

    TOperationState State() const { return FState; }

    // Runs the operation: how = osDoing (the first time), osUndoing or osRedoing. The order is
    // BeginRun; sub-operations first to last, then DoRun (do, redo) — or UndoRun, then sub-operations
    // last to first (undo); then EndRun. EndRun runs whenever BeginRun succeeded, also after a failure;
    // State is back to osIdle on every way out.
    //
    // When a step fails, the steps of this run that already completed are taken back (sub-operations
    // undone, or for an undo redone together with the operation's own change) before the error passes
    // on, so the document is as before the run. When taking back fails as well, PartlyRun() is true:
    // the document is then in a state that no history describes.
    //
    // Sub-operations that are added while the run goes on (operations executed from inside this one)
    // have already run and are not run again by it.
    void Run(TOperationState how);

    // True after a failed Run that could not take back all it had done.
    bool PartlyRun() const { return FPartlyRun; }

    // The caption shown in the Undo and Redo menu items; empty by default.
    virtual QString GetCaption() const;
    // ofModifies by default.
    virtual TOperationFlags Flags() const;
    // Called after the operation was executed and appended behind `previous` (its previous sibling in the
    // history or in a running operation). Returns true when it has merged its effect into `previous`;
    // the operation is then freed.
    virtual bool MergeInto(TOperation* previous);

protected:
    // Called at the end of every run whose BeginRun succeeded, also when the run failed.
    virtual void EndRun() {}
    // Called at the start of every run.
    virtual void BeginRun() {}
    // The change itself, for doing and for redoing: State() tells which.
    virtual void DoRun() {}
    // The reverse change.
    virtual void UndoRun() {}

    // Only operations can become sub-operations.
    void ChildInserting(TNode* child, TNode* before) override;

private:
    friend class TUndoRedo; // opens and closes groups, which run across many calls

    void RunForward(TOperationState how);
    void RunBackward();

    TOperationState FState = osIdle;
    bool FPartlyRun = false;
};

// A container whose sub-operations form one undo step. Its flags are the union of its sub-operations'
// flags; without a caption of its own it shows the caption of its first sub-operation.
class TGroupingOperation : public TOperation
{
    QV_CLASS(TGroupingOperation, TOperation)

    TGroupingOperation() = default;
    explicit TGroupingOperation(QString caption) : FCaption(std::move(caption)) {}

    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& caption) { FCaption = caption; }

    QString GetCaption() const override;
    TOperationFlags Flags() const override;

private:
    QString FCaption;
};

} // namespace qv
