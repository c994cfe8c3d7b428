#include "library/named_element.h"

#include "library/references.h"

#include "core/knot.h"
#include "core/strings.h"
#include "core/text_utils.h"
#include "core/undo_redo.h"
#include "core/update_guard.h"
#include "elements/element_sheet.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/scheme_images.h"
#include "naming/naming_settings.h"

#include <algorithm>

namespace qv {

QV_IMPLEMENT_CLASS(TTitledNameField)
QV_IMPLEMENT_CLASS(TNamedElement)
QV_IMPLEMENT_CLASS(TNamedElementWithContent)
QV_IMPLEMENT_CLASS(TNamedElementVisibilityOperation)
QV_IMPLEMENT_CLASS(TChildrenByNamespaceElement)
QV_IMPLEMENT_CLASS(TCheckBoxForNameField)
QV_IMPLEMENT_CLASS(TCheckNamesBox)

namespace {

const QString visibilityName = QStringLiteral("Visibility");
const QString privateText = QStringLiteral("Private");
const QString childReferencesName = QStringLiteral("ChildReferences");
const QString childForName = QStringLiteral("ChildFor");
const QString childForDeletedName = QStringLiteral("ChildForDeleted");
const QString deletedTargetName = QStringLiteral("DeletedTargetName");
const QString childStateName = QStringLiteral("ChildState");
const QString checkedName = QStringLiteral("Checked");

// Latin letters without case, everything else exactly.
bool SameLatinText(const QString& a, const QString& b)
{
    return SameNameIgnoringLatinCase(a, b);
}

// The "Visibility" group with its two commands, made on first use.
struct TVisibilityItems
{
    TSchemePaletteItem* Public;
    TSchemePaletteItem* Private;
};

const TVisibilityItems& VisibilityItems()
{
    static const TVisibilityItems items = [] {
        auto* group = new TPaletteGroup(&Palette(), QV_STR(2900), 1400);
        TVisibilityItems result{};
        result.Public = new TSchemePaletteItem(group, piCheck, -1, QV_STR(2904), QV_STR(2903), 20);
        result.Private = new TSchemePaletteItem(group, piCheck, -1, QV_STR(2902), QV_STR(2901), 10);
        return result;
    }();
    return items;
}

// The operation of the innermost element operation running its first time, or null.
TElementOperation* ExecutingElementOperation(TScheme* scheme)
{
    if (scheme == nullptr || scheme->UndoRedo() == nullptr)
        return nullptr;
    const std::vector<TOperation*>& running = scheme->UndoRedo()->Running();
    for (auto it = running.rbegin(); it != running.rend(); ++it) {
        if (auto* operation = dynamic_cast<TElementOperation*>(*it))
            return operation->State() == osDoing ? operation : nullptr;
    }
    return nullptr;
}

// Whether `item` is the name of `owner`: the element holding the name text or the element named.
bool OwnedBy(TNamespaceItem* item, TElement* owner)
{
    return item != nullptr && owner != nullptr && (item->NameOwner() == owner || item->Element() == owner);
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TTitledNameField

TTitledNameField::TTitledNameField(TScheme* scheme) : TNameField(scheme) {}

TNamedElement* TTitledNameField::NamedOwner() const
{
    auto* owner = dynamic_cast<TNamedElement*>(ParentElement());
    return owner != nullptr && owner->NameField() == this ? owner : nullptr;
}

QString TTitledNameField::Description() const
{
    auto* owner = dynamic_cast<TNamedElement*>(ParentElement());
    return owner != nullptr ? owner->DescriptionText() : QString();
}

void TTitledNameField::CollectDependencies(QList<TReference*>& list)
{
    if (auto* owner = dynamic_cast<TNamedElement*>(ParentElement()))
        owner->CollectDependencies(this, list);
}

TNameVisibility TTitledNameField::Visibility() const
{
    auto* owner = dynamic_cast<TNamedElement*>(ParentElement());
    return owner != nullptr ? owner->Visibility() : nvPublic;
}

bool TTitledNameField::GetFrameElement(int& element)
{
    auto* owner = dynamic_cast<TNamedElement*>(ParentElement());
    if (owner == nullptr || owner->VisibilityMode() == 0)
        return inherited::GetFrameElement(element);
    element = owner->Visibility() == nvPrivate ? steNamePrivate : steNamePublic;
    return true;
}

void TTitledNameField::ItemCreated()
{
    inherited::ItemCreated();
    if (TNamedElement* owner = NamedOwner())
        owner->NameItemCreated();
}

void TTitledNameField::ItemDestroying()
{
    if (TNamedElement* owner = NamedOwner())
        owner->NameItemDestroying();
    inherited::ItemDestroying();
}

void TTitledNameField::ContentChangedHook()
{
    inherited::ContentChangedHook();
    if (TNamedElement* owner = NamedOwner())
        owner->NameChanged();
}

// ---------------------------------------------------------------------------------------------------
// TNamedElement

TNamedElement::TNamedElement(TScheme* scheme) : TNamedElement(scheme, 3) {}

TNamedElement::TNamedElement(TScheme* scheme, uint8_t visibilityMode, const TElementClass* nameFieldClass)
    : TTitledElement(scheme), FVisibilityMode(visibilityMode > 4 ? 3 : visibilityMode),
      FVisibility(FVisibilityMode == 2 || FVisibilityMode == 4 ? nvPrivate : nvPublic)
{
    FNameField = static_cast<TTitledNameField*>(
        CreatePart(nameFieldClass != nullptr ? nameFieldClass : TTitledNameField::StaticClass(), this));
    FNameField->SetVisualParent(this);
}

QString TNamedElement::Name() const
{
    return FNameField->Name();
}

void TNamedElement::SetVisibilityValue(TNameVisibility value)
{
    if (value == FVisibility)
        return;
    FVisibility = value;
    VisibilityChanged();
}

void TNamedElement::SetVisibility(TNameVisibility value)
{
    if (value == FVisibility)
        return;
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TNamedElementVisibilityOperation(this, value)));
}

void TNamedElement::VisibilityChanged()
{
    FNameField->VisibilityChanged();
    if (FVisibilityMode != 0)
        FNameField->Invalidate();
}

void TNamedElement::CollectDependencies(TNameField*, QList<TReference*>&) {}

void TNamedElement::GetDefaultName(QString& name, bool&)
{
    name = ElementClass()->XmlName();
}

void TNamedElement::AutoName()
{
    TNamespace* ns = FNameField->Namespace();
    if (ns == nullptr || !NamingSettings()->FillEnabled()->Value())
        return;
    QString name;
    bool numberFirst = true;
    GetDefaultName(name, numberFirst);
    if (!name.isEmpty())
        FNameField->SetText(ns->MakeUniqueName(name, numberFirst));
}

void TNamedElement::InitializeNew(TPaletteItem* item)
{
    inherited::InitializeNew(item);
    AutoName();
}

void TNamedElement::ExpandChanged(TExpandButton* button)
{
    inherited::ExpandChanged(button);
    if (FNameField->Item() != nullptr && (FNameField->NameOptions() & nfoSyncExpand) != 0) {
        TUpdateGuard<IElementSheet> guard(Sheet());
        FNameField->Item()->NotifyExpandedChanged();
    }
}

void TNamedElement::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    writer.AddElement(FNameField, tiaCentre);
}

QString TNamedElement::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part == FNameField)
        return QStringLiteral("Name");
    return inherited::GetPartKnotName(part, filerMode);
}

void TNamedElement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    if (FVisibilityMode != 3 && FVisibilityMode != 4)
        return;
    const QString text = knot->ReadString(visibilityName);
    SetVisibilityValue(SameLatinText(text, privateText) ? nvPrivate : nvPublic);
}

void TNamedElement::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if ((FVisibilityMode == 3 || FVisibilityMode == 4) && FVisibility == nvPrivate)
        knot->WriteString(visibilityName, privateText);
}

void TNamedElement::GetPaletteItems(QList<TPaletteItem*>& list)
{
    inherited::GetPaletteItems(list);
    if (FVisibilityMode != 0) {
        list.append(VisibilityItems().Public);
        list.append(VisibilityItems().Private);
    }
}

void TNamedElement::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    if (item == nullptr || (item != VisibilityItems().Public && item != VisibilityItems().Private))
        return;
    state.Enabled = state.Enabled && (FVisibilityMode == 3 || FVisibilityMode == 4);
    state.Checked = (item == VisibilityItems().Private) == (FVisibility == nvPrivate);
}

bool TNamedElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    if (item == nullptr || (item != VisibilityItems().Public && item != VisibilityItems().Private))
        return inherited::ExecutePaletteItem(item, value);
    if (FVisibilityMode != 3 && FVisibilityMode != 4)
        return false;
    SetVisibility(item == VisibilityItems().Private ? nvPrivate : nvPublic);
    return true;
}

// ---------------------------------------------------------------------------------------------------
// TNamedElementWithContent

TNamedElementWithContent::TNamedElementWithContent(TScheme* scheme) : TNamedElementWithContent(scheme, 3) {}

TNamedElementWithContent::TNamedElementWithContent(TScheme* scheme, uint8_t visibilityMode)
    : TNamedElement(scheme, visibilityMode)
{
    FContainer = CreatePart<TTitledTextContainer>();
    FContainer->SetVisualParent(this);
    CreateExpandButton(true);
}

TVisualElement* TNamedElementWithContent::ContentContainer()
{
    return FContainer;
}

void TNamedElementWithContent::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    if (IsExpanded()) {
        writer.EndRow();
        writer.AddContent(FContainer);
    }
}

QString TNamedElementWithContent::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part == FContainer)
        return QStringLiteral("Content");
    return inherited::GetPartKnotName(part, filerMode);
}

// ---------------------------------------------------------------------------------------------------
// TNamedElementVisibilityOperation

TNamedElementVisibilityOperation::TNamedElementVisibilityOperation(TNamedElement* element,
                                                                   TNameVisibility value)
    : TElementOperation(element), FNewValue(value)
{}

void TNamedElementVisibilityOperation::DoOnElement(TElement* element)
{
    auto* named = dynamic_cast<TNamedElement*>(element);
    if (named == nullptr)
        return;
    FOldValue = named->Visibility();
    named->SetVisibilityValue(FNewValue);
}

void TNamedElementVisibilityOperation::UndoOnElement(TElement* element)
{
    if (auto* named = dynamic_cast<TNamedElement*>(element))
        named->SetVisibilityValue(FOldValue);
}

// ---------------------------------------------------------------------------------------------------
// TChildrenByNamespaceElement

TChildrenByNamespaceElement::TChildrenByNamespaceElement(TScheme* scheme) : TVisualElement(scheme) {}

TChildrenByNamespaceElement::~TChildrenByNamespaceElement() = default;

TNamespace* TChildrenByNamespaceElement::GetNamespace()
{
    return FindGeneralElementsNamespace(PartOwner());
}

TReference* TChildrenByNamespaceElement::ChildReference(TElement*)
{
    return nullptr;
}

const TElementClass* TChildrenByNamespaceElement::ChildClass()
{
    return nullptr;
}

bool TChildrenByNamespaceElement::GetDeletedTargetName(TElement*, QString& name)
{
    name.clear();
    return false;
}

void TChildrenByNamespaceElement::SetDeletedTargetName(TElement*, const QString&) {}

bool TChildrenByNamespaceElement::AcceptsItem(TNamespaceItem*)
{
    return true;
}

void TChildrenByNamespaceElement::ChildRenamed(TElement*, TNamespaceItem*) {}

void TChildrenByNamespaceElement::Arrange() {}

QList<TElement*> TChildrenByNamespaceElement::BoundChildren()
{
    QList<TElement*> list;
    const TElementClass* cls = ChildClass();
    for (TNode* node = FirstChild(); node != nullptr; node = node->NextSibling()) {
        auto* child = dynamic_cast<TElement*>(node);
        if (child != nullptr && cls != nullptr && (child->Options() & eoPart) == 0 &&
            child->ClassType()->InheritsFrom(cls))
            list.append(child);
    }
    return list;
}

TElement* TChildrenByNamespaceElement::ChildFor(TNamespaceItem* item)
{
    for (TElement* child : BoundChildren()) {
        TReference* reference = ChildReference(child);
        if (reference != nullptr && reference->Target() == item)
            return child;
    }
    return nullptr;
}

void TChildrenByNamespaceElement::Listen(bool on)
{
    if (FNamespace == nullptr)
        return;
    const TItfNotifyEvent handler = MakeNotifyEvent<&TChildrenByNamespaceElement::NamespaceNotify>(this);
    if (on)
        FNamespace->AddHandler(handler);
    else
        FNamespace->RemoveHandler(handler);
}

void TChildrenByNamespaceElement::SetNamespace(TNamespace* ns)
{
    if (ns == FNamespace)
        return;
    Listen(false);
    if (FNamespace != nullptr) {
        for (TElement* child : BoundChildren()) {
            TReference* reference = ChildReference(child);
            if (reference != nullptr && reference->Target() != nullptr)
                RemoveChildFor(child, reference->Target());
        }
    }
    FNamespace = ns;
    if (FNamespace == nullptr)
        return;
    QList<TNamespaceItem*> items;
    FNamespace->ForEachItem([&](TNamespaceItem* item, bool&) { items.append(item); }, true);
    for (TNamespaceItem* item : std::as_const(items)) {
        if (AcceptsItem(item))
            AddChildFor(item);
    }
    Listen(true);
}

TElement* TChildrenByNamespaceElement::AddChildFor(TNamespaceItem* item)
{
    const TElementClass* cls = ChildClass();
    if (cls == nullptr || IsDestroying())
        return nullptr;
    // Before the first child whose item is missing or comes after the new one: children stay sorted.
    TElement* before = nullptr;
    const QList<TElement*> children = BoundChildren();
    for (TElement* child : children) {
        TReference* reference = ChildReference(child);
        TNamespaceItem* other = reference != nullptr ? reference->Target() : nullptr;
        if (other == nullptr || NameComesBefore(item, other)) {
            before = child;
            break;
        }
    }
    if (KeepsOrphans()) {
        for (TElement* child : children) {
            TReference* reference = ChildReference(child);
            QString name;
            if (reference != nullptr && reference->Target() == nullptr && GetDeletedTargetName(child, name) &&
                name == item->Name()) {
                if (child != before)
                    child->SetParent(this, before);
                reference->SetTarget(item);
                RequestArrange();
                return child;
            }
        }
    }
    TNodePtr<TElement> created = cls->CreateElement(Scheme());
    TElement* child = created.get();
    child->SetParent(this, before);
    created.release();
    if (auto* visual = dynamic_cast<TVisualElement*>(child))
        visual->SetVisualParent(this, dynamic_cast<TVisualElement*>(before));
    if (TReference* reference = ChildReference(child))
        reference->SetTarget(item);
    RequestArrange();
    return child;
}

void TChildrenByNamespaceElement::RecordDependent(TElement* child, int list)
{
    TElementOperation* operation = ExecutingElementOperation(Scheme());
    TReference* reference = ChildReference(child);
    if (operation == nullptr || reference == nullptr || reference->Target() == nullptr)
        return;
    auto knot = std::make_unique<TKnot>(childStateName);
    knot->WriteString(QStringLiteral("Item"), reference->Target()->IdPath());
    TSchemeSaver saver(fmSnapshot, knot.get(), 0);
    SaveChildState(child, &saver, knot.get());
    operation->Dependents().Add(list, ID(), std::move(knot));
}

void TChildrenByNamespaceElement::RemoveChildFor(TElement* child, TNamespaceItem*)
{
    TReference* reference = ChildReference(child);
    if (KeepsOrphans() && !child->IsDefault()) {
        if (reference != nullptr && reference->Target() != nullptr)
            SetDeletedTargetName(child, reference->Target()->Name());
        if (reference != nullptr)
            reference->SetTarget(nullptr);
        RequestArrange();
        return;
    }
    RecordDependent(child, TElementOperationDependents::dlUndo);
    if (reference != nullptr)
        reference->SetTarget(nullptr);
    child->Free();
    RequestArrange();
}

void TChildrenByNamespaceElement::NamespaceNotify(TItfObject*, int code, intptr_t param1, intptr_t)
{
    auto* item = reinterpret_cast<TNamespaceItem*>(param1);
    if (item == nullptr || IsDestroying())
        return;
    const bool old = FInNotification;
    FInNotification = true;
    switch (code) {
    case nnItemAdded:
        if (AcceptsItem(item) && ChildFor(item) == nullptr)
            AddChildFor(item);
        break;
    case nnItemChanged:
        if (TElement* child = ChildFor(item); child != nullptr && !AcceptsItem(item))
            RemoveChildFor(child, item);
        else if (child == nullptr && AcceptsItem(item))
            AddChildFor(item);
        break;
    case nnItemRenamed:
        if (TElement* child = ChildFor(item))
            ChildRenamed(child, item);
        break;
    case nnItemEnabledChanged:
        if (auto* child = dynamic_cast<TVisualElement*>(ChildFor(item)))
            child->Invalidate();
        break;
    case nnItemRemoved:
        if (TElement* child = ChildFor(item))
            RemoveChildFor(child, item);
        break;
    default:
        break;
    }
    FInNotification = old;
}

void TChildrenByNamespaceElement::SaveChildState(TElement* child, TSchemeSaver* saver, TKnot* knot)
{
    child->SaveToKnot(saver, knot);
}

void TChildrenByNamespaceElement::LoadChildState(TElement* child, TSchemeLoader* loader, TKnot* knot)
{
    child->LoadFromKnot(loader, knot);
}

void TChildrenByNamespaceElement::ParentElementChanged()
{
    inherited::ParentElementChanged();
    SetNamespace(IsDestroying() ? nullptr : GetNamespace());
}

bool TChildrenByNamespaceElement::HandleMessage(int msg, void* param, void* data)
{
    const bool handled = inherited::HandleMessage(msg, param, data);
    if (msg == tmDestroying) {
        Listen(false);
        FNamespace = nullptr;
    }
    return handled;
}

void TChildrenByNamespaceElement::BeforeDestruction()
{
    inherited::BeforeDestruction();
    Listen(false);
    FNamespace = nullptr;
}

bool TChildrenByNamespaceElement::ShouldSaveChild(TSchemeFiler* filer, TElement* child)
{
    // The children stand for names: the namespace makes them again.
    if (ChildClass() != nullptr && (child->Options() & eoPart) == 0 &&
        child->ClassType()->InheritsFrom(ChildClass()))
        return false;
    return inherited::ShouldSaveChild(filer, child);
}

void TChildrenByNamespaceElement::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (filer->Mode() != fmSnapshot)
        return;
    TKnot* references = nullptr;
    for (TElement* child : BoundChildren()) {
        TReference* reference = ChildReference(child);
        if (reference == nullptr)
            continue;
        QString name;
        TKnot* node = nullptr;
        if (reference->Target() != nullptr) {
            if (references == nullptr)
                references = knot->AddKnot(childReferencesName);
            node = references->AddKnot(childForName + reference->Target()->IdPath());
        } else if (GetDeletedTargetName(child, name) && !child->IsDefault()) {
            if (references == nullptr)
                references = knot->AddKnot(childReferencesName);
            node = references->AddKnot(childForDeletedName);
            node->WriteString(deletedTargetName, name);
        }
        if (node != nullptr)
            SaveChildState(child, filer, node);
    }
}

void TChildrenByNamespaceElement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    if (filer->Mode() != fmSnapshot)
        return;
    TKnot* references = knot->FindKnot(childReferencesName);
    if (references == nullptr)
        return;
    references->SetRead(true);
    // The items may load after this element: the states apply once everything is loaded.
    filer->AddLoadedProc(
        references,
        [](TElement* element, TSchemeLoader* loader, TKnot* node) {
            auto* self = static_cast<TChildrenByNamespaceElement*>(element);
            for (TKnot* entry = node->FirstKnot(); entry != nullptr; entry = entry->NextKnot()) {
                entry->SetRead(true);
                if (entry->Name() == childForDeletedName) {
                    const TElementClass* cls = self->ChildClass();
                    if (cls == nullptr)
                        continue;
                    TNodePtr<TElement> created = cls->CreateElement(self->Scheme());
                    TElement* child = created.release();
                    child->SetParent(self);
                    if (auto* visual = dynamic_cast<TVisualElement*>(child))
                        visual->SetVisualParent(self);
                    self->SetDeletedTargetName(child, entry->ReadString(deletedTargetName));
                    self->LoadChildState(child, loader, entry);
                } else if (entry->Name().startsWith(childForName) && self->Namespace() != nullptr) {
                    TNamespaceItem* item = self->Namespace()->FindByIdPath(
                        MapIdPath(loader, entry->Name().mid(childForName.size())));
                    if (TElement* child = item != nullptr ? self->ChildFor(item) : nullptr)
                        self->LoadChildState(child, loader, entry);
                }
            }
            self->RequestArrange();
        },
        this);
}

void TChildrenByNamespaceElement::RestoreUndoState(TKnot* knot)
{
    inherited::RestoreUndoState(knot);
    if (knot == nullptr || knot->Name() != childStateName || FNamespace == nullptr)
        return;
    TNamespaceItem* item = FNamespace->FindByIdPath(knot->ReadString(QStringLiteral("Item")));
    TElement* child = item != nullptr ? ChildFor(item) : nullptr;
    if (child == nullptr)
        return;
    TSchemeLoader loader(Scheme(), nullptr, knot, 0, fmSnapshot);
    LoadChildState(child, &loader, knot);
    loader.Finish();
}

void TChildrenByNamespaceElement::RequestArrange()
{
    if (FArranging || IsDestroying() || Sheet() == nullptr || !IsShown())
        return;
    FArranging = true;
    Arrange();
    FArranging = false;
}

void TChildrenByNamespaceElement::ChildBoundsChanged(TVisualElement* child, const QRect& oldBounds,
                                                     int oldDescent)
{
    inherited::ChildBoundsChanged(child, oldBounds, oldDescent);
    RequestArrange();
}

void TChildrenByNamespaceElement::ShownChanged()
{
    inherited::ShownChanged();
    RequestArrange();
}

// ---------------------------------------------------------------------------------------------------
// TCheckBoxForNameField

TCheckBoxForNameField::TCheckBoxForNameField(TScheme* scheme)
    : TCheckBoxField(scheme), FReference(std::make_unique<TReference>())
{
    SetOptions(Options() & ~eoInline);
    FReference->SetUncounted(true);
}

TCheckBoxForNameField::~TCheckBoxForNameField() = default;

void TCheckBoxForNameField::BeforeDestruction()
{
    inherited::BeforeDestruction();
    FReference->SetTarget(nullptr);
}

void TCheckBoxForNameField::Press()
{
    inherited::Press();
    auto* box = dynamic_cast<TCheckNamesBox*>(ParentElement());
    if (box != nullptr && FReference->Target() != nullptr)
        box->SetCheckedElement(FReference->Target()->NameOwner(), Checked());
}

// ---------------------------------------------------------------------------------------------------
// TCheckNamesBox

TCheckNamesBox::TCheckNamesBox(TScheme* scheme) : TChildrenByNamespaceElement(scheme) {}

TReference* TCheckNamesBox::ChildReference(TElement* child)
{
    auto* box = dynamic_cast<TCheckBoxForNameField*>(child);
    return box != nullptr ? box->NameReference() : nullptr;
}

const TElementClass* TCheckNamesBox::ChildClass()
{
    return TCheckBoxForNameField::StaticClass();
}

TElement* TCheckNamesBox::AddChildFor(TNamespaceItem* item)
{
    // A box for another item of the same name owner (a name seen through a connection) lends its state.
    const bool checked = GetCheckedElement(item->Element());
    auto* box = static_cast<TCheckBoxForNameField*>(inherited::AddChildFor(item));
    if (box != nullptr) {
        box->SetCaption(item->Name());
        box->SetChecked(checked);
    }
    return box;
}

void TCheckNamesBox::ChildRenamed(TElement* child, TNamespaceItem* item)
{
    if (auto* box = dynamic_cast<TCheckBoxForNameField*>(child))
        box->SetCaption(item->Name());
}

bool TCheckNamesBox::GetDeletedTargetName(TElement* child, QString& name)
{
    auto* box = dynamic_cast<TCheckBoxForNameField*>(child);
    name = box != nullptr ? box->DeletedTargetName() : QString();
    return box != nullptr && !name.isEmpty();
}

void TCheckNamesBox::SetDeletedTargetName(TElement* child, const QString& name)
{
    if (auto* box = dynamic_cast<TCheckBoxForNameField*>(child))
        box->SetDeletedTargetName(name);
}

bool TCheckNamesBox::GetChecked(TNamespaceItem* item)
{
    auto* box = dynamic_cast<TCheckBoxForNameField*>(ChildFor(item));
    return box != nullptr && box->Checked();
}

void TCheckNamesBox::SetChecked(TNamespaceItem* item, bool value)
{
    if (auto* box = dynamic_cast<TCheckBoxForNameField*>(ChildFor(item)))
        box->SetChecked(value);
}

bool TCheckNamesBox::GetCheckedElement(TElement* nameOwner)
{
    if (nameOwner == nullptr)
        return false;
    for (TElement* child : BoundChildren()) {
        auto* box = static_cast<TCheckBoxForNameField*>(child);
        if (OwnedBy(box->NameReference()->Target(), nameOwner))
            return box->Checked();
    }
    return false;
}

void TCheckNamesBox::SetCheckedElement(TElement* nameOwner, bool value)
{
    for (TElement* child : BoundChildren()) {
        auto* box = static_cast<TCheckBoxForNameField*>(child);
        if (OwnedBy(box->NameReference()->Target(), nameOwner))
            box->SetChecked(value);
    }
}

QStringList TCheckNamesBox::CheckedNames()
{
    QStringList names;
    for (TElement* child : BoundChildren()) {
        auto* box = static_cast<TCheckBoxForNameField*>(child);
        if (box->Checked() && box->NameReference()->Target() != nullptr)
            names.append(box->NameReference()->Target()->Name());
    }
    return names;
}

bool TCheckNamesBox::IsDefault() const
{
    for (TElement* child : const_cast<TCheckNamesBox*>(this)->BoundChildren()) {
        if (!child->IsDefault())
            return false;
    }
    return inherited::IsDefault();
}

void TCheckNamesBox::Arrange()
{
    // A vertical list of the check boxes.
    int y = 0;
    int width = 0;
    for (TElement* child : BoundChildren()) {
        auto* box = static_cast<TVisualElement*>(child);
        box->SetBounds(0, y, 0, box->Height(), box->Width());
        y += box->Height() + 2;
        width = std::max(width, box->Width());
    }
    SetBounds(Left(), Top(), 0, std::max(0, y - 2), width);
}

void TCheckNamesBox::SaveChildState(TElement* child, TSchemeSaver*, TKnot* knot)
{
    knot->WriteString(QStringLiteral("Value"), static_cast<TCheckBoxForNameField*>(child)->Checked()
                                                   ? QStringLiteral("1")
                                                   : QStringLiteral("0"));
}

void TCheckNamesBox::LoadChildState(TElement* child, TSchemeLoader*, TKnot* knot)
{
    static_cast<TCheckBoxForNameField*>(child)->SetChecked(knot->ReadString(QStringLiteral("Value")) ==
                                                           QStringLiteral("1"));
}

void TCheckNamesBox::ApplyCheckedText(const QString& text)
{
    QStringList names;
    if (Namespace() == nullptr || !SplitStrictCommaText(text, names))
        return;
    struct TAccept
    {
        TCheckNamesBox* Box;
        void Filter(TNamespace*, TNamespaceItem* item, bool& accept) { accept = Box->AcceptsItem(item); }
    } accept{this};
    for (const QString& name : std::as_const(names)) {
        // Names that exist no more are left out.
        if (TNamespaceItem* item = Namespace()->FindByName(name, MakeNameFilter<&TAccept::Filter>(&accept)))
            SetChecked(item, true);
    }
}

void TCheckNamesBox::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    if (filer->Mode() == fmSnapshot || knot->FindParam(checkedName) == nullptr)
        return;
    // The names may be registered after this element: applied once the document is loaded.
    filer->AddLoadedProc(
        knot,
        [](TElement* element, TSchemeLoader*, TKnot* node) {
            static_cast<TCheckNamesBox*>(element)->ApplyCheckedText(node->ReadString(checkedName));
        },
        this);
}

void TCheckNamesBox::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (filer->Mode() == fmSnapshot)
        return;
    const QStringList names = CheckedNames();
    if (!names.isEmpty())
        knot->WriteString(checkedName, JoinStrictCommaText(names));
}

// ---------------------------------------------------------------------------------------------------
// Strict comma text

QString JoinStrictCommaText(const QStringList& values)
{
    QString text;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += u',';
        const QString& value = values[i];
        if (value.contains(u',') || value.contains(u'"') || value.contains(u' ')) {
            QString quoted = value;
            quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
            text += u'"' + quoted + u'"';
        } else {
            text += value;
        }
    }
    return text;
}

bool SplitStrictCommaText(const QString& text, QStringList& values)
{
    values.clear();
    if (text.isEmpty())
        return true;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (true) {
        QString value;
        if (i < n && text[i] == u'"') {
            ++i;
            while (true) {
                if (i >= n)
                    return false; // no closing quote
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        value += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            // Strict: the closing quote is followed by the delimiter or the end.
            if (i < n && text[i] != u',')
                return false;
        } else {
            while (i < n && text[i] != u',') {
                if (text[i] == u'"')
                    return false;
                value += text[i++];
            }
        }
        values.append(value);
        if (i >= n)
            return true;
        ++i; // the comma
    }
}

QString MessageSubject(TElement* element)
{
    for (TElement* e = element; e != nullptr; e = e->ParentElement()) {
        const TElementPaletteItem* item = Palette().FindElementItem(e->ElementClass());
        auto* named = dynamic_cast<TNamedElement*>(e);
        if (item == nullptr && named == nullptr)
            continue;
        QString subject =
            item != nullptr && item->Caption() != 0 ? LoadStr(item->Caption()) : e->ElementClass()->XmlName();
        if (named != nullptr && !named->Name().isEmpty())
            subject += QStringLiteral(" \"") + MessageValueText(named->Name()) + u'"';
        return subject;
    }
    return QString();
}

} // namespace qv
