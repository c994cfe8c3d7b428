#pragma once

#include "core/user_interface.h"

#include <functional>

class QWidget;

namespace qv {

// The user interface of the window application: Qt message boxes and dialogs, the system beep and
// the application's wait cursor. Opening files is the batch implementation's (the desktop opens
// them); choosing a program for a file is a file dialog of programs. User-interface thread only.
class TQtUserInterface : public TBatchUserInterface
{
public:
    // `window` (may be null) parents the dialogs.
    explicit TQtUserInterface(QWidget* window = nullptr) : FWindow(window) {}
    ~TQtUserInterface() override;

    void SetWindow(QWidget* window) { FWindow = window; }
    int WaitCursorDepth() const { return FWaitDepth; }

    TMessageButton MessageBox(const QString& text, const QString& caption, TMessageIcon icon,
                              TMessageButtons buttons, TMessageButton defaultButton) override;
    int AskChoice(const QString& text, const QString& caption, TMessageIcon icon, const QStringList& choices,
                  int defaultChoice) override;
    void ShowError(const QString& message) override;
    QStringList ChooseOpenFiles(const QString& title, const QString& filters, const QString& initialFile,
                                bool multiSelect) override;
    QString ChooseSaveFile(const QString& title, const QString& filters, const QString& initialFile,
                           const QString& defaultSuffix) override;
    QString ChooseFileName(const QString& title, const QString& filters, const QString& initialFile) override;
    QString ChooseFolder(const QString& title, const QString& startFolder) override;
    std::optional<uint32_t> ChooseColor(uint32_t initial) override;
    void Beep() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    bool OpenFileWith(const QString& file) override;

private:
    QWidget* FWindow;
    int FWaitDepth = 0;
};

// Runs a command the user chose (a menu item, a button, a link): an EQvError it raises is shown
// through the user interface's error display instead of passing into Qt's event loop.
void RunUserCommand(const std::function<void()>& command);

} // namespace qv
