#pragma once

#include "elements/scheme_operation.h"

#include <QList>

#include <memory>
#include <vector>

namespace qv {

class TElement;
class TKnot;
class TVisualElement;

// Elements whose state an element operation restores besides its own element: per direction a list
// of (ID, knot) pairs. List 0 is restored after a redo (RestoreRedoState), list 1 after an undo
// (RestoreUndoState). The knots are owned.
class TElementOperationDependents
{
public:
    enum TList : int
    {
        dlRedo = 0,
        dlUndo = 1,
    };

    TElementOperationDependents();
    ~TElementOperationDependents();

    void Add(int list, int32_t elementID, std::unique_ptr<TKnot> data);
    const QList<int32_t>& GetElementIdentifiers(int list) const { return FElementIdentifiers[list]; }
    const std::vector<std::unique_ptr<TKnot>>& GetDatas(int list) const { return FDatas[list]; }
    bool IsEmpty() const;
    // Appends every entry to `target`'s lists and removes it from these.
    void MoveTo(TElementOperationDependents& target);

private:
    QList<int32_t> FElementIdentifiers[2];
    std::vector<std::unique_ptr<TKnot>> FDatas[2];
};

// An undoable change of one element. The element is found again by ID in the scheme at every run;
// when it no longer exists the run does nothing. A run happens inside the sheet's update bracket and
// gives the focus back to the element when it had it when the operation was made.
class TElementOperation : public TSchemeOperation
{
    QV_CLASS(TElementOperation, TSchemeOperation)

    explicit TElementOperation(TElement* element = nullptr);
    ~TElementOperation() override;

    int32_t ElementID() const { return FElementID; }
    bool Focused() const { return FFocused; }
    // The element, or null when it no longer exists.
    TElement* FindElement() const;

    // Created on first use.
    TElementOperationDependents& Dependents();
    TElementOperationDependents* DependentsIfAny() const { return FDependents.get(); }
    void MoveDependentsTo(TElementOperation* target);

protected:
    void DoRun() override;
    void UndoRun() override;
    // The change itself, on the element found by ID.
    virtual void DoOnElement(TElement* element);
    virtual void UndoOnElement(TElement* element);

private:
    void RunOnElement(bool undo);
    void RestoreDependents(int list);

    int32_t FElementID = 0;
    bool FFocused = false;
    std::unique_ptr<TElementOperationDependents> FDependents;
};

// Sets Disabled of a visual element; undoing sets the previous value back.
class TVisualElementDisableOperation : public TElementOperation
{
    QV_CLASS(TVisualElementDisableOperation, TElementOperation)

    explicit TVisualElementDisableOperation(TVisualElement* element = nullptr, bool value = false);

    bool Value() const { return FValue; }

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    bool FValue;
    bool FPrevious = false;
};

} // namespace qv
