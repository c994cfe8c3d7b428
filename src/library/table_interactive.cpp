#include "library/table_interactive.h"

#include "elements/visual_element.h"
#include "fields/textor_element.h"

namespace qv {

// TTableInteractive

void TTableInteractive::SetCaret(int index, bool extend, bool scroll)
{
    index = std::clamp(index, 0, LineCount(FDirection));
    const bool hadSelection = HasSelection();
    const int oldAnchor = FAnchor;
    const int oldActive = FActiveEnd;
    const int oldCaret = FCaret;
    FCaret = index;
    FActiveEnd = index;
    if (!extend)
        FAnchor = index;
    if (FCaret != oldCaret)
        Notify(tinTableCaret, scroll ? 1 : 0);
    if ((FAnchor != oldAnchor || FActiveEnd != oldActive) && (hadSelection || HasSelection()))
        Notify(tinTableSelection);
}

void TTableInteractive::Select(int anchor, int active)
{
    const int count = LineCount(FDirection);
    anchor = std::clamp(anchor, 0, count);
    active = std::clamp(active, 0, count);
    const bool changed = anchor != FAnchor || active != FActiveEnd;
    const bool caretMoved = active != FCaret;
    FAnchor = anchor;
    FActiveEnd = active;
    FCaret = active;
    if (caretMoved)
        Notify(tinTableCaret, 1);
    if (changed)
        Notify(tinTableSelection);
}

void TTableInteractive::SetDirection(uint8_t direction, int caret)
{
    if (direction != FDirection) {
        const bool hadSelection = HasSelection();
        FDirection = direction;
        FCaret = FAnchor = FActiveEnd = std::clamp(caret, 0, LineCount(direction));
        Notify(tinTableDirection);
        Notify(tinTableCaret, 1);
        if (hadSelection)
            Notify(tinTableSelection);
        return;
    }
    SetCaret(caret, false);
}

void TTableInteractive::SelectAll()
{
    Select(0, LineCount(FDirection));
}

bool TTableInteractive::EnterCell(int column, int row, bool atEnd)
{
    TVisualElement* cell = FGetCell ? FGetCell(column, row) : nullptr;
    TVisualElement* target = nullptr;
    if (cell == nullptr || !cell->FindFocusTarget(!atEnd, true, true, target) || target == nullptr)
        return false;
    if (auto* field = dynamic_cast<TTextorElement*>(target)) {
        if (atEnd)
            field->FocusAtLast();
        else
            field->FocusAtFirst();
    } else {
        target->SetFocus();
    }
    return true;
}

bool TTableInteractive::KeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (FMouseState != ttmIdle) {
        if (key == Qt::Key_Escape) {
            CancelMouse();
            return true;
        }
        return false;
    }
    const bool withShift = (shift & Qt::ShiftModifier) != 0;
    const bool plain = (shift & (Qt::ShiftModifier | Qt::ControlModifier)) == 0;
    const bool columns = FDirection == tdColumns;
    // A move that changes nothing is not consumed: the sheet may move the focus on.
    auto move = [this, withShift](int index) {
        index = std::clamp(index, 0, LineCount(FDirection));
        const int caret = FCaret;
        const int anchor = FAnchor;
        SetCaret(index, withShift);
        return caret != FCaret || anchor != FAnchor;
    };
    auto step = [&](int delta, int column, int row, bool atEnd) {
        if (plain && EnterCell(column, row, atEnd))
            return true;
        return move(FCaret + delta);
    };
    switch (key) {
    case Qt::Key_Left:
        if (!columns) {
            SetDirection(tdColumns, 0);
            return true;
        }
        return step(-1, FCaret - 1, FCrossIndex, true);
    case Qt::Key_Right:
        if (!columns) {
            SetDirection(tdColumns, LineCount(tdColumns));
            return true;
        }
        return step(1, FCaret, FCrossIndex, false);
    case Qt::Key_Up:
        if (columns) {
            SetDirection(tdRows, 0);
            return true;
        }
        return step(-1, FCrossIndex, FCaret - 1, true);
    case Qt::Key_Down:
        if (columns) {
            SetDirection(tdRows, LineCount(tdRows));
            return true;
        }
        return step(1, FCrossIndex, FCaret, false);
    case Qt::Key_Home:
        return move(0);
    case Qt::Key_End:
        return move(LineCount(FDirection));
    case Qt::Key_Backspace:
    case Qt::Key_Delete: {
        if (!CanEdit())
            return false;
        if (!HasSelection()) {
            const int line = key == Qt::Key_Backspace ? FCaret - 1 : FCaret;
            if (line < 0 || line >= LineCount(FDirection))
                return false;
            Select(line, line + 1);
        }
        Notify(tinTableDelete);
        return true;
    }
    default:
        return false;
    }
}

void TTableInteractive::MouseDown(const QPoint& point, Qt::KeyboardModifiers shift)
{
    FDownPoint = point;
    FMousePoint = point;
    SetMouseState(ttmSelecting);
    uint8_t direction = tdColumns;
    int boundary = FLineAt ? FLineAt(point, true, tdColumns) : -1;
    if (boundary < 0) {
        direction = tdRows;
        boundary = FLineAt ? std::max(0, FLineAt(point, false, tdRows)) : 0;
    }
    if ((shift & Qt::ShiftModifier) != 0 && direction == FDirection) {
        SetCaret(boundary, true);
    } else {
        SetDirection(direction, boundary);
        SetCaret(boundary, false);
    }
    SetCursorKind(direction == tdColumns ? tckColumnsSelecting : tckRowsSelecting);
}

void TTableInteractive::MouseMove(const QPoint& point)
{
    FMousePoint = point;
    if (FMouseState == ttmSelecting) {
        const int boundary = FLineAt ? FLineAt(point, false, FDirection) : -1;
        if (boundary >= 0)
            SetCaret(boundary, true);
        return;
    }
    uint8_t kind = tckDefault;
    if (FLineAt && FLineAt(point, true, tdColumns) >= 0)
        kind = tckColumnsBeam;
    else if (FLineAt && FLineAt(point, true, tdRows) >= 0)
        kind = tckRowsBeam;
    SetCursorKind(kind);
}

void TTableInteractive::MouseUp(const QPoint& point)
{
    FMousePoint = point;
    SetMouseState(ttmIdle);
    MouseMove(point);
}

void TTableInteractive::CancelMouse()
{
    SetMouseState(ttmIdle);
    SetCursorKind(tckDefault);
}

void TTableInteractive::SetMouseState(uint8_t state)
{
    if (state == FMouseState)
        return;
    FMouseState = state;
    Notify(tinTableMouseState);
}

void TTableInteractive::SetCursorKind(uint8_t kind)
{
    if (kind == FCursorKind)
        return;
    FCursorKind = kind;
    Notify(tinTableCursor);
}

// TSchemeTableInteractive

void TSchemeTableInteractive::ApplyPendingSelection()
{
    if (!FPending) {
        SetDirection(Direction(), 0);
        return;
    }
    FPending = false;
    if (FPendingDirection != Direction())
        SetDirection(FPendingDirection, FPendingActive);
    Select(FPendingAnchor, FPendingActive);
}

} // namespace qv
