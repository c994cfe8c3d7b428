#pragma once

#include <QAbstractScrollArea>
#include <QRect>

class QLabel;

namespace qv {

class TDropDownItem;
class TDropDownList;
class TSheet;

// The pop-up that shows a sheet's open drop-down list under the field that opened it: one row per
// visible entry, each entry painting itself on the sheet's canvas, the current one selected. It feeds
// the list the keys, the wheel and the mouse; choosing and closing go through the sheet, which tells
// the sheet window to drop the pop-up (Detach) while the list is still alive. A click outside closes
// the list without choosing.
//
// The pop-up never owns the list and never touches it after Detach.
class TDropDownForm : public QAbstractScrollArea
{
public:
    // Rows shown at most; more entries scroll.
    static constexpr int maxRows = 17;

    // `anchor` is the field's rectangle in global coordinates.
    TDropDownForm(TSheet* sheet, TDropDownList* list, const QRect& anchor, QWidget* parent = nullptr);
    ~TDropDownForm() override;

    TDropDownList* List() const { return FList; }
    // Forgets the list (it is being freed), hides and deletes itself once control is back in the
    // event loop: the pop-up may be inside one of its own event handlers.
    void Detach();
    // Sizes and places the pop-up for the present entries, scrolls the current one into view and
    // updates the hint. Called when shown and whenever the list's entries change.
    void Refill();
    // The hint window (null before the first hint).
    QLabel* HintWindow() const { return FHint; }

    // The pop-up's frame rectangle (global coordinates) for `entries` rows of `itemHeight` pixels and
    // a list `listWidth` pixels wide (0: none yet), for a field at `anchor` on `desktop`: at most
    // maxRows rows, the list's width plus the scroll bar plus the frame, at most three quarters of the
    // desktop wide; left-aligned with the anchor (moved left to stay on the desktop), below it, or above
    // it when it does not fit below and there is more room above; rows are dropped until it fits.
    static QRect PlaceList(const QRect& anchor, const QRect& desktop, int entries, int itemHeight,
                           int listWidth, int scrollBarWidth);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The viewport point in the list's coordinates.
    QPoint ToList(const QPoint& point) const;
    int RowsInView() const;
    // After the current entry may have moved: scroll it into view, repaint, show its hint.
    void CurrentMoved();
    void UpdateHint();
    // Runs `action` on the list, showing an error instead of letting it escape the event handler.
    template <class F>
    void Guarded(F&& action);

    TSheet* FSheet;       // not owned
    TDropDownList* FList; // not owned; null once detached
    QRect FAnchor;
    QLabel* FHint = nullptr;
    bool FPressed = false; // a button went down on the pop-up (a release without it is not a click)
    int FWheel = 0;        // wheel eighths of a degree not yet turned into rows
};

} // namespace qv
