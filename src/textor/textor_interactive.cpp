// The caret, the selection, keys and mouse of a focused text field.

#include "textor/textor_interactive.h"

#include "textor/textor.h"
#include "textor/textor_canvas.h"

namespace qv {

namespace {

// Same selection: the same pair of ends in either order, or both empty.
bool SameSelection(const TTextorPosition& a1, const TTextorPosition& a2, const TTextorPosition& b1,
                   const TTextorPosition& b2)
{
    if (a1 == a2 && b1 == b2)
        return true;
    return (a1 == b1 && a2 == b2) || (a1 == b2 && a2 == b1);
}

bool IsControlCharacter(char16_t c)
{
    // C0 controls, DEL (the text of the Delete key on some platforms) and the C1 controls.
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0);
}

} // namespace

TTextorInteractive::TTextorInteractive(TTextor* textor) : FTextor(textor)
{
    const TTextorPosition first = textor->FirstPosition();
    FCaret = FAnchor = FActiveEnd = first;
    FCaretRow = textor->FirstParagraph()->FirstRow();
}

TTextorInteractive::~TTextorInteractive() = default;

void TTextorInteractive::SetCaretWidth(int width)
{
    if (width == FCaretWidth)
        return;
    FCaretWidth = qMax(1, width);
    Notify(tinCaret, 1);
}

// --- Caret and selection ---------------------------------------------------------------------------

void TTextorInteractive::Changed(const TTextorPosition& oldCaret, TRow* oldRow,
                                 const TTextorPosition& oldAnchor, const TTextorPosition& oldActive)
{
    const bool caretChanged = !(oldCaret == FCaret) || oldRow != FCaretRow;
    const bool selectionChanged = !SameSelection(oldAnchor, oldActive, FAnchor, FActiveEnd);
    if (caretChanged)
        Notify(tinCaret, 1);
    if (selectionChanged)
        Notify(tinSelection);
}

void TTextorInteractive::SetCaret(const TTextorPosition& position)
{
    const TTextorPosition oldCaret = FCaret, oldAnchor = FAnchor, oldActive = FActiveEnd;
    TRow* oldRow = FCaretRow;
    FHasRememberedX = false;
    FCaret = FAnchor = FActiveEnd = FTextor->Normalized(position);
    FCaretRow = FTextor->RowOf(FCaret, true);
    Changed(oldCaret, oldRow, oldAnchor, oldActive);
}

void TTextorInteractive::SetSelection(const TTextorRange& range, bool caretAtStart)
{
    const TTextorPosition oldCaret = FCaret, oldAnchor = FAnchor, oldActive = FActiveEnd;
    TRow* oldRow = FCaretRow;
    FHasRememberedX = false;
    const TTextorPosition start = FTextor->Normalized(range.Start);
    const TTextorPosition end = FTextor->Normalized(range.End);
    FCaret = FActiveEnd = caretAtStart ? start : end;
    FAnchor = caretAtStart ? end : start;
    FCaretRow = FTextor->RowOf(FCaret, false);
    Changed(oldCaret, oldRow, oldAnchor, oldActive);
}

void TTextorInteractive::MoveCaret(TRow* row, const TTextorPosition& position, bool extend)
{
    const TTextorPosition oldCaret = FCaret, oldAnchor = FAnchor, oldActive = FActiveEnd;
    TRow* oldRow = FCaretRow;
    FHasRememberedX = false;
    const TTextorPosition at = FTextor->Normalized(position);
    if (!extend)
        FAnchor = at;
    else if (!HasSelection())
        FAnchor = FCaret;
    FCaret = FActiveEnd = at;
    FCaretRow = row != nullptr ? row : FTextor->RowOf(at, true);
    Changed(oldCaret, oldRow, oldAnchor, oldActive);
}

TTextorRange TTextorInteractive::GetSelection() const
{
    if (FTextor->Compare(FAnchor, FActiveEnd) > 0)
        return {FActiveEnd, FAnchor};
    return {FAnchor, FActiveEnd};
}

void TTextorInteractive::SelectAll()
{
    SetSelection(FTextor->WholeRange(), false);
}

QString TTextorInteractive::GetSelectedText() const
{
    return FTextor->GetRangeText(GetSelection());
}

QRect TTextorInteractive::CaretRect() const
{
    if (FCaretRow == nullptr)
        return QRect();
    return FTextor->CaretRect(*FCaretRow, FCaret, FCaretWidth);
}

// --- Keys ------------------------------------------------------------------------------------------

bool TTextorInteractive::EnterEmbedded(TPortion*, bool)
{
    return false;
}

void TTextorInteractive::RequestReplace(const QString* text)
{
    Notify(tinReplace, reinterpret_cast<intptr_t>(text));
}

bool TTextorInteractive::DeleteRange(const TTextorPosition& from, const TTextorPosition& to,
                                     bool caretAtStart)
{
    if (FTextor->Compare(from, to) >= 0)
        return false;
    SetSelection({from, to}, caretAtStart);
    RequestReplace(nullptr);
    return true;
}

TRow* TTextorInteractive::NeighbourRow(bool down) const
{
    if (FCaretRow == nullptr)
        return nullptr;
    if (down) {
        if (FCaretRow->Next() != nullptr)
            return FCaretRow->Next();
        TParagraph* next = FCaretRow->Paragraph()->Next();
        return next != nullptr ? next->FirstRow() : nullptr;
    }
    if (FCaretRow->Prev() != nullptr)
        return FCaretRow->Prev();
    TParagraph* prev = FCaretRow->Paragraph()->Prev();
    return prev != nullptr ? prev->LastRow() : nullptr;
}

void TTextorInteractive::MoveVertically(bool down, int distance, bool extend)
{
    if (FCaretRow == nullptr)
        return;
    const int x =
        FHasRememberedX ? FRememberedX : FCaretRow->Left() + FTextor->XOfPosition(*FCaretRow, FCaret);
    const QRect rect = FTextor->CaretRect(*FCaretRow, FCaret, FCaretWidth);
    int y = 0;
    if (distance <= 0)
        y = down ? rect.top() + rect.height() : rect.top() - 1;
    else
        y = rect.top() + rect.height() / 2 + (down ? distance : -distance);
    const TTextorDrag drag = Drag();
    TTextorHit hit = FTextor->PositionAtPoint(QPoint(x, y), true, true, &drag);
    if (distance > 0 && hit.Row == FCaretRow) {
        // A page move that stays on the caret row goes to the very start or end.
        hit.Position = down ? FTextor->LastPosition() : FTextor->FirstPosition();
        hit.Row = FTextor->RowOf(hit.Position, false);
    }
    MoveCaret(hit.Row, hit.Position, extend);
    FRememberedX = x;
    FHasRememberedX = true;
}

bool TTextorInteractive::KeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (FMouseState != tmsIdle)
        return false;
    const bool ctrl = (shift & Qt::ControlModifier) != 0;
    const bool extend = (shift & Qt::ShiftModifier) != 0;
    TTextor& t = *FTextor;
    TParagraph* p = FCaret.Paragraph;
    const int offset = p->OffsetOf(FCaret);
    switch (key) {
    case Qt::Key_Left: {
        if (ctrl) {
            MoveCaret(nullptr, t.WordStart(t.PrevPosition(FCaret)), extend);
            return true;
        }
        // At the start the key is left to the sheet, which steps into the previous field.
        if (!extend && !HasSelection() && t.Compare(FCaret, t.FirstPosition()) <= 0)
            return false;
        if (!extend && offset > 0) {
            int local = 0;
            TPortion* before = p->PortionAt(offset - 1, local);
            if (before != nullptr && before->Kind() == TPortionKind::Element && EnterEmbedded(before, true))
                return true;
        }
        MoveCaret(nullptr, t.PrevPosition(FCaret), extend);
        return true;
    }
    case Qt::Key_Right: {
        if (ctrl) {
            TTextorPosition end = t.WordEnd(FCaret);
            if (end == FCaret)
                end = t.NextPosition(FCaret);
            MoveCaret(nullptr, end, extend);
            return true;
        }
        if (!extend) {
            int local = 0;
            TPortion* at = p->PortionAt(offset, local);
            if (at != nullptr && at->Kind() == TPortionKind::Element && EnterEmbedded(at, false))
                return true;
            // At the end the key is left to the sheet, which steps into the next field.
            if (!HasSelection() && t.Compare(FCaret, t.LastPosition()) >= 0)
                return false;
        }
        MoveCaret(nullptr, t.NextPosition(FCaret), extend);
        return true;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const bool down = key == Qt::Key_Down;
        if (ctrl || NeighbourRow(down) == nullptr)
            return false;
        MoveVertically(down, 0, extend);
        return true;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        if (ctrl || FCaretRow == nullptr)
            return false;
        const int page = FPageHeight > 0 ? FPageHeight : t.ContentHeight();
        MoveVertically(key == Qt::Key_PageDown, qMax(1, page), extend);
        return true;
    }
    case Qt::Key_Home:
    case Qt::Key_End: {
        const bool home = key == Qt::Key_Home;
        if (ctrl) {
            const TTextorPosition target = home ? t.FirstPosition() : t.LastPosition();
            MoveCaret(t.RowOf(target, home), target, extend);
            return true;
        }
        if (FCaretRow == nullptr)
            return false;
        TRow* row = FCaretRow;
        TTextorPosition target;
        if (home)
            row->GetStart(target);
        else
            row->GetEnd(target);
        // Pressed again at the edge of a wrapped row, the key goes on to the paragraph's edge.
        if (t.Normalized(target) == FCaret) {
            TRow* edge = home ? p->FirstRow() : p->LastRow();
            if (edge != nullptr && edge != row) {
                row = edge;
                target = home ? p->Start() : p->End();
            }
        }
        MoveCaret(row, target, extend);
        return true;
    }
    case Qt::Key_Backspace: {
        if (!CanEdit())
            return false;
        if (HasSelection()) {
            const TTextorRange selection = GetSelection();
            return DeleteRange(selection.Start, selection.End, false);
        }
        const TTextorPosition before = t.PrevPosition(FCaret);
        return DeleteRange(ctrl ? t.WordStart(before) : before, FCaret, false);
    }
    case Qt::Key_Delete: {
        if (!CanEdit())
            return false;
        if (HasSelection()) {
            const TTextorRange selection = GetSelection();
            return DeleteRange(selection.Start, selection.End, true);
        }
        TTextorPosition end = t.NextPosition(FCaret);
        if (ctrl) {
            const TTextorPosition wordEnd = t.WordEnd(FCaret);
            if (!(wordEnd == FCaret))
                end = wordEnd;
        }
        return DeleteRange(FCaret, end, true);
    }
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        if (!ctrl || !HasOption(tioLinkCtrlEnter))
            return false;
        int local = 0;
        TPortion* portion = p->PortionAt(offset, local);
        TTextorPosition link = FCaret;
        if (!IsLinkPortion(portion) && local == 0 && offset > 0) {
            portion = p->PortionAt(offset - 1, local);
            link = p->PositionAt(offset - 1);
        }
        if (!IsLinkPortion(portion))
            return false;
        Notify(tinLink, reinterpret_cast<intptr_t>(&link));
        return true;
    }
    default:
        return false;
    }
}

bool TTextorInteractive::KeyPress(QChar character, Qt::KeyboardModifiers shift)
{
    if (FMouseState != tmsIdle || (shift & Qt::ControlModifier) != 0 || !CanEdit())
        return false;
    const char16_t c = character.unicode();
    QString text;
    if (c == u'\r') {
        if (!FTextor->AllowParagraphs())
            return false;
        text = QStringLiteral("\r");
    } else if (c == u'\t') {
        if (!FTextor->AllowTabStops())
            return false;
        text = QStringLiteral("\t");
    } else if (QChar::isHighSurrogate(c)) {
        FHighSurrogate = c;
        return true;
    } else if (QChar::isLowSurrogate(c)) {
        if (FHighSurrogate == 0)
            return false;
        const char16_t pair[] = {FHighSurrogate, c};
        text = QString::fromUtf16(pair, 2);
    } else if (IsControlCharacter(c)) {
        return false;
    } else {
        text = QString(character);
    }
    FHighSurrogate = 0;
    RequestReplace(&text);
    return true;
}

// --- Mouse -----------------------------------------------------------------------------------------

TTextorDrag TTextorInteractive::Drag() const
{
    return {FDownPoint, FMousePoint, FDragThreshold};
}

bool TTextorInteractive::IsLinkPortion(const TPortion* portion)
{
    return portion != nullptr && portion->Kind() == TPortionKind::Text && portion->Attributes() != nullptr &&
           portion->Attributes()->IsLink();
}

bool TTextorInteractive::LinkAtPoint(const QPoint& point, TTextorPosition& position) const
{
    const TTextorHit hit = FTextor->PositionAtPoint(point, false, false);
    if (!hit.Inside || hit.Row == nullptr)
        return false;
    TParagraph* p = hit.Position.Paragraph;
    int local = 0;
    if (!IsLinkPortion(p->PortionAt(p->OffsetOf(hit.Position), local)))
        return false;
    position = hit.Position;
    return true;
}

void TTextorInteractive::SetMouseState(uint8_t state)
{
    if (state == FMouseState)
        return;
    FMouseState = state;
    Notify(tinMouseState);
}

void TTextorInteractive::SetCursorKind(uint8_t kind)
{
    if (kind == FCursorKind)
        return;
    FCursorKind = kind;
    Notify(tinCursor);
}

int TTextorInteractive::FieldCursor(uint16_t options)
{
    if ((options & tioDropDown) != 0)
        return crTextorFieldDropDownBeam;
    if ((options & tioLineBreaks) == 0)
        return (options & tioTakesElements) != 0 ? crTextorFieldElementsBeam : crTextorFieldBeam;
    return (options & tioTakesText) != 0 ? crTextorContainerTextBeam : crTextorContainerBeam;
}

int TTextorInteractive::FieldCursor() const
{
    return FieldCursor(FInteractiveOptions);
}

void TTextorInteractive::SelectWordAt(const QPoint& point)
{
    TTextor& t = *FTextor;
    const TTextorHit hit = t.PositionAtPoint(point, true, false);
    const TTextorPosition start = t.WordStart(hit.Position);
    const TTextorPosition end = t.WordEnd(hit.Position);
    if (!(start == end))
        SetSelection({start, end}, false);
    else
        SetSelection({start, t.NextPosition(end)}, false);
}

void TTextorInteractive::SelectParagraphAt(const QPoint& point)
{
    TTextor& t = *FTextor;
    const TTextorHit hit = t.PositionAtPoint(point, true, false);
    TParagraph* p = hit.Position.Paragraph;
    SetSelection({p->Start(), t.NextPosition(p->End())}, false);
}

void TTextorInteractive::MouseDown(const QPoint& point, bool leftButton, Qt::KeyboardModifiers shift,
                                   int clickCount)
{
    if (!leftButton)
        return;
    FDownPoint = FMousePoint = point;
    SetMouseState(tmsIdle);
    if (clickCount == 2) {
        TTextorPosition link;
        if (HasOption(tioLinkDoubleClick) && LinkAtPoint(point, link)) {
            Notify(tinLink, reinterpret_cast<intptr_t>(&link));
            return;
        }
        SelectWordAt(point);
        return;
    }
    if (clickCount == 3) {
        SelectParagraphAt(point);
        return;
    }
    const TTextorDrag drag = Drag();
    const TTextorHit hit = FTextor->PositionAtPoint(point, true, true, &drag);
    MoveCaret(hit.Row, hit.Position, (shift & Qt::ShiftModifier) != 0);
    SetMouseState(tmsSelecting);
    SetCursorKind(uint8_t(FieldCursor()));
}

void TTextorInteractive::MouseMove(const QPoint& point)
{
    FMousePoint = point;
    if (FMouseState == tmsSelecting) {
        const TTextorDrag drag = Drag();
        const TTextorHit hit = FTextor->PositionAtPoint(point, true, true, &drag);
        MoveCaret(hit.Row, hit.Position, true);
        return;
    }
    SetCursorKind(uint8_t(CursorAt(point)));
}

int TTextorInteractive::CursorAt(const QPoint& point) const
{
    TTextorPosition link;
    if (HasOption(tioLinkDoubleClick) && LinkAtPoint(point, link))
        return crHandPoint;
    return FieldCursor();
}

void TTextorInteractive::MouseUp(const QPoint& point, bool leftButton)
{
    if (!leftButton && FMouseState == tmsIdle)
        return;
    SetMouseState(tmsIdle);
    MouseMove(point);
}

void TTextorInteractive::CancelMouse()
{
    SetMouseState(tmsIdle);
}

// --- Painting --------------------------------------------------------------------------------------

void TTextorInteractive::Paint(ITextorCanvas& canvas, int elementFlags, int flags)
{
    TTextor& t = *FTextor;
    t.PaintBackgrounds(canvas, elementFlags);
    const int plain = flags & ~tpfSelected;
    if ((flags & tpfSelected) == 0 || !HasSelection()) {
        t.Paint(canvas, elementFlags, false, plain, t.WholeRange());
        return;
    }
    const TTextorRange selection = GetSelection();
    const TTextorPosition first = t.FirstPosition();
    const TTextorPosition last = t.LastPosition();
    if (!(first == selection.Start))
        t.Paint(canvas, elementFlags, false, plain, {first, selection.Start});
    if (!(selection.End == last))
        t.Paint(canvas, elementFlags, false, plain, {selection.End, last});
    t.Paint(canvas, elementFlags, HasOption(tioMarkParagraphEnds), plain | tpfSelected, selection);
}

} // namespace qv
