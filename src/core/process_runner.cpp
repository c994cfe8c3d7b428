#include "core/process_runner.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <limits>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace qv {

namespace {

// How often a run with a cancellation flag looks at it, in milliseconds.
constexpr int cancelPollMs = 20;

IProcessRunner& SystemProcessRunner()
{
    static TSystemProcessRunner runner;
    return runner;
}

// Whether a process of the group `group` still exists (a zombie not reaped yet included).
bool GroupAlive(pid_t group)
{
    return ::kill(-group, 0) == 0 || errno == EPERM;
}

// Stops the program and everything it started that stayed in its group: TERM, then KILL for what is
// still there after `graceMs`. The program itself is reaped before this returns.
void Kill(QProcess& process, pid_t group, int graceMs)
{
    if (group <= 0) {
        process.kill();
        process.waitForFinished(-1);
        return;
    }
    ::kill(-group, SIGTERM);
    const QDeadlineTimer grace(graceMs);
    while (!grace.hasExpired()) {
        // Reaps the program as soon as it ends, so that a group of one ended program is seen as gone.
        if (process.state() != QProcess::NotRunning)
            process.waitForFinished(cancelPollMs);
        else
            QThread::msleep(cancelPollMs);
        if (!GroupAlive(group))
            break;
    }
    ::kill(-group, SIGKILL);
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
    // The program leads a process group of its own: a time limit or a cancellation stops what it
    // started as well (a compiler's own helpers), never this program's group.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start();
    if (!process.waitForStarted(-1)) {
        result.ErrorText = process.errorString();
        return result;
    }
    result.Started = true;
    const auto group = pid_t(process.processId());

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
            Kill(process, group, request.GraceMs);
        } else if (deadline.hasExpired()) {
            result.TimedOut = true;
            Kill(process, group, request.GraceMs);
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
