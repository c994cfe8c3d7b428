#pragma once

#include "core/operation.h"

#include <memory>

namespace qv {

class TKnot;
class TScheme;

// An undoable change of a scheme. With ClearMessages, every run opens an update bracket on the
// scheme's message list (the outermost clears it) and closes it at the end, so the messages of the
// run replace the old ones.
class TSchemeOperation : public TOperation
{
    QV_CLASS(TSchemeOperation, TOperation)

    explicit TSchemeOperation(TScheme* scheme = nullptr, bool clearMessages = false);

    TScheme* Scheme() const { return FScheme; }
    bool ClearMessages() const { return FClearMessages; }
    void SetClearMessages(bool value) { FClearMessages = value; }

    // Executes the operation through its scheme's undo manager, which takes it; a scheme without one
    // runs it once and frees it. Errors pass on.
    static void Post(TNodePtr<TSchemeOperation> operation);

protected:
    void BeginRun() override;
    void EndRun() override;

private:
    TScheme* FScheme;
    bool FClearMessages;
    bool FMessagesBracket = false;
};

// The outermost operation of a scheme's undo group (TScheme::BeginGroup).
class TSchemeGroupingOperation : public TGroupingOperation
{
    QV_CLASS(TSchemeGroupingOperation, TGroupingOperation)

    explicit TSchemeGroupingOperation(TScheme* scheme = nullptr, const QString& caption = QString(),
                                      bool clearMessages = false);

    TScheme* Scheme() const { return FScheme; }
    bool ClearMessages() const { return FClearMessages; }

protected:
    void BeginRun() override;
    void EndRun() override;

private:
    TScheme* FScheme;
    bool FClearMessages;
    bool FMessagesBracket = false;
};

// The switch into or out of code mode. Switching does not modify the document and can be undone:
// the first run keeps snapshots of the old and the new root, redo and undo restore them. Leaving
// code mode clears the messages, so the messages of the reload replace the old ones.
class TSchemeCodeModeOperation : public TSchemeOperation
{
    QV_CLASS(TSchemeCodeModeOperation, TSchemeOperation)

    explicit TSchemeCodeModeOperation(TScheme* scheme = nullptr, bool value = false);
    ~TSchemeCodeModeOperation() override;

    bool Value() const { return FValue; }
    TOperationFlags Flags() const override;

protected:
    void DoRun() override;
    void UndoRun() override;

private:
    bool FValue;
    int32_t FFocusedID = 0;
    std::unique_ptr<TKnot> FOldRoot;
    std::unique_ptr<TKnot> FNewRoot;
};

} // namespace qv
