#pragma once

#include "core/itf_object.h"

#include <QPoint>

#include <algorithm>
#include <cstdint>
#include <functional>

namespace qv {

class TVisualElement;

// The two ways a table is edited by whole lines.
enum TTableDirection : uint8_t
{
    tdColumns = 0,
    tdRows = 1,
};

// What the line caret handler tells its table (Notify's `notify`).
enum TTableInteractiveNotify : int
{
    tinTableCaret = 1,      // the caret moved; param1: 1 when it should be scrolled into view
    tinTableSelection = 2,  // the selected lines changed
    tinTableMouseState = 3, // MouseState changed
    tinTableCursor = 4,     // CursorKind changed
    tinTableDirection = 7,  // Direction changed
    tinTableDelete = 8,     // delete the selected lines
};

// CursorKind values.
enum TTableCursorKind : uint8_t
{
    tckDefault = 0,
    tckColumnsBeam = 1,
    tckRowsBeam = 2,
    tckColumnsSelecting = 4,
    tckRowsSelecting = 5,
};

// MouseState values.
enum TTableMouseState : uint8_t
{
    ttmIdle = 0,
    ttmSelecting = 1,
};

// The line caret of a focused table: a caret on a boundary between two columns or two rows, a
// selection of whole lines from Anchor to ActiveEnd, the keys and the mouse. Boundary i lies before
// line i; boundaries run from 0 to the line count of the direction. Knows the table only through its
// callbacks; tells it of every change through Notify.
class TTableInteractive : public TItfObject
{
public:
    TTableInteractive() = default;

    // Callbacks, set by the table.
    void SetCanEdit(std::function<bool()> f) { FCanEdit = std::move(f); }
    void SetGetCell(std::function<TVisualElement*(int column, int row)> f) { FGetCell = std::move(f); }
    // The line count of a direction (the range is 0 to it).
    void SetLineRange(std::function<int(uint8_t direction)> f) { FLineRange = std::move(f); }
    // The boundary at a point (table coordinates), or -1.
    void SetLineAt(std::function<int(const QPoint& point, bool exact, uint8_t direction)> f)
    {
        FLineAt = std::move(f);
    }

    QPoint DownPoint() const { return FDownPoint; }
    QPoint MousePoint() const { return FMousePoint; }
    int CaretWidth() const { return FCaretWidth; }
    void SetCaretWidth(int value) { FCaretWidth = value; }
    uint8_t Direction() const { return FDirection; }
    int Caret() const { return FCaret; }
    int Anchor() const { return FAnchor; }
    int ActiveEnd() const { return FActiveEnd; }
    uint8_t CursorKind() const { return FCursorKind; }
    uint8_t MouseState() const { return FMouseState; }
    uint8_t InteractiveOptions() const { return FOptions; }
    int CrossIndex() const { return FCrossIndex; }
    void SetCrossIndex(int value) { FCrossIndex = value; }

    bool HasSelection() const { return FAnchor != FActiveEnd; }
    int SelectionStart() const { return std::min(FAnchor, FActiveEnd); }
    int SelectionEnd() const { return std::max(FAnchor, FActiveEnd); }
    int LineCount(uint8_t direction) const { return FLineRange ? FLineRange(direction) : 0; }

    // Moves the caret to boundary `index` (clamped); with `extend` the selection runs from the
    // anchor to it, otherwise it collapses there.
    void SetCaret(int index, bool extend, bool scroll = true);
    // Selects the lines between two boundaries of the present direction; the caret goes to `active`.
    void Select(int anchor, int active);
    // Switches the direction (when it differs) and collapses the selection at `caret`.
    void SetDirection(uint8_t direction, int caret);
    void SelectAll();

    // Returns whether the key was consumed.
    bool KeyDown(int key, Qt::KeyboardModifiers shift);
    // Points in table coordinates.
    void MouseDown(const QPoint& point, Qt::KeyboardModifiers shift);
    void MouseMove(const QPoint& point);
    void MouseUp(const QPoint& point);
    // Ends a mouse action (Escape, lost capture).
    void CancelMouse();

private:
    void SetMouseState(uint8_t state);
    void SetCursorKind(uint8_t kind);
    // Gives the focus to the cell's first (or last) focus target; false when there is none.
    bool EnterCell(int column, int row, bool atEnd);
    bool CanEdit() const { return !FCanEdit || FCanEdit(); }

    std::function<bool()> FCanEdit;
    std::function<TVisualElement*(int, int)> FGetCell;
    std::function<int(uint8_t)> FLineRange;
    std::function<int(const QPoint&, bool, uint8_t)> FLineAt;

    QPoint FDownPoint;
    QPoint FMousePoint;
    int FCaretWidth = 1;
    uint8_t FDirection = tdColumns;
    int FCaret = 0;
    int FAnchor = 0;
    int FActiveEnd = 0;
    uint8_t FCursorKind = tckDefault;
    uint8_t FMouseState = ttmIdle;
    // Bit 0 would allow dragging lines; never set.
    uint8_t FOptions = 0;
    int FCrossIndex = 0;
};

// The table's own form: a selection an edit asks for, applied when the table's update bracket closes.
class TSchemeTableInteractive : public TTableInteractive
{
public:
    bool HasPendingSelection() const { return FPending; }
    uint8_t PendingDirection() const { return FPendingDirection; }
    void SetPendingSelection(uint8_t direction, int anchor, int active)
    {
        FPending = true;
        FPendingDirection = direction;
        FPendingAnchor = anchor;
        FPendingActive = active;
    }
    // Applies the pending selection (or collapses at boundary 0 without one) and forgets it.
    void ApplyPendingSelection();

private:
    bool FPending = false;
    uint8_t FPendingDirection = tdColumns;
    int FPendingAnchor = 0;
    int FPendingActive = 0;
};

} // namespace qv
