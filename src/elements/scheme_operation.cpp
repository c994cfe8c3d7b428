#include "elements/scheme_operation.h"

#include "core/knot.h"
#include "core/undo_redo.h"
#include "elements/element_sheet.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/visual_element.h"

namespace qv {

QV_IMPLEMENT_CLASS(TSchemeOperation)
QV_IMPLEMENT_CLASS(TSchemeGroupingOperation)
QV_IMPLEMENT_CLASS(TSchemeCodeModeOperation)

TSchemeOperation::TSchemeOperation(TScheme* scheme, bool clearMessages)
    : FScheme(scheme), FClearMessages(clearMessages)
{}

void TSchemeOperation::Post(TNodePtr<TSchemeOperation> operation)
{
    TScheme* scheme = operation->Scheme();
    if (scheme != nullptr && scheme->UndoRedo() != nullptr) {
        scheme->UndoRedo()->Execute(std::move(operation));
        return;
    }
    operation->Run(osDoing);
}

void TSchemeOperation::BeginRun()
{
    inherited::BeginRun();
    if (FClearMessages && FScheme != nullptr) {
        FScheme->BeginMessagesUpdate();
        FMessagesBracket = true;
    }
}

void TSchemeOperation::EndRun()
{
    if (FMessagesBracket) {
        FMessagesBracket = false;
        FScheme->EndMessagesUpdate();
    }
    inherited::EndRun();
}

TSchemeGroupingOperation::TSchemeGroupingOperation(TScheme* scheme, const QString& caption,
                                                   bool clearMessages)
    : TGroupingOperation(caption), FScheme(scheme), FClearMessages(clearMessages)
{}

void TSchemeGroupingOperation::BeginRun()
{
    inherited::BeginRun();
    if (FClearMessages && FScheme != nullptr) {
        FScheme->BeginMessagesUpdate();
        FMessagesBracket = true;
    }
}

void TSchemeGroupingOperation::EndRun()
{
    if (FMessagesBracket) {
        FMessagesBracket = false;
        FScheme->EndMessagesUpdate();
    }
    inherited::EndRun();
}

// TSchemeCodeModeOperation

namespace {

TVisualElement* VisualRoot(TScheme* scheme)
{
    TElement* root = scheme->Root();
    return IsInstanceOf(root, TVisualElement::StaticClass()) ? static_cast<TVisualElement*>(root) : nullptr;
}

} // namespace

TSchemeCodeModeOperation::TSchemeCodeModeOperation(TScheme* scheme, bool value)
    : TSchemeOperation(scheme, !value), FValue(value)
{}

TSchemeCodeModeOperation::~TSchemeCodeModeOperation() = default;

TOperationFlags TSchemeCodeModeOperation::Flags() const
{
    return 0;
}

void TSchemeCodeModeOperation::DoRun()
{
    TScheme* scheme = Scheme();
    if (scheme == nullptr)
        return;
    if (FNewRoot) {
        scheme->SwitchCodeMode(FValue, FNewRoot.get());
        return;
    }
    auto oldRoot = std::make_unique<TKnot>();
    if (scheme->Root() != nullptr)
        scheme->SaveToKnot(scheme->Root(), fmSnapshot, oldRoot.get(), 0);
    TVisualElement* root = VisualRoot(scheme);
    if (root != nullptr && root->Sheet() != nullptr && root->Sheet()->FocusedElement() != nullptr)
        FFocusedID = root->Sheet()->FocusedElement()->ID();
    scheme->SwitchCodeMode(FValue, nullptr);
    auto newRoot = std::make_unique<TKnot>();
    if (scheme->Root() != nullptr)
        scheme->SaveToKnot(scheme->Root(), fmSnapshot, newRoot.get(), 0);
    FOldRoot = std::move(oldRoot);
    FNewRoot = std::move(newRoot);
}

void TSchemeCodeModeOperation::UndoRun()
{
    TScheme* scheme = Scheme();
    if (scheme == nullptr || !FOldRoot)
        return;
    scheme->SwitchCodeMode(!FValue, FOldRoot.get());
    if (FFocusedID != 0) {
        TElement* focused = scheme->FindElementByID(FFocusedID);
        if (IsInstanceOf(focused, TVisualElement::StaticClass()))
            static_cast<TVisualElement*>(focused)->Focus();
    }
}

} // namespace qv
