#include "app/sheet_form.h"

#include "app/drop_down_form.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "core/update_guard.h"
#include "core/user_interface.h"
#include "elements/drop_down_list.h"
#include "elements/scheme.h"
#include "elements/sheet.h"
#include "elements/visual_element.h"
#include "fields/scheme_textor_interactive.h"
#include "library/expand_button.h"
#include "library/table_element.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QHash>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QToolTip>

#include <utility>

namespace qv {

namespace {

// How far the caret stays from the left and right edges when the sheet asks for a margin.
constexpr int caretMargin = 30;

} // namespace

TSheetForm::TSheetForm(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
    FCaretBlink.setInterval(qMax(100, QApplication::cursorFlashTime() / 2));
    QObject::connect(&FCaretBlink, &QTimer::timeout, viewport(), [this] {
        FCaretBlinkOn = !FCaretBlinkOn;
        if (FCaretShown)
            viewport()->update(FCaretRect.translated(-Origin()));
    });
    CreateActions();
}

TSheetForm::~TSheetForm()
{
    Detach();
}

void TSheetForm::CreateActions()
{
    auto make = [this](int caption, const QKeySequence& key, auto run) {
        auto* action = new QAction(LoadStr(caption), this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(action, &QAction::triggered, this, run);
        addAction(action);
        return action;
    };
    FUndo = make(QV_STR(2047), QKeySequence::Undo, [this] {
        if (FSheet == nullptr || FScheme == nullptr || FScheme->UndoRedo() == nullptr)
            return;
        TUpdateGuard<TSheet> guard(FSheet);
        FScheme->UndoRedo()->Undo();
    });
    FRedo = make(QV_STR(2048), QKeySequence::Redo, [this] {
        if (FSheet == nullptr || FScheme == nullptr || FScheme->UndoRedo() == nullptr)
            return;
        TUpdateGuard<TSheet> guard(FSheet);
        FScheme->UndoRedo()->Redo();
    });
    FCopy = make(QV_STR(2050), QKeySequence::Copy,
                 [this] { RunOnFocused([](TSheetForm* form) { form->FSheet->FocusedElement()->Copy(); }); });
    FCopyAsText = make(QV_STR(2940), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), [this] {
        RunOnFocused([](TSheetForm* form) { form->FSheet->FocusedElement()->CopyAsText(); });
    });
    // Deleting is what the Delete key does to the focused element.
    FDelete = make(QV_STR(2052), QKeySequence(), [this] {
        RunOnFocused([](TSheetForm* form) {
            int key = Qt::Key_Delete;
            form->FSheet->KeyDown(key, Qt::NoModifier);
        });
    });
    FCut = make(QV_STR(2049), QKeySequence::Cut, [this] {
        RunOnFocused([](TSheetForm* form) {
            form->FSheet->FocusedElement()->Copy();
            int key = Qt::Key_Delete;
            form->FSheet->KeyDown(key, Qt::NoModifier);
        });
    });
    FPaste = make(QV_STR(2051), QKeySequence::Paste, [this] {
        RunOnFocused([](TSheetForm* form) {
            TWaitCursor wait;
            if (!form->FSheet->FocusedElement()->Paste())
                UserInterface().Beep();
        });
    });
    FSelectAll = make(QV_STR(2053), QKeySequence::SelectAll, [this] {
        RunOnFocused([](TSheetForm* form) { form->FSheet->FocusedElement()->SelectAll(); });
    });
    UpdateCommands();
}

void TSheetForm::RunOnFocused(void (*command)(TSheetForm* form))
{
    if (FSheet == nullptr || FSheet->FocusedElement() == nullptr)
        return;
    try {
        TUpdateGuard<TSheet> guard(FSheet);
        command(this);
    } catch (const std::exception& error) {
        UserInterface().ShowError(QString::fromUtf8(error.what()));
    }
    UpdateCommands();
}

void TSheetForm::UpdateCommands()
{
    TVisualElement* focused = FSheet != nullptr ? FSheet->FocusedElement() : nullptr;
    TUndoRedo* undo = FUndoRedo;
    const bool editable = focused != nullptr && focused->CanEdit();
    FUndo->setEnabled(undo != nullptr && undo->CanUndo());
    FRedo->setEnabled(undo != nullptr && undo->CanRedo());
    FCopy->setEnabled(focused != nullptr && focused->CanCopy());
    FCopyAsText->setEnabled(focused != nullptr && focused->CanCopyAsText());
    FCut->setEnabled(focused != nullptr && focused->CanCut());
    FDelete->setEnabled(editable && focused->HasSelection());
    FPaste->setEnabled(editable);
    FSelectAll->setEnabled(focused != nullptr);
}

void TSheetForm::SetScheme(TScheme* scheme, TSheet* sheet)
{
    if (scheme == FScheme && sheet == FSheet)
        return;
    Detach();
    FScheme = scheme;
    FSheet = sheet;
    if (FSheet != nullptr) {
        FSheet->AddHandler(MakeNotifyEvent<&TSheetForm::SheetNotify>(this));
        FUndoRedo = FScheme != nullptr ? FScheme->UndoRedo() : nullptr;
        if (FUndoRedo != nullptr)
            FUndoRedo->AddHandler(MakeNotifyEvent<&TSheetForm::UndoRedoNotify>(this));
        FSheet->SetPageSize(viewport()->size());
        FSheet->SetActive(hasFocus());
        UpdateScrollRange();
        ApplyScrollPos();
    }
    UpdateCaret();
    UpdateCommands();
    viewport()->update();
}

void TSheetForm::Detach()
{
    if (FSheet == nullptr)
        return;
    FSheet->CloseDropDown(false);
    HideDropDown();
    FSheet->SetActive(false);
    FSheet->RemoveHandler(MakeNotifyEvent<&TSheetForm::SheetNotify>(this));
    if (FUndoRedo != nullptr)
        FUndoRedo->RemoveHandler(MakeNotifyEvent<&TSheetForm::UndoRedoNotify>(this));
    FUndoRedo = nullptr;
    FSheet = nullptr;
    FScheme = nullptr;
    FCaretShown = false;
    FCaretBlink.stop();
}

QPoint TSheetForm::Origin() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QPoint TSheetForm::ToSheet(const QPoint& viewPoint) const
{
    return viewPoint + Origin();
}

// --- Notifications of the sheet --------------------------------------------------------------------

void TSheetForm::SheetNotify(TItfObject*, int kind, intptr_t param1, intptr_t)
{
    switch (kind) {
    case shnContentSizeChanged:
        UpdateScrollRange();
        break;
    case shnRepaint:
        if (param1 != 0)
            viewport()->update(reinterpret_cast<const QRect*>(param1)->translated(-Origin()));
        else
            viewport()->update();
        break;
    case shnFocusChanged:
    case shnFocusedStateChanged:
        UpdateCaret();
        UpdateCommands();
        break;
    case shnCursorChanged:
        // While an element holds the mouse the cursor is the application's, wherever the mouse goes.
        if (FSheet->CaptureElement() != nullptr) {
            if (QApplication::overrideCursor() != nullptr)
                QApplication::changeOverrideCursor(CursorFor(FSheet->SheetCursor()));
        } else {
            viewport()->setCursor(CursorFor(FSheet->SheetCursor()));
        }
        break;
    case shnCaretChanged:
        UpdateCaret();
        break;
    case shnFocusOverlayRepaint:
    case shnFocusOverlayRepaintAlt:
        if (TVisualElement* focused = FSheet->FocusedElement())
            viewport()->update(QRect(focused->SheetOrigin() - Origin(), focused->BoundsRect().size()));
        break;
    case shnCaretIntoView:
        ScrollCaretIntoView(param1 == 1 ? caretMargin : 0);
        break;
    case shnReadOnlyChanged:
        UpdateCommands();
        break;
    case shnScrollPosChanged:
        if (!FScrolling)
            ApplyScrollPos();
        break;
    case shnDropDownOpened:
        ShowDropDown();
        break;
    case shnDropDownChanged:
        if (FDropDownForm != nullptr)
            FDropDownForm->Refill();
        break;
    case shnDropDownClosed:
        // The list is still alive here and freed right after: the pop-up lets go of it now.
        HideDropDown();
        break;
    default:
        break;
    }
}

void TSheetForm::ShowDropDown()
{
    HideDropDown();
    TDropDownList* list = FSheet->DropDown();
    if (list == nullptr)
        return;
    const QRect owner = list->OwnerRect();
    const QRect anchor(viewport()->mapToGlobal(owner.topLeft() - Origin()), owner.size());
    FDropDownForm = new TDropDownForm(FSheet, list, anchor, this);
    FDropDownForm->Refill();
    FDropDownForm->show();
}

void TSheetForm::HideDropDown()
{
    if (FDropDownForm != nullptr)
        std::exchange(FDropDownForm, nullptr)->Detach();
}

void TSheetForm::UndoRedoNotify(TItfObject*, int, intptr_t, intptr_t)
{
    UpdateCommands();
}

void TSheetForm::UpdateScrollRange()
{
    if (FSheet == nullptr) {
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
        return;
    }
    const QRect content = FSheet->TopElement()->BoundsRect();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(16);
    horizontalScrollBar()->setRange(0, qMax(0, content.right() + 1 - view.width()));
    verticalScrollBar()->setRange(0, qMax(0, content.bottom() + 1 - view.height()));
}

void TSheetForm::ApplyScrollPos()
{
    if (FSheet == nullptr)
        return;
    FScrolling = true;
    horizontalScrollBar()->setValue(FSheet->ScrollPos().x());
    verticalScrollBar()->setValue(FSheet->ScrollPos().y());
    FScrolling = false;
}

void TSheetForm::scrollContentsBy(int, int)
{
    if (FSheet != nullptr && !FScrolling) {
        FScrolling = true;
        FSheet->SetScrollPos(Origin());
        FScrolling = false;
    }
    viewport()->update();
}

QPoint TSheetForm::ScrollToShow(const QRect& visible, const QRect& caret, int margin)
{
    QPoint origin = visible.topLeft();
    // Horizontally the right edge first, then the left edge wins.
    if (caret.right() + margin > visible.right())
        origin.rx() = caret.right() + margin - visible.width() + 1;
    if (caret.left() - margin < origin.x())
        origin.rx() = caret.left() - margin;
    // Vertically the least movement; a caret taller than the view keeps the edge it moves towards.
    if (caret.bottom() > visible.bottom()) {
        origin.ry() = caret.height() > visible.height() ? caret.top() : caret.bottom() - visible.height() + 1;
    } else if (caret.top() < visible.top()) {
        origin.ry() = caret.height() > visible.height() ? caret.bottom() - visible.height() + 1 : caret.top();
    }
    return QPoint(qMax(0, origin.x()), qMax(0, origin.y()));
}

void TSheetForm::ScrollCaretIntoView(int margin)
{
    if (FSheet == nullptr || FSheet->CaretKind() == ckNone)
        return;
    const QPoint origin = ScrollToShow(QRect(Origin(), viewport()->size()), FSheet->CaretRect(), margin);
    horizontalScrollBar()->setValue(origin.x());
    verticalScrollBar()->setValue(origin.y());
}

void TSheetForm::UpdateCaret()
{
    const QRect old = FCaretRect;
    const bool wasShown = FCaretShown;
    FCaretShown = FSheet != nullptr && FSheet->CaretKind() == ckTextCaret && hasFocus();
    FCaretRect = FCaretShown ? FSheet->CaretRect() : QRect();
    if (FCaretShown) {
        FCaretBlinkOn = true;
        FCaretBlink.start();
    } else {
        FCaretBlink.stop();
    }
    if (wasShown)
        viewport()->update(old.translated(-Origin()));
    if (FCaretShown)
        viewport()->update(FCaretRect.translated(-Origin()));
    if (FCaretShown)
        setInputMethodHints(Qt::ImhNone);
}

// --- Painting --------------------------------------------------------------------------------------

void TSheetForm::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    if (FSheet == nullptr) {
        painter.fillRect(event->rect(), palette().window());
        return;
    }
    const QPoint origin = Origin();
    painter.translate(-origin);
    FSheet->PaintSheet(painter, event->rect().translated(origin));
    if (FCaretShown && FCaretBlinkOn) {
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(FCaretRect, Qt::white);
    }
}

void TSheetForm::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (FSheet != nullptr)
        FSheet->SetPageSize(viewport()->size());
    UpdateScrollRange();
}

// --- Input -----------------------------------------------------------------------------------------

void TSheetForm::mousePressEvent(QMouseEvent* event)
{
    if (FSheet == nullptr)
        return;
    setFocus(Qt::MouseFocusReason);
    FSheet->MouseDown(ToSheet(event->position().toPoint()), event->button(), event->modifiers(), false);
    UpdateCommands();
}

void TSheetForm::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (FSheet == nullptr)
        return;
    FSheet->MouseDown(ToSheet(event->position().toPoint()), event->button(), event->modifiers(), true);
    UpdateCommands();
}

void TSheetForm::mouseMoveEvent(QMouseEvent* event)
{
    if (FSheet != nullptr)
        FSheet->MouseMove(ToSheet(event->position().toPoint()), event->modifiers());
}

void TSheetForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (FSheet == nullptr)
        return;
    FSheet->MouseUp(ToSheet(event->position().toPoint()), event->button(), event->modifiers());
    UpdateCommands();
}

void TSheetForm::keyPressEvent(QKeyEvent* event)
{
    if (FSheet == nullptr) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    int key = event->key();
    // Page Up and Page Down move the view with the caret: it stays where it was in the window.
    const bool page = key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    const QRect caretBefore = FSheet->CaretRect();
    const int caretInView = caretBefore.top() - Origin().y();
    FSheet->KeyDown(key, event->modifiers());
    if (page && FSheet->CaretKind() != ckNone && FSheet->CaretRect().top() != caretBefore.top() &&
        caretInView >= 0 && caretInView < viewport()->height())
        verticalScrollBar()->setValue(FSheet->CaretRect().top() - caretInView);
    // What the key types follows as characters, whether or not the key itself was taken: an element
    // that takes Enter as a key still receives the line break it types, and decides about it there.
    // With Ctrl, Alt or Meta held a key is a command, never text: Alt+letter belongs to the menus.
    // Shift+Tab moves backwards and types nothing, although the desktop gives it a tab as its text.
    const QString text =
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0 ||
                event->key() == Qt::Key_Backtab
            ? QString()
            : event->text();
    for (QChar c : text) {
        if (!c.isNull())
            FSheet->KeyPress(c);
    }
    UpdateCommands();
    event->accept();
}

void TSheetForm::keyReleaseEvent(QKeyEvent* event)
{
    if (FSheet == nullptr) {
        QAbstractScrollArea::keyReleaseEvent(event);
        return;
    }
    int key = event->key();
    FSheet->KeyUp(key, event->modifiers());
    event->accept();
}

bool TSheetForm::focusNextPrevChild(bool)
{
    return false;
}

void TSheetForm::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    if (FSheet != nullptr)
        FSheet->SetActive(true);
    UpdateCaret();
}

void TSheetForm::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    // A drop-down list or a context menu of the sheet takes the focus only for a moment; the sheet
    // stays active under it, as the user still works in it.
    if (FSheet != nullptr && event->reason() != Qt::PopupFocusReason)
        FSheet->SetActive(false);
    UpdateCaret();
}

void TSheetForm::contextMenuEvent(QContextMenuEvent* event)
{
    if (FSheet == nullptr)
        return;
    TVisualElement* focused = FSheet->FocusedElement();
    if (focused != nullptr && focused->ContextPopup(this, event->globalPos()))
        return;
    UpdateCommands();
    QMenu menu(this);
    menu.addAction(FUndo);
    menu.addSeparator();
    menu.addAction(FCut);
    menu.addAction(FCopy);
    menu.addAction(FPaste);
    menu.addAction(FDelete);
    menu.addSeparator();
    menu.addAction(FSelectAll);
    if (OnContextMenu)
        OnContextMenu(menu, ToSheet(viewport()->mapFromGlobal(event->globalPos())));
    menu.exec(event->globalPos());
}

bool TSheetForm::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QString hint;
        if (FShowHints && FSheet != nullptr) {
            if (TVisualElement* element = FSheet->HitTest(ToSheet(help->pos()), false, false))
                element->GetHint(hint);
        }
        if (hint.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), hint, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

QCursor TSheetForm::CursorFor(int cursor)
{
    // The program's own cursors are drawn pictures (":/cursors/<name>.png" and "<name>@2x.png", each
    // carrying its hot spot in 1× pixels as the text "HotSpot"), made on first use at the pixel ratio
    // of the screens then; a missing picture falls back on the stock shape below.
    static const QString textorNames[] = {
        QStringLiteral("crTextorFieldBeam"),         QStringLiteral("crTextorFieldElementsBeam"),
        QStringLiteral("crTextorFieldDropDownBeam"), QStringLiteral("crTextorContainerBeam"),
        QStringLiteral("crTextorContainerTextBeam"), QStringLiteral("crTextorLeftZone"),
        QStringLiteral("crTextorDragMove"),          QStringLiteral("crTextorDragCopy")};
    static QHash<int, QCursor> drawn;
    QString name;
    if (cursor >= crTextorFieldBeam && cursor <= crTextorDragCopy)
        name = textorNames[cursor - crTextorFieldBeam];
    else if (cursor == TExpandButton::expandButtonCursor)
        name = QStringLiteral("diExpandButtonCursor");
    if (!name.isEmpty()) {
        if (const auto it = drawn.constFind(cursor); it != drawn.cend())
            return *it;
        const bool twice = qApp->devicePixelRatio() > 1;
        const QImage image(QStringLiteral(":/cursors/") + name +
                           (twice ? QStringLiteral("@2x.png") : QStringLiteral(".png")));
        const QStringList spot = image.text(QStringLiteral("HotSpot")).split(QLatin1Char(','));
        if (!image.isNull() && spot.size() == 2) {
            QPixmap pixmap = QPixmap::fromImage(image);
            pixmap.setDevicePixelRatio(twice ? 2 : 1);
            return *drawn.insert(cursor, QCursor(pixmap, spot[0].toInt(), spot[1].toInt()));
        }
    }
    switch (cursor) {
    case crHandPoint:
    case TExpandButton::expandButtonCursor:
        return QCursor(Qt::PointingHandCursor);
    case crTextorFieldBeam:
    case crTextorFieldElementsBeam:
    case crTextorFieldDropDownBeam:
    case crTextorContainerBeam:
    case crTextorContainerTextBeam:
        return QCursor(Qt::IBeamCursor);
    case crTextorDragMove:
        return QCursor(Qt::DragMoveCursor);
    case crTextorDragCopy:
        return QCursor(Qt::DragCopyCursor);
    // Lines of a table: moving them is dragging text, in look as in meaning.
    case tcTableDragMove:
        return CursorFor(crTextorDragMove);
    case tcTableDragCopy:
        return CursorFor(crTextorDragCopy);
    case tcTableColumnsBeam:
        return QCursor(Qt::SplitHCursor);
    case tcTableRowsBeam:
        return QCursor(Qt::SplitVCursor);
    default:
        return QCursor(Qt::ArrowCursor);
    }
}

} // namespace qv
