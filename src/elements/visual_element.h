#pragma once

#include "core/lists.h"
#include "elements/element.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

class QObject;

namespace qv {

class IElementSheet;
class TCanvas;
class TElementPortion;
class TFindData;
class TMessagesSignElement;
class TSheetElement;
struct TPaletteItemState;

// VisualFlags, low half: display state.
enum TVisualState : uint32_t
{
    vsShown = 0x0001,               // derived (ComputeShown)
    vsDisabled = 0x0002,            // stored as "Disabled"
    vsEffectivelyDisabled = 0x0004, // derived
    vsCovered = 0x0008,             // covered by a selection of the container
    vsEffectivelyCovered = 0x0010,  // derived
    vsLayingOut = 0x0020,
    vsLayoutRequested = 0x0040, // a layout was asked for while one was in progress
    vsMark = 0x0080,            // class-specific; changes call MarkChanged
    vsAlwaysShown = 0x0100,     // overrides the element's own option 0x2000
    vsInRelevantOnly = 0x0200,  // derived: a visual ancestor has the option 0x2000
    vsWantsFocusLost = 0x0400,
};

// VisualFlags, high half: visual options (given without the shift, as SetVisualOptions takes them).
enum TVisualOption : uint16_t
{
    voCanDisable = 0x0001,
    voFocusOnClick = 0x0002,
    voFocusTarget = 0x0004,
    voEditable = 0x0008,
    voSelectAll = 0x0010,    // the sheet's Select All command applies to the element
    voFreePosition = 0x0020, // "Left" and "Top" are stored
    voHitTestIgnored = 0x0040,
    voReadOnly = 0x0080,
    voRelayoutOnCovered = 0x0800,
    voNotToClipboard = 0x1000, // left out in filer mode 1
    voShownWhenRelevant = 0x2000,
};

// Flags of painting, given by the sheet.
enum TPaintFlag : int
{
    pfInactive = 0x01, // the sheet's window does not have the input focus
};

// Flags of ElementAt.
enum TElementAtFlag : int
{
    eafIncludeIgnored = 0x01, // elements with voHitTestIgnored count too
    eafExcludeCovered = 0x02, // effectively covered elements (and so their subtrees) are passed over
};

// An element shown on the sheet. Besides the logical tree it belongs to a visual tree (the nesting in
// which elements are laid out and painted), has bounds relative to its visual parent (pixels), and
// display state, partly derived from the visual ancestors.
class TVisualElement : public TElement
{
    QV_CLASS(TVisualElement, TElement)

    explicit TVisualElement(TScheme* scheme);
    ~TVisualElement() override;

    IElementSheet* Sheet() const { return FSheet; }
    TVisualElement* VisualParent() const { return FVisualParent; }
    TVisualElement* FirstVisualChild() const { return FFirstVisualChild; }
    TVisualElement* LastVisualChild() const { return FLastVisualChild; }
    TVisualElement* NextVisual() const { return FNextVisual; }
    TVisualElement* PrevVisual() const { return FPrevVisual; }
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Descent() const { return FDescent; }
    QRect BoundsRect() const { return QRect(FLeft, FTop, FWidth, FHeight); }
    uint32_t VisualFlags() const { return FVisualFlags; }
    uint16_t VisualOptions() const { return static_cast<uint16_t>(FVisualFlags >> 16); }
    bool HasVisualOption(uint16_t option) const { return (VisualOptions() & option) != 0; }
    TMessagesSignElement* MessagesSign() const { return FMessagesSign.get(); }
    TElementPortion* Portion() const { return FPortion; }
    void SetPortion(TElementPortion* portion);

    bool IsShown() const { return (FVisualFlags & vsShown) != 0; }
    bool Disabled() const { return (FVisualFlags & vsDisabled) != 0; }
    bool IsEffectivelyDisabled() const { return (FVisualFlags & vsEffectivelyDisabled) != 0; }
    bool IsCovered() const { return (FVisualFlags & vsCovered) != 0; }
    // How many visual children are covered, kept as they change, so that finding a selection does not
    // walk every child of a large container.
    int CoveredChildCount() const { return FCoveredChildCount; }
    // How many visual children no text portion holds, kept the same way: a text of many embedded
    // elements paints its other children without walking the embedded ones.
    int FreeChildCount() const { return FFreeChildCount; }
    bool IsEffectivelyCovered() const { return (FVisualFlags & vsEffectivelyCovered) != 0; }

    // Element operations answered differently by visual elements.
    bool NeedsCheck() const override;
    void ValidityChanged() override;
    void FilledChanged() override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    // The class used for nodes a container does not accept.
    static const TElementClass* UnacceptedClass();

    // Virtual operations.
    virtual void BoundsChanged(const QRect& oldBounds, int oldDescent);
    virtual bool IsChildVisible(TVisualElement* child);
    virtual bool ComputeEffectiveDisabled();
    virtual bool ComputeEffectiveCovered();
    virtual bool ComputeShown();
    virtual void CaptureChanged();
    virtual void ChildBoundsChanged(TVisualElement* child, const QRect& oldBounds, int oldDescent);
    virtual void ChildEffectiveDisabledChanged(TVisualElement* child);
    virtual void ChildShownChanged(TVisualElement* child);
    virtual void ChildCoveredChanged(TVisualElement* child);
    virtual void DisabledChanged();
    // The point is in the visual parent's coordinates.
    virtual bool ContainsPoint(const QPoint& point);
    virtual bool Paste();
    virtual void MarkChanged();
    virtual void FocusChanged();
    virtual void FocusChanging();
    // Kind: 0 none, 1 focus rectangle, 2 double focus rectangle, 3 text caret; the rectangle in
    // the element's coordinates.
    virtual void GetCaret(int& kind, QRect& rect);
    virtual bool HasSelection();
    // Whether `point` (the element's own coordinates) lies on the element's selection; a right click
    // there keeps the selection for the context menu. False by default.
    virtual bool SelectionContains(const QPoint& point);
    virtual QMargins GetMargins();
    virtual QMargins GetInnerMargins();
    virtual QMargins GetPadding();
    virtual QRect GetClientRect();
    // The next or previous visual sibling of `child`; the first or last child when `child` is null.
    virtual TVisualElement* NextVisualChild(TVisualElement* child, bool forward);
    // The visual parent, or null when that is the sheet's top element.
    virtual TVisualElement* GetNavigationParent();
    virtual void InsertVisualChild(TVisualElement* child, TVisualElement* before);
    virtual void EffectiveDisabledChanged();
    virtual void EffectiveCoveredChanged();
    virtual void ShownChanged();
    // A collapsible container expands itself so that `child` becomes shown.
    virtual void ShowChild(TVisualElement* child);
    virtual void MoveVisualChild(TVisualElement* child, TVisualElement* before);
    virtual bool ShouldSaveChild(TSchemeFiler* filer, TElement* child);
    // Painting. The canvas origin is the element's own top-left corner; `flags` come from the sheet
    // (pfInactive) and pass down the tree unchanged.
    // Paints the child and its subtree: see PaintTree.
    virtual void PaintChild(TCanvas* canvas, int flags, TVisualElement* child);
    // Paints every shown visual child whose bounds meet the canvas's clip rectangle, first to last.
    virtual void PaintChildren(TCanvas* canvas, int flags);
    // The element's own look; nothing by default.
    virtual void Paint(TCanvas* canvas);
    // Shades the client rectangle with the theme's disabled colour.
    virtual void PaintDisabled(TCanvas* canvas, int flags);
    // The look of an element whose content is being edited outside (the class-specific mark).
    virtual void PaintExternalEditingMode(TCanvas* canvas);
    // The look of an element in the sheet's marks.
    virtual void PaintMark(TCanvas* canvas);
    virtual void PositionChanged();
    virtual void FocusLost();
    // Offered before ChildMessage for tree messages of visual children.
    virtual bool ChildVisualMessage(TVisualElement* child, int msg, void* param, void* data);
    virtual void RemoveVisualChild(TVisualElement* child);
    virtual void CoveredChanged();
    // Lays out the visual children again (with `force` also the hidden ones; with `all` the whole
    // subtree), re-runs the check of a tracked element that has messages, refreshes the sign.
    virtual void Relayout(bool all, bool force);
    // The sheet's page height changed and its width did not: an element sized to the height it is
    // offered sizes itself again (no new layout). The default passes it on to the visual children.
    virtual void PageHeightChanged();
    virtual void SheetChanging();
    void UpdateChildrenEffectiveDisabled();
    void UpdateChildrenEffectiveCovered();
    void UpdateChildrenShown();
    void UpdateDerivedStates();

    // Interaction and clipboard hooks; the sheet calls them on the focused, hot or captured element.
    virtual void CaptureCancelled();
    virtual bool CanCut();
    virtual bool CanCopyAsText();
    virtual bool CanCopy();
    virtual bool CanEdit();
    virtual void EditCommand();
    virtual bool ContextPopup(QObject* window, const QPoint& screenPoint);
    virtual void CopyAsText();
    virtual void Copy();
    // A cursor number of the program's cursors; 0 is the default cursor.
    virtual int GetCursor(const QPoint& point);
    virtual bool DropFiles(const QStringList& fileNames);
    // Searches the element's own content; the default finds nothing and answers in `next` the next
    // focus target in the search direction when it lies inside the search's root.
    virtual bool FindText(int mode, TFindData& findData, int& position, TVisualElement*& next, bool forward);
    virtual void Activate();
    // The element itself when it is a focus target (shown and enabled as asked), else the first
    // visual child in the search direction that has one.
    virtual bool FindFocusTarget(bool forward, bool shownOnly, bool enabledOnly, TVisualElement*& target);
    virtual void GetHint(QString& text);
    // The space offered to `child` (nullptr: to the element itself), in pixels; maxAvailableExtent
    // where nothing limits it.
    virtual void GetAvailableSize(TVisualElement* child, QSize& size);
    // What the visual parent offers this element: GetAvailableSize of the parent, asked once per layout.
    QSize OfferedByParent();
    virtual TVisualElement* FindNextFocusTarget(bool forward, bool shownOnly, bool enabledOnly);
    // Keyboard travel in document order (the sheet's MoveFocus). FocusEntering takes the focus as
    // the keyboard reaches the element: going forward it enters at its start, going back at its end;
    // the default just takes the focus. FocusBesideEmbedded puts the caret just after (`after`) or
    // before an element that floats in this element's text, and is false where the element holds no
    // such text. EmbeddedFocusTarget is, for a focused element holding floating elements, the first
    // focus target inside an element past the caret in that direction, or null.
    virtual void FocusEntering(bool forward);
    virtual bool FocusBesideEmbedded(TVisualElement* embedded, bool after);
    virtual TVisualElement* EmbeddedFocusTarget(bool forward);
    // Why a character typed into the focused element was not taken, as a translated text: by default
    // that the document is read-only, or that the element takes no text.
    virtual QString InputRefusedHint();
    virtual void KeyDown(int& key, Qt::KeyboardModifiers shift);
    virtual void KeyPress(QChar& key);
    virtual void KeyUp(int& key, Qt::KeyboardModifiers shift);
    // The knot's name translated by the rename table of old element names.
    virtual QString GetKnotTypeName(TSchemeFiler* filer, TKnot* knot);
    virtual void Click();
    virtual TVisualElement* DoubleClickAction();
    // Points of the mouse hooks are in the element's own coordinates.
    virtual void MouseDown(const QPoint& point, Qt::KeyboardModifiers shift, bool doubleClick);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void MouseMove(const QPoint& point, Qt::KeyboardModifiers shift);
    virtual void MouseUp(const QPoint& point, bool released, Qt::KeyboardModifiers shift);
    virtual void PaintFocusOverlay(TCanvas* canvas);
    virtual void GetText(QString& text);
    virtual void SelectAll();
    virtual void SetFocus();
    virtual void SetVisualParent(TVisualElement* parent, TVisualElement* before = nullptr);
    virtual void PaletteCommand(TPaletteItem* item, intptr_t data);
    // Palette hooks (visual_element_palette.cpp). ExecutePaletteItem returns whether the element
    // handled the item: the Disable item, for an element that can be disabled.
    virtual bool ExecutePaletteItem(TPaletteItem* item, bool value);
    // The Disable item when the element can be disabled, then every element item whose class the
    // element accepts with the items above it, in palette order; a part adds what its parent gives
    // it (GetPartPaletteItems). Appends to `list`.
    virtual void GetPaletteItems(QList<TPaletteItem*>& list);
    // `state` comes in enabled and not checked; the Disable item is checked when Disabled.
    virtual void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state);
    // A container may change the items offered for a selection inside it; nothing by default.
    virtual void AdjustPaletteItems(QList<TPaletteItem*>& list);

    // Non-virtual operations.
    bool SetBounds(int left, int top, int descent, int height, int width);
    void SetDisabled(bool value);
    // Posts an undoable operation that sets Disabled.
    void SetDisabledUndoable(bool value);
    void SetCovered(bool value);
    void SetVisualOptions(uint16_t options);
    void SetVisualStateBits(uint32_t bits, bool on);
    void SetSheet(IElementSheet* sheet);
    bool IsReadOnly() const;
    bool IsFocused() const;
    bool IsHot() const;
    bool IsCaptured() const;
    // Repaints a rectangle in the element's coordinates (null: the whole element).
    void Invalidate(const QRect& rect = QRect());
    // Hit test in the element's own coordinates: the deepest shown element under the point, last
    // child first; null when no child contains it.
    TVisualElement* ElementAt(const QPoint& point, int flags = 0);
    int VisualIndex() const;
    TVisualElement* GetVisualChildren(int index) const;
    int VisualChildCount() const;
    void EnsureShown();
    void Focus();
    // The position of the element's origin relative to the sheet's top element.
    QPoint SheetOrigin() const;

    // The element (an inserted child) for a knot: the class whose XmlName is the knot's translated
    // name among `classes`, else the unaccepted placeholder class; created for this element's
    // scheme, linked before `before` and loaded. A failed load frees it and passes the error on.
    TElement* CreateChildFromKnot(TSchemeLoader* filer, TKnot* knot, TElement* before,
                                  const TElementClassList& classes);
    // Appends a child knot named after the child's class and saves the child into it; null when the
    // child is not saved.
    TKnot* SaveChildToKnot(TElement* child, TSchemeSaver* filer, TKnot* knot);

    // Paints the element with its origin at the canvas origin: its own look, its children, then the
    // external-editing look when the class-specific mark is set, the disabled shade when it is
    // effectively disabled and its visual parent is not, and the mark when the sheet marks it.
    void PaintTree(TCanvas* canvas, int flags);

    // Recomputes whether the element owns a message sign and where it stands.
    void UpdateMessagesSign();

protected:
    bool OfferMessage(int msg, void* param, void* data) override;
    void BeforeDestruction() override;

private:
    void UpdateEffectiveDisabled();
    void UpdateEffectiveCovered();
    void UpdateShown();
    void UpdateInRelevantOnly();
    // Recomputes the shown state of the visual ancestors that show only relevant content.
    void UpdateRelevantAncestors();
    bool HasRelevantDescendant() const;
    bool IsAncestorOfVisual(const TVisualElement* element) const;
    void FreeMessagesSign();
    void UnlinkVisualChildren();
    static const TBidirectionalList<TVisualElement>::TLinks& VisualLinks();

    IElementSheet* FSheet = nullptr;
    TVisualElement* FVisualParent = nullptr;
    TVisualElement* FFirstVisualChild = nullptr;
    TVisualElement* FLastVisualChild = nullptr;
    TVisualElement* FNextVisual = nullptr;
    TVisualElement* FPrevVisual = nullptr;
    int FCoveredChildCount = 0;
    int FFreeChildCount = 0;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    int FDescent = 3;
    uint32_t FVisualFlags = vsShown;
    TNodePtr<TMessagesSignElement> FMessagesSign;
    TElementPortion* FPortion = nullptr;
};

// A container that sizes itself to its shown visual children.
class TPanelElement : public TVisualElement
{
    QV_CLASS(TPanelElement, TVisualElement)

    using TVisualElement::TVisualElement;

    void ChildBoundsChanged(TVisualElement* child, const QRect& oldBounds, int oldDescent) override;
    void ChildShownChanged(TVisualElement* child) override;
    void InsertVisualChild(TVisualElement* child, TVisualElement* before) override;
    void RemoveVisualChild(TVisualElement* child) override;
    void ShownChanged() override;

    // Width: the largest right edge of a shown child plus the right padding; height likewise with the
    // bottom edges. A zero result keeps the present size. Nothing happens without a sheet or hidden.
    void FitToChildren();

private:
    // The largest edges are kept as children come, move and go, so that a panel of many children (the
    // top element holds a sign for every element with messages) fits itself without visiting them
    // all; only a child that held an edge and drew back makes the next fit walk the children.
    void ChildEdges(TVisualElement* child, int right, int bottom, bool grows);
    int FChildrenRight = 0;
    int FChildrenBottom = 0;
    bool FEdgesValid = false;
};

// The sheet's own top element; offers its children the sheet's page size less its padding.
class TSheetElement : public TPanelElement
{
    QV_CLASS(TSheetElement, TPanelElement)

    using TPanelElement::TPanelElement;

    void GetAvailableSize(TVisualElement* child, QSize& size) override;
    QMargins GetPadding() override;
    // The sheet's background.
    void Paint(TCanvas* canvas) override;
};

// Image of a message sign.
enum TMessagesSignImage : int
{
    msiNeedValue = 0, // the owner has no message of kind 5
    msiError = 1,     // the owner has a message of kind 5
};

// The sign that shows another element's messages: a free visual child of the sheet's top element,
// owned by the element whose messages it shows.
class TMessagesSignElement : public TVisualElement
{
    QV_CLASS(TMessagesSignElement, TVisualElement)

    explicit TMessagesSignElement(TScheme* scheme);

    // The element whose messages the sign shows (by ID, within its scheme), or null.
    TVisualElement* Owner() const { return FOwner; }
    void SetOwner(TVisualElement* owner) { FOwner = owner; }
    TMessagesSignImage Image() const;
    // Every message of the owner, each line starting with "• ".
    void GetHint(QString& text) override;
    void Paint(TCanvas* canvas) override;
    // Places the sign at the owner's left edge with its vertical centre on the owner's top edge (sheet
    // coordinates), never more than a quarter of its height above the top of the sheet.
    void Place();

private:
    TVisualElement* FOwner = nullptr;
};

// Default availability for elements outside a sheet: the largest integer in both directions.
constexpr int maxAvailableExtent = 0x7FFFFFFF;

} // namespace qv
