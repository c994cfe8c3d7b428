#include "app/palette_form.h"

#include "app/settings.h"
#include "core/strings.h"
#include "core/user_interface.h"
#include "elements/palette.h"
#include "elements/scheme_images.h"
#include "elements/sheet.h"
#include "elements/visual_element.h"

#include <QHash>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QToolTip>

#include <algorithm>
#include <climits>

namespace qv {

namespace {

// The window's colours: calm greys with a blue tint for hovering and checked buttons.
const QColor backgroundColor(0xf6, 0xf7, 0xf9);
const QColor borderColor(0xdc, 0xe0, 0xe6);
const QColor separatorColor(0xdf, 0xe3, 0xe8);
const QColor headerTextColor(0x5d, 0x66, 0x73);
const QColor textColor(0x1f, 0x29, 0x33);
const QColor disabledTextColor(0xa0, 0xa7, 0xb0);
const QColor hotFill(0xe5, 0xee, 0xf9);
const QColor noticeBorderColor(0xe8, 0xc9, 0x7a);
const QColor hotBorder(0xc3, 0xd5, 0xee);
const QColor pressedFill(0xcf, 0xdf, 0xf3);
const QColor pressedBorder(0xa4, 0xc0, 0xe6);
const QColor checkedFill(0xd9, 0xe6, 0xf6);
const QColor checkedBorder(0x96, 0xb6, 0xe0);
const QColor lettersFill(0x2f, 0x3a, 0x4a);
const QColor arrowColor(0x5d, 0x66, 0x73);
constexpr qreal buttonRadius = 4.0;

// Captions may carry an accelerator mark; the palette shows none.
QString PlainCaption(int32_t id)
{
    if (id == 0)
        return QString();
    QString text = LoadStr(id);
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return text;
}

bool DescendingOrder(const TPaletteNode* a, const TPaletteNode* b)
{
    return a->Order() > b->Order();
}

// The greyed copies of the image lists, made again when a list grew.
const TSchemeImages& Greyed(const TSchemeImages& source)
{
    static TSchemeImages small(paletteSmallImage, paletteSmallImage);
    static TSchemeImages large(paletteLargeImage, paletteLargeImage);
    TSchemeImages& copy = source.Width() == paletteLargeImage ? large : small;
    if (copy.Count() != source.Count())
        copy = TSchemeImages::CreateDisabledCopy(source);
    return copy;
}

QImage ItemImage(const TPaletteItem* item, bool large, bool enabled)
{
    TSchemeImages& images = large ? LargeImages() : SmallImages();
    const int index = large ? item->LargeImage() : item->SmallImage();
    if (index < 0 || index >= images.Count())
        return QImage();
    return enabled ? images.Image(index) : Greyed(images).Image(index);
}

QIcon ItemIcon(const TPaletteItem* item)
{
    const bool large = item->HasFlag(piLarge);
    const QImage normal = ItemImage(item, large, true);
    if (normal.isNull())
        return QIcon();
    QIcon icon(QPixmap::fromImage(normal));
    icon.addPixmap(QPixmap::fromImage(ItemImage(item, large, false)), QIcon::Disabled);
    return icon;
}

bool IsSubExecutable(const TPaletteItem* item)
{
    return IsInstanceOf(item, TSubExecutablePaletteItem::StaticClass());
}

// The letter a key stands for while Ctrl is held (the event's text is a control character then).
QString KeyLetter(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return QString(QChar(key));
    if (key == Qt::Key_Space)
        return QStringLiteral(" ");
    return QString();
}

} // namespace

TPaletteForm::TPaletteForm(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    FLettersTimer.setSingleShot(true);
    FLettersTimer.setInterval(TPaletteLetters::ShowDelay);
    QObject::connect(&FLettersTimer, &QTimer::timeout, this, [this] {
        FLetters.DelayElapsed();
        update();
    });
    FNoticeTimer.setSingleShot(true);
    FNoticeTimer.setInterval(NoticeTime);
    QObject::connect(&FNoticeTimer, &QTimer::timeout, this, [this] { ShowNotice(QString()); });
}

TPaletteForm::~TPaletteForm()
{
    Detach();
    SetSettings(nullptr);
}

void TPaletteForm::SetSheet(TSheet* sheet)
{
    if (sheet == FSheet)
        return;
    Detach();
    FSheet = sheet;
    if (FSheet != nullptr)
        FSheet->AddHandler(MakeNotifyEvent<&TPaletteForm::SheetNotify>(this));
    Rebuild();
}

void TPaletteForm::Detach()
{
    if (FSheet != nullptr)
        FSheet->RemoveHandler(MakeNotifyEvent<&TPaletteForm::SheetNotify>(this));
    FSheet = nullptr;
}

void TPaletteForm::SetSettings(TPaletteFormSettings* settings)
{
    if (FSettings != nullptr)
        FSettings->RemoveHandler(MakeNotifyEvent<&TPaletteForm::SettingsNotify>(this));
    FSettings = settings;
    if (FSettings != nullptr)
        FSettings->AddHandler(MakeNotifyEvent<&TPaletteForm::SettingsNotify>(this));
    ReadSettings();
    Rebuild();
}

void TPaletteForm::ReadSettings()
{
    FShowHeaders = FSettings == nullptr || FSettings->ShowHeaders()->Value();
    FShowCaptions = FSettings == nullptr || FSettings->ShowCaptions()->Value();
    FShowHints = FSettings == nullptr || FSettings->ShowHints()->Value();
}

void TPaletteForm::SettingsNotify(TItfObject*, int kind, intptr_t, intptr_t)
{
    if (kind != pnChanged)
        return;
    ReadSettings();
    Rebuild();
}

void TPaletteForm::ShowNotice(const QString& text)
{
    FNotice = text;
    if (text.isEmpty())
        FNoticeTimer.stop();
    else
        FNoticeTimer.start();
    update();
}

void TPaletteForm::SheetNotify(TItfObject*, int kind, intptr_t param1, intptr_t)
{
    switch (kind) {
    case shnInputRefused:
        ShowNotice(*reinterpret_cast<const QString*>(param1));
        break;
    case shnFocusChanged:
        ShowNotice(QString());
        Rebuild();
        break;
    case shnPaletteItemsChanged:
    case shnActiveChanged:
        Rebuild();
        break;
    case shnPaletteStatesChanged:
    case shnReadOnlyChanged:
        RefreshStates();
        break;
    default:
        break;
    }
}

void TPaletteForm::Rebuild()
{
    ++FCounters.Rebuilds;
    FPanels.clear();
    FButtons.clear();
    FHot = FPressed = THit();
    TVisualElement* focused = FSheet != nullptr ? FSheet->FocusedElement() : nullptr;
    FFocusedId = focused != nullptr ? focused->ID() : 0;
    QList<TPaletteItem*> items;
    FForSelection = false;
    if (focused != nullptr) {
        ++FCounters.Collects;
        CollectPaletteItems(focused, items, FForSelection);
    }

    // The buttons are the items directly in a group; their applicable children go into menus.
    QList<TPaletteGroup*> groups;
    QHash<const TNode*, QList<TPaletteItem*>> children;
    for (TPaletteItem* item : items) {
        TNode* parent = item->Parent();
        children[parent].append(item);
        if (IsInstanceOf(parent, TPaletteGroup::StaticClass())) {
            auto* group = static_cast<TPaletteGroup*>(parent);
            if (!groups.contains(group))
                groups.append(group);
        }
    }
    for (auto& list : children)
        std::stable_sort(list.begin(), list.end(), DescendingOrder);
    std::stable_sort(groups.begin(), groups.end(), DescendingOrder);

    QStringList ownLetters;
    for (TPaletteGroup* group : groups) {
        TPanel panel{group, PlainCaption(group->Caption()), int(FButtons.size()), 0};
        for (TPaletteItem* item : children.value(group)) {
            TButton button;
            button.Item = item;
            button.Caption = PlainCaption(item->Caption());
            button.Children = children.value(item);
            FButtons.append(button);
            ownLetters.append(item->Letters());
            ++panel.ButtonCount;
        }
        FPanels.append(panel);
    }
    FLetters.Assign(ownLetters);
    for (int i = 0; i < FButtons.size(); ++i)
        FButtons[i].Letters = FLetters.Letters()[i];
    RefreshStates();
    Relayout();
    updateGeometry();
}

void TPaletteForm::RefreshStates()
{
    TVisualElement* focused = FSheet != nullptr ? FSheet->FocusedElement() : nullptr;
    if (focused == nullptr || focused->ID() != FFocusedId) {
        for (TButton& button : FButtons)
            button.Enabled = button.Checked = false;
        update();
        return;
    }
    // Every item changes the document, so a read-only sheet greys them all.
    const bool readOnly = FSheet->IsReadOnly();
    for (TButton& button : FButtons) {
        TPaletteItemState state;
        ++FCounters.StateQueries;
        focused->GetPaletteItemState(button.Item, state);
        button.Enabled = state.Enabled && !readOnly;
        button.Checked = state.Checked;
    }
    update();
}

// --- Layout ----------------------------------------------------------------------------------------

QFont TPaletteForm::HeaderFont() const
{
    QFont result = font();
    result.setPointSizeF(result.pointSizeF() * 0.9);
    result.setWeight(QFont::DemiBold);
    return result;
}

QFont TPaletteForm::LettersFont() const
{
    QFont result = font();
    result.setPointSizeF(result.pointSizeF() * 0.8);
    result.setBold(true);
    return result;
}

TPaletteMetrics TPaletteForm::Metrics() const
{
    TPaletteMetrics metrics;
    metrics.TextHeight = fontMetrics().height();
    metrics.HeaderHeight = FShowHeaders ? QFontMetrics(HeaderFont()).height() + 6 : 0;
    metrics.CaptionRow = FShowCaptions;
    return metrics;
}

QList<TPalettePanelRequest> TPaletteForm::Requests() const
{
    const QFontMetrics text = fontMetrics();
    const QFontMetrics header(HeaderFont());
    QList<TPalettePanelRequest> requests;
    for (const TPanel& panel : FPanels) {
        TPalettePanelRequest request;
        request.HeaderWidth = header.horizontalAdvance(panel.Caption);
        for (int i = panel.FirstButton; i < panel.FirstButton + panel.ButtonCount; ++i) {
            const TButton& button = FButtons[i];
            const TPaletteItem* item = button.Item;
            TPaletteButtonRequest b;
            b.Large = item->HasFlag(piLarge);
            b.NewColumn = item->HasFlag(piNewColumn);
            b.Split = item->HasFlag(piSplitButton);
            b.Arrow = item->HasFlag(piSubList) || IsSubExecutable(item);
            if (FShowCaptions && !item->HasFlag(piNoCaption) && !button.Caption.isEmpty())
                b.CaptionWidth = text.horizontalAdvance(button.Caption) + 2; // rounding slack against eliding
            request.Buttons.append(b);
        }
        requests.append(request);
    }
    return requests;
}

void TPaletteForm::Relayout()
{
    FGeometry = LayoutPalette(Requests(), width(), Metrics());
    update();
}

QSize TPaletteForm::sizeHint() const
{
    const TPaletteGeometry natural = LayoutPalette(Requests(), INT_MAX, Metrics());
    return QSize(natural.Size.width(), PaletteHeight(Metrics()) + 1);
}

QSize TPaletteForm::minimumSizeHint() const
{
    return QSize(0, PaletteHeight(Metrics()) + 1);
}

const TPaletteButtonGeometry& TPaletteForm::ButtonGeometry(int index) const
{
    for (int p = 0; p < FPanels.size(); ++p) {
        const TPanel& panel = FPanels[p];
        if (index >= panel.FirstButton && index < panel.FirstButton + panel.ButtonCount)
            return FGeometry.Panels[p].Buttons[index - panel.FirstButton];
    }
    static const TPaletteButtonGeometry none;
    return none;
}

QRect TPaletteForm::ButtonRect(int index) const
{
    return ButtonGeometry(index).Rect;
}

void TPaletteForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void TPaletteForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        Relayout();
        updateGeometry();
    }
}

// --- Mouse -----------------------------------------------------------------------------------------

TPaletteForm::THit TPaletteForm::HitTest(const QPoint& point) const
{
    for (int i = 0; i < FButtons.size(); ++i) {
        const TPaletteButtonGeometry& g = ButtonGeometry(i);
        if (!g.Rect.contains(point))
            continue;
        return THit{i, !g.CaptionPart.isEmpty() && g.CaptionPart.contains(point) ? 1 : 0};
    }
    return THit();
}

void TPaletteForm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const THit hit = HitTest(event->position().toPoint());
    if (hit.Button < 0 || !FButtons[hit.Button].Enabled)
        return;
    FPressed = hit;
    update();
    // A list opens at once, as menus do.
    const TButton& button = FButtons[hit.Button];
    const bool opensList = button.Item->HasFlag(piSubList) || IsSubExecutable(button.Item) ||
                           (hit.Part == 1 && !button.Children.isEmpty());
    if (opensList) {
        FPressed = THit();
        ShowMenu(hit.Button);
    }
}

void TPaletteForm::mouseMoveEvent(QMouseEvent* event)
{
    const THit hit = HitTest(event->position().toPoint());
    if (hit != FHot) {
        FHot = hit;
        update();
    }
}

void TPaletteForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || FPressed.Button < 0)
        return;
    const THit pressed = FPressed;
    FPressed = THit();
    update();
    if (HitTest(event->position().toPoint()) == pressed)
        Click(pressed);
}

void TPaletteForm::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    FHot = THit();
    update();
}

void TPaletteForm::Click(const THit& hit)
{
    const TButton& button = FButtons[hit.Button];
    if (!button.Enabled)
        return;
    const TPaletteItem* item = button.Item;
    const bool value = item->HasFlag(piCheck) ? !button.Checked : item->HasFlag(piRadio);
    PostExecute(button.Item, value);
}

void TPaletteForm::ShowMenu(int index)
{
    const TButton& button = FButtons[index];
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setToolTipsVisible(FShowHints);
    if (IsSubExecutable(button.Item) && button.Children.isEmpty()) {
        TVisualElement* focused = FSheet != nullptr ? FSheet->FocusedElement() : nullptr;
        QList<TPaletteSubCommand> commands;
        if (focused != nullptr)
            static_cast<TSubExecutablePaletteItem*>(button.Item)->GetSubCommands(focused, commands);
        TPaletteItem* item = button.Item;
        for (const TPaletteSubCommand& command : commands) {
            QObject::connect(menu->addAction(command.Caption), &QAction::triggered, this,
                             [this, item, text = command.Text] { PostExecute(item, false, true, text); });
        }
    } else {
        FillMenu(menu, button.Children);
    }
    if (menu->isEmpty()) {
        delete menu;
        return;
    }
    menu->popup(mapToGlobal(ButtonRect(index).bottomLeft() + QPoint(0, 1)));
}

void TPaletteForm::FillMenu(QMenu* menu, const QList<TPaletteItem*>& items)
{
    TVisualElement* focused = FSheet != nullptr ? FSheet->FocusedElement() : nullptr;
    const bool readOnly = FSheet == nullptr || FSheet->IsReadOnly();
    for (TPaletteItem* item : items) {
        TPaletteItemState state;
        if (focused != nullptr) {
            ++FCounters.StateQueries;
            focused->GetPaletteItemState(item, state);
        }
        QAction* action = menu->addAction(ItemIcon(item), PlainCaption(item->Caption()));
        action->setEnabled(state.Enabled && !readOnly && focused != nullptr);
        if (item->HasFlag(piCheck) || item->HasFlag(piRadio)) {
            action->setCheckable(true);
            action->setChecked(state.Checked);
        }
        if (FShowHints && item->Hint() != 0)
            action->setToolTip(LoadStr(item->Hint()));
        const bool value = item->HasFlag(piCheck) ? !state.Checked : item->HasFlag(piRadio);
        QObject::connect(action, &QAction::triggered, this,
                         [this, item, value] { PostExecute(item, value); });
    }
}

// --- Executing -------------------------------------------------------------------------------------

void TPaletteForm::PostExecute(TPaletteItem* item, bool value, bool sub, const QString& text)
{
    // Only the sheet and the element's ID travel: by the time the call runs, the element may be gone.
    // Palette items live as long as the program.
    TSheet* sheet = FSheet;
    const int32_t focusedId = FFocusedId;
    QMetaObject::invokeMethod(
        this,
        [this, sheet, focusedId, item, value, sub, text] {
            RunPosted(sheet, focusedId, item, value, sub, text);
        },
        Qt::QueuedConnection);
}

void TPaletteForm::RunPosted(TSheet* sheet, int32_t focusedId, TPaletteItem* item, bool value, bool sub,
                             const QString& text)
{
    auto stillFocused = [this, sheet, focusedId]() -> TVisualElement* {
        if (sheet == nullptr || sheet != FSheet)
            return nullptr;
        TVisualElement* focused = sheet->FocusedElement();
        return focused != nullptr && focused->ID() == focusedId ? focused : nullptr;
    };
    TVisualElement* focused = stillFocused();
    if (focused == nullptr || !sheet->Active() || sheet->IsReadOnly())
        return;
    try {
        // Committing a pending edit may move the focus or free the element.
        sheet->CommitFocusEdit();
        focused = stillFocused();
        if (focused == nullptr)
            return;
        QList<TPaletteItem*> items;
        bool forSelection = false;
        CollectPaletteItems(focused, items, forSelection);
        TPaletteItemState state;
        focused->GetPaletteItemState(item, state);
        if (!items.contains(item) || !state.Enabled)
            return;
        if (sub)
            RunPaletteSubCommand(focused, static_cast<TSubExecutablePaletteItem*>(item), forSelection, text);
        else
            RunPaletteItem(focused, item, forSelection, value);
    } catch (const std::exception& error) {
        UserInterface().ShowError(QString::fromUtf8(error.what()));
    }
}

// --- Keyboard letters ------------------------------------------------------------------------------

void TPaletteForm::CtrlPressed()
{
    if (FButtons.isEmpty())
        return;
    FLetters.CtrlPressed();
    if (FLetters.Waiting())
        FLettersTimer.start();
}

void TPaletteForm::CtrlReleased()
{
    const int index = FLetters.Released();
    CancelLetters();
    RunLetterButton(index);
}

void TPaletteForm::RunLetterButton(int index)
{
    if (index < 0 || index >= FButtons.size())
        return;
    FLettersTimer.stop();
    const TButton& button = FButtons[index];
    if (button.Item->HasFlag(piSubList) || IsSubExecutable(button.Item))
        ShowMenu(index);
    else if (button.Enabled)
        Click(THit{index, 0});
}

void TPaletteForm::CancelLetters()
{
    FLettersTimer.stop();
    const bool shown = FLetters.Shown();
    FLetters.Cancel();
    if (shown)
        update();
}

bool TPaletteForm::HandleLetterKey(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (event->type() == QEvent::KeyRelease) {
        if (key == Qt::Key_Control)
            CtrlReleased();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    if (key == Qt::Key_Control) {
        if ((modifiers & (Qt::ShiftModifier | Qt::AltModifier)) != 0)
            CancelLetters();
        else if (!event->isAutoRepeat())
            CtrlPressed();
        return false;
    }
    const bool cancels = key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Left ||
                         key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down ||
                         (modifiers & (Qt::ShiftModifier | Qt::AltModifier)) != 0;
    if (cancels || !FLetters.Accepting() || (modifiers & Qt::ControlModifier) == 0) {
        // Before the letters show, Ctrl+key is a shortcut of the sheet window.
        CancelLetters();
        return false;
    }
    const QString letter = KeyLetter(key);
    if (letter.isEmpty())
        return false;
    const int index = FLetters.Type(letter);
    update();
    RunLetterButton(index);
    return true;
}

// --- Hints -----------------------------------------------------------------------------------------

QString TPaletteForm::HintText(const QString& caption, const QString& letters, const QString& hint)
{
    QString text = caption;
    if (!letters.isEmpty())
        text += QStringLiteral(" (Ctrl+") + TPaletteLetters::Display(letters) + u')';
    if (!hint.isEmpty())
        text += QStringLiteral("\r\n") + hint;
    return text;
}

QString TPaletteForm::HintHtml(const QString& text)
{
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    const QString& first = lines.first();
    const qsizetype bracket = first.indexOf(u'(');
    QString html = QStringLiteral("<qt><b>") +
                   first.left(bracket < 0 ? first.size() : bracket).toHtmlEscaped() + QStringLiteral("</b>");
    if (bracket >= 0)
        html += first.mid(bracket).toHtmlEscaped();
    for (qsizetype i = 1; i < lines.size(); ++i)
        html += QStringLiteral("<div style=\"margin-left:12px\">") + lines[i].toHtmlEscaped() +
                QStringLiteral("</div>");
    return html + QStringLiteral("</qt>");
}

bool TPaletteForm::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const THit hit = HitTest(help->pos());
        if (!FShowHints || hit.Button < 0) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        const TButton& button = FButtons[hit.Button];
        const QString hint = button.Item->Hint() != 0 ? LoadStr(button.Item->Hint()) : QString();
        QToolTip::showText(help->globalPos(), HintHtml(HintText(button.Caption, button.Letters, hint)), this,
                           ButtonRect(hit.Button));
        return true;
    }
    return QWidget::event(event);
}

// --- Painting --------------------------------------------------------------------------------------

void TPaletteForm::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColor);
    painter.setPen(borderColor);
    painter.drawLine(0, height() - 1, width(), height() - 1);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont header = HeaderFont();
    for (int p = 0; p < FPanels.size() && p < FGeometry.Panels.size(); ++p) {
        const TPalettePanelGeometry& g = FGeometry.Panels[p];
        if (p > 0) {
            const qreal x = g.Rect.left() - (TPaletteMetrics().PanelGap / 2.0) - 0.5;
            painter.setPen(QPen(separatorColor, 1));
            painter.drawLine(QPointF(x, g.Rect.top() + 3), QPointF(x, g.Rect.bottom() - 2));
        }
        if (!g.Header.isEmpty()) {
            painter.setFont(header);
            painter.setPen(headerTextColor);
            const QRect text = g.Header.adjusted(4, 0, -4, -3);
            painter.drawText(
                text, Qt::AlignLeft | Qt::AlignVCenter,
                QFontMetrics(header).elidedText(FPanels[p].Caption, Qt::ElideRight, text.width()));
        }
        painter.setFont(font());
        for (int i = FPanels[p].FirstButton; i < FPanels[p].FirstButton + FPanels[p].ButtonCount; ++i)
            PaintButton(painter, i);
    }
    PaintNotice(painter);
}

void TPaletteForm::PaintNotice(QPainter& painter) const
{
    if (FNotice.isEmpty())
        return;
    // Beside the panels when there is room for a few words, else over the bottom of the buttons.
    constexpr int minimumWidth = 160;
    const int left = FGeometry.Size.width() + TPaletteMetrics().PanelGap;
    const int lineHeight = fontMetrics().height() + 4;
    QRect area = width() - left >= minimumWidth ? QRect(left, 2, width() - left - 4, height() - 5)
                                                : QRect(0, height() - 1 - lineHeight, width(), lineHeight);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, NoticeColor());
    painter.setPen(noticeBorderColor);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.setPen(NoticeTextColor());
    painter.setFont(font());
    const QRect text = area.adjusted(6, 2, -6, -2);
    const int lines = qMax(1, text.height() / fontMetrics().lineSpacing());
    QString shown = FNotice;
    if (lines == 1)
        shown = fontMetrics().elidedText(FNotice, Qt::ElideRight, text.width());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, shown);
}

void TPaletteForm::PaintButton(QPainter& painter, int index) const
{
    const TButton& button = FButtons[index];
    const TPaletteButtonGeometry& g = ButtonGeometry(index);
    if (g.Rect.isEmpty())
        return;
    const QRectF frame = QRectF(g.Rect).adjusted(0.5, 0.5, -0.5, -0.5);
    auto fill = [&painter](const QRectF& r, const QColor& brush, const QColor& pen) {
        painter.setPen(QPen(pen, 1));
        painter.setBrush(brush);
        painter.drawRoundedRect(r, buttonRadius, buttonRadius);
    };
    const bool hot = FHot.Button == index && button.Enabled;
    const bool pressed = FPressed.Button == index;
    const bool split = !g.CaptionPart.isEmpty();
    if (button.Checked)
        fill(frame, hot ? pressedFill : checkedFill, checkedBorder);
    if (split && (hot || pressed)) {
        const int part = pressed ? FPressed.Part : FHot.Part;
        if (!button.Checked)
            fill(frame, Qt::transparent, hotBorder);
        const QRectF half = QRectF(part == 1 ? g.CaptionPart : g.ImagePart).adjusted(0.5, 0.5, -0.5, -0.5);
        fill(half, pressed ? pressedFill : hotFill, pressed ? pressedBorder : hotBorder);
    } else if (pressed) {
        fill(frame, pressedFill, pressedBorder);
    } else if (hot && !button.Checked) {
        fill(frame, hotFill, hotBorder);
    }

    const bool large = button.Item->HasFlag(piLarge);
    const QImage image = ItemImage(button.Item, large, button.Enabled);
    if (!image.isNull())
        painter.drawImage(g.Image.topLeft(), image);
    if (!g.Caption.isEmpty()) {
        painter.setPen(button.Enabled ? textColor : disabledTextColor);
        const int align = large ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignLeft | Qt::AlignVCenter;
        painter.drawText(g.Caption, align,
                         painter.fontMetrics().elidedText(button.Caption, Qt::ElideRight, g.Caption.width()));
    }
    if (!g.Arrow.isEmpty()) {
        const QPointF c = QRectF(g.Arrow).center();
        QPainterPath arrow;
        arrow.moveTo(c.x() - 3.5, c.y() - 1.5);
        arrow.lineTo(c.x() + 3.5, c.y() - 1.5);
        arrow.lineTo(c.x(), c.y() + 2.5);
        arrow.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(button.Enabled ? arrowColor : disabledTextColor);
        painter.drawPath(arrow);
    }
    if (FLetters.Shown() && FLetters.IsCandidate(index)) {
        const QFont lettersFont = LettersFont();
        const QFontMetrics metrics(lettersFont);
        const QString text = TPaletteLetters::Display(button.Letters);
        const int w = std::max(metrics.horizontalAdvance(text) + 6, metrics.height());
        const QRectF badge(g.Image.right() - w / 2.0, g.Image.bottom() - metrics.height() / 2.0, w,
                           metrics.height());
        painter.setPen(Qt::NoPen);
        painter.setBrush(lettersFill);
        painter.drawRoundedRect(badge, 3, 3);
        painter.setFont(lettersFont);
        painter.setPen(Qt::white);
        painter.drawText(badge, Qt::AlignCenter, text);
        painter.setFont(font());
    }
}

QColor NoticeColor()
{
    return QColor(0xff, 0xf1, 0xc2);
}

QColor NoticeTextColor()
{
    return QColor(0x3d, 0x2e, 0x00);
}

} // namespace qv
