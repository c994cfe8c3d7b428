#include "elements/element_operation.h"

#include "core/knot.h"
#include "core/update_guard.h"
#include "elements/element.h"
#include "elements/element_sheet.h"
#include "elements/scheme.h"
#include "elements/visual_element.h"

namespace qv {

QV_IMPLEMENT_CLASS(TElementOperation)
QV_IMPLEMENT_CLASS(TVisualElementDisableOperation)

// Dependents

TElementOperationDependents::TElementOperationDependents() = default;

TElementOperationDependents::~TElementOperationDependents() = default;

void TElementOperationDependents::Add(int list, int32_t elementID, std::unique_ptr<TKnot> data)
{
    FElementIdentifiers[list].append(elementID);
    FDatas[list].push_back(std::move(data));
}

bool TElementOperationDependents::IsEmpty() const
{
    return FElementIdentifiers[0].isEmpty() && FElementIdentifiers[1].isEmpty();
}

void TElementOperationDependents::MoveTo(TElementOperationDependents& target)
{
    if (&target == this)
        return;
    for (int list = 0; list < 2; ++list) {
        target.FElementIdentifiers[list].append(FElementIdentifiers[list]);
        for (auto& data : FDatas[list])
            target.FDatas[list].push_back(std::move(data));
        FElementIdentifiers[list].clear();
        FDatas[list].clear();
    }
}

// TElementOperation

namespace {

TVisualElement* AsVisual(TElement* element)
{
    return IsInstanceOf(element, TVisualElement::StaticClass()) ? static_cast<TVisualElement*>(element)
                                                                : nullptr;
}

} // namespace

TElementOperation::TElementOperation(TElement* element)
    : TSchemeOperation(element != nullptr ? element->Scheme() : nullptr)
{
    if (element != nullptr) {
        FElementID = element->ID();
        if (TVisualElement* visual = AsVisual(element))
            FFocused = visual->IsFocused();
    }
}

TElementOperation::~TElementOperation() = default;

TElement* TElementOperation::FindElement() const
{
    return Scheme() != nullptr ? Scheme()->FindElementByID(FElementID) : nullptr;
}

TElementOperationDependents& TElementOperation::Dependents()
{
    if (!FDependents)
        FDependents = std::make_unique<TElementOperationDependents>();
    return *FDependents;
}

void TElementOperation::MoveDependentsTo(TElementOperation* target)
{
    if (FDependents && target != this)
        FDependents->MoveTo(target->Dependents());
}

void TElementOperation::DoRun()
{
    RunOnElement(false);
    if (State() == osRedoing)
        RestoreDependents(TElementOperationDependents::dlRedo);
}

void TElementOperation::UndoRun()
{
    RunOnElement(true);
    RestoreDependents(TElementOperationDependents::dlUndo);
}

void TElementOperation::RunOnElement(bool undo)
{
    TElement* element = FindElement();
    if (element == nullptr)
        return;
    TVisualElement* visual = AsVisual(element);
    TUpdateGuard<IElementSheet> guard(visual != nullptr ? visual->Sheet() : nullptr);
    if (undo)
        UndoOnElement(element);
    else
        DoOnElement(element);
    // The change may have replaced the element: look it up again before focusing.
    if (FFocused) {
        if (TVisualElement* focus = AsVisual(FindElement()))
            focus->Focus();
    }
}

void TElementOperation::RestoreDependents(int list)
{
    if (!FDependents || Scheme() == nullptr)
        return;
    const QList<int32_t>& ids = FDependents->GetElementIdentifiers(list);
    const auto& datas = FDependents->GetDatas(list);
    for (qsizetype i = 0; i < ids.size(); ++i) {
        TElement* element = Scheme()->FindElementByID(ids[i]);
        if (element == nullptr)
            continue;
        TKnot* data = datas[static_cast<size_t>(i)].get();
        if (list == TElementOperationDependents::dlRedo)
            element->RestoreRedoState(data);
        else
            element->RestoreUndoState(data);
    }
}

void TElementOperation::DoOnElement(TElement*) {}

void TElementOperation::UndoOnElement(TElement*) {}

// TVisualElementDisableOperation

TVisualElementDisableOperation::TVisualElementDisableOperation(TVisualElement* element, bool value)
    : TElementOperation(element), FValue(value)
{}

void TVisualElementDisableOperation::DoOnElement(TElement* element)
{
    TVisualElement* visual = AsVisual(element);
    if (visual == nullptr)
        return;
    FPrevious = visual->Disabled();
    visual->SetDisabled(FValue);
    // The focus frame shows the disabled state.
    if (visual->IsFocused())
        visual->Invalidate();
}

void TVisualElementDisableOperation::UndoOnElement(TElement* element)
{
    TVisualElement* visual = AsVisual(element);
    if (visual == nullptr)
        return;
    visual->SetDisabled(FPrevious);
    // The focus frame shows the disabled state.
    if (visual->IsFocused())
        visual->Invalidate();
}

} // namespace qv
