#include "core/user_interface.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace qv {

namespace {

std::atomic<IUserInterface*> currentUserInterface{nullptr};

TBatchUserInterface& BatchUserInterface()
{
    static TBatchUserInterface ui;
    return ui;
}

// Starts a program without waiting for it; errno is kept for the caller.
TOpenResult StartDetached(const QString& program, const QStringList& arguments, const QString& folder)
{
    errno = 0;
    if (QProcess::startDetached(program, arguments, folder))
        return {osOpened, 0};
    return {osFailed, errno};
}

} // namespace

IUserInterface& UserInterface()
{
    IUserInterface* ui = currentUserInterface.load(std::memory_order_acquire);
    return ui != nullptr ? *ui : BatchUserInterface();
}

void SetUserInterface(IUserInterface* ui)
{
    currentUserInterface.store(ui, std::memory_order_release);
}

TMessageButton TBatchUserInterface::MessageBox(const QString& /*text*/, const QString& /*caption*/,
                                               TMessageIcon /*icon*/, TMessageButtons /*buttons*/,
                                               TMessageButton defaultButton)
{
    return defaultButton;
}

int TBatchUserInterface::AskChoice(const QString& /*text*/, const QString& /*caption*/, TMessageIcon /*icon*/,
                                   const QStringList& /*choices*/, int defaultChoice)
{
    return defaultChoice;
}

void TBatchUserInterface::ShowError(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

QStringList TBatchUserInterface::ChooseOpenFiles(const QString& /*title*/, const QString& /*filters*/,
                                                 const QString& /*initialFile*/, bool /*multiSelect*/)
{
    return {};
}

QString TBatchUserInterface::ChooseSaveFile(const QString& /*title*/, const QString& /*filters*/,
                                            const QString& /*initialFile*/, const QString& /*defaultSuffix*/)
{
    return {};
}

QString TBatchUserInterface::ChooseFolder(const QString& /*title*/, const QString& /*startFolder*/)
{
    return {};
}

std::optional<uint32_t> TBatchUserInterface::ChooseColor(uint32_t /*initial*/)
{
    return std::nullopt;
}

TOpenResult TBatchUserInterface::OpenFile(const QString& file, const QString& parameters,
                                          const QString& /*verb*/, TShowMode /*showMode*/)
{
    const QFileInfo info(file);
    if (info.isFile() && info.isExecutable())
        return StartDetached(info.absoluteFilePath(), QProcess::splitCommand(parameters),
                             info.absolutePath());
    if (!file.contains(u'/') && !info.exists()) {
        const QString program = QStandardPaths::findExecutable(file);
        if (!program.isEmpty())
            return StartDetached(program, QProcess::splitCommand(parameters),
                                 QFileInfo(program).absolutePath());
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return {osNoAssociation, 0};
    return StartDetached(opener, {info.absoluteFilePath()}, info.absolutePath());
}

bool TBatchUserInterface::OpenFileWith(const QString& /*file*/)
{
    return false;
}

} // namespace qv
