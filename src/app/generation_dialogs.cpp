#include "app/generation_dialogs.h"

#include "core/strings.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace qv {

TDeletionDialog::TDeletionDialog(const QStringList& candidates, QWidget* parent)
    : QDialog(parent), FCandidates(candidates), FList(new QListWidget(this))
{
    setWindowTitle(LoadStr(QV_STR(4331)));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(LoadStr(QV_STR(4332)), this);
    text->setWordWrap(true);
    layout->addWidget(text);

    const QFileIconProvider icons;
    const QIcon folderIcon = icons.icon(QAbstractFileIconProvider::Folder);
    const QIcon fileIcon = icons.icon(QAbstractFileIconProvider::File);
    FList->setIconSize(QSize(16, 16));
    for (const QString& path : candidates) {
        QIcon icon = path.endsWith(u'/') ? folderIcon : icons.icon(QFileInfo(path));
        if (icon.isNull())
            icon = fileIcon;
        auto* item = new QListWidgetItem(icon, path, FList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setToolTip(path);
    }
    layout->addWidget(FList, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* remove = buttons->addButton(LoadStr(QV_STR(4333)), QDialogButtonBox::AcceptRole);
    buttons->addButton(LoadStr(QV_STR(4334)), QDialogButtonBox::RejectRole);
    remove->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 360);
}

QStringList TDeletionDialog::Checked() const
{
    QStringList checked;
    for (int i = 0; i < FList->count(); ++i) {
        if (FList->item(i)->checkState() == Qt::Checked)
            checked.append(FCandidates[i]);
    }
    return checked;
}

TQtGenerationUi::TQtGenerationUi(QWidget* window) : FWindow(window) {}

TQtGenerationUi::~TQtGenerationUi()
{
    // A run left open by an error must not leave the wait cursor behind.
    while (FRuns > 0)
        RunFinished();
}

void TQtGenerationUi::Beep()
{
    QApplication::beep();
}

void TQtGenerationUi::Info(const QString& text)
{
    QMessageBox::information(FWindow, QApplication::applicationDisplayName(), text);
}

QStringList TQtGenerationUi::ChooseDeletions(const QStringList& candidates)
{
    if (candidates.isEmpty())
        return {};
    // The question needs the ordinary pointer, even inside a run's wait cursor.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    TDeletionDialog dialog(candidates, FWindow);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (waiting)
        QApplication::restoreOverrideCursor();
    return accepted ? dialog.Checked() : QStringList();
}

void TQtGenerationUi::RunStarted(const QString& caption)
{
    if (FRuns++ > 0)
        return;
    FCancelled = false;
    FCaption = caption;
    FStep.clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A short run shows nothing but the wait cursor.
    FDelay = std::make_unique<QTimer>();
    FDelay->setSingleShot(true);
    QObject::connect(FDelay.get(), &QTimer::timeout, [this] { ShowProgress(); });
    FDelay->start(progressDelayMs);
}

void TQtGenerationUi::ShowProgress()
{
    if (FRuns == 0 || FProgress)
        return;
    FProgress = std::make_unique<QProgressDialog>(FStep.isEmpty() ? FCaption : FStep, LoadStr(QV_STR(2024)),
                                                  0, 0, FWindow);
    FProgress->setWindowTitle(FCaption);
    FProgress->setAutoClose(false);
    FProgress->setAutoReset(false);
    FProgress->setMinimumDuration(0);
    FProgress->setWindowModality(Qt::NonModal);
    FProgress->setMinimumWidth(360);
    QObject::connect(FProgress.get(), &QProgressDialog::canceled, [this] { FCancelled = true; });
    // The window answers while the run goes on: the pointer says so.
    QApplication::changeOverrideCursor(Qt::BusyCursor);
    FProgress->show();
}

void TQtGenerationUi::Progress(const QString& step)
{
    FStep = step;
    if (FProgress)
        FProgress->setLabelText(step);
}

bool TQtGenerationUi::Cancelled()
{
    return FCancelled;
}

void TQtGenerationUi::RunFinished()
{
    if (FRuns == 0 || --FRuns > 0)
        return;
    FDelay.reset();
    FProgress.reset();
    QApplication::restoreOverrideCursor();
}

} // namespace qv
