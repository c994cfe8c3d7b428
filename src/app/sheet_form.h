#pragma once

#include <QAbstractScrollArea>
#include <QCursor>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <cstdint>
#include <functional>

class QAction;
class QMenu;

namespace qv {

class TDropDownForm;
class TItfObject;
class TScheme;
class TSheet;
class TUndoRedo;

// The window side of a sheet: it scrolls and paints the sheet, feeds it the keyboard and the mouse,
// draws the text caret, shows the cursor and hints the sheet asks for, and offers the edit commands
// (undo, redo, clipboard, select all) on the sheet's focused element. The sheet and the scheme belong
// to the document; the window only listens to them while they are set.
class TSheetForm : public QAbstractScrollArea
{
public:
    explicit TSheetForm(QWidget* parent = nullptr);
    ~TSheetForm() override;

    TSheet* Sheet() const { return FSheet; }
    TScheme* Scheme() const { return FScheme; }
    // Detaches from the present sheet (its drop-down list is closed without commit and it becomes
    // inactive) and shows `sheet` (may be null) of `scheme`: gives it the view's size, applies its
    // scroll position and caret.
    void SetScheme(TScheme* scheme, TSheet* sheet);

    // Whether hovering shows element hints (the "ShowHints" setting of the sheet window).
    bool ShowHints() const { return FShowHints; }
    void SetShowHints(bool value) { FShowHints = value; }

    // The edit commands, enabled as the focused element allows; the window's owner puts them in menus.
    QAction* UndoAction() const { return FUndo; }
    QAction* RedoAction() const { return FRedo; }
    QAction* CutAction() const { return FCut; }
    QAction* CopyAction() const { return FCopy; }
    QAction* CopyAsTextAction() const { return FCopyAsText; }
    QAction* PasteAction() const { return FPaste; }
    QAction* DeleteAction() const { return FDelete; }
    QAction* SelectAllAction() const { return FSelectAll; }
    // Re-evaluates which commands are enabled.
    void UpdateCommands();

    // The scroll position that brings `caret` (sheet coordinates) into `visible` (the part of the
    // sheet the view shows) with `margin` pixels to spare left and right, moving as little as
    // possible; a caret taller than the view keeps the edge it is scrolled towards.
    static QPoint ScrollToShow(const QRect& visible, const QRect& caret, int margin);
    // The shape shown for one of the program's cursor numbers.
    static QCursor CursorFor(int cursor);

    // The view's origin in sheet coordinates.
    QPoint Origin() const;

    // Adds the owner's entries to the context menu asked for at `sheetPoint` (sheet coordinates).
    std::function<void(QMenu& menu, const QPoint& sheetPoint)> OnContextMenu;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    // Tab and Backtab belong to the sheet: they move between its fields.
    bool focusNextPrevChild(bool next) override;

private:
    void SheetNotify(TItfObject* sender, int kind, intptr_t param1, intptr_t param2);
    void UndoRedoNotify(TItfObject* sender, int kind, intptr_t param1, intptr_t param2);
    void Detach();
    void UpdateScrollRange();
    void ApplyScrollPos();
    void UpdateCaret();
    void ScrollCaretIntoView(int margin);
    void RunOnFocused(void (*command)(TSheetForm* form));
    QPoint ToSheet(const QPoint& viewPoint) const;
    void CreateActions();
    // Shows the sheet's open drop-down list in a new pop-up under its field.
    void ShowDropDown();
    // Lets the pop-up go; the list it showed is being closed.
    void HideDropDown();

    TScheme* FScheme = nullptr;
    TSheet* FSheet = nullptr;
    TUndoRedo* FUndoRedo = nullptr; // the scheme's, listened to while shown
    bool FShowHints = true;
    bool FScrolling = false; // the view itself is moving, so the sheet's scroll notice is its own
    bool FCaretShown = false;
    bool FCaretBlinkOn = true;
    QRect FCaretRect; // sheet coordinates
    QTimer FCaretBlink;
    QAction* FUndo = nullptr;
    QAction* FRedo = nullptr;
    QAction* FCut = nullptr;
    QAction* FCopy = nullptr;
    QAction* FCopyAsText = nullptr;
    QAction* FPaste = nullptr;
    QAction* FDelete = nullptr;
    QAction* FSelectAll = nullptr;
    QPointer<TDropDownForm> FDropDownForm; // shows the sheet's open list; deletes itself when let go
};

} // namespace qv
