#include "core/operation.h"

#include <stdexcept>

namespace qv {

QV_IMPLEMENT_CLASS(TOperation)
QV_IMPLEMENT_CLASS(TGroupingOperation)

namespace {

// Children of operations are operations (ChildInserting makes sure).
TOperation* AsOperation(TNode* node)
{
    return static_cast<TOperation*>(node);
}

} // namespace

QString TOperation::GetCaption() const
{
    return {};
}

TOperationFlags TOperation::Flags() const
{
    return ofModifies;
}

bool TOperation::MergeInto(TOperation*)
{
    return false;
}

void TOperation::ChildInserting(TNode* child, TNode* before)
{
    if (dynamic_cast<TOperation*>(child) == nullptr)
        throw std::invalid_argument("only operations can be sub-operations");
    TNode::ChildInserting(child, before);
}

void TOperation::Run(TOperationState how)
{
    Q_ASSERT(how != osIdle && FState == osIdle);
    struct TBackToIdle
    {
        TOperation* Operation;
        ~TBackToIdle() { Operation->FState = osIdle; }
    };

    FPartlyRun = false;
    FState = how;
    TBackToIdle backToIdle{this};
    BeginRun();
    try {
        if (how == osUndoing)
            RunBackward();
        else
            RunForward(how);
    } catch (...) {
        try {
            EndRun();
        } catch (...) {
            // The first failure is the one reported.
        }
        throw;
    }
    try {
        EndRun();
    } catch (...) {
        // The change is complete, but the caller sees a failed run: nothing describes the document any more.
        FPartlyRun = true;
        throw;
    }
}

void TOperation::RunForward(TOperationState how)
{
    const TOperationState subState = how == osDoing ? osDoing : osRedoing;
    // Operations executed from inside this run are appended as children after they ran; the bound keeps
    // them from running twice.
    TNode* const last = LastChild();
    TOperation* current = nullptr;
    try {
        for (TNode* node = FirstChild(); node != nullptr; node = node->NextSibling()) {
            current = AsOperation(node);
            current->Run(subState);
            current = nullptr;
            if (node == last)
                break;
        }
        DoRun();
    } catch (...) {
        // Take back what completed: the sub-operations before the failing one, or all of them (those
        // executed by DoRun included) when DoRun failed.
        if (current != nullptr && current->PartlyRun())
            FPartlyRun = true;
        TNode* node = current != nullptr ? current->PrevSibling() : LastChild();
        try {
            for (; node != nullptr; node = node->PrevSibling())
                AsOperation(node)->Run(osUndoing);
        } catch (...) {
            FPartlyRun = true;
        }
        throw;
    }
}

void TOperation::RunBackward()
{
    UndoRun();
    TOperation* current = nullptr;
    try {
        for (TNode* node = LastChild(); node != nullptr; node = node->PrevSibling()) {
            current = AsOperation(node);
            current->Run(osUndoing);
        }
    } catch (...) {
        // Take back what completed: redo the sub-operations after the failing one, then this operation's
        // own change.
        if (current->PartlyRun())
            FPartlyRun = true;
        try {
            for (TNode* node = current->NextSibling(); node != nullptr; node = node->NextSibling())
                AsOperation(node)->Run(osRedoing);
            FState = osRedoing;
            DoRun();
        } catch (...) {
            FPartlyRun = true;
        }
        throw;
    }
}

QString TGroupingOperation::GetCaption() const
{
    if (!FCaption.isEmpty() || FirstChild() == nullptr)
        return FCaption;
    return AsOperation(FirstChild())->GetCaption();
}

TOperationFlags TGroupingOperation::Flags() const
{
    TOperationFlags flags = 0;
    for (TNode* node = FirstChild(); node != nullptr; node = node->NextSibling())
        flags |= AsOperation(node)->Flags();
    return flags;
}

} // namespace qv
