#pragma once

#include "core/itf_object.h"
#include "core/meta_class.h"
#include "elements/element_sheet.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

class QPainter;
class QTimer;

namespace qv {

class TDropDownList;
class TKnot;
class TSheetCanvas;
class TSheetSettings;
class TSheetTheme;

// Notifications of the sheet (TItfObject::Notify kinds). Deferred ones are sent when the outermost
// update bracket closes; the others at once.
enum TSheetNotify : int
{
    shnContentSizeChanged = 1, // the top element's bounds changed (deferred)
    // Repaint (deferred); param1 points to the rectangle in sheet coordinates (valid during the call
    // only), or is 0 for the whole sheet.
    shnRepaint = 2,
    shnFocusChanged = 3,          // deferred; subsumes shnFocusedStateChanged and both palette kinds
    shnFocusedStateChanged = 4,   // commands must be re-evaluated (deferred)
    shnCursorChanged = 5,         // SheetCursor changed
    shnCaretChanged = 6,          // CaretKind or CaretRect changed
    shnHotChanged = 7,            // HotElement changed
    shnDropDownOpened = 8,        // param1: the list (TDropDownList*)
    shnDropDownChanged = 9,       // sent for the open list when its entries change; param1: the list
    shnDropDownClosed = 10,       // param1: the list, still alive during the call
    shnPaletteItemsChanged = 20,  // the palette is rebuilt (deferred; subsumes shnPaletteStatesChanged)
    shnPaletteStatesChanged = 21, // deferred
    // Both ask the window to repaint the focused element's overlay; the element chooses the kind.
    shnFocusOverlayRepaint = 22,
    shnFocusOverlayRepaintAlt = 23,
    shnCaretIntoView = 24,   // deferred; param1 = 1 keeps 30 pixels of margin left and right
    shnReadOnlyChanged = 25, // ReadOnly changed
    shnActiveChanged = 26,   // Active changed
    shnScrollPosChanged = 27,
    // Typed input was refused (the sheet beeped); param1 points to the reason (valid during the call).
    shnInputRefused = 28,
};

// Flags of PaintSheet besides pfInactive (which an inactive sheet adds itself).
enum TSheetPaintFlag : int
{
    spfNoCaret = 0x10,        // the dotted focus rectangles of caret kinds 1 and 2 are left out
    spfNoFocusOverlay = 0x40, // the focused element's PaintFocusOverlay is left out
};

// Caret kinds (CaretKind).
enum TCaretKind : int
{
    ckNone = 0,
    ckFocusRect = 1,       // a dotted focus rectangle
    ckDoubleFocusRect = 2, // two, the second one pixel inside
    ckTextCaret = 3,       // drawn by the window
};

// The editing surface of one element tree: owns the top element on which a document's visual root is
// placed and keeps the interaction state elements share (focus, hot element, capture, marks, the open
// drop-down list, caret, cursor, scroll position, page size). It routes input to elements, paints the
// tree through its canvas and tells its window what to do through notifications (TSheetNotify). It
// knows no window: the window feeds it input, its page size and scroll position.
//
// Coordinates are sheet coordinates (the top element's own). Owns nothing of the tree but the top
// element; elements placed on it belong to their schemes and leave it through ElementRemoved.
// User-interface thread only.
class TSheet : public TItfObject, public IElementSheet
{
public:
    // Listens to `settings` (not owned; must outlive the sheet).
    explicit TSheet(TSheetSettings* settings);
    ~TSheet() override;

    TSheetSettings* Settings() const override { return FSettings; }
    // Draws with `theme` (not owned) instead of the settings' one; kept when the canvas is reset.
    void SetTheme(TSheetTheme* theme);

    // --- IElementSheet ---------------------------------------------------------------------------
    TSheetElement* TopElement() const override { return FTopElement.get(); }
    bool IsReadOnly() const override { return FReadOnly; }
    TVisualElement* FocusedElement() const override { return FFocused; }
    TVisualElement* HotElement() const override { return FHot; }
    TVisualElement* CaptureElement() const override { return FCapture; }
    void SetFocusedElement(TVisualElement* element) override { SetFocus(element); }
    void SetHotElement(TVisualElement* element) override { SetHot(element); }
    void SetCaptureElement(TVisualElement* element) override { SetCapture(element); }
    void UpdateCaret() override;
    void CaretMoved() override;
    void BeginUpdate() override;
    void EndUpdate() override;
    // An empty rectangle (an element not sized yet) repaints nothing.
    void InvalidateRect(const QRect& sheetRect) override
    {
        if (!sheetRect.isEmpty())
            RequestRepaint(sheetRect);
    }
    void TopElementBoundsChanged() override;
    void ElementLeaving(TVisualElement* element) override { ElementRemoved(element); }
    TCanvas* Canvas() override;
    QSize PageSize() const override { return FPageSize; }
    QMargins ElementMargins() const override;
    QSize MessagesSignSize() const override;
    QMargins SheetPadding() const override;

    // --- State -----------------------------------------------------------------------------------
    bool Active() const { return FActive; }
    bool IsActive() const override { return FActive; }
    int CaretKind() const { return FCaretKind; }
    QRect CaretRect() const { return FCaretRect; }
    int SheetCursor() const { return FSheetCursor; }
    QPoint MousePoint() const { return FMousePoint; }
    QPoint ScrollPos() const { return FScrollPos; }
    int UpdateCount() const { return FUpdateCount; }
    bool IsUpdating() const { return FUpdateCount > 0; }
    TDropDownList* DropDown() const override { return FDropDown.get(); }
    const QList<TVisualElement*>& Marked() const { return FMarked; }
    TVisualElement* DelayedActivation() const { return FDelayedActivation; }
    bool FocusShownOnly() const { return FFocusShownOnly; }
    void SetFocusShownOnly(bool value) { FFocusShownOnly = value; }
    bool ClearMarksOnUnfocus() const { return FClearMarksOnUnfocus; }
    void SetClearMarksOnUnfocus(bool value) { FClearMarksOnUnfocus = value; }

    void SetActive(bool value);
    void SetReadOnly(bool value);
    void SetScrollPos(const QPoint& value);
    // Outside a bracket the top element is laid out at once for the directions that changed; inside
    // one when the outermost bracket closes.
    void SetPageSize(const QSize& value);

    // --- Focus, hot element, capture ---------------------------------------------------------------
    // With FocusShownOnly the element is made shown first; one that still is not shown is refused and
    // the sheet is left without focus. An element that is not on this sheet is refused too.
    void SetFocus(TVisualElement* element);
    // The first visible, enabled focus target under the top element; false when there is none.
    bool FocusFirst();
    // Moves the focus to the next (previous) place of the document, in document order, for an arrow
    // key left unused at a field's edge (Right and Down are forward) or for Tab. A field that holds
    // elements takes the caret beside an element when the focus leaves that element, and Tab
    // (`throughText`) enters the next element past the caret of such a field. The new field gets the
    // caret at its start going forward, at its end going back. False when nothing is focused or
    // there is no place to go.
    bool MoveFocus(bool horizontal, bool forward, bool throughText = false);
    void SetHot(TVisualElement* element);
    void SetCapture(TVisualElement* element);

    // The deepest shown element under `point`, or the top element itself; null outside it.
    TVisualElement* HitTest(const QPoint& point, bool includeCovered, bool includeIgnored);

    // --- Input -----------------------------------------------------------------------------------
    void MouseDown(const QPoint& point, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                   bool doubleClick);
    void MouseMove(const QPoint& point, Qt::KeyboardModifiers shift);
    void MouseUp(const QPoint& point, Qt::MouseButton button, Qt::KeyboardModifiers shift);
    // `key` is a Qt::Key; a consumed key is set to 0.
    void KeyDown(int& key, Qt::KeyboardModifiers shift);
    // A consumed character is set to U+0000.
    void KeyPress(QChar& key);
    void KeyUp(int& key, Qt::KeyboardModifiers shift);

    // --- Painting ----------------------------------------------------------------------------------
    // Paints `rect` (sheet coordinates) onto `device` at the rectangle's position: the tree, the
    // dotted focus rectangles of caret kinds 1 and 2, the focused element's focus overlay.
    void PaintSheet(QPainter& device, const QRect& rect, int flags = 0);

    // --- Drop-down list --------------------------------------------------------------------------
    // Takes the list over; an open one is closed without commit first.
    void OpenDropDown(std::unique_ptr<TDropDownList>&& list) override;
    void CloseDropDown(bool commit) override;
    bool DropDownOnFocusNew() const override;
    void DropDownChanged() override;
    // Closes the drop-down list without commit and tells the capturing element.
    void CancelInteraction();
    // Runs FocusLost on the focused element when it asked to be told of losing the focus.
    void CommitFocusEdit();

    // --- Marks -----------------------------------------------------------------------------------
    void SetMarked(TVisualElement* element, bool value);
    void ClearMarks();

    // --- Delayed activation ------------------------------------------------------------------------
    // Activates the element 300 ms later; a pending activation keeps its element and restarts.
    void DelayedActivate(TVisualElement* element);
    void CancelDelayedActivation();
    // What the timers do when they fire; public so that a test can fire them without waiting.
    void ActivationTimerFired();
    void CaretTimerFired();
    bool IsActivationTimerActive() const;
    bool IsCaretTimerActive() const;

    // Drops every reference to an element that leaves the sheet (capture, hot, focus, mark, delayed
    // activation). Hooks are not run on an element that is being destroyed.
    void ElementRemoved(TVisualElement* element);

    // --- Requests (deferred inside the bracket) -----------------------------------------------------
    // A null rectangle repaints the whole sheet.
    void RequestRepaint(const QRect& rect = QRect());
    void RequestCaretVisible(bool withMargin = false) override;
    void RequestFocusedStateChanged() override;
    void RequestPaletteItemsChanged() override;
    // Beeps and sends shnInputRefused; the reason is kept for the window (LastRefusal).
    void RefuseInput(const QString& reason) override;
    const QString& LastRefusal() const { return FLastRefusal; }
    void RequestPaletteStatesChanged();
    void UpdateCursor() override;

    // --- View state --------------------------------------------------------------------------------
    // "FocusedElement", "FocusedElementType", "FocusData" (only with a focused element), "ScreenPosX",
    // "ScreenPosY".
    void SaveState(TKnot* knot) const;
    // Focuses the stored element when it still is a shown focus target of the stored class, then
    // scrolls to the stored position. The focus data is not applied: elements have no hook for it.
    void LoadState(TKnot* knot);

private:
    void SendNotify(int kind, intptr_t param1 = 0);
    void FlushPending();
    void LayoutForPageSize(bool width, bool height);
    void SettingsChanged(TItfObject* sender, int notify, intptr_t param1, intptr_t param2);
    void ResetCanvas();
    void ChangeFocus(TVisualElement* element, bool runOldHooks);
    TVisualElement* StateRoot() const;

    TSheetSettings* FSettings;
    TSheetTheme* FTheme = nullptr;
    std::unique_ptr<TSheetCanvas> FCanvas;
    TNodePtr<TSheetElement> FTopElement;
    bool FReadOnly = false;
    bool FActive = false;
    int FCaretKind = ckNone;
    QRect FCaretRect;
    int FSheetCursor = 0;
    TVisualElement* FCapture = nullptr;
    std::unique_ptr<TDropDownList> FDropDown;
    TVisualElement* FFocused = nullptr;
    TVisualElement* FHot = nullptr;
    QPoint FMousePoint;
    bool FLeftButtonDown = false;
    QList<TVisualElement*> FMarked;
    bool FFocusShownOnly = true;
    bool FClearMarksOnUnfocus = true;
    int FUpdateCount = 0;
    QPoint FScrollPos;
    QSize FPageSize;
    uint32_t FPendingNotifications = 0;
    QRect FPendingRepaint;
    bool FPendingRepaintAll = false;
    bool FPendingCaretMargin = false;
    TVisualElement* FDelayedActivation = nullptr;
    // The last KeyDown was a Tab the sheet took: the tab character it types is not text.
    bool FTabTaken = false;
    QString FLastRefusal;
    std::unique_ptr<QTimer> FActivationTimer;
    std::unique_ptr<QTimer> FCaretTimer;
    bool FDestroying = false;
};

} // namespace qv
