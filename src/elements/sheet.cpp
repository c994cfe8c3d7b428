#include "elements/sheet.h"

#include "core/knot.h"
#include "core/property.h"
#include "core/strings.h"
#include "core/update_guard.h"
#include "core/user_interface.h"
#include "elements/drop_down_list.h"
#include "elements/sounds_settings.h"
#include "elements/visual_element.h"
#include "textor/sheet_canvas.h"
#include "textor/sheet_settings.h"

#include <QPainter>
#include <QTimer>

#include <vector>

namespace qv {

namespace {

// Work deferred while the update bracket is open, in the order EndUpdate runs it.
enum TSheetPending : uint32_t
{
    spLayoutWidth = 0x0001,
    spLayoutHeight = 0x0002,
    spContentSize = 0x0004,
    spFocus = 0x0008,
    spCaret = 0x0010,
    spCaretIntoView = 0x0020,
    spPaletteItems = 0x0040,
    spPaletteStates = 0x0080,
    spFocusedState = 0x0100,
    spRepaint = 0x0200,
};

// Both the caret timer and the delayed activation wait this long, in milliseconds.
constexpr int sheetTimerInterval = 300;

// Page sizes before the window tells the real one: large enough that nothing wraps.
constexpr int initialPageExtent = 0x3FFFFFFF;

std::unique_ptr<QTimer> MakeTimer()
{
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    timer->setInterval(sheetTimerInterval);
    return timer;
}

// Ends a canvas paint on every way out of PaintSheet, exceptions included.
class TPaintScope
{
public:
    TPaintScope(TCanvas& canvas, const QRect& rect, qreal devicePixelRatio) : FCanvas(canvas)
    {
        FCanvas.BeginPaint(rect, devicePixelRatio);
    }
    ~TPaintScope()
    {
        if (FCanvas.Painting())
            FCanvas.EndPaint();
    }
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;

private:
    TCanvas& FCanvas;
};

} // namespace

void TDropDownList::EntriesChanged()
{
    if (FSheet != nullptr && FSheet->DropDown() == this)
        FSheet->DropDownChanged();
}

void TSheet::DropDownChanged()
{
    Notify(shnDropDownChanged, reinterpret_cast<intptr_t>(FDropDown.get()));
}

TSheet::TSheet(TSheetSettings* settings)
    : FSettings(settings), FCanvas(std::make_unique<TSheetCanvas>(settings)),
      FPageSize(initialPageExtent, initialPageExtent), FActivationTimer(MakeTimer()), FCaretTimer(MakeTimer())
{
    QObject::connect(FActivationTimer.get(), &QTimer::timeout, [this] { ActivationTimerFired(); });
    QObject::connect(FCaretTimer.get(), &QTimer::timeout, [this] { CaretTimerFired(); });
    FTopElement.reset(new TSheetElement(nullptr));
    FTopElement->InitializeNewTree(nullptr);
    FTopElement->SetSheet(this);
    if (FSettings != nullptr)
        FSettings->AddHandler(MakeNotifyEvent<&TSheet::SettingsChanged>(this));
}

TSheet::~TSheet()
{
    if (FSettings != nullptr)
        FSettings->RemoveHandler(MakeNotifyEvent<&TSheet::SettingsChanged>(this));
    CloseDropDown(false);
    // Nobody hears from a sheet that is going away; the elements leaving it still release the state.
    FDestroying = true;
    FActivationTimer->stop();
    FCaretTimer->stop();
    FDelayedActivation = nullptr;
    // The elements leaving the sheet still find the top element while its tree is freed, so the
    // pointer is cleared only afterwards.
    FTopElement.get_deleter()(FTopElement.get());
    (void)FTopElement.release();
    FMarked.clear();
}

void TSheet::SetTheme(TSheetTheme* theme)
{
    FTheme = theme;
    FCanvas->SetTheme(theme);
}

void TSheet::SendNotify(int kind, intptr_t param1)
{
    if (!FDestroying)
        Notify(kind, param1);
}

// --- Theme sizes ---------------------------------------------------------------------------------------

TCanvas* TSheet::Canvas()
{
    return FCanvas.get();
}

QMargins TSheet::ElementMargins() const
{
    return FCanvas->Theme().ElementInset();
}

QSize TSheet::MessagesSignSize() const
{
    return FCanvas->Theme().ImageSize(steErrorSign);
}

QMargins TSheet::SheetPadding() const
{
    return FCanvas->Theme().Element(steSheet).Padding;
}

// --- Update bracket --------------------------------------------------------------------------------------

void TSheet::BeginUpdate()
{
    ++FUpdateCount;
}

void TSheet::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0)
        FlushPending();
}

void TSheet::FlushPending()
{
    // Each bit is cleared before its work, so that work requested by a handler is not lost and runs
    // at once (the bracket is closed).
    auto take = [this](uint32_t bits) {
        const bool pending = (FPendingNotifications & bits) != 0;
        FPendingNotifications &= ~bits;
        return pending;
    };
    if ((FPendingNotifications & (spLayoutWidth | spLayoutHeight)) != 0) {
        const bool width = (FPendingNotifications & spLayoutWidth) != 0;
        const bool height = (FPendingNotifications & spLayoutHeight) != 0;
        take(spLayoutWidth | spLayoutHeight);
        LayoutForPageSize(width, height);
    }
    if (take(spContentSize))
        SendNotify(shnContentSizeChanged);
    if (take(spFocus)) {
        take(spPaletteItems | spPaletteStates | spFocusedState);
        SendNotify(shnFocusChanged);
    }
    if (take(spCaret))
        UpdateCaret();
    if (take(spCaretIntoView)) {
        const bool margin = std::exchange(FPendingCaretMargin, false);
        SendNotify(shnCaretIntoView, margin ? 1 : 0);
    }
    if (take(spPaletteItems)) {
        take(spPaletteStates);
        SendNotify(shnPaletteItemsChanged);
    }
    if (take(spPaletteStates))
        SendNotify(shnPaletteStatesChanged);
    if (take(spFocusedState))
        SendNotify(shnFocusedStateChanged);
    if (take(spRepaint)) {
        const bool all = std::exchange(FPendingRepaintAll, false);
        const QRect rect = std::exchange(FPendingRepaint, QRect());
        if (all)
            SendNotify(shnRepaint, 0);
        else
            SendNotify(shnRepaint, reinterpret_cast<intptr_t>(&rect));
    }
}

// --- Requests --------------------------------------------------------------------------------------------

void TSheet::RequestRepaint(const QRect& rect)
{
    const bool all = rect.isNull();
    if (!all && rect.isEmpty())
        return;
    if (FUpdateCount > 0) {
        FPendingNotifications |= spRepaint;
        if (all)
            FPendingRepaintAll = true;
        else if (!FPendingRepaintAll)
            FPendingRepaint = FPendingRepaint.united(rect);
        return;
    }
    if (all)
        SendNotify(shnRepaint, 0);
    else
        SendNotify(shnRepaint, reinterpret_cast<intptr_t>(&rect));
}

void TSheet::TopElementBoundsChanged()
{
    if (FUpdateCount > 0)
        FPendingNotifications |= spContentSize;
    else
        SendNotify(shnContentSizeChanged);
}

void TSheet::RequestCaretVisible(bool withMargin)
{
    if (FUpdateCount > 0) {
        FPendingNotifications |= spCaretIntoView;
        FPendingCaretMargin = FPendingCaretMargin || withMargin;
        return;
    }
    SendNotify(shnCaretIntoView, withMargin ? 1 : 0);
}

void TSheet::RequestFocusedStateChanged()
{
    if (FUpdateCount > 0)
        FPendingNotifications |= spFocusedState;
    else
        SendNotify(shnFocusedStateChanged);
}

void TSheet::RequestPaletteItemsChanged()
{
    if (FUpdateCount > 0)
        FPendingNotifications |= spPaletteItems;
    else
        SendNotify(shnPaletteItemsChanged);
}

void TSheet::RequestPaletteStatesChanged()
{
    if (FUpdateCount > 0)
        FPendingNotifications |= spPaletteStates;
    else
        SendNotify(shnPaletteStatesChanged);
}

void TSheet::UpdateCaret()
{
    if (FUpdateCount > 0) {
        FPendingNotifications |= spCaret;
        return;
    }
    int kind = ckNone;
    QRect rect;
    if (FFocused != nullptr && FFocused->IsShown() && !FFocused->IsDestroying()) {
        FFocused->GetCaret(kind, rect);
        rect.translate(FFocused->SheetOrigin());
    }
    if (kind == ckNone)
        rect = QRect();
    if (kind == FCaretKind && rect == FCaretRect)
        return;
    FCaretKind = kind;
    FCaretRect = rect;
    SendNotify(shnCaretChanged);
}

void TSheet::UpdateCursor()
{
    // The cursor has no deferred step: the window shows the new one at once.
    TVisualElement* element = FCapture != nullptr ? FCapture : FHot;
    int cursor = 0;
    if (element != nullptr && !element->IsDestroying())
        cursor = element->GetCursor(FMousePoint - element->SheetOrigin());
    if (cursor == FSheetCursor)
        return;
    FSheetCursor = cursor;
    SendNotify(shnCursorChanged);
}

// --- Simple state ----------------------------------------------------------------------------------------

void TSheet::SetActive(bool value)
{
    if (value == FActive)
        return;
    FActive = value;
    SendNotify(shnActiveChanged);
}

void TSheet::SetReadOnly(bool value)
{
    if (value == FReadOnly)
        return;
    FReadOnly = value;
    SendNotify(shnReadOnlyChanged);
}

void TSheet::SetScrollPos(const QPoint& value)
{
    if (value == FScrollPos)
        return;
    FScrollPos = value;
    SendNotify(shnScrollPosChanged);
}

void TSheet::SetPageSize(const QSize& value)
{
    if (value == FPageSize)
        return;
    const bool width = value.width() != FPageSize.width();
    const bool height = value.height() != FPageSize.height();
    FPageSize = value;
    if (FUpdateCount > 0) {
        FPendingNotifications |= (width ? spLayoutWidth : 0u) | (height ? spLayoutHeight : 0u);
        return;
    }
    LayoutForPageSize(width, height);
}

void TSheet::LayoutForPageSize(bool width, bool height)
{
    if (FTopElement == nullptr || (!width && !height))
        return;
    TUpdateGuard<TSheet> guard(this);
    // The width is what content wraps to: the whole tree follows it. A new height alone only resizes
    // the elements that fill the page (the document's root and its work area below the content).
    if (width)
        FTopElement->Relayout(true, false);
    else
        FTopElement->PageHeightChanged();
}

void TSheet::SettingsChanged(TItfObject*, int notify, intptr_t, intptr_t)
{
    if (notify != pnChanged || FTopElement == nullptr)
        return;
    TUpdateGuard<TSheet> guard(this);
    ResetCanvas();
    FTopElement->Relayout(true, true);
    UpdateCaret();
    RequestRepaint();
}

void TSheet::ResetCanvas()
{
    // A fresh canvas forgets every font and width it measured with the old theme. Not while painting:
    // the next settings change or the caches' own theme check catch up.
    if (FCanvas->Painting())
        return;
    FCanvas = std::make_unique<TSheetCanvas>(FSettings);
    FCanvas->SetTheme(FTheme);
}

// --- Focus, hot, capture -------------------------------------------------------------------------------

void TSheet::SetFocus(TVisualElement* element)
{
    if (element == FFocused)
        return;
    if (element != nullptr && (element->Sheet() != this || element->IsDestroying()))
        element = nullptr;
    if (element == FFocused)
        return;
    TUpdateGuard<TSheet> guard(this);
    CloseDropDown(false);
    // The element and its ancestors that show only relevant content stay shown while the focus moves
    // to it; afterwards being focused (or holding the focused element) keeps them shown.
    std::vector<TVisualElement*> heldShown;
    if (FFocusShownOnly && element != nullptr) {
        for (TVisualElement* e = element; e != nullptr; e = e->VisualParent()) {
            if (e->HasVisualOption(voShownWhenRelevant) && (e->VisualFlags() & vsAlwaysShown) == 0) {
                e->SetVisualStateBits(vsAlwaysShown, true);
                heldShown.push_back(e);
            }
        }
        element->EnsureShown();
        if (!element->IsShown() || element->Sheet() != this || element->IsDestroying())
            element = nullptr;
    }
    if (element != FFocused)
        ChangeFocus(element, true);
    for (TVisualElement* e : heldShown)
        e->SetVisualStateBits(vsAlwaysShown, false);
}

void TSheet::ChangeFocus(TVisualElement* element, bool runOldHooks)
{
    TVisualElement* old = FFocused;
    if (old != nullptr && runOldHooks)
        old->FocusChanging();
    if (element != nullptr)
        element->FocusChanging();
    FFocused = element;
    if (old != nullptr && runOldHooks)
        old->FocusChanged();
    if (element != nullptr && FFocused == element)
        element->FocusChanged();
    if ((FClearMarksOnUnfocus && FFocused == nullptr) ||
        (FFocused != nullptr && (FFocused->State() & esMultiSelected) == 0))
        ClearMarks();
    UpdateCaret();
    if (FFocused != nullptr)
        FCaretTimer->start();
    if (FUpdateCount > 0)
        FPendingNotifications |= spFocus;
    else
        SendNotify(shnFocusChanged);
}

bool TSheet::FocusFirst()
{
    TVisualElement* target = nullptr;
    if (FTopElement == nullptr || !FTopElement->FindFocusTarget(true, true, true, target) ||
        target == nullptr)
        return false;
    SetFocus(target);
    return FFocused == target;
}

bool TSheet::MoveFocus(bool horizontal, bool forward, bool throughText)
{
    (void)horizontal;
    if (FFocused == nullptr)
        return false;
    TVisualElement* from = FFocused;
    if (throughText) {
        if (TVisualElement* target = from->EmbeddedFocusTarget(forward)) {
            target->FocusEntering(forward);
            return FFocused == target;
        }
    }
    TVisualElement* target = from->FindNextFocusTarget(forward, true, true);
    // Leaving an element that floats in a text: the caret goes beside it in that text, as it does
    // for an arrow key there, unless the next target still lies inside that element.
    for (TVisualElement* element = from; element != nullptr; element = element->VisualParent()) {
        TVisualElement* holder = element->VisualParent();
        if (element->Portion() == nullptr || holder == nullptr)
            continue;
        bool inside = false;
        for (TVisualElement* e = target; e != nullptr && !inside; e = e->VisualParent())
            inside = e == element;
        if (!inside && holder->FocusBesideEmbedded(element, forward))
            return FFocused != from;
        break;
    }
    if (target == nullptr)
        return false;
    target->FocusEntering(forward);
    return FFocused == target;
}

void TSheet::SetHot(TVisualElement* element)
{
    if (element == FHot)
        return;
    TVisualElement* old = FHot;
    FHot = element;
    if (old != nullptr && !old->IsDestroying())
        old->MouseLeave();
    if (element != nullptr && FHot == element)
        element->MouseEnter();
    SendNotify(shnHotChanged);
    UpdateCursor();
}

void TSheet::SetCapture(TVisualElement* element)
{
    if (element == FCapture)
        return;
    TVisualElement* old = FCapture;
    FCapture = element;
    if (old != nullptr && !old->IsDestroying())
        old->CaptureChanged();
    if (element != nullptr && FCapture == element)
        element->CaptureChanged();
    UpdateCursor();
}

TVisualElement* TSheet::HitTest(const QPoint& point, bool includeCovered, bool includeIgnored)
{
    if (FTopElement == nullptr || !FTopElement->GetClientRect().contains(point))
        return nullptr;
    int flags = 0;
    if (includeIgnored)
        flags |= eafIncludeIgnored;
    if (!includeCovered)
        flags |= eafExcludeCovered;
    if (TVisualElement* element = FTopElement->ElementAt(point, flags))
        return element;
    return FTopElement.get();
}

// --- Mouse -----------------------------------------------------------------------------------------------

void TSheet::MouseDown(const QPoint& point, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                       bool doubleClick)
{
    FMousePoint = point;
    if (button == Qt::LeftButton)
        FLeftButtonDown = true;
    TVisualElement* target = FCapture;
    if (target == nullptr) {
        target = HitTest(point, true, false);
        SetHot(target);
        // A hook of the old hot element may have changed the tree.
        target = FHot;
    }
    if (target == nullptr)
        return;
    // A right click on the focused element's selection leaves it as it is, for the context menu.
    if (button == Qt::RightButton && FCapture == nullptr && FFocused != nullptr &&
        FFocused->SelectionContains(point - FFocused->SheetOrigin()))
        return;
    target->MouseDown(point - target->SheetOrigin(), shift, doubleClick);
}

void TSheet::MouseMove(const QPoint& point, Qt::KeyboardModifiers shift)
{
    FMousePoint = point;
    TVisualElement* target = FCapture;
    if (target == nullptr) {
        SetHot(HitTest(point, true, false));
        target = FHot;
    }
    if (target != nullptr)
        target->MouseMove(point - target->SheetOrigin(), shift);
    UpdateCursor();
}

void TSheet::MouseUp(const QPoint& point, Qt::MouseButton button, Qt::KeyboardModifiers shift)
{
    FMousePoint = point;
    if (button == Qt::LeftButton)
        FLeftButtonDown = false;
    TVisualElement* target = FCapture != nullptr ? FCapture : FHot;
    if (target != nullptr)
        target->MouseUp(point - target->SheetOrigin(), true, shift);
}

// --- Keyboard --------------------------------------------------------------------------------------------

void TSheet::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    FTabTaken = false;
    if (FDropDown && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        if (!FDropDown->HasCurrentEntry() || FDropDown->CanChooseCurrentEntry())
            CloseDropDown(true);
        key = 0;
        return;
    }
    if (key == Qt::Key_Escape) {
        CancelInteraction();
        key = 0;
        return;
    }
    if (FFocused == nullptr)
        return;
    FFocused->KeyDown(key, shift);
    // A Tab the focused element left alone (it takes no tabs, or Ctrl was held) moves between the
    // fields, and never out of the sheet: with no field to go to, the focus wraps around the document.
    if (FFocused != nullptr && (key == Qt::Key_Tab || key == Qt::Key_Backtab)) {
        const bool forward = key == Qt::Key_Tab && (shift & Qt::ShiftModifier) == 0;
        if (!MoveFocus(true, forward, true)) {
            TVisualElement* target = nullptr;
            if (FTopElement->FindFocusTarget(forward, true, true, target) && target != nullptr)
                target->FocusEntering(forward);
        }
        FTabTaken = true;
        key = 0;
        return;
    }
    if (FFocused == nullptr || (shift & Qt::ShiftModifier) != 0)
        return;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        MoveFocus(key == Qt::Key_Left || key == Qt::Key_Right, key == Qt::Key_Right || key == Qt::Key_Down);
        key = 0;
        break;
    default:
        break;
    }
}

void TSheet::KeyPress(QChar& key)
{
    if (FDropDown && key == u' ' && FDropDown->CurrentEntryHasSubEntries()) {
        FDropDown->OpenSubEntries();
        key = QChar();
        return;
    }
    if ((key.unicode() < 0x20 && key != u'\t' && key != u'\r') || (key == u'\t' && FTabTaken)) {
        key = QChar();
        return;
    }
    if (FFocused != nullptr)
        FFocused->KeyPress(key);
    // A character nobody took is said, never dropped silently. Enter and Tab are keys as well, and
    // whoever did not take them as text may have used them as keys.
    if (key.unicode() >= 0x20) {
        RefuseInput(FFocused != nullptr ? FFocused->InputRefusedHint() : LoadStr(4852));
        key = QChar();
    }
}

void TSheet::RefuseInput(const QString& reason)
{
    UserInterface().Beep();
    FLastRefusal = reason;
    SendNotify(shnInputRefused, reinterpret_cast<intptr_t>(&FLastRefusal));
}

void TSheet::KeyUp(int& key, Qt::KeyboardModifiers shift)
{
    if (FFocused != nullptr)
        FFocused->KeyUp(key, shift);
}

// --- Painting --------------------------------------------------------------------------------------------

void TSheet::PaintSheet(QPainter& device, const QRect& rect, int flags)
{
    if (rect.isEmpty() || FTopElement == nullptr)
        return;
    if (!FActive)
        flags |= pfInactive;
    TCanvas& canvas = *FCanvas;
    // A screen with more device pixels than sheet pixels gets a bitmap of its own pixels.
    TPaintScope scope(canvas, rect, device.device() != nullptr ? device.device()->devicePixelRatio() : 1);
    FTopElement->PaintTree(&canvas, flags);
    if ((flags & spfNoCaret) == 0 && (FCaretKind == ckFocusRect || FCaretKind == ckDoubleFocusRect))
        canvas.DrawFocusFrame(FCaretRect, FCaretKind == ckDoubleFocusRect);
    // The overlay goes over the finished picture, clipped to the element: drawn onto the opaque
    // bitmap right before it is copied, the device receives the same pixels.
    if ((flags & spfNoFocusOverlay) == 0 && FFocused != nullptr && FFocused->IsShown()) {
        const QPoint origin = FFocused->SheetOrigin();
        canvas.OffsetOrigin(origin.x(), origin.y());
        canvas.Painter().save();
        canvas.Painter().setClipRect(QRect(0, 0, FFocused->Width(), FFocused->Height()), Qt::IntersectClip);
        FFocused->PaintFocusOverlay(&canvas);
        canvas.Painter().restore();
        canvas.OffsetOrigin(-origin.x(), -origin.y());
    }
    canvas.EndPaint(device);
}

// --- Drop-down list --------------------------------------------------------------------------------------

void TSheet::OpenDropDown(std::unique_ptr<TDropDownList>&& list)
{
    CloseDropDown(false);
    if (!list)
        return;
    PlaySchemeSound(QStringLiteral("diClassesDropDownSound"));
    FDropDown = std::move(list);
    SendNotify(shnDropDownOpened, reinterpret_cast<intptr_t>(FDropDown.get()));
}

void TSheet::CloseDropDown(bool commit)
{
    if (!FDropDown)
        return;
    // Taken out first: a handler that closes again finds nothing to close.
    std::unique_ptr<TDropDownList> list = std::move(FDropDown);
    if (commit)
        PlaySchemeSound(QStringLiteral("diClassesValueSound"));
    SendNotify(shnDropDownClosed, reinterpret_cast<intptr_t>(list.get()));
    if (commit)
        list->ApplyChosenEntry();
}

bool TSheet::DropDownOnFocusNew() const
{
    return FSettings != nullptr && FSettings->DropDownOnFocusNew().Value();
}

void TSheet::CancelInteraction()
{
    CloseDropDown(false);
    if (FCapture != nullptr)
        FCapture->CaptureCancelled();
}

void TSheet::CommitFocusEdit()
{
    if (FFocused != nullptr && (FFocused->VisualFlags() & vsWantsFocusLost) != 0)
        FFocused->FocusLost();
}

// --- Marks -----------------------------------------------------------------------------------------------

void TSheet::SetMarked(TVisualElement* element, bool value)
{
    if (element == nullptr)
        return;
    const bool marked = FMarked.contains(element);
    if (value == marked)
        return;
    if (value) {
        if (element->Sheet() != this || element->IsDestroying())
            return;
        FMarked.append(element);
    } else {
        FMarked.removeOne(element);
    }
    element->SetStateBits(esMultiSelected, value);
    element->Invalidate();
}

void TSheet::ClearMarks()
{
    const QList<TVisualElement*> marked = std::exchange(FMarked, {});
    for (TVisualElement* element : marked) {
        element->SetStateBits(esMultiSelected, false);
        element->Invalidate();
    }
}

// --- Delayed activation ----------------------------------------------------------------------------------

void TSheet::DelayedActivate(TVisualElement* element)
{
    if (FDelayedActivation == nullptr) {
        if (element == nullptr)
            return;
        FDelayedActivation = element;
    }
    FActivationTimer->start();
}

void TSheet::CancelDelayedActivation()
{
    FActivationTimer->stop();
    FDelayedActivation = nullptr;
}

void TSheet::ActivationTimerFired()
{
    FActivationTimer->stop();
    TVisualElement* element = std::exchange(FDelayedActivation, nullptr);
    if (element != nullptr)
        element->Activate();
}

void TSheet::CaretMoved()
{
    // The caret first, so that outside a bracket the window scrolls to where it is now.
    UpdateCaret();
    RequestCaretVisible(false);
    if (FFocused != nullptr)
        FCaretTimer->start();
}

void TSheet::CaretTimerFired()
{
    // While the button is held (a click or a drag) the sheet does not scroll under the mouse.
    if (FLeftButtonDown) {
        FCaretTimer->start();
        return;
    }
    FCaretTimer->stop();
    if (FFocused != nullptr)
        RequestCaretVisible(true);
}

bool TSheet::IsActivationTimerActive() const
{
    return FActivationTimer->isActive();
}

bool TSheet::IsCaretTimerActive() const
{
    return FCaretTimer->isActive();
}

// --- Leaving elements ------------------------------------------------------------------------------------

void TSheet::ElementRemoved(TVisualElement* element)
{
    if (element == nullptr)
        return;
    const bool destroying = element->IsDestroying();
    if (FCapture == element) {
        FCapture = nullptr;
        if (!destroying)
            element->CaptureChanged();
        UpdateCursor();
    }
    if (FHot == element)
        SetHot(nullptr);
    if (FFocused == element) {
        TUpdateGuard<TSheet> guard(this);
        CloseDropDown(false);
        ChangeFocus(nullptr, !destroying);
    }
    if (FMarked.removeOne(element) && !destroying)
        element->SetStateBits(esMultiSelected, false);
    if (FDelayedActivation == element)
        CancelDelayedActivation();
}

// --- View state ------------------------------------------------------------------------------------------

TVisualElement* TSheet::StateRoot() const
{
    // The document's visual root: the first child of the top element that is not a message sign.
    if (FTopElement == nullptr)
        return nullptr;
    for (TVisualElement* child = FTopElement->FirstVisualChild(); child != nullptr;
         child = child->NextVisual()) {
        if (!IsInstanceOf(child, TMessagesSignElement::StaticClass()))
            return child;
    }
    return nullptr;
}

void TSheet::SaveState(TKnot* knot) const
{
    if (knot == nullptr)
        return;
    if (FFocused != nullptr) {
        knot->WriteInt(QStringLiteral("FocusedElement"), FFocused->DocumentIndex());
        knot->WriteString(QStringLiteral("FocusedElementType"), FFocused->ClassType()->ClassName());
        QString text;
        FFocused->GetText(text);
        knot->WriteString(QStringLiteral("FocusData"), text);
    }
    knot->WriteInt(QStringLiteral("ScreenPosX"), FScrollPos.x());
    knot->WriteInt(QStringLiteral("ScreenPosY"), FScrollPos.y());
}

void TSheet::LoadState(TKnot* knot)
{
    if (knot == nullptr)
        return;
    const int index = knot->ReadInt(QStringLiteral("FocusedElement"), -1);
    const QString type = knot->ReadString(QStringLiteral("FocusedElementType"));
    knot->ReadString(QStringLiteral("FocusData"));
    TVisualElement* root = StateRoot();
    if (index >= 0 && root != nullptr) {
        TNode* node = root->Root();
        for (int i = 0; i < index && node != nullptr; ++i)
            node = node->DocumentNext();
        if (node != nullptr && IsInstanceOf(node, TVisualElement::StaticClass())) {
            auto* element = static_cast<TVisualElement*>(node);
            if (element->HasVisualOption(voFocusTarget) && element->IsShown() && element->Sheet() == this &&
                element->ClassType()->ClassName() == type)
                SetFocus(element);
        }
    }
    SetScrollPos(QPoint(knot->ReadInt(QStringLiteral("ScreenPosX"), 0),
                        knot->ReadInt(QStringLiteral("ScreenPosY"), 0)));
}

} // namespace qv
