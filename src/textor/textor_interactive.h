#pragma once

#include "core/itf_object.h"
#include "textor/textor_position.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <qnamespace.h>

#include <cstdint>
#include <functional>

namespace qv {

class ITextorCanvas;
class TPortion;
class TRow;
class TTextor;

// InteractiveOptions bits, set by the text field when it creates its interactive.
enum TTextorInteractiveOption : uint16_t
{
    tioMarkParagraphEnds = 0x0008, // a marked 5-pixel cell after each selected paragraph end
    tioLinkDoubleClick = 0x0020,   // a double click on a link activates it
    tioLinkCtrlEnter = 0x0040,     // Ctrl+Enter on a link activates it
    tioTakesText = 0x0200,         // cursor choice only
    tioTakesElements = 0x0400,     // cursor choice only
    tioDropDown = 0x0800,          // cursor choice only
    tioLineBreaks = 0x1000,        // cursor choice only
    tioDefault = tioMarkParagraphEnds | tioLinkDoubleClick | tioLinkCtrlEnter,
};

// Notifications an interactive sends to its handlers (TItfObject::Notify).
enum TTextorInteractiveNotify : int
{
    tinCaret = 1,      // the caret or its row changed; param1 is 1
    tinSelection = 2,  // the selection changed
    tinMouseState = 3, // MouseState changed
    tinCursor = 4,     // CursorKind changed
    tinLink = 7,       // a link was activated; param1: const TTextorPosition* on the link run
    tinReplace = 8,    // replace the selection; param1: const QString* (null: delete the selection)
};

// Cursor numbers of GetCursor. 10 to 17 are the program's own cursors, loaded at start-up in this
// order under their own names.
enum TTextorCursor : uint8_t
{
    crDefault = 0,
    crHandPoint = 1, // the system's pointing-hand cursor
    crTextorFieldBeam = 10,
    crTextorFieldElementsBeam = 11,
    crTextorFieldDropDownBeam = 12,
    crTextorContainerBeam = 13,
    crTextorContainerTextBeam = 14,
    crTextorLeftZone = 15,
    crTextorDragMove = 16,
    crTextorDragCopy = 17,
};

// MouseState values.
enum TTextorMouseState : uint8_t
{
    tmsIdle = 0,
    tmsSelecting = 1, // the left button went down on the text and the selection follows the mouse
};

// Asks the owner whether the field may be edited now; without one, it may.
using TTextorCanEditEvent = std::function<bool()>;

// The caret and the selection of one Textor while its field has the focus. It turns keys and mouse
// actions into caret moves, selections and edit requests (notification tinReplace), chooses the mouse
// cursor and paints the Textor with its selection. It never changes the content itself.
//
// Positions hold pointers into the Textor (see TTextorPosition) and CaretRow points at one of its rows:
// both are only valid until the next edit or layout. The owner re-applies the selection after each
// Arrange (SetSelection with freshly converted positions) and sends nothing to the interactive in
// between. Points are pixels in the Textor's text area.
class TTextorInteractive : public TItfObject
{
public:
    explicit TTextorInteractive(TTextor* textor);
    ~TTextorInteractive() override;

    TTextor* Textor() const { return FTextor; }
    QPoint DownPoint() const { return FDownPoint; }
    QPoint MousePoint() const { return FMousePoint; }
    // Pixels; 1 until the owner sets the sheet's "CaretSize".
    int CaretWidth() const { return FCaretWidth; }
    void SetCaretWidth(int width);
    // May be null while the Textor has no rows (never laid out).
    TRow* CaretRow() const { return FCaretRow; }
    const TTextorPosition& Caret() const { return FCaret; }
    const TTextorPosition& Anchor() const { return FAnchor; }
    const TTextorPosition& ActiveEnd() const { return FActiveEnd; }
    uint8_t CursorKind() const { return FCursorKind; }
    uint8_t MouseState() const { return FMouseState; }
    uint16_t InteractiveOptions() const { return FInteractiveOptions; }
    void SetInteractiveOptions(uint16_t options) { FInteractiveOptions = options; }
    bool HasOption(uint16_t option) const { return (FInteractiveOptions & option) != 0; }
    void SetCanEdit(const TTextorCanEditEvent& canEdit) { FCanEdit = canEdit; }
    // The platform's drag threshold (pixels) for the element split rule of mouse hits.
    void SetDragThreshold(int pixels) { FDragThreshold = pixels; }
    // The height PageUp and PageDown move by (pixels); 0 or less: the Textor's content height.
    void SetPageHeight(int pixels) { FPageHeight = pixels; }

    // Caret, anchor and active end := position; the caret goes on the next row at a wrap point.
    void SetCaret(const TTextorPosition& position);
    // The caret and the active end at the range's start when `caretAtStart`, else at its end; the
    // caret at a wrap point stays at the end of the upper row.
    void SetSelection(const TTextorRange& range, bool caretAtStart);
    // Caret and active end := position on `row` (null: the row the position belongs to); the anchor
    // follows unless `extend`.
    void MoveCaret(TRow* row, const TTextorPosition& position, bool extend);

    // The selection with Start <= End.
    TTextorRange GetSelection() const;
    bool HasSelection() const { return !(FAnchor == FActiveEnd); }
    // The whole content with the caret at its end.
    void SelectAll();
    QString GetSelectedText() const;
    // The caret rectangle in text-area pixels; empty while there is no caret row.
    QRect CaretRect() const;

    // Each returns whether it consumed the input.
    bool KeyDown(int key, Qt::KeyboardModifiers shift);
    bool KeyPress(QChar character, Qt::KeyboardModifiers shift);
    void MouseDown(const QPoint& point, bool leftButton, Qt::KeyboardModifiers shift, int clickCount);
    void MouseMove(const QPoint& point);
    void MouseUp(const QPoint& point, bool leftButton);
    // Ends a mouse selection without a release (the sheet took the capture away).
    void CancelMouse();

    // The cursor for a point while no mouse selection runs: the hand over a link that a double click
    // activates, else the field cursor.
    int CursorAt(const QPoint& point) const;
    // The cursor of the field from the options (never the hand).
    int FieldCursor() const;
    static int FieldCursor(uint16_t options);

    // Paints the paragraph backgrounds and the content; with tpfSelected in `flags` the selection is
    // painted marked. The origin is the text area's.
    void Paint(ITextorCanvas& canvas, int elementFlags, int flags);

protected:
    // Moves the focus into the embedded element of `portion`, entering at its end (`atEnd`) or start;
    // false when it takes no focus. The base class knows no elements.
    virtual bool EnterEmbedded(TPortion* portion, bool atEnd);

private:
    void SetMouseState(uint8_t state);
    void SetCursorKind(uint8_t kind);
    // Sends tinCaret and tinSelection as the state moved from the old values.
    void Changed(const TTextorPosition& oldCaret, TRow* oldRow, const TTextorPosition& oldAnchor,
                 const TTextorPosition& oldActive);
    bool CanEdit() const { return !FCanEdit || FCanEdit(); }
    // Selects `range` (caret at its start or end) and asks for its deletion; false for an empty range.
    bool DeleteRange(const TTextorPosition& from, const TTextorPosition& to, bool caretAtStart);
    void RequestReplace(const QString* text);
    // The row above or below the caret row, or null.
    TRow* NeighbourRow(bool down) const;
    void MoveVertically(bool down, int distance, bool extend);
    // The link run under a point (within a row's content), or false.
    bool LinkAtPoint(const QPoint& point, TTextorPosition& position) const;
    static bool IsLinkPortion(const TPortion* portion);
    void SelectWordAt(const QPoint& point);
    void SelectParagraphAt(const QPoint& point);
    TTextorDrag Drag() const;

    TTextor* FTextor;
    QPoint FDownPoint;
    QPoint FMousePoint;
    int FCaretWidth = 1;
    TRow* FCaretRow = nullptr;
    TTextorPosition FCaret;
    TTextorPosition FAnchor;
    TTextorPosition FActiveEnd;
    uint8_t FCursorKind = crDefault;
    uint8_t FMouseState = tmsIdle;
    uint16_t FInteractiveOptions = 0;
    TTextorCanEditEvent FCanEdit;
    int FDragThreshold = 4;
    int FPageHeight = 0;
    // The x (text-area pixels) that Up, Down, PageUp and PageDown keep while they follow each other;
    // any other caret move forgets it.
    int FRememberedX = 0;
    bool FHasRememberedX = false;
    // A high surrogate typed alone waits for its low half, so a character outside the basic plane is
    // inserted whole.
    char16_t FHighSurrogate = 0;
};

} // namespace qv
