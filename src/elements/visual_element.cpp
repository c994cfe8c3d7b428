#include "elements/visual_element.h"

#include "core/lists.h"
#include "core/strings.h"
#include "core/update_guard.h"
#include "elements/element_messages.h"
#include "elements/element_operation.h"
#include "elements/element_sheet.h"
#include "elements/find_data.h"
#include "elements/layout_work.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "textor/canvas.h"

#include <algorithm>
#include <atomic>

namespace qv {

QV_IMPLEMENT_CLASS(TVisualElement)
QV_IMPLEMENT_CLASS(TPanelElement)
QV_IMPLEMENT_CLASS(TSheetElement)
QV_IMPLEMENT_CLASS(TMessagesSignElement)

namespace {

using TVisualList = TBidirectionalList<TVisualElement>;

std::atomic<int64_t> offersAsked{0};

// While a tree is laid out, what each element's parent offers it is asked of the ancestors once and kept
// here: an offer depends on the page, the theme, the frames and the children's margins, none of which a
// layout changes, and asking the ancestors anew for every element would make the work grow with the
// elements times their depth. Layout runs on the thread of its sheet; the table lives while the outermost
// layout of the thread runs.
thread_local QHash<const TVisualElement*, QSize>* layoutOffers = nullptr;

class TLayoutOffersScope
{
public:
    TLayoutOffersScope() : FOwner(layoutOffers == nullptr)
    {
        if (FOwner)
            layoutOffers = &FOffers;
    }
    ~TLayoutOffersScope()
    {
        if (FOwner)
            layoutOffers = nullptr;
    }
    TLayoutOffersScope(const TLayoutOffersScope&) = delete;
    TLayoutOffersScope& operator=(const TLayoutOffersScope&) = delete;

private:
    bool FOwner;
    QHash<const TVisualElement*, QSize> FOffers;
};

} // namespace

int64_t OffersAskedForTesting()
{
    return offersAsked.load(std::memory_order_relaxed);
}

// The visual sibling links are private; the list routines reach them through these accessors.
const TBidirectionalList<TVisualElement>::TLinks& TVisualElement::VisualLinks()
{
    static const TVisualList::TLinks links{[](const TVisualElement* e) { return e->FNextVisual; },
                                           [](const TVisualElement* e) { return e->FPrevVisual; },
                                           [](TVisualElement* e, TVisualElement* l) { e->FNextVisual = l; },
                                           [](TVisualElement* e, TVisualElement* l) {
                                               e->FPrevVisual = l;
                                           }};
    return links;
}

TVisualElement::TVisualElement(TScheme* scheme) : TElement(scheme) {}

TVisualElement::~TVisualElement()
{
    // A new element made during the same layout may get this one's address.
    if (layoutOffers != nullptr)
        layoutOffers->remove(this);
    FreeMessagesSign();
    UnlinkVisualChildren();
    if (FVisualParent != nullptr) {
        TVisualElement* parent = FVisualParent;
        TVisualList::Remove(this, parent->FFirstVisualChild, parent->FLastVisualChild, VisualLinks());
        if (IsCovered())
            --parent->FCoveredChildCount;
        if (FPortion == nullptr)
            --parent->FFreeChildCount;
        FVisualParent = nullptr;
    }
}

void TVisualElement::UnlinkVisualChildren()
{
    while (FFirstVisualChild != nullptr) {
        TVisualElement* child = FFirstVisualChild;
        TVisualList::Remove(child, FFirstVisualChild, FLastVisualChild, VisualLinks());
        child->FVisualParent = nullptr;
    }
    FCoveredChildCount = 0;
    FFreeChildCount = 0;
}

void TVisualElement::BeforeDestruction()
{
    inherited::BeforeDestruction();
    // Leave the visual tree and the sheet while the whole object still exists. Visual children that
    // are not freed with this element (they belong to other owners) are let go properly.
    FreeMessagesSign();
    for (TVisualElement* child = FFirstVisualChild; child != nullptr;) {
        TVisualElement* next = child->FNextVisual;
        if (!child->IsDestroying())
            child->SetVisualParent(nullptr);
        child = next;
    }
    if (FSheet != nullptr)
        FSheet->ElementLeaving(this);
    if (FVisualParent != nullptr && !FVisualParent->IsDestroying())
        SetVisualParent(nullptr);
}

const TElementClass* TVisualElement::UnacceptedClass()
{
    return TElement::UnacceptedClass();
}

bool TVisualElement::NeedsCheck() const
{
    return !IsEffectivelyDisabled();
}

void TVisualElement::ValidityChanged()
{
    UpdateMessagesSign();
}

void TVisualElement::FilledChanged()
{
    inherited::FilledChanged();
    // Elements that show only relevant content depend on tracked, filled descendants.
    if ((Options() & eoTracked) != 0) {
        if (HasVisualOption(voShownWhenRelevant))
            UpdateShown();
        UpdateRelevantAncestors();
    }
}

bool TVisualElement::OfferMessage(int msg, void* param, void* data)
{
    if (FVisualParent != nullptr && FVisualParent->ChildVisualMessage(this, msg, param, data))
        return true;
    return inherited::OfferMessage(msg, param, data);
}

void TVisualElement::BoundsChanged(const QRect&, int) {}

bool TVisualElement::IsChildVisible(TVisualElement*)
{
    return true;
}

bool TVisualElement::ComputeEffectiveDisabled()
{
    return Disabled() || (FVisualParent != nullptr && FVisualParent->IsEffectivelyDisabled());
}

bool TVisualElement::ComputeEffectiveCovered()
{
    return IsCovered() || (FVisualParent != nullptr && FVisualParent->IsEffectivelyCovered());
}

bool TVisualElement::HasRelevantDescendant() const
{
    // A tracked and filled, or a focused, visual descendant.
    for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual) {
        if ((child->Options() & eoTracked) != 0 && (child->State() & esFilled) != 0)
            return true;
        if (child->IsFocused())
            return true;
        if (child->HasRelevantDescendant())
            return true;
    }
    return false;
}

bool TVisualElement::ComputeShown()
{
    if (FVisualParent != nullptr && (!FVisualParent->IsShown() || !FVisualParent->IsChildVisible(this)))
        return false;
    if (!HasVisualOption(voShownWhenRelevant))
        return true;
    if ((FVisualFlags & vsAlwaysShown) != 0)
        return true;
    if ((Options() & eoTracked) != 0 && (State() & esFilled) != 0)
        return true;
    if (IsFocused())
        return true;
    return HasRelevantDescendant();
}

void TVisualElement::CaptureChanged() {}

void TVisualElement::ChildBoundsChanged(TVisualElement*, const QRect&, int) {}

void TVisualElement::ChildEffectiveDisabledChanged(TVisualElement*) {}

void TVisualElement::ChildShownChanged(TVisualElement*) {}

void TVisualElement::ChildCoveredChanged(TVisualElement*)
{
    if ((FVisualFlags & vsLayingOut) != 0)
        FVisualFlags |= vsLayoutRequested;
    else if (HasVisualOption(voRelayoutOnCovered))
        Relayout(false, false);
}

void TVisualElement::DisabledChanged()
{
    UpdateEffectiveDisabled();
}

bool TVisualElement::ContainsPoint(const QPoint& point)
{
    // An element no wider or higher than its padding (an empty field) is hit anywhere in its bounds;
    // otherwise it could never be clicked.
    const QRect inner = BoundsRect().marginsRemoved(GetPadding());
    return (inner.isEmpty() ? BoundsRect() : inner).contains(point);
}

bool TVisualElement::Paste()
{
    return false;
}

void TVisualElement::MarkChanged() {}

void TVisualElement::FocusChanged()
{
    // The focus frame is drawn over the element.
    Invalidate();
    UpdateRelevantAncestors();
    if (HasVisualOption(voShownWhenRelevant))
        UpdateShown();
}

void TVisualElement::FocusChanging()
{
    if ((FVisualFlags & vsWantsFocusLost) != 0)
        FocusLost();
}

void TVisualElement::GetCaret(int& kind, QRect& rect)
{
    kind = 0;
    rect = QRect();
}

bool TVisualElement::HasSelection()
{
    return false;
}

bool TVisualElement::SelectionContains(const QPoint&)
{
    return false;
}

QMargins TVisualElement::GetMargins()
{
    return FSheet != nullptr ? FSheet->ElementMargins() : QMargins();
}

QMargins TVisualElement::GetInnerMargins()
{
    return QMargins();
}

QMargins TVisualElement::GetPadding()
{
    return QMargins();
}

QRect TVisualElement::GetClientRect()
{
    return QRect(0, 0, FWidth, FHeight);
}

TVisualElement* TVisualElement::NextVisualChild(TVisualElement* child, bool forward)
{
    if (child == nullptr)
        return forward ? FFirstVisualChild : FLastVisualChild;
    return forward ? child->FNextVisual : child->FPrevVisual;
}

TVisualElement* TVisualElement::GetNavigationParent()
{
    if (FVisualParent == nullptr || IsInstanceOf(FVisualParent, TSheetElement::StaticClass()))
        return nullptr;
    return FVisualParent;
}

void TVisualElement::InsertVisualChild(TVisualElement* child, TVisualElement* before)
{
    TVisualList::Insert(child, before, FFirstVisualChild, FLastVisualChild, VisualLinks());
    if (child->IsCovered())
        ++FCoveredChildCount;
    if (child->FPortion == nullptr)
        ++FFreeChildCount;
    child->SetSheet(FSheet);
}

void TVisualElement::EffectiveDisabledChanged()
{
    if (FVisualParent != nullptr)
        FVisualParent->ChildEffectiveDisabledChanged(this);
    UpdateChildrenEffectiveDisabled();
    if ((Options() & eoTracked) != 0)
        Update();
}

void TVisualElement::EffectiveCoveredChanged()
{
    UpdateChildrenEffectiveCovered();
}

void TVisualElement::ShownChanged()
{
    if (FVisualParent != nullptr)
        FVisualParent->ChildShownChanged(this);
    UpdateChildrenShown();
    UpdateMessagesSign();
    if (!IsShown() && FSheet != nullptr) {
        // Hidden elements can be neither hot nor focused.
        TVisualElement* hot = FSheet->HotElement();
        if (hot != nullptr && (hot == this || IsAncestorOfVisual(hot)))
            FSheet->SetHotElement(nullptr);
        TVisualElement* focused = FSheet->FocusedElement();
        if (focused != nullptr && (focused == this || IsAncestorOfVisual(focused)))
            FSheet->SetFocusedElement(nullptr);
    }
}

bool TVisualElement::IsAncestorOfVisual(const TVisualElement* element) const
{
    for (const TVisualElement* e = element != nullptr ? element->FVisualParent : nullptr; e != nullptr;
         e = e->FVisualParent) {
        if (e == this)
            return true;
    }
    return false;
}

void TVisualElement::ShowChild(TVisualElement*) {}

void TVisualElement::MoveVisualChild(TVisualElement* child, TVisualElement* before)
{
    TVisualList::Move(child, before, FFirstVisualChild, FLastVisualChild, VisualLinks());
}

bool TVisualElement::ShouldSaveChild(TSchemeFiler* filer, TElement* child)
{
    const uint8_t flags = filer->Flags();
    if (filer->Mode() == fmClipboard && IsInstanceOf(child, TVisualElement::StaticClass()) &&
        static_cast<TVisualElement*>(child)->HasVisualOption(voNotToClipboard))
        return false;
    if ((flags & ffNoDisabled) != 0 && IsInstanceOf(child, TVisualElement::StaticClass()) &&
        static_cast<TVisualElement*>(child)->Disabled())
        return false;
    if ((flags & ffNoOptional) != 0 && (child->Options() & eoOptional) != 0)
        return false;
    if ((flags & ffNoForeign) != 0 && (child->Options() & eoForeign) != 0)
        return false;
    return true;
}

void TVisualElement::PaintChild(TCanvas* canvas, int flags, TVisualElement* child)
{
    canvas->OffsetOrigin(child->FLeft, child->FTop);
    child->PaintTree(canvas, flags);
    canvas->OffsetOrigin(-child->FLeft, -child->FTop);
}

void TVisualElement::PaintChildren(TCanvas* canvas, int flags)
{
    const QRect clip = canvas->ClipRect();
    for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual) {
        if (child->IsShown() && child->BoundsRect().intersects(clip))
            PaintChild(canvas, flags, child);
    }
}

void TVisualElement::Paint(TCanvas*) {}

void TVisualElement::PaintDisabled(TCanvas* canvas, int)
{
    canvas->MarkDisabled(GetClientRect());
}

void TVisualElement::PaintExternalEditingMode(TCanvas* canvas)
{
    canvas->DrawThemeFrame(steExternalEditingMode, GetClientRect());
}

void TVisualElement::PaintMark(TCanvas* canvas)
{
    canvas->DrawThemeFrame(steMark, GetClientRect());
}

void TVisualElement::PaintTree(TCanvas* canvas, int flags)
{
    if (canvas == nullptr || !canvas->Painting() || IsDestroying())
        return;
    Paint(canvas);
    PaintChildren(canvas, flags);
    if ((FVisualFlags & vsMark) != 0)
        PaintExternalEditingMode(canvas);
    // Nested disabled elements are shaded once, by the outermost one.
    if (IsEffectivelyDisabled() && (FVisualParent == nullptr || !FVisualParent->IsEffectivelyDisabled()))
        PaintDisabled(canvas, flags);
    if ((State() & esMultiSelected) != 0)
        PaintMark(canvas);
}

void TVisualElement::PositionChanged()
{
    for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual)
        child->PositionChanged();
    if (FMessagesSign != nullptr)
        FMessagesSign->Place();
    if (FSheet != nullptr && IsFocused())
        FSheet->UpdateCaret();
}

void TVisualElement::FocusLost() {}

bool TVisualElement::ChildVisualMessage(TVisualElement*, int, void*, void*)
{
    return false;
}

void TVisualElement::RemoveVisualChild(TVisualElement* child)
{
    TVisualList::Remove(child, FFirstVisualChild, FLastVisualChild, VisualLinks());
    if (child->IsCovered())
        --FCoveredChildCount;
    if (child->FPortion == nullptr)
        --FFreeChildCount;
    child->SetSheet(nullptr);
    if (child->IsCovered() && HasVisualOption(voRelayoutOnCovered))
        Relayout(false, false);
}

void TVisualElement::SetPortion(TElementPortion* portion)
{
    if (FVisualParent != nullptr && (FPortion == nullptr) != (portion == nullptr))
        FVisualParent->FFreeChildCount += portion == nullptr ? 1 : -1;
    FPortion = portion;
}

void TVisualElement::CoveredChanged()
{
    UpdateEffectiveCovered();
}

void TVisualElement::Relayout(bool all, bool force)
{
    if (IsDestroying())
        return;
    FVisualFlags |= vsLayingOut;
    FVisualFlags &= ~static_cast<uint32_t>(vsLayoutRequested);
    if (all) {
        const TLayoutOffersScope offers;
        for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual) {
            if (force || child->IsShown())
                child->Relayout(all, force);
        }
    }
    FVisualFlags &= ~static_cast<uint32_t>(vsLayingOut);
    // A layout asked for while this one ran (a child was covered) is this element's own, done once
    // more afterwards; the children are laid out already. Laying them out again would double the work
    // with each level of nesting.
    if ((FVisualFlags & vsLayoutRequested) != 0) {
        FVisualFlags &= ~static_cast<uint32_t>(vsLayoutRequested);
        Relayout(false, false);
        return;
    }
    if ((Options() & eoTracked) != 0 && Messages() != nullptr)
        Check();
    UpdateMessagesSign();
}

void TVisualElement::PageHeightChanged()
{
    for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual) {
        if (child->IsShown())
            child->PageHeightChanged();
    }
}

void TVisualElement::SheetChanging()
{
    FreeMessagesSign();
    if (FSheet != nullptr)
        FSheet->ElementLeaving(this);
    for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual)
        child->SheetChanging();
}

void TVisualElement::UpdateChildrenEffectiveDisabled()
{
    for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual)
        child->UpdateEffectiveDisabled();
}

void TVisualElement::UpdateChildrenEffectiveCovered()
{
    for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual)
        child->UpdateEffectiveCovered();
}

void TVisualElement::UpdateChildrenShown()
{
    for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual)
        child->UpdateShown();
}

void TVisualElement::UpdateDerivedStates()
{
    UpdateEffectiveDisabled();
    UpdateEffectiveCovered();
    UpdateShown();
}

void TVisualElement::UpdateEffectiveDisabled()
{
    const bool value = ComputeEffectiveDisabled();
    if (value == IsEffectivelyDisabled())
        return;
    FVisualFlags ^= vsEffectivelyDisabled;
    EffectiveDisabledChanged();
    Invalidate();
}

void TVisualElement::UpdateEffectiveCovered()
{
    const bool value = ComputeEffectiveCovered();
    if (value == IsEffectivelyCovered())
        return;
    FVisualFlags ^= vsEffectivelyCovered;
    EffectiveCoveredChanged();
}

void TVisualElement::UpdateShown()
{
    const bool value = ComputeShown();
    if (value == IsShown())
        return;
    FVisualFlags ^= vsShown;
    ShownChanged();
}

void TVisualElement::UpdateInRelevantOnly()
{
    const bool value = FVisualParent != nullptr && (FVisualParent->HasVisualOption(voShownWhenRelevant) ||
                                                    (FVisualParent->FVisualFlags & vsInRelevantOnly) != 0);
    if (value == ((FVisualFlags & vsInRelevantOnly) != 0))
        return;
    FVisualFlags ^= vsInRelevantOnly;
    for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual)
        child->UpdateInRelevantOnly();
}

void TVisualElement::UpdateRelevantAncestors()
{
    if ((FVisualFlags & vsInRelevantOnly) == 0)
        return;
    for (TVisualElement* e = FVisualParent; e != nullptr; e = e->FVisualParent) {
        if (e->HasVisualOption(voShownWhenRelevant))
            e->UpdateShown();
        if ((e->FVisualFlags & vsInRelevantOnly) == 0)
            break;
    }
}

void TVisualElement::CaptureCancelled() {}

bool TVisualElement::CanCut()
{
    return false;
}

bool TVisualElement::CanCopyAsText()
{
    return false;
}

bool TVisualElement::CanCopy()
{
    return false;
}

bool TVisualElement::CanEdit()
{
    return HasVisualOption(voEditable) && !IsReadOnly();
}

void TVisualElement::EditCommand() {}

bool TVisualElement::ContextPopup(QObject*, const QPoint&)
{
    return false;
}

void TVisualElement::CopyAsText() {}

void TVisualElement::Copy() {}

int TVisualElement::GetCursor(const QPoint&)
{
    return 0;
}

bool TVisualElement::DropFiles(const QStringList&)
{
    return false;
}

bool TVisualElement::FindText(int, TFindData& findData, int&, TVisualElement*& next, bool forward)
{
    next = FindNextFocusTarget(forward, findData.ShownOnly(), findData.EnabledOnly());
    if (next != nullptr) {
        TElement* root = findData.Root();
        if (root == nullptr || (next != root && !root->IsAncestorOf(next)))
            next = nullptr;
    }
    return false;
}

void TVisualElement::Activate()
{
    TVisualElement* target = nullptr;
    if (!FindFocusTarget(true, true, false, target))
        return;
    target->SetFocus();
}

bool TVisualElement::FindFocusTarget(bool forward, bool shownOnly, bool enabledOnly, TVisualElement*& target)
{
    // A hidden or disabled element has only hidden or disabled descendants.
    if (shownOnly && !IsShown())
        return false;
    if (enabledOnly && IsEffectivelyDisabled())
        return false;
    if (HasVisualOption(voFocusTarget)) {
        target = this;
        return true;
    }
    for (TVisualElement* child = NextVisualChild(nullptr, forward); child != nullptr;
         child = NextVisualChild(child, forward)) {
        if (child->FindFocusTarget(forward, shownOnly, enabledOnly, target))
            return true;
    }
    return false;
}

void TVisualElement::GetHint(QString& text)
{
    if ((Options() & eoPart) != 0) {
        if (TElement* parent = ParentElement())
            parent->GetPartHint(this, text);
    }
}

void TVisualElement::GetAvailableSize(TVisualElement* child, QSize& size)
{
    (void)child;
    size = OfferedByParent();
}

QSize TVisualElement::OfferedByParent()
{
    QSize size(maxAvailableExtent, maxAvailableExtent);
    if (FVisualParent == nullptr)
        return size;
    // Only the offers of elements with children are kept: they are what the children's offers are made
    // of. A leaf asks for its own once or twice, from its parent's kept offer.
    const bool keep = layoutOffers != nullptr && FFirstVisualChild != nullptr;
    if (keep) {
        const auto found = layoutOffers->constFind(this);
        if (found != layoutOffers->constEnd())
            return *found;
    }
    offersAsked.fetch_add(1, std::memory_order_relaxed);
    FVisualParent->GetAvailableSize(this, size);
    if (keep)
        layoutOffers->insert(this, size);
    return size;
}

TVisualElement* TVisualElement::FindNextFocusTarget(bool forward, bool shownOnly, bool enabledOnly)
{
    TVisualElement* from = this;
    for (TVisualElement* parent = from->GetNavigationParent(); parent != nullptr;
         parent = parent->GetNavigationParent()) {
        for (TVisualElement* child = parent->NextVisualChild(from, forward); child != nullptr;
             child = parent->NextVisualChild(child, forward)) {
            TVisualElement* target = nullptr;
            if (child->FindFocusTarget(forward, shownOnly, enabledOnly, target))
                return target;
        }
        from = parent;
    }
    return nullptr;
}

void TVisualElement::FocusEntering(bool)
{
    SetFocus();
}

bool TVisualElement::FocusBesideEmbedded(TVisualElement*, bool)
{
    return false;
}

TVisualElement* TVisualElement::EmbeddedFocusTarget(bool)
{
    return nullptr;
}

QString TVisualElement::InputRefusedHint()
{
    return IsReadOnly() ? LoadStr(QV_STR(4850)) : LoadStr(QV_STR(4852));
}

void TVisualElement::KeyDown(int&, Qt::KeyboardModifiers) {}

void TVisualElement::KeyPress(QChar&) {}

void TVisualElement::KeyUp(int&, Qt::KeyboardModifiers) {}

void TVisualElement::Click() {}

TVisualElement* TVisualElement::DoubleClickAction()
{
    return this;
}

void TVisualElement::MouseDown(const QPoint&, Qt::KeyboardModifiers, bool doubleClick)
{
    if (doubleClick) {
        DoubleClickAction();
        return;
    }
    if (!HasVisualOption(voFocusOnClick))
        return;
    if (!IsFocused())
        Focus();
    if (FSheet != nullptr)
        FSheet->SetCaptureElement(this);
}

void TVisualElement::MouseEnter() {}

void TVisualElement::MouseLeave() {}

void TVisualElement::MouseMove(const QPoint&, Qt::KeyboardModifiers) {}

void TVisualElement::MouseUp(const QPoint& point, bool, Qt::KeyboardModifiers)
{
    if (!IsCaptured())
        return;
    FSheet->SetCaptureElement(nullptr);
    if (ContainsPoint(point + QPoint(FLeft, FTop)))
        Click();
}

void TVisualElement::PaintFocusOverlay(TCanvas*) {}

void TVisualElement::GetText(QString& text)
{
    text.clear();
}

void TVisualElement::SelectAll() {}

void TVisualElement::SetFocus()
{
    if (FSheet != nullptr)
        FSheet->SetFocusedElement(this);
}

void TVisualElement::SetVisualParent(TVisualElement* parent, TVisualElement* before)
{
    if (layoutOffers != nullptr)
        layoutOffers->remove(this);
    if (parent == FVisualParent) {
        if (parent == nullptr || before == FNextVisual || before == this)
            return;
        parent->MoveVisualChild(this, before);
        Invalidate();
        return;
    }
    if (TVisualElement* old = FVisualParent) {
        const QRect area = BoundsRect();
        const bool wasShown = IsShown();
        old->RemoveVisualChild(this);
        if (wasShown)
            old->Invalidate(area);
    }
    FVisualParent = parent;
    UpdateInRelevantOnly();
    if (parent != nullptr) {
        parent->InsertVisualChild(this, before);
        Invalidate();
    }
    UpdateDerivedStates();
}

void TVisualElement::PaletteCommand(TPaletteItem* item, intptr_t data)
{
    if ((Options() & eoPart) != 0) {
        if (TElement* parent = ParentElement())
            parent->PartPaletteCommand(this, item, data);
    }
}

bool TVisualElement::SetBounds(int left, int top, int descent, int height, int width)
{
    if (left == FLeft && top == FTop && descent == FDescent && height == FHeight && width == FWidth) {
        Invalidate();
        return false;
    }
    const QRect oldBounds = BoundsRect();
    const int oldDescent = FDescent;
    Invalidate();
    FLeft = left;
    FTop = top;
    FDescent = descent;
    FHeight = height;
    FWidth = width;
    Invalidate();
    if (left != oldBounds.left() || top != oldBounds.top())
        PositionChanged();
    if (FVisualParent != nullptr)
        FVisualParent->ChildBoundsChanged(this, oldBounds, oldDescent);
    if (FSheet != nullptr && FSheet->TopElement() == this)
        FSheet->TopElementBoundsChanged();
    // The cursor depends on where the mouse is within the element.
    if (FSheet != nullptr && (IsHot() || IsCaptured()))
        FSheet->UpdateCursor();
    BoundsChanged(oldBounds, oldDescent);
    return true;
}

void TVisualElement::SetDisabled(bool value)
{
    if (value == Disabled())
        return;
    FVisualFlags ^= vsDisabled;
    DisabledChanged();
    Invalidate();
}

void TVisualElement::SetDisabledUndoable(bool value)
{
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TVisualElementDisableOperation(this, value)));
}

void TVisualElement::SetCovered(bool value)
{
    if (value == IsCovered())
        return;
    FVisualFlags ^= vsCovered;
    if (FVisualParent != nullptr)
        FVisualParent->FCoveredChildCount += value ? 1 : -1;
    CoveredChanged();
    if (FVisualParent != nullptr)
        FVisualParent->ChildCoveredChanged(this);
}

void TVisualElement::SetVisualOptions(uint16_t options)
{
    const uint16_t old = VisualOptions();
    if (options == old)
        return;
    const bool wasReadOnly = IsReadOnly();
    FVisualFlags = (FVisualFlags & 0xFFFFu) | (static_cast<uint32_t>(options) << 16);
    if (((old ^ options) & voShownWhenRelevant) != 0) {
        for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual)
            child->UpdateInRelevantOnly();
        UpdateShown();
    }
    if (wasReadOnly != IsReadOnly())
        Invalidate();
}

void TVisualElement::SetVisualStateBits(uint32_t bits, bool on)
{
    const uint32_t old = FVisualFlags;
    const uint32_t mask = bits & 0xFFFFu;
    if (on)
        FVisualFlags |= mask;
    else
        FVisualFlags &= ~mask;
    if (((old ^ FVisualFlags) & vsMark) != 0) {
        MarkChanged();
        Invalidate();
    }
    if (((old ^ FVisualFlags) & vsAlwaysShown) != 0)
        UpdateShown();
}

void TVisualElement::SetSheet(IElementSheet* sheet)
{
    if (sheet == FSheet)
        return;
    SheetChanging();
    // Every visual descendant gets the sheet, then the subtree is laid out once.
    struct TAssign
    {
        static void Run(TVisualElement* element, IElementSheet* sheet)
        {
            element->FSheet = sheet;
            for (TVisualElement* child = element->FFirstVisualChild; child != nullptr;
                 child = child->FNextVisual)
                Run(child, sheet);
        }
    };
    TAssign::Run(this, sheet);
    if (sheet != nullptr) {
        TUpdateGuard<IElementSheet> guard(sheet);
        Relayout(true, false);
    }
}

bool TVisualElement::IsReadOnly() const
{
    if (HasVisualOption(voReadOnly))
        return true;
    if (FSheet != nullptr && FSheet->IsReadOnly())
        return true;
    return Scheme() != nullptr && Scheme()->ReadOnlyLevel() != rolEditable;
}

bool TVisualElement::IsFocused() const
{
    return FSheet != nullptr && FSheet->FocusedElement() == this;
}

bool TVisualElement::IsHot() const
{
    return FSheet != nullptr && FSheet->HotElement() == this;
}

bool TVisualElement::IsCaptured() const
{
    return FSheet != nullptr && FSheet->CaptureElement() == this;
}

QPoint TVisualElement::SheetOrigin() const
{
    QPoint origin;
    for (const TVisualElement* e = this; e != nullptr && e->FVisualParent != nullptr; e = e->FVisualParent)
        origin += QPoint(e->FLeft, e->FTop);
    return origin;
}

void TVisualElement::Invalidate(const QRect& rect)
{
    if (FSheet == nullptr || IsDestroying() || !IsShown())
        return;
    const QRect area = rect.isNull() ? QRect(0, 0, FWidth, FHeight) : rect;
    FSheet->InvalidateRect(area.translated(SheetOrigin()));
}

TVisualElement* TVisualElement::ElementAt(const QPoint& point, int flags)
{
    for (TVisualElement* child = FLastVisualChild; child != nullptr; child = child->FPrevVisual) {
        if (!child->IsShown() || !child->ContainsPoint(point))
            continue;
        if ((flags & eafExcludeCovered) != 0 && child->IsEffectivelyCovered())
            continue;
        if (TVisualElement* inner = child->ElementAt(point - QPoint(child->FLeft, child->FTop), flags))
            return inner;
        if (!child->HasVisualOption(voHitTestIgnored) || (flags & eafIncludeIgnored) != 0)
            return child;
    }
    return nullptr;
}

int TVisualElement::VisualIndex() const
{
    if (FVisualParent == nullptr)
        return -1;
    return TVisualList::IndexOf(FVisualParent->FFirstVisualChild, this,
                                [](const TVisualElement* e) { return e->FNextVisual; });
}

TVisualElement* TVisualElement::GetVisualChildren(int index) const
{
    return TVisualList::ItemAt(FFirstVisualChild, index,
                               [](const TVisualElement* e) { return e->FNextVisual; });
}

int TVisualElement::VisualChildCount() const
{
    int count = 0;
    for (TVisualElement* child = FFirstVisualChild; child != nullptr; child = child->FNextVisual)
        ++count;
    return count;
}

void TVisualElement::EnsureShown()
{
    if (IsShown())
        return;
    // Showing may expand a collapsed container, which is undoable: one undo group.
    TUpdateGuard<IElementSheet> sheetGuard(FSheet);
    TSchemeGroupGuard groupGuard(Scheme(), QString(), false);
    for (TVisualElement* e = this; e != nullptr && e->FVisualParent != nullptr; e = e->FVisualParent) {
        if (!e->IsShown())
            e->FVisualParent->ShowChild(e);
    }
}

void TVisualElement::Focus()
{
    if (HasVisualOption(voFocusTarget))
        SetFocus();
    else
        Activate();
}

void TVisualElement::FreeMessagesSign()
{
    // MessagesSign() is null while the sign is freed.
    FMessagesSign.reset();
}

void TVisualElement::UpdateMessagesSign()
{
    const bool needed = !IsDestroying() && (Options() & eoTracked) != 0 && IsShown() && FSheet != nullptr &&
                        FSheet->TopElement() != nullptr && !IsValid();
    if (!needed) {
        FreeMessagesSign();
        return;
    }
    if (FMessagesSign == nullptr) {
        TNodePtr<TMessagesSignElement> sign(new TMessagesSignElement(nullptr));
        sign->SetOwner(this);
        FMessagesSign = std::move(sign);
        FMessagesSign->SetVisualParent(FSheet->TopElement());
    }
    FMessagesSign->Place();
    FMessagesSign->Invalidate();
}

// TPanelElement

void TPanelElement::FitToChildren()
{
    if (Sheet() == nullptr || !IsShown() || IsDestroying())
        return;
    if (!FEdgesValid) {
        FChildrenRight = 0;
        FChildrenBottom = 0;
        for (TVisualElement* child = FirstVisualChild(); child != nullptr; child = child->NextVisual()) {
            if (!child->IsShown())
                continue;
            FChildrenRight = std::max(FChildrenRight, child->Left() + child->Width());
            FChildrenBottom = std::max(FChildrenBottom, child->Top() + child->Height());
        }
        FEdgesValid = true;
    }
    const QMargins padding = GetPadding();
    int width = FChildrenRight == 0 ? 0 : FChildrenRight + padding.right();
    int height = FChildrenBottom == 0 ? 0 : FChildrenBottom + padding.bottom();
    if (width == 0)
        width = Width();
    if (height == 0)
        height = Height();
    SetBounds(Left(), Top(), Descent(), height, width);
}

void TPanelElement::ChildEdges(TVisualElement* child, int right, int bottom, bool grows)
{
    if (!FEdgesValid)
        return;
    if (grows) {
        if (child->IsShown()) {
            FChildrenRight = std::max(FChildrenRight, child->Left() + child->Width());
            FChildrenBottom = std::max(FChildrenBottom, child->Top() + child->Height());
        }
    } else if (right >= FChildrenRight || bottom >= FChildrenBottom) {
        FEdgesValid = false;
    }
}

void TPanelElement::ChildBoundsChanged(TVisualElement* child, const QRect& oldBounds, int oldDescent)
{
    inherited::ChildBoundsChanged(child, oldBounds, oldDescent);
    if (child->IsShown()) {
        // The old edges go, the new ones come.
        const int right = child->Left() + child->Width();
        const int bottom = child->Top() + child->Height();
        const int oldRight = oldBounds.left() + oldBounds.width();
        const int oldBottom = oldBounds.top() + oldBounds.height();
        if (right < oldRight || bottom < oldBottom)
            ChildEdges(child, oldRight, oldBottom, false);
        ChildEdges(child, 0, 0, true);
    }
    FitToChildren();
}

void TPanelElement::ChildShownChanged(TVisualElement* child)
{
    inherited::ChildShownChanged(child);
    ChildEdges(child, child->Left() + child->Width(), child->Top() + child->Height(), child->IsShown());
    FitToChildren();
}

void TPanelElement::InsertVisualChild(TVisualElement* child, TVisualElement* before)
{
    inherited::InsertVisualChild(child, before);
    ChildEdges(child, 0, 0, true);
    FitToChildren();
}

void TPanelElement::RemoveVisualChild(TVisualElement* child)
{
    inherited::RemoveVisualChild(child);
    ChildEdges(child, child->Left() + child->Width(), child->Top() + child->Height(), false);
    FitToChildren();
}

void TPanelElement::ShownChanged()
{
    inherited::ShownChanged();
    FEdgesValid = false;
    FitToChildren();
}

// TSheetElement

void TSheetElement::GetAvailableSize(TVisualElement*, QSize& size)
{
    // Children stand inside the padding: what they are offered, with the padding, fills the page.
    if (Sheet() != nullptr)
        size = Sheet()->PageSize().shrunkBy(GetPadding());
    else
        size = QSize(maxAvailableExtent, maxAvailableExtent);
}

QMargins TSheetElement::GetPadding()
{
    return Sheet() != nullptr ? Sheet()->SheetPadding() : QMargins();
}

void TSheetElement::Paint(TCanvas* canvas)
{
    canvas->DrawThemeFrame(steSheet, GetClientRect());
}

// TMessagesSignElement

TMessagesSignElement::TMessagesSignElement(TScheme* scheme) : TVisualElement(scheme)
{
    SetOptions(Options() | eoTransient);
}

TMessagesSignImage TMessagesSignElement::Image() const
{
    if (FOwner != nullptr && FOwner->Messages() != nullptr &&
        FOwner->Messages()->HasKinds(1u << mkInvalidContent))
        return msiError;
    return msiNeedValue;
}

void TMessagesSignElement::GetHint(QString& text)
{
    text.clear();
    if (FOwner == nullptr || FOwner->Messages() == nullptr)
        return;
    const TElementMessages* messages = FOwner->Messages();
    for (int i = 0; i < messages->Count(); ++i) {
        if (i > 0)
            text += u'\n';
        text += QStringLiteral("\u2022 ") + messages->Items(i)->GetText();
    }
}

void TMessagesSignElement::Paint(TCanvas* canvas)
{
    canvas->DrawThemeImage(Image() == msiError ? steErrorSign : steNeedValueSign, QPoint(0, 0));
}

void TMessagesSignElement::Place()
{
    if (FOwner == nullptr || Sheet() == nullptr)
        return;
    const QSize size = Sheet()->MessagesSignSize();
    const QPoint origin = FOwner->SheetOrigin();
    const int top = std::max(origin.y() - size.height() / 2, -(size.height() / 4));
    SetBounds(origin.x(), top, Descent(), size.height(), size.width());
}

} // namespace qv
