#include "core/process_runner.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <algorithm>
#include <limits>

namespace qv {

namespace {

// How often a run with a cancellation flag looks at it, in milliseconds.
constexpr int cancelPollMs = 20;

IProcessRunner& SystemProcessRunner()
{
    static TSystemProcessRunner runner;
    return runner;
}

void Kill(QProcess& process)
{
    process.kill();
    process.waitForFinished(-1);
}

} // namespace

template <>
TServiceSlot<IProcessRunner>& ServiceSlot<IProcessRunner>()
{
    static constinit TServiceSlot<IProcessRunner> slot(&SystemProcessRunner);
    return slot;
}

TProcessResult TSystemProcessRunner::Run(const TProcessRequest& request)
{
    TProcessResult result;
    QProcess process;
    process.setProgram(request.Program);
    process.setArguments(request.Arguments);
    if (!request.WorkingFolder.isEmpty())
        process.setWorkingDirectory(request.WorkingFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(request.OutputFile.isEmpty() ? QProcess::nullDevice() : request.OutputFile);
    if (request.CaptureErrors && !request.OutputFile.isEmpty())
        process.setProcessChannelMode(QProcess::MergedChannels);
    else
        process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1)) {
        result.ErrorText = process.errorString();
        return result;
    }
    result.Started = true;

    const QDeadlineTimer deadline = request.TimeLimitMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                            : QDeadlineTimer(request.TimeLimitMs);
    while (process.state() != QProcess::NotRunning) {
        const int remaining =
            int(std::min<qint64>(deadline.remainingTime(), std::numeric_limits<int>::max()));
        int wait = remaining;
        if (request.Cancel != nullptr)
            wait = remaining < 0 ? cancelPollMs : std::min(remaining, cancelPollMs);
        if (process.waitForFinished(wait) || process.state() == QProcess::NotRunning)
            break;
        if (request.Cancel != nullptr && request.Cancel->load(std::memory_order_acquire)) {
            result.Cancelled = true;
            Kill(process);
        } else if (deadline.hasExpired()) {
            result.TimedOut = true;
            Kill(process);
        }
    }
    if (result.Cancelled || result.TimedOut)
        return result;
    if (process.exitStatus() == QProcess::CrashExit) {
        result.ErrorText = process.errorString();
        return result;
    }
    result.Finished = true;
    result.ExitCode = process.exitCode();
    return result;
}

} // namespace qv
