#include "app/qt_user_interface.h"

#include "core/errors.h"

#include "core/strings.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

namespace qv {

namespace {

QMessageBox::Icon ToQtIcon(TMessageIcon icon)
{
    switch (icon) {
    case miInformation:
        return QMessageBox::Information;
    case miWarning:
        return QMessageBox::Warning;
    case miError:
        return QMessageBox::Critical;
    case miQuestion:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

struct TButtonPair
{
    TMessageButton Ours;
    QMessageBox::StandardButton Qt;
};
constexpr TButtonPair buttonPairs[] = {
    {mbOk, QMessageBox::Ok},         {mbCancel, QMessageBox::Cancel}, {mbYes, QMessageBox::Yes},
    {mbNo, QMessageBox::No},         {mbAbort, QMessageBox::Abort},   {mbRetry, QMessageBox::Retry},
    {mbIgnore, QMessageBox::Ignore},
};

QString Caption(const QString& caption)
{
    return caption.isEmpty() ? QApplication::applicationDisplayName() : caption;
}

} // namespace

TQtUserInterface::~TQtUserInterface()
{
    // A wait cursor left on by an error must not outlive the interface that set it.
    while (FWaitDepth > 0)
        EndWaitCursor();
}

TMessageButton TQtUserInterface::MessageBox(const QString& text, const QString& caption, TMessageIcon icon,
                                            TMessageButtons buttons, TMessageButton defaultButton)
{
    const QString title = caption.isEmpty() && icon == miError ? LoadStr(QV_STR(2033)) : Caption(caption);
    QMessageBox box(ToQtIcon(icon), title, text, QMessageBox::NoButton, FWindow);
    for (const TButtonPair& pair : buttonPairs) {
        if ((buttons & pair.Ours) != 0)
            box.addButton(pair.Qt);
        if (pair.Ours == defaultButton)
            box.setDefaultButton(pair.Qt);
    }
    const int answer = box.exec();
    for (const TButtonPair& pair : buttonPairs) {
        if (answer == pair.Qt && (buttons & pair.Ours) != 0)
            return pair.Ours;
    }
    return (buttons & mbCancel) != 0 ? mbCancel : defaultButton;
}

int TQtUserInterface::AskChoice(const QString& text, const QString& caption, TMessageIcon icon,
                                const QStringList& choices, int defaultChoice)
{
    QMessageBox box(ToQtIcon(icon), Caption(caption), text, QMessageBox::NoButton, FWindow);
    QList<QAbstractButton*> buttons;
    for (qsizetype i = 0; i < choices.size(); ++i) {
        QPushButton* button = box.addButton(choices[i], QMessageBox::AcceptRole);
        buttons.append(button);
        if (i == defaultChoice)
            box.setDefaultButton(button);
    }
    box.addButton(QMessageBox::Cancel);
    box.exec();
    return int(buttons.indexOf(box.clickedButton()));
}

void TQtUserInterface::ShowError(const QString& message)
{
    // Every error box has one title, whether it comes from a failed command or a message.
    QMessageBox::critical(FWindow, LoadStr(QV_STR(2033)), message);
}

QStringList TQtUserInterface::ChooseOpenFiles(const QString& title, const QString& filters,
                                              const QString& initialFile, bool multiSelect)
{
    if (multiSelect)
        return QFileDialog::getOpenFileNames(FWindow, title, initialFile, filters);
    const QString file = QFileDialog::getOpenFileName(FWindow, title, initialFile, filters);
    return file.isEmpty() ? QStringList() : QStringList{file};
}

QString TQtUserInterface::ChooseSaveFile(const QString& title, const QString& filters,
                                         const QString& initialFile, const QString& defaultSuffix)
{
    QFileDialog dialog(FWindow, title, initialFile, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!initialFile.isEmpty())
        dialog.selectFile(initialFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString TQtUserInterface::ChooseFileName(const QString& title, const QString& filters,
                                         const QString& initialFile)
{
    QFileDialog dialog(FWindow, title, initialFile, filters);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!initialFile.isEmpty())
        dialog.selectFile(initialFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString TQtUserInterface::ChooseFolder(const QString& title, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(FWindow, title, startFolder);
}

std::optional<uint32_t> TQtUserInterface::ChooseColor(uint32_t initial)
{
    const QColor start(int(initial & 0xFF), int((initial >> 8) & 0xFF), int((initial >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(start, FWindow);
    if (!chosen.isValid())
        return std::nullopt;
    return uint32_t(chosen.red()) | uint32_t(chosen.green()) << 8 | uint32_t(chosen.blue()) << 16;
}

void TQtUserInterface::Beep()
{
    QApplication::beep();
}

void TQtUserInterface::BeginWaitCursor()
{
    if (FWaitDepth++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TQtUserInterface::EndWaitCursor()
{
    if (FWaitDepth == 0)
        return;
    if (--FWaitDepth == 0)
        QApplication::restoreOverrideCursor();
}

bool TQtUserInterface::OpenFileWith(const QString& file)
{
    // The desktop offers no chooser of its own: the user picks the program.
    const QString program =
        QFileDialog::getOpenFileName(FWindow, QFileInfo(file).fileName(), QStringLiteral("/usr/bin"));
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, {file}, QFileInfo(file).absolutePath());
}

void RunUserCommand(const std::function<void()>& command)
{
    try {
        command();
    } catch (const EQvError& error) {
        UserInterface().ShowError(error.Message());
    }
}

} // namespace qv
