#pragma once

#include "app/palette_layout.h"
#include "app/palette_letters.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>

class QKeyEvent;
class QMenu;

namespace qv {

class TItfObject;
class TPaletteFormSettings;
class TPaletteGroup;
class TPaletteItem;
class TSheet;

// What rebuilding and refreshing cost; the window counts it so that tests can check that the work does
// not grow with the document.
struct TPaletteFormCounters
{
    int Rebuilds = 0;
    int Collects = 0;     // CollectPaletteItems calls
    int StateQueries = 0; // GetPaletteItemState calls
};

// The palette window: for the focused element of its sheet, a panel per group with the applicable
// items as buttons (large ones, columns of small ones, toggles, radio buttons, split and sub-list
// buttons), narrowed to the window's width. A click posts the item's execution so that it runs after the
// click has been handled, on the element focused then. It never takes the keyboard focus: the
// keyboard letters arrive through the sheet window, which passes them on (HandleLetterKey).
class TPaletteForm : public QWidget
{
public:
    explicit TPaletteForm(QWidget* parent = nullptr);
    ~TPaletteForm() override;

    // Shows the items for the focused element of `sheet` (null: none) and follows its notifications.
    // Not owned: unset it before the sheet goes.
    void SetSheet(TSheet* sheet);
    TSheet* Sheet() const { return FSheet; }
    // The "PaletteForm" settings the window obeys (null: all on); re-reads them and rebuilds. Not
    // owned; they must outlive the window or be unset first.
    void SetSettings(TPaletteFormSettings* settings);
    // Rebuilds the panels now (normally done on the sheet's notifications).
    void Rebuild();
    // Asks the focused element again for the enabled and checked state of every button.
    void RefreshStates();
    // The preferred height of the window (headers + large buttons + captions), for the layout above the
    // sheet; the width is what the panels take without narrowing.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // --- Keyboard letters, fed by the window that has the keyboard -------------------------------------
    // A key press or release in the sheet window. Returns true when the key was a letter the palette
    // took (the caller then drops it). Ctrl alone starts the delay, Shift, Alt and arrows cancel.
    bool HandleLetterKey(QKeyEvent* event);
    void CtrlPressed();
    void CtrlReleased();
    // Cancels waiting and hides the letters (the sheet window lost the focus, …).
    void CancelLetters();
    const TPaletteLetters& Letters() const { return FLetters; }

    // --- What is shown ---------------------------------------------------------------------------------
    int ButtonCount() const { return int(FButtons.size()); }
    TPaletteItem* ButtonItem(int index) const { return FButtons[index].Item; }
    bool ButtonEnabled(int index) const { return FButtons[index].Enabled; }
    bool ButtonChecked(int index) const { return FButtons[index].Checked; }
    // In window coordinates.
    QRect ButtonRect(int index) const;
    const TPaletteGeometry& Geometry() const { return FGeometry; }
    int PanelCount() const { return int(FPanels.size()); }
    const TPaletteFormCounters& Counters() const { return FCounters; }
    void ResetCounters() { FCounters = {}; }

    // The hint of a button: the caption, " (Ctrl+letters)", a line break and the item's hint.
    static QString HintText(const QString& caption, const QString& letters, const QString& hint);
    // The hint as shown: the first line bold up to an opening parenthesis, further lines indented.
    static QString HintHtml(const QString& text);

    // The hint area: why the last typed input was refused (the sheet's shnInputRefused), shown beside
    // the panels until the focus moves or NoticeTime milliseconds pass; empty when nothing is shown.
    const QString& Notice() const { return FNotice; }
    void ShowNotice(const QString& text);
    static constexpr int NoticeTime = 8000;

    // Posts the execution of `item` on the element focused now, as a click does. `value` is the new
    // checked state of a toggle or radio item; with `sub`, `text` is the sub-command's text.
    void PostExecute(TPaletteItem* item, bool value, bool sub = false, const QString& text = QString());

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct TButton
    {
        TPaletteItem* Item = nullptr;
        QString Caption;
        QString Letters;
        bool Enabled = true;
        bool Checked = false;
        QList<TPaletteItem*> Children; // applicable child items, in descending Order
    };
    struct TPanel
    {
        TPaletteGroup* Group = nullptr;
        QString Caption;
        int FirstButton = 0;
        int ButtonCount = 0;
    };
    // A place the mouse can be: a button and, for split buttons, which part (0 image or whole, 1 caption).
    struct THit
    {
        int Button = -1;
        int Part = 0;
        bool operator==(const THit&) const = default;
    };

    void Detach();
    void SheetNotify(TItfObject* sender, int kind, intptr_t param1, intptr_t param2);
    void SettingsNotify(TItfObject* sender, int kind, intptr_t param1, intptr_t param2);
    void ReadSettings();
    void Relayout();
    TPaletteMetrics Metrics() const;
    QList<TPalettePanelRequest> Requests() const;
    const TPaletteButtonGeometry& ButtonGeometry(int index) const;
    THit HitTest(const QPoint& point) const;
    void Click(const THit& hit);
    // Runs the button the keyboard letters chose (-1: none), as a click does.
    void RunLetterButton(int index);
    void ShowMenu(int button);
    void FillMenu(QMenu* menu, const QList<TPaletteItem*>& items);
    void RunPosted(TSheet* sheet, int32_t focusedId, TPaletteItem* item, bool value, bool sub,
                   const QString& text);
    void PaintButton(QPainter& painter, int index) const;
    void PaintNotice(QPainter& painter) const;
    QFont HeaderFont() const;
    QFont LettersFont() const;

    TSheet* FSheet = nullptr;
    TPaletteFormSettings* FSettings = nullptr;
    bool FShowHeaders = true;
    bool FShowCaptions = true;
    bool FShowHints = true;
    QList<TPanel> FPanels;
    QList<TButton> FButtons;
    TPaletteGeometry FGeometry;
    int32_t FFocusedId = 0;
    bool FForSelection = false;
    THit FHot;
    THit FPressed;
    TPaletteLetters FLetters;
    QTimer FLettersTimer;
    TPaletteFormCounters FCounters;
    QString FNotice;
    QTimer FNoticeTimer;
};

// The colours of a notice the window shows (the palette's hint area, the bar above the sheet): a pale
// amber, as a warning that asks for nothing, readable in light and dark themes alike.
QColor NoticeColor();
QColor NoticeTextColor();

} // namespace qv
