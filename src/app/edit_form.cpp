#include "app/edit_form.h"

#include "app/find_replace.h"
#include "app/palette_form.h"
#include "app/qt_user_interface.h"
#include "app/settings.h"
#include "app/sheet_form.h"
#include "core/errors.h"
#include "core/processes.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "core/update_guard.h"
#include "core/user_interface.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "library/expand_button.h"
#include "roots/log_root.h"

#include <QAction>
#include <QEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSplitter>
#include <QVBoxLayout>

namespace qv {

namespace {

constexpr int logButtonWidth = 65;
constexpr int logButtonHeight = 25;
constexpr int logButtonRadius = 7;
constexpr int splitterWidth = 8;

// The picture of "diLogImages" that stands for a severity (as the log's signs use them); -1: none.
int SeverityImage(int severity)
{
    switch (severity) {
    case 1:
        return 0;
    case 2:
        return 1;
    case 3:
        return 2;
    default:
        return -1;
    }
}

// Every expand button below `element` in the visual tree, in document order.
void CollectExpandButtons(TVisualElement* element, QList<TExpandButton*>& buttons)
{
    for (TVisualElement* child = element->FirstVisualChild(); child != nullptr; child = child->NextVisual()) {
        if (auto* button = dynamic_cast<TExpandButton*>(child))
            buttons.append(button);
        CollectExpandButtons(child, buttons);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TLogButton

TLogButton::TLogButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    resize(sizeHint());
}

void TLogButton::SetSeverity(int value)
{
    if (value == FSeverity)
        return;
    FSeverity = value;
    update();
}

QSize TLogButton::sizeHint() const
{
    return QSize(logButtonWidth, logButtonHeight);
}

void TLogButton::enterEvent(QEnterEvent* event)
{
    FHover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TLogButton::leaveEvent(QEvent* event)
{
    FHover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TLogButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPalette& colors = palette();
    QColor fill = colors.color(QPalette::Button);
    if (isDown())
        fill = fill.darker(112);
    else if (FHover)
        fill = fill.lighter(106);
    painter.setPen(QPen(colors.color(QPalette::Mid), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, logButtonRadius, logButtonRadius);

    // The severity's sign on the left half (the colours of the log's signs), a cross on the right.
    const int index = SeverityImage(FSeverity);
    const QRect left(0, 0, width() / 2, height());
    if (index >= 0) {
        static const QColor severityColors[] = {QColor(0x2f, 0x80, 0xed), QColor(0xe0, 0x8a, 0x00),
                                                QColor(0xd9, 0x30, 0x25)};
        const QColor color = severityColors[index];
        const QRectF dot(left.center().x() - 5, left.center().y() - 5, 11, 11);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(dot);
        painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
        if (FSeverity == 1) {
            painter.drawPoint(QPointF(dot.center().x(), dot.top() + 3));
            painter.drawLine(QPointF(dot.center().x(), dot.top() + 5.5),
                             QPointF(dot.center().x(), dot.bottom() - 2.5));
        } else {
            painter.drawLine(QPointF(dot.center().x(), dot.top() + 2.5),
                             QPointF(dot.center().x(), dot.bottom() - 4.5));
            painter.drawPoint(QPointF(dot.center().x(), dot.bottom() - 2.5));
        }
    }
    const QPointF centre(width() * 3 / 4.0, height() / 2.0);
    painter.setPen(QPen(colors.color(QPalette::ButtonText), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre + QPointF(-4, -4), centre + QPointF(4, 4));
    painter.drawLine(centre + QPointF(-4, 4), centre + QPointF(4, -4));
}

// ---------------------------------------------------------------------------------------------------
// TEditForm

TEditForm::TEditForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EditForm"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FPalette = new TPaletteForm(this);
    layout->addWidget(FPalette);
    FNoticeBar = new QLabel(this);
    FNoticeBar->setObjectName(QStringLiteral("NoticeBar"));
    FNoticeBar->setWordWrap(true);
    FNoticeBar->setContentsMargins(8, 5, 8, 5);
    FNoticeBar->setAutoFillBackground(true);
    {
        QPalette colors = FNoticeBar->palette();
        colors.setColor(QPalette::Window, NoticeColor());
        colors.setColor(QPalette::WindowText, NoticeTextColor());
        FNoticeBar->setPalette(colors);
    }
    FNoticeBar->hide();
    layout->addWidget(FNoticeBar);
    FSplitter = new QSplitter(Qt::Vertical, this);
    FSplitter->setHandleWidth(splitterWidth);
    FSplitter->setChildrenCollapsible(false);
    FSheetForm = new TSheetForm(FSplitter);
    FSheetForm->setFrameShape(QFrame::NoFrame);
    FLogForm = new TSheetForm(FSplitter);
    FLogForm->setFrameShape(QFrame::NoFrame);
    FLogForm->hide();
    FLogForm->OnContextMenu = [this](QMenu& menu, const QPoint& sheetPoint) {
        AddLogMenuItems(menu, sheetPoint);
    };
    FSplitter->setStretchFactor(0, 4);
    FSplitter->setStretchFactor(1, 1);
    layout->addWidget(FSplitter, 1);
    setFocusProxy(FSheetForm);
    // The palette's keyboard letters are typed in the sheet window.
    FSheetForm->installEventFilter(this);
    // The log button stays centred on the splitter wherever the layout puts it.
    FSplitter->handle(1)->installEventFilter(this);

    FLogButton = new TLogButton(this);
    FLogButton->hide();
    QObject::connect(FLogButton, &QAbstractButton::clicked, this, [this] { ClearLog(); });
    QObject::connect(FSplitter, &QSplitter::splitterMoved, this, [this] {
        if (FLogForm->isVisible())
            FLogHeight = FSplitter->sizes().value(1, FLogHeight);
        PlaceLogButton();
    });
    CreateActions();
    UpdateCommands();
}

TEditForm::~TEditForm()
{
    // The owner may be gone already (a child goes with its parent): tell it nothing.
    OnLogChanged = {};
    OnSettingsLink = {};
    BindDocument(nullptr, nullptr, nullptr, nullptr);
}

void TEditForm::CreateActions()
{
    auto make = [this](const QString& caption, const QList<QKeySequence>& keys, std::function<void()> run) {
        auto* action = new QAction(caption, this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        QObject::connect(action, &QAction::triggered, this, [run = std::move(run)] { RunUserCommand(run); });
        return action;
    };
    FFind =
        make(LoadStr(QV_STR(2941)), {QKeySequence(Qt::CTRL | Qt::Key_F)}, [this] { ShowFindDialog(false); });
    FFindNext = make(LoadStr(QV_STR(2942)), {QKeySequence(Qt::Key_F3)}, [this] {
        if (FSearchText.isEmpty())
            ShowFindDialog(false);
        else
            RunSearch(nullptr, [](TTextSearch& search) { search.FindNext(); });
    });
    FReplace =
        make(LoadStr(QV_STR(2943)), {QKeySequence(Qt::CTRL | Qt::Key_H), QKeySequence(Qt::CTRL | Qt::Key_R)},
             [this] { ShowFindDialog(true); });
    FCode =
        make(LoadStr(QV_STR(2945)), {QKeySequence(Qt::Key_F6)}, [this] { SetCodeMode(FCode->isChecked()); });
    FCode->setCheckable(true);
    FCancelCode = make(LoadStr(QV_STR(4829)), {QKeySequence(Qt::Key_Escape)}, [this] { CancelCodeMode(); });
    FCollapseAll = make(LoadStr(QV_STR(4037)), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J)},
                        [this] { SetAllExpanded(emCollapseAll); });
    FExpandedNotEmpty = make(LoadStr(QV_STR(4038)), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K)},
                             [this] { SetAllExpanded(emExpandedNotEmpty); });
    FExpandAll = make(LoadStr(QV_STR(4039)), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L)},
                      [this] { SetAllExpanded(emExpandAll); });
    FCheckAll = make(LoadStr(QV_STR(2946)), {QKeySequence(Qt::Key_F5)}, [this] { RefreshAndCheck(); });
    FClearLog = make(LoadStr(QV_STR(2949)), {QKeySequence(Qt::CTRL | Qt::Key_F5)}, [this] { ClearLog(); });
    FPaletteToggle =
        make(LoadStr(QV_STR(2947)), {QKeySequence(Qt::Key_F4)}, [this] { UpdatePaletteVisibility(); });
    FPaletteToggle->setCheckable(true);
    FPaletteToggle->setChecked(true);
}

void TEditForm::SetSettings(TSheetFormSettings* sheetForm, TPaletteFormSettings* paletteForm)
{
    FPalette->SetSettings(paletteForm);
    FSheetForm->SetShowHints(sheetForm == nullptr || sheetForm->ShowHints()->Value());
    FLogForm->SetShowHints(FSheetForm->ShowHints());
}

void TEditForm::BindDocument(TScheme* scheme, TSheet* sheet, TSheet* logSheet, TScheme* logScheme)
{
    if (FScheme != nullptr)
        FScheme->RemoveHandler(MakeNotifyEvent<&TEditForm::SchemeNotify>(this));
    if (FLogRoot != nullptr) {
        FLogRoot->OnLogChanged = {};
        FLogRoot->OnElementsLink = {};
        FLogRoot->OnFileLink = {};
        FLogRoot->OnSettingsLink = {};
    }
    FScheme = scheme;
    FSheet = sheet;
    FLogScheme = logScheme;
    FLogRoot = logScheme != nullptr ? dynamic_cast<TLogRoot*>(logScheme->Root()) : nullptr;
    FPalette->SetSheet(nullptr);
    FSheetForm->SetScheme(scheme, sheet);
    FLogForm->SetScheme(logScheme, logSheet);
    FPalette->SetSheet(sheet);
    if (FScheme != nullptr)
        FScheme->AddHandler(MakeNotifyEvent<&TEditForm::SchemeNotify>(this));
    if (FLogRoot != nullptr) {
        FLogRoot->OnLogChanged = [this] {
            UpdateLogPanel();
        };
        FLogRoot->OnElementsLink = [this](const QList<int>& ids) {
            FollowElementsLink(ids);
        };
        FLogRoot->OnFileLink = [](const QString& fileName) {
            RunUserCommand([&fileName] { FollowFileLink(fileName); });
        };
        FLogRoot->OnSettingsLink = [this](const QString& key) {
            if (OnSettingsLink)
                OnSettingsLink(key);
        };
    }
    FCodeModeError.clear();
    UpdateLogPanel();
    UpdateCommands();
    UpdateNoticeBar();
}

void TEditForm::SchemeNotify(TItfObject*, int kind, intptr_t, intptr_t)
{
    if (kind == snRootReplaced || kind == snReadOnlyChanged)
        UpdateCommands();
    if (kind == snRootReplaced)
        FCodeModeError.clear();
    if (kind == snRootReplaced || kind == snLoadedInPartChanged)
        UpdateNoticeBar();
}

void TEditForm::SetCodeMode(bool value)
{
    if (FScheme == nullptr)
        return;
    try {
        FScheme->SetCodeMode(value);
    } catch (const ECodeModeSyntaxError& error) {
        FCodeModeError = error.Message();
        UserInterface().Beep();
        if (auto* code = dynamic_cast<TTextorElement*>(FScheme->Root())) {
            // Focus data is "paragraph,offset,paragraph,offset", from 0; a line of the code is one
            // paragraph.
            const QString caret =
                QString::number(error.Line() - 1) + u',' + QString::number(error.Column() - 1);
            code->FocusWithData(caret + u',' + caret);
        }
        FSheetForm->setFocus();
    } catch (...) {
        UpdateCommands();
        throw;
    }
    UpdateCommands();
    UpdateNoticeBar();
}

void TEditForm::CancelCodeMode()
{
    if (!InCodeMode() || FScheme->UndoRedo() == nullptr)
        return;
    {
        TUpdateGuard<TSheet> guard(FSheet);
        TUndoRedo* undo = FScheme->UndoRedo();
        while (FScheme->CodeMode() && undo->Undo()) {
        }
    }
    // A save in code mode clears the history: there is nothing to go back to then.
    if (FScheme->CodeMode())
        UserInterface().Beep();
    UpdateCommands();
    UpdateNoticeBar();
}

void TEditForm::UpdateNoticeBar()
{
    QString text;
    if (!FCodeModeError.isEmpty() && InCodeMode())
        text = FCodeModeError;
    else if (FScheme != nullptr && FScheme->LoadedInPart())
        text = LoadStr(QV_STR(4823), {QString::number(FScheme->NodesNotRead())});
    FNoticeBar->setText(text);
    FNoticeBar->setVisible(!text.isEmpty());
}

bool TEditForm::InCodeMode() const
{
    return FScheme != nullptr && FScheme->CodeMode();
}

bool TEditForm::CanCheck() const
{
    return FScheme != nullptr && !FScheme->CodeMode() && FScheme->ReadOnlyLevel() < rolBusy;
}

void TEditForm::UpdateCommands()
{
    const bool shown = FScheme != nullptr;
    for (QAction* action : {FFind, FFindNext, FReplace})
        action->setEnabled(shown);
    FCode->setEnabled(shown && FScheme->CodeModeRootClass() != nullptr && FScheme->ReadOnlyLevel() < rolBusy);
    FCode->setChecked(InCodeMode());
    FCancelCode->setEnabled(shown && InCodeMode());
    for (QAction* action : {FCollapseAll, FExpandedNotEmpty, FExpandAll})
        action->setEnabled(shown && !InCodeMode());
    // F5 always refreshes; the caption says what else it does.
    FCheckAll->setEnabled(true);
    FClearLog->setEnabled(FLogRoot != nullptr && !FLogRoot->LogMessages().IsEmpty());
    FPaletteToggle->setEnabled(!InCodeMode());
    UpdatePaletteVisibility();
}

void TEditForm::UpdatePaletteVisibility()
{
    FPalette->setVisible(FPaletteToggle->isChecked() && !InCodeMode());
}

int TEditForm::SetAllExpanded(int mode)
{
    if (FScheme == nullptr || FSheet == nullptr || InCodeMode())
        return 0;
    TWaitCursor wait;
    int changed = 0;
    {
        TUpdateGuard<TSheet> update(*FSheet);
        TSchemeGroupGuard group(FScheme, QString(), false);
        QList<TExpandButton*> buttons;
        CollectExpandButtons(FSheet->TopElement(), buttons);
        for (TExpandButton* button : std::as_const(buttons)) {
            bool expand = mode == emExpandAll;
            if (mode == emExpandedNotEmpty)
                expand = !button->IsDefault() && !button->IsEffectivelyDisabled();
            if (button->Expanded() != expand) {
                button->SetExpandedUndoable(expand);
                ++changed;
            }
        }
        FSheet->RequestCaretVisible(false);
    }
    return changed;
}

void TEditForm::Refresh()
{
    if (FSheet == nullptr)
        return;
    TUpdateGuard<TSheet> update(*FSheet);
    FSheet->TopElement()->Relayout(true, true);
    FSheet->RequestRepaint();
}

void TEditForm::RefreshAndCheck()
{
    if (CanCheck()) {
        TWaitCursor wait;
        CollectAllMessages(FScheme);
    }
    Refresh();
    UpdateLogPanel();
}

void TEditForm::ClearLog()
{
    if (FLogRoot != nullptr)
        FLogRoot->LogMessages().Clear();
    UpdateLogPanel();
}

void TEditForm::FollowElementsLink(const QList<int>& ids)
{
    if (FScheme == nullptr || FSheet == nullptr)
        return;
    FSheet->ClearMarks();
    const bool clearOnUnfocus = FSheet->ClearMarksOnUnfocus();
    FSheet->SetClearMarksOnUnfocus(false);
    TVisualElement* first = nullptr;
    {
        TUpdateGuard<TSheet> update(*FSheet);
        for (int id : ids) {
            TElement* element = FScheme->FindElementByID(id);
            auto* visual = dynamic_cast<TVisualElement*>(element);
            if (element == nullptr) {
                UserInterface().MessageBox(LoadStr(QV_STR(2950), {QString::number(id)}), QString(),
                                           miInformation, mbOk, mbOk);
            } else if (visual == nullptr || visual->Sheet() != FSheet) {
                UserInterface().MessageBox(LoadStr(QV_STR(2951), {QString::number(id)}), QString(),
                                           miInformation, mbOk, mbOk);
            } else {
                FSheet->SetMarked(visual, true);
                if (first == nullptr)
                    first = visual;
            }
        }
        if (first != nullptr) {
            first->EnsureShown();
            if (first->IsShown()) {
                FSheet->SetFocus(first);
                FSheet->RequestCaretVisible(true);
            }
        }
    }
    FSheet->SetClearMarksOnUnfocus(clearOnUnfocus);
    if (first != nullptr && !first->IsShown())
        UserInterface().MessageBox(LoadStr(QV_STR(2951), {QString::number(first->ID())}), QString(),
                                   miInformation, mbOk, mbOk);
    else if (first != nullptr)
        FSheetForm->setFocus();
}

namespace {

// Hands a local file or folder to the desktop. A generated file is opened, never started, whatever
// its permissions say.
void OpenLocal(const QString& path, bool folder)
{
    const QFileInfo info(path);
    if (folder ? !info.isDir() : !info.isFile())
        RaiseStr(folder ? QV_STR(2078) : QV_STR(2077), {path});
    if (!UrlOpener().OpenUrl(QUrl::fromLocalFile(info.absoluteFilePath())))
        RaiseStr(QV_STR(4930), {path});
}

} // namespace

void TEditForm::FollowFileLink(const QString& fileName)
{
    OpenLocal(fileName, false);
}

void TEditForm::ShowFileInFolder(const QString& fileName)
{
    OpenLocal(QFileInfo(fileName).absolutePath(), true);
}

void TEditForm::AddLogMenuItems(QMenu& menu, const QPoint& sheetPoint)
{
    const QString file =
        FLogRoot != nullptr ? FLogRoot->FileLinkAt(sheetPoint - FLogRoot->SheetOrigin()) : QString();
    if (file.isEmpty())
        return;
    menu.addSeparator();
    QAction* show = menu.addAction(LoadStr(QV_STR(4931)));
    QObject::connect(show, &QAction::triggered, this,
                     [file] { RunUserCommand([&file] { ShowFileInFolder(file); }); });
}

void TEditForm::SetLogHeight(int value)
{
    // Enough to see a message, and never more than a sheet can be.
    FLogHeight = qBound(40, value, 4000);
}

void TEditForm::UpdateLogPanel()
{
    const bool show = FLogRoot != nullptr && !FLogRoot->LogMessages().IsEmpty();
    if (show && !FLogForm->isVisibleTo(this)) {
        FLogForm->setVisible(true);
        const int total = FSplitter->height();
        FSplitter->setSizes({qMax(0, total - FLogHeight), FLogHeight});
    } else if (!show) {
        FLogForm->setVisible(false);
    }
    FLogButton->SetSeverity(show ? FLogRoot->LogMessages().Severity() : 0);
    const QString shortcut = FClearLog->shortcut().toString(QKeySequence::NativeText);
    FLogButton->setToolTip(LoadStr(QV_STR(2949)) + QStringLiteral(" (") + shortcut + QStringLiteral(")"));
    FLogButton->setVisible(show);
    FClearLog->setEnabled(show);
    PlaceLogButton();
    if (OnLogChanged)
        OnLogChanged();
}

void TEditForm::PlaceLogButton()
{
    if (!FLogButton->isVisibleTo(this) || FSplitter->count() < 2)
        return;
    const QSplitterHandle* handle = FSplitter->handle(1);
    const QPoint centre = handle->mapTo(this, handle->rect().center());
    FLogButton->move(centre.x() - FLogButton->width() / 2, centre.y() - FLogButton->height() / 2);
    FLogButton->raise();
}

bool TEditForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FSplitter->handle(1)) {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show)
            PlaceLogButton();
        return QWidget::eventFilter(watched, event);
    }
    if (watched != FSheetForm)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // While the letters show, Ctrl+letter picks a button instead of running a shortcut.
        if (FPalette->isVisible() && FPalette->Letters().Accepting() &&
            (static_cast<QKeyEvent*>(event)->modifiers() & Qt::ControlModifier) != 0) {
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (FPalette->isVisible() && FPalette->HandleLetterKey(static_cast<QKeyEvent*>(event)))
            return true;
        break;
    case QEvent::FocusOut:
        FPalette->CancelLetters();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TEditForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceLogButton();
}

void TEditForm::ShowFindDialog(bool replace)
{
    if (FScheme == nullptr)
        return;
    TFindReplaceDialog*& dialog = replace ? FReplaceDialog : FFindDialog;
    if (dialog == nullptr) {
        dialog = new TFindReplaceDialog(replace, this);
        TFindReplaceDialog* made = dialog;
        made->OnFindNext = [this, made] {
            RunUserCommand([this, made] { RunSearch(made, [](TTextSearch& search) { search.FindNext(); }); });
        };
        made->OnReplace = [this, made] {
            RunUserCommand([this, made] {
                RunSearch(made, [made](TTextSearch& search) { search.Replace(made->Replacement()); });
            });
        };
        made->OnReplaceAll = [this, made] {
            RunUserCommand([this, made] {
                RunSearch(made, [made](TTextSearch& search) { search.ReplaceAll(made->Replacement()); });
            });
        };
    }
    // One of the two at a time.
    if (TFindReplaceDialog* other = replace ? FFindDialog : FReplaceDialog)
        other->hide();
    if (!FSearchText.isEmpty())
        dialog->SetText(FSearchText);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void TEditForm::RunSearch(TFindReplaceDialog* dialog, const std::function<void(TTextSearch&)>& command)
{
    if (dialog != nullptr) {
        FSearchText = dialog->Text();
        FSearchMatchCase = dialog->MatchCase();
        FSearchForward = dialog->Forward();
    }
    if (FScheme == nullptr || FSearchText.isEmpty())
        return;
    TTextSearch search(FScheme, FSheet);
    search.Text = FSearchText;
    search.MatchCase = FSearchMatchCase;
    search.Forward = FSearchForward;
    command(search);
    FSheetForm->UpdateCommands();
}

} // namespace qv
