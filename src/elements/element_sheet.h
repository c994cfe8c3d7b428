#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

#include <memory>

class QString;

namespace qv {

class TCanvas;
class TDropDownList;
class TSheetElement;
class TSheetSettings;
class TVisualElement;

// What a visual element needs from the sheet that shows it: the shared interaction state (focus,
// hot element, capture, caret), repainting, the sheet's update bracket, read-only state and the few
// theme sizes the element family uses. The sheet implements it; tests use a fake.
//
// Coordinates are sheet coordinates: relative to the top element's client area.
class IElementSheet
{
public:
    virtual ~IElementSheet() = default;

    // The top of the visual tree, a panel without scheme.
    virtual TSheetElement* TopElement() const = 0;
    virtual bool IsReadOnly() const = 0;

    // Whether the sheet's window has the input focus; an inactive sheet shows selections in the
    // inactive colour.
    virtual bool IsActive() const { return true; }

    virtual TVisualElement* FocusedElement() const = 0;
    virtual TVisualElement* HotElement() const = 0;
    virtual TVisualElement* CaptureElement() const = 0;
    // Null releases.
    virtual void SetFocusedElement(TVisualElement* element) = 0;
    virtual void SetHotElement(TVisualElement* element) = 0;
    virtual void SetCaptureElement(TVisualElement* element) = 0;
    // The focused element's caret moved or changed (its position follows the element).
    virtual void UpdateCaret() = 0;
    // The hot or capturing element's cursor may have changed (its bounds moved under the mouse). A
    // sheet that shows no cursor ignores it.
    virtual void UpdateCursor() {}
    // The focused element's caret moved through the user's doing: keep it in view, redraw it, and
    // let what follows the caret settle (the sheet's caret timer starts again).
    virtual void CaretMoved() { UpdateCaret(); }
    // What the palette offers for the focused element (or its selection) changed.
    virtual void RequestPaletteItemsChanged() {}
    // Bring the caret into view (with a margin around it when asked) once the update bracket closes.
    virtual void RequestCaretVisible(bool withMargin = false) { (void)withMargin; }
    // The focused element's state changed (checked, expanded): what shows it is brought up to date.
    virtual void RequestFocusedStateChanged() {}
    // Something the user typed was refused: the sheet beeps and its window shows `reason` (a
    // translated text saying why and what to do instead). A sheet without a window ignores it.
    virtual void RefuseInput(const QString& reason) { (void)reason; }

    // The drop-down list open on the sheet, or null; the sheet owns it.
    virtual TDropDownList* DropDown() const { return nullptr; }
    // Closes the open list first, then shows `list` and takes it over. A sheet that shows no lists
    // leaves it with the caller.
    virtual void OpenDropDown(std::unique_ptr<TDropDownList>&& list) { (void)list; }
    // Closes the open list, if any; with `commit` its chosen entry is applied.
    virtual void CloseDropDown(bool commit) { (void)commit; }
    // The entries of the open list changed.
    virtual void DropDownChanged() {}
    // Whether a field with a drop-down list opens it when it gets the focus (a sheet setting).
    virtual bool DropDownOnFocusNew() const { return false; }

    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    // Repaints a rectangle; during an update only marks the sheet as needing a repaint.
    virtual void InvalidateRect(const QRect& sheetRect) = 0;
    // The top element's bounds changed (the content size).
    virtual void TopElementBoundsChanged() = 0;
    // An element leaves the sheet: every reference the sheet keeps to it (focus, hot, capture,
    // marks) must go.
    virtual void ElementLeaving(TVisualElement* element) = 0;

    // The canvas that paints the sheet and measures theme text at any time; its theme is the sheet's.
    virtual TCanvas* Canvas() = 0;

    // The size offered to the top element, in pixels.
    virtual QSize PageSize() const = 0;
    // The canvas's element margins, from the theme, in pixels.
    virtual QMargins ElementMargins() const = 0;
    // The size of a message sign (the theme's error sign), in pixels.
    virtual QSize MessagesSignSize() const = 0;
    // The padding of the sheet background (the theme's sheet element), in pixels.
    virtual QMargins SheetPadding() const = 0;
    // The settings the sheet draws with (theme, fonts, caret size), or null when it has none of its
    // own; not owned.
    virtual TSheetSettings* Settings() const { return nullptr; }
};

} // namespace qv
