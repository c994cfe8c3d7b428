#include "elements/scheme.h"

#include "elements/element.h"
#include "elements/element_messages.h"
#include "elements/scheme_operation.h"

#include "core/undo_redo.h"

#include <utility>

namespace qv {

TScheme::TScheme(const TElementClass* rootClass, const QString& rootName,
                 const TElementClass* codeModeRootClass)
    : FRootClass(rootClass), FCodeModeRootClass(codeModeRootClass), FRootName(rootName)
{
    if (rootClass != nullptr)
        FRoot = rootClass->CreateElement(this);
}

TScheme::~TScheme()
{
    // Root() is null while the tree is freed.
    FRoot.reset();
    // Elements created for this scheme but owned elsewhere outlive it: they lose their scheme.
    for (TElement* element : FElements) {
        if (element != nullptr) {
            element->FScheme = nullptr;
            element->FRegistration = -1;
            element->FState &= static_cast<uint8_t>(~esCheckQueued);
        }
    }
}

void TScheme::SetFileName(const QString& fileName)
{
    if (fileName == FFileName)
        return;
    FFileName = fileName;
    Notify(snFileNameChanged);
}

void TScheme::SetLoadedInPart(bool value)
{
    if (value == FLoadedInPart && (value || FNodesNotRead == 0))
        return;
    FLoadedInPart = value;
    if (!value)
        FNodesNotRead = 0;
    Notify(snLoadedInPartChanged);
}

void TScheme::AddNodesNotRead(int count)
{
    if (count <= 0)
        return;
    FNodesNotRead += count;
    FLoadedInPart = true;
    Notify(snLoadedInPartChanged);
}

QList<TElement*> TScheme::Elements() const
{
    QList<TElement*> list;
    list.reserve(FElementCount);
    for (TElement* element : FElements) {
        if (element != nullptr)
            list.append(element);
    }
    return list;
}

TNodePtr<TElement> TScheme::ReplaceRoot(TNodePtr<TElement> root)
{
    return std::exchange(FRoot, std::move(root));
}

void TScheme::SetReadOnlyLevel(uint8_t level)
{
    if (level == FReadOnlyLevel)
        return;
    FReadOnlyLevel = level;
    Notify(snReadOnlyChanged);
}

void TScheme::AddDependant(TScheme* scheme)
{
    FDependants.append(scheme);
}

void TScheme::RemoveDependant(TScheme* scheme)
{
    FDependants.removeOne(scheme);
}

int32_t TScheme::RegisterElement(TElement* element)
{
    element->FRegistration = static_cast<qsizetype>(FElements.size());
    FElements.push_back(element);
    ++FElementCount;
    return TElement::NextID();
}

void TScheme::UnregisterElement(TElement* element)
{
    const qsizetype index = element->FRegistration;
    if (index >= 0 && index < static_cast<qsizetype>(FElements.size()) &&
        FElements[static_cast<size_t>(index)] == element) {
        FElements[static_cast<size_t>(index)] = nullptr;
        --FElementCount;
        element->FRegistration = -1;
        // Freed slots are dropped from the end at once and compacted when they outnumber the
        // live elements, so freeing a whole tree stays linear.
        while (!FElements.empty() && FElements.back() == nullptr)
            FElements.pop_back();
        if (FElements.size() > 64 && static_cast<size_t>(FElementCount) * 2 < FElements.size())
            CompactElements();
    }
    if ((element->FState & esCheckQueued) != 0) {
        element->FState &= static_cast<uint8_t>(~esCheckQueued);
        FPendingChecks.removeOne(element);
    }
}

void TScheme::CompactElements()
{
    size_t target = 0;
    for (size_t i = 0; i < FElements.size(); ++i) {
        if (TElement* element = FElements[i]) {
            element->FRegistration = static_cast<qsizetype>(target);
            FElements[target++] = element;
        }
    }
    FElements.resize(target);
}

TElement* TScheme::FindElementByID(int32_t id) const
{
    for (TElement* element : FElements) {
        if (element != nullptr && element->ID() == id)
            return element;
    }
    return nullptr;
}

void TScheme::BeginUpdate()
{
    ++FUpdateCount;
}

void TScheme::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0 && FRoot != nullptr)
        RunPendingChecks();
}

void TScheme::RunPendingChecks()
{
    // One element at a time from the front: a check may queue, free or unregister others.
    while (!FPendingChecks.isEmpty() && FUpdateCount == 0) {
        TElement* element = FPendingChecks.takeFirst();
        element->FState &= static_cast<uint8_t>(~esCheckQueued);
        element->DeferredCheck();
    }
}

void TScheme::QueueCheck(TElement* element)
{
    if ((element->FState & esCheckQueued) != 0)
        return;
    element->FState |= esCheckQueued;
    FPendingChecks.append(element);
}

void TScheme::BeginMessagesUpdate()
{
    if (FMessages != nullptr)
        FMessages->BeginUpdate();
}

void TScheme::EndMessagesUpdate()
{
    if (FMessages != nullptr)
        FMessages->EndUpdate();
}

void TScheme::BeginGroup(const QString& caption, bool clearMessages)
{
    if (FUndoRedo != nullptr)
        FUndoRedo->BeginGroup(
            TNodePtr<TGroupingOperation>(new TSchemeGroupingOperation(this, caption, clearMessages)));
}

void TScheme::EndGroup()
{
    if (FUndoRedo != nullptr)
        FUndoRedo->EndGroup();
}

} // namespace qv
