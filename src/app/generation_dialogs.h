#pragma once

#include "generation/generation_ui.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class QListWidget;
class QProgressDialog;
class QTimer;
class QWidget;

namespace qv {

// "Deleting Folders and Files": the obsolete entries of the last run, each with a check box (all
// checked) and the icon of its file type, one shared folder icon for folders.
class TDeletionDialog : public QDialog
{
public:
    explicit TDeletionDialog(const QStringList& candidates, QWidget* parent = nullptr);

    // The checked entries, in the order they were given.
    QStringList Checked() const;

private:
    QStringList FCandidates;
    QListWidget* FList;
};

// The questions and progress of generation runs in the window. User-interface thread only.
class TQtGenerationUi : public IGenerationUi
{
public:
    // How long a run goes on, in milliseconds, before its progress window appears.
    static constexpr int progressDelayMs = 500;

    // `window` (may be null) parents the dialogs.
    explicit TQtGenerationUi(QWidget* window = nullptr);
    ~TQtGenerationUi() override;
    TQtGenerationUi(const TQtGenerationUi&) = delete;
    TQtGenerationUi& operator=(const TQtGenerationUi&) = delete;

    void SetWindow(QWidget* window) { FWindow = window; }

    void Beep() override;
    void Info(const QString& text) override;
    QStringList ChooseDeletions(const QStringList& candidates) override;
    void RunStarted(const QString& caption) override;
    void Progress(const QString& step) override;
    bool Cancelled() override;
    void RunFinished() override;

    // The progress window while it is shown, else null.
    QProgressDialog* ProgressWindow() const { return FProgress.get(); }

private:
    void ShowProgress();

    QWidget* FWindow;
    // Runs started and not finished (a run may start inside another's command).
    int FRuns = 0;
    bool FCancelled = false;
    QString FCaption;
    QString FStep;
    std::unique_ptr<QTimer> FDelay;
    std::unique_ptr<QProgressDialog> FProgress;
};

} // namespace qv
