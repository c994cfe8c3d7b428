#include "app/drop_down_form.h"

#include "core/user_interface.h"
#include "elements/drop_down_list.h"
#include "elements/sheet.h"
#include "textor/canvas.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <exception>
#include <utility>

namespace qv {

namespace {

// The column of the expander icon after an entry's indent, in pixels: a click there opens or closes
// the entry's sub-entries instead of choosing it.
constexpr int expanderWidth = 24;
// Pixels of frame on each side of the pop-up.
constexpr int popupFrame = 1;
// One notch of a mouse wheel, in eighths of a degree.
constexpr int wheelNotch = 120;

QRect DesktopAt(const QRect& anchor)
{
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

TDropDownForm::TDropDownForm(TSheet* sheet, TDropDownList* list, const QRect& anchor, QWidget* parent)
    : QAbstractScrollArea(parent), FSheet(sheet), FList(list), FAnchor(anchor)
{
    setWindowFlags(Qt::Popup);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(popupFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    if (FList != nullptr)
        FList->SetShown(true);
}

TDropDownForm::~TDropDownForm() = default;

template <class F>
void TDropDownForm::Guarded(F&& action)
{
    if (FList == nullptr || FSheet == nullptr)
        return;
    try {
        action();
    } catch (const std::exception& error) {
        UserInterface().ShowError(QString::fromUtf8(error.what()));
    }
}

void TDropDownForm::Detach()
{
    if (FList != nullptr)
        FList->SetShown(false);
    FList = nullptr;
    FSheet = nullptr;
    if (FHint != nullptr)
        FHint->hide();
    hide();
    deleteLater();
}

QRect TDropDownForm::PlaceList(const QRect& anchor, const QRect& desktop, int entries, int itemHeight,
                               int listWidth, int scrollBarWidth)
{
    const int rowHeight = std::max(1, itemHeight);
    int rows = std::clamp(entries, 1, maxRows);
    const int width =
        std::min((listWidth > 0 ? listWidth : 32) + scrollBarWidth + 2 * popupFrame, desktop.width() * 3 / 4);
    const int below = desktop.bottom() - anchor.bottom();
    const int above = anchor.top() - desktop.top();
    const bool up = rows * rowHeight + 2 * popupFrame > below && above > below;
    const int room = up ? above : below;
    rows = std::clamp((room - 2 * popupFrame) / rowHeight, 1, rows);
    const int height = rows * rowHeight + 2 * popupFrame;
    int left = anchor.left();
    if (left + width > desktop.right() + 1)
        left = desktop.right() + 1 - width;
    left = std::max(left, desktop.left());
    return QRect(left, up ? anchor.top() - height : anchor.bottom() + 1, width, height);
}

void TDropDownForm::Refill()
{
    if (FList == nullptr)
        return;
    const int rowHeight = std::max(1, FList->ItemHeight());
    const int entries = int(FList->VisibleItems().size());
    const int scrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const QRect place =
        PlaceList(FAnchor, DesktopAt(FAnchor), entries, rowHeight, FList->Width(), scrollBarWidth);
    setGeometry(place);
    // The viewport follows the new size only once the pop-up is laid out: count from the frame.
    const int viewHeight = place.height() - 2 * popupFrame;
    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(rowHeight);
    bar->setPageStep(viewHeight);
    bar->setRange(0, std::max(0, entries * rowHeight - viewHeight));
    CurrentMoved();
}

int TDropDownForm::RowsInView() const
{
    return FList != nullptr ? std::max(1, viewport()->height() / std::max(1, FList->ItemHeight())) : 1;
}

QPoint TDropDownForm::ToList(const QPoint& point) const
{
    return point + QPoint(0, verticalScrollBar()->value());
}

void TDropDownForm::CurrentMoved()
{
    if (FList == nullptr)
        return;
    const int rowHeight = std::max(1, FList->ItemHeight());
    const int row = int(FList->VisibleItems().indexOf(FList->Current()));
    if (row >= 0) {
        QScrollBar* bar = verticalScrollBar();
        const int top = row * rowHeight;
        const int viewHeight = bar->pageStep();
        if (top < bar->value())
            bar->setValue(top);
        else if (top + rowHeight > bar->value() + viewHeight)
            bar->setValue(top + rowHeight - viewHeight);
    }
    viewport()->update();
    UpdateHint();
}

void TDropDownForm::UpdateHint()
{
    TDropDownItem* item = FList != nullptr ? FList->Current() : nullptr;
    QString text;
    if (item != nullptr && isVisible()) {
        // An entry cut off by the pop-up's edge shows its whole text in the hint.
        if (FList->ItemWidth(item) > viewport()->width())
            text = item->ShownText();
        if (!item->Hint().isEmpty())
            text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + item->Hint();
    }
    if (text.isEmpty()) {
        if (FHint != nullptr)
            FHint->hide();
        return;
    }
    const QRect desktop = DesktopAt(FAnchor);
    if (FHint == nullptr) {
        FHint = new QLabel(this, Qt::ToolTip);
        FHint->setPalette(QToolTip::palette());
        FHint->setFont(QToolTip::font());
        FHint->setFrameStyle(QFrame::Box | QFrame::Plain);
        FHint->setMargin(2);
        FHint->setWordWrap(true);
        FHint->setTextFormat(Qt::PlainText);
    }
    FHint->setMaximumWidth(std::max(64, desktop.width() / 3));
    FHint->setText(text);
    FHint->adjustSize();
    const int row = int(FList->VisibleItems().indexOf(item));
    const QPoint rowTop =
        viewport()->mapToGlobal(QPoint(0, row * FList->ItemHeight() - verticalScrollBar()->value()));
    const QRect frame = frameGeometry();
    // Right of the list; left of it when there is no room; over its right end when neither fits.
    int x = frame.right() + 1;
    if (x + FHint->width() > desktop.right() + 1)
        x = frame.left() - FHint->width() >= desktop.left() ? frame.left() - FHint->width()
                                                            : desktop.right() + 1 - FHint->width();
    FHint->move(x, rowTop.y());
    FHint->show();
}

// --- Painting --------------------------------------------------------------------------------------

void TDropDownForm::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    TCanvas* canvas = FSheet != nullptr ? FSheet->Canvas() : nullptr;
    if (FList == nullptr || canvas == nullptr || canvas->Painting()) {
        painter.fillRect(event->rect(), palette().base());
        return;
    }
    const int scroll = verticalScrollBar()->value();
    const QRect rect = event->rect().translated(0, scroll); // in the list's coordinates
    const int rowHeight = std::max(1, FList->ItemHeight());
    const int width = viewport()->width();
    canvas->BeginPaint(rect);
    int y = 0;
    for (TDropDownItem* item : FList->VisibleItems()) {
        if (y > rect.bottom())
            break;
        if (y + rowHeight > rect.top())
            item->Paint(canvas, QRect(0, y, width, rowHeight), item == FList->Current());
        y += rowHeight;
    }
    painter.translate(0, -scroll);
    canvas->EndPaint(painter);
}

// --- Input -----------------------------------------------------------------------------------------

bool TDropDownForm::event(QEvent* event)
{
    // The scroll area takes the mouse only over its viewport; a pop-up also receives the clicks made
    // outside it, which close it.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        mousePressEvent(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseButtonRelease:
        mouseReleaseEvent(static_cast<QMouseEvent*>(event));
        return true;
    default:
        return QAbstractScrollArea::event(event);
    }
}

void TDropDownForm::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    Guarded([&] {
        int key = event->key();
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            // The sheet decides whether the entry may be chosen; either way the list closes.
            FSheet->KeyDown(key, event->modifiers());
            return;
        case Qt::Key_Space:
            if (FList->CurrentEntryHasSubEntries())
                FList->OpenSubEntries();
            break;
        case Qt::Key_Plus:
            key = Qt::Key_Right;
            FList->KeyDown(key, RowsInView());
            break;
        case Qt::Key_Minus:
            key = Qt::Key_Left;
            FList->KeyDown(key, RowsInView());
            break;
        default:
            FList->KeyDown(key, RowsInView());
            if (key != 0 && event->text().size() == 1 && event->text()[0].isPrint()) {
                // A letter goes to the next entry that starts with it, as in a list box.
                const QList<TDropDownItem*> items = FList->VisibleItems();
                const qsizetype from = items.indexOf(FList->Current());
                for (qsizetype i = 1; i <= items.size(); ++i) {
                    TDropDownItem* item = items[(from + i) % items.size()];
                    if (item->ShownText().startsWith(event->text(), Qt::CaseInsensitive)) {
                        FList->SetCurrent(item);
                        break;
                    }
                }
            }
            break;
        }
        CurrentMoved();
    });
}

void TDropDownForm::wheelEvent(QWheelEvent* event)
{
    event->accept();
    FWheel += event->angleDelta().y();
    const int steps = FWheel / wheelNotch;
    FWheel -= steps * wheelNotch;
    if (steps == 0)
        return;
    Guarded([&] {
        FList->MoveCurrent(-steps);
        CurrentMoved();
    });
}

void TDropDownForm::mousePressEvent(QMouseEvent* event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (!rect().contains(mapFromGlobal(global))) {
        // A click outside: the pop-up closes (hideEvent closes the list without choosing).
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const QPoint point = viewport()->mapFromGlobal(global);
    if (event->button() != Qt::LeftButton || !viewport()->rect().contains(point))
        return;
    FPressed = true;
    Guarded([&] {
        // The entry clicked is the one chosen, whether or not the mouse moved onto it first; a click
        // on an expander is left to the release.
        TDropDownItem* item = FList->ItemAtY(ToList(point).y());
        if (item == nullptr || item == FList->Current() ||
            (item->HasSubItems() && point.x() < item->Indent() + expanderWidth))
            return;
        FList->SetCurrent(item);
        CurrentMoved();
    });
}

void TDropDownForm::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    const QPoint point = viewport()->mapFromGlobal(event->globalPosition().toPoint());
    Guarded([&] {
        TDropDownItem* before = FList->Current();
        FList->MouseMoveAt(ToList(point));
        if (FList->Current() != before)
            CurrentMoved();
    });
}

void TDropDownForm::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    // Only the release of a press on the pop-up counts: the one ending the double click that opened
    // the list does not.
    if (event->button() != Qt::LeftButton || !std::exchange(FPressed, false))
        return;
    const QPoint point = viewport()->mapFromGlobal(event->globalPosition().toPoint());
    Guarded([&] {
        // False: the list was closed and freed, and this pop-up detached.
        if (FList->MouseReleaseAt(ToList(point)))
            CurrentMoved();
    });
}

void TDropDownForm::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    UpdateHint();
}

void TDropDownForm::hideEvent(QHideEvent* event)
{
    QAbstractScrollArea::hideEvent(event);
    if (FHint != nullptr)
        FHint->hide();
    // Hidden by anyone but the sheet (a click outside, the window going): the list closes unchosen.
    Guarded([&] { FSheet->CloseDropDown(false); });
}

} // namespace qv
