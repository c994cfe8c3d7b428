#include "library/custom_described_element.h"

#include "core/strings.h"
#include "elements/classes_groups.h"
#include "elements/element_sheet.h"
#include "elements/scheme_images.h"
#include "textor/sheet_theme.h"

namespace qv {

QV_IMPLEMENT_CLASS(TCustomCommentElement)
QV_IMPLEMENT_CLASS(TDescriptionField)
QV_IMPLEMENT_CLASS(TCustomDescribedElement)

// TCustomCommentElement

TCustomCommentElement::TCustomCommentElement(TScheme* scheme) : TTextorElement(scheme)
{
    SetOptions(Options() | eoOptional);
    SetBehaviourOptions(tboElements | tboLinks | tboCommentFont);
    SetContentOptions(tcoAnything);
}

void TCustomCommentElement::GetAcceptedClasses(TElementClassList& list)
{
    ApplicationClassesGroups().AddGroupTo(list, cgCommentContentClasses);
}

bool TCustomCommentElement::GetFrameElement(int& element)
{
    element = steComment;
    return true;
}

bool TCustomCommentElement::HandleMessage(int msg, void* param, void* data)
{
    if (inherited::HandleMessage(msg, param, data))
        return true;
    if (msg == tmDataElementClass && data != nullptr) {
        // The image class belongs to the data elements; it is found by name so that comments do
        // not depend on them. Without it nothing answers.
        const TMetaClass* cls = TMetaClass::FindClass(QStringLiteral("TElement_Image"));
        if (cls != nullptr && cls->InheritsFrom(TElement::StaticClass())) {
            *static_cast<const TElementClass**>(data) = static_cast<const TElementClass*>(cls);
            return true;
        }
    }
    return false;
}

// TDescriptionField

TDescriptionField::TDescriptionField(TScheme* scheme) : TCustomCommentElement(scheme)
{
    SetVisualOptions(VisualOptions() | voShownWhenRelevant);
    SetBehaviourOptions(BehaviourOptions() | tboWrap480);
}

TVisualElement* TDescriptionField::Owner() const
{
    return dynamic_cast<TVisualElement*>(ParentElement());
}

bool TDescriptionField::GetFrameElement(int& element)
{
    element = steDescription;
    return true;
}

void TDescriptionField::PlaceDescription()
{
    TVisualElement* owner = Owner();
    if (Sheet() == nullptr || owner == nullptr || owner->Sheet() == nullptr || !IsShown())
        return;
    const QMargins m = GetMargins();
    // SheetOrigin is already relative to the sheet's top element, this field's visual parent.
    QPoint point = owner->SheetOrigin() + QPoint(owner->Width() + m.left(), m.top());
    if (point.y() < 0)
        point.setY(0);
    SetBounds(point.x(), point.y(), Descent(), Height(), Width());
}

bool TDescriptionField::ComputeEffectiveDisabled()
{
    TVisualElement* owner = Owner();
    return owner != nullptr && owner->IsEffectivelyDisabled();
}

bool TDescriptionField::ComputeShown()
{
    TVisualElement* owner = Owner();
    return inherited::ComputeShown() && owner != nullptr && owner->IsShown();
}

TVisualElement* TDescriptionField::GetNavigationParent()
{
    return Owner();
}

void TDescriptionField::FocusChanged()
{
    inherited::FocusChanged();
    // Painted over everything else while it has the focus.
    if (IsFocused() && VisualParent() != nullptr && VisualParent()->LastVisualChild() != this)
        VisualParent()->MoveVisualChild(this, nullptr);
}

void TDescriptionField::ShownChanged()
{
    inherited::ShownChanged();
    PlaceDescription();
}

// TCustomDescribedElement

TCustomDescribedElement::TCustomDescribedElement(TScheme* scheme) : TVisualElement(scheme) {}

void TCustomDescribedElement::CreateDescription()
{
    if (FDescription != nullptr)
        return;
    FDescription = CreatePart<TDescriptionField>();
    if (Sheet() != nullptr) {
        FDescription->SetVisualParent(Sheet()->TopElement());
        FDescription->PlaceDescription();
    }
}

QString TCustomDescribedElement::DescriptionText() const
{
    return FDescription != nullptr ? FDescription->GetText() : QString();
}

void TCustomDescribedElement::SetDescription(const QString& text)
{
    if (FDescription != nullptr)
        FDescription->SetText(text);
}

void TCustomDescribedElement::SetDescriptionUndoable(const QString& text)
{
    if (FDescription != nullptr)
        FDescription->ReplaceWithText(tetAll, nullptr, false, text);
}

QString TCustomDescribedElement::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FDescription)
        return QStringLiteral("Description");
    return inherited::GetPartKnotName(part, filerMode);
}

void TCustomDescribedElement::GetPaletteItems(QList<TPaletteItem*>& list)
{
    inherited::GetPaletteItems(list);
    if (FDescription != nullptr)
        list.append(DescriptionPaletteItem());
}

bool TCustomDescribedElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    if (item == nullptr || item != DescriptionPaletteItem())
        return inherited::ExecutePaletteItem(item, value);
    if (FDescription == nullptr)
        return false;
    FDescription->SetFocus();
    if (FDescription->IsFocused())
        FDescription->SelectAll();
    return true;
}

void TCustomDescribedElement::BoundsChanged(const QRect& oldBounds, int oldDescent)
{
    inherited::BoundsChanged(oldBounds, oldDescent);
    if (FDescription != nullptr && (oldBounds.top() != Top() || oldBounds.right() != BoundsRect().right()))
        FDescription->PlaceDescription();
}

void TCustomDescribedElement::PositionChanged()
{
    inherited::PositionChanged();
    if (FDescription != nullptr)
        FDescription->PlaceDescription();
}

void TCustomDescribedElement::ShownChanged()
{
    inherited::ShownChanged();
    if (FDescription != nullptr)
        FDescription->UpdateDerivedStates();
}

void TCustomDescribedElement::EffectiveDisabledChanged()
{
    inherited::EffectiveDisabledChanged();
    if (FDescription != nullptr) {
        FDescription->UpdateDerivedStates();
        FDescription->Invalidate();
    }
}

void TCustomDescribedElement::Relayout(bool all, bool force)
{
    inherited::Relayout(all, force);
    if (FDescription == nullptr || !all)
        return;
    if (Sheet() == nullptr) {
        FDescription->SetVisualParent(nullptr);
        return;
    }
    if (FDescription->VisualParent() != Sheet()->TopElement())
        FDescription->SetVisualParent(Sheet()->TopElement());
    FDescription->UpdateDerivedStates();
    FDescription->PlaceDescription();
}

void TCustomDescribedElement::SheetChanging()
{
    // The description stands on the sheet's top element: it leaves the sheet with its owner.
    if (FDescription != nullptr && FDescription->VisualParent() != nullptr)
        FDescription->SetVisualParent(nullptr);
    inherited::SheetChanging();
}

TVisualElement* TCustomDescribedElement::NextVisualChild(TVisualElement* child, bool forward)
{
    if (FDescription == nullptr || FDescription->VisualParent() == nullptr)
        return inherited::NextVisualChild(child, forward);
    if (forward) {
        if (child == nullptr)
            return FDescription;
        if (child == FDescription)
            return inherited::NextVisualChild(nullptr, true);
        return inherited::NextVisualChild(child, true);
    }
    if (child == nullptr) {
        TVisualElement* last = inherited::NextVisualChild(nullptr, false);
        return last != nullptr ? last : FDescription;
    }
    if (child == FDescription)
        return nullptr;
    if (child == inherited::NextVisualChild(nullptr, true))
        return FDescription;
    return inherited::NextVisualChild(child, false);
}

TSchemePaletteItem* DescriptionPaletteItem()
{
    static TSchemePaletteItem* const item = [] {
        auto* result =
            new TSchemePaletteItem(Palette().ActionsGroup(), piSingleSelectionOnly | piSplitButton | piLarge,
                                   StripImage(LargeImages(), QStringLiteral("diTitledLargeImages"), 1),
                                   QV_STR(2491), QV_STR(2490), 30);
        result->SetLetters(QStringLiteral("M"));
        return result;
    }();
    return item;
}

} // namespace qv
