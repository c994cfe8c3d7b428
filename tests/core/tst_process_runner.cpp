// Running outside programs: the real runner over small shell scripts, and RunAndWait through the
// runner seam.

#include "core/process_runner.h"
#include "core/processes.h"

#include "support/fake_process_runner.h"
#include "support/printers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

namespace qv {
namespace {

class ProcessRunnerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }

    QString Path(const char* name) const { return FDir.filePath(QString::fromUtf8(name)); }

    QByteArray Output() const
    {
        QFile file(Path("out.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // /bin/sh running `script`, with `arguments` as its $1, $2…, in the temporary folder.
    TProcessRequest Shell(const char* script, const QStringList& arguments = {}) const
    {
        TProcessRequest request;
        request.Program = QStringLiteral("/bin/sh");
        request.Arguments =
            QStringList{QStringLiteral("-c"), QString::fromUtf8(script), QStringLiteral("sh")} + arguments;
        request.WorkingFolder = FDir.path();
        request.OutputFile = Path("out.txt");
        return request;
    }

    QTemporaryDir FDir;
};

struct TRunRow
{
    const char* Name;
    const char* Script;
    QStringList Arguments;
    int TimeLimitMs;
    bool Finished;
    int ExitCode;
    bool TimedOut;
    const char* Output; // "<dir>" stands for the canonical temporary folder
};

// Every row starts with an older, longer output file, which the run replaces.
TEST_F(ProcessRunnerTest, RunsToTheEndOrToTheTimeLimit)
{
    const TRunRow rows[] = {
        {"exit code, standard error discarded",
         "echo out; echo err >&2; exit 3",
         {},
         -1,
         true,
         3,
         false,
         "out\n"},
        {"arguments reach the program untouched",
         "for a in \"$@\"; do echo \"[$a]\"; done",
         {"a b", "$HOME", "*"},
         5000,
         true,
         0,
         false,
         "[a b]\n[$HOME]\n[*]\n"},
        {"the working folder", "pwd", {}, -1, true, 0, false, "<dir>\n"},
        {"killed at the time limit", "echo begun; exec sleep 60", {}, 300, false, -1, true, "begun\n"},
        {"a crash", "echo dying; kill -9 $$", {}, -1, false, -1, false, "dying\n"},
    };
    const QByteArray dir = QFileInfo(FDir.path()).canonicalFilePath().toUtf8();
    for (const TRunRow& row : rows) {
        SCOPED_TRACE(row.Name);
        QFile old(Path("out.txt"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older and much longer output\n");
        old.close();

        TProcessRequest request = Shell(row.Script, row.Arguments);
        request.TimeLimitMs = row.TimeLimitMs;
        const TProcessResult result = TSystemProcessRunner().Run(request);
        EXPECT_TRUE(result.Started);
        EXPECT_EQ(result.Finished, row.Finished);
        EXPECT_EQ(result.ExitCode, row.ExitCode);
        EXPECT_EQ(result.TimedOut, row.TimedOut);
        EXPECT_FALSE(result.Cancelled);
        EXPECT_EQ(result.ErrorText.isEmpty(), row.Finished || row.TimedOut);
        EXPECT_EQ(Output(), QByteArray(row.Output).replace("<dir>", dir));
    }
}

TEST_F(ProcessRunnerTest, WhatCannotStartSaysWhy)
{
    TProcessRequest missingProgram = Shell("true");
    missingProgram.Program = Path("no such program");
    TProcessRequest missingOutputFolder = Shell("true");
    missingOutputFolder.OutputFile = Path("no folder/out.txt");
    for (const TProcessRequest& request : {missingProgram, missingOutputFolder}) {
        const TProcessResult result = TSystemProcessRunner().Run(request);
        EXPECT_FALSE(result.Started);
        EXPECT_FALSE(result.Finished);
        EXPECT_FALSE(result.ErrorText.isEmpty());
    }
}

// A generation thread runs the program; the user-interface thread cancels it.
TEST_F(ProcessRunnerTest, AnotherThreadCancelsTheRun)
{
    std::atomic<bool> cancel{false};
    TProcessRequest request = Shell("echo begun; exec sleep 60");
    request.Cancel = &cancel;
    TProcessResult result;
    std::thread worker([&] { result = TSystemProcessRunner().Run(request); });
    const QDeadlineTimer patience(10000);
    while (Output() != "begun\n" && !patience.hasExpired())
        QThread::msleep(10);
    cancel = true;
    worker.join();
    EXPECT_TRUE(result.Started);
    EXPECT_TRUE(result.Cancelled);
    EXPECT_FALSE(result.Finished || result.TimedOut);
    EXPECT_EQ(Output(), "begun\n");
}

// What the program started goes with it, even when it ignores TERM: the whole process group is
// stopped, TERM first and KILL after the grace period.
TEST_F(ProcessRunnerTest, TheTimeLimitStopsWhatTheProgramStarted)
{
    TProcessRequest request = Shell("(trap '' TERM; exec sleep 60) & echo $! > child.pid; echo begun; wait");
    request.TimeLimitMs = 300;
    request.GraceMs = 200;
    const TProcessResult result = TSystemProcessRunner().Run(request);
    EXPECT_TRUE(result.TimedOut);
    QFile pidFile(Path("child.pid"));
    ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
    const QByteArray pid = pidFile.readAll().trimmed();
    ASSERT_FALSE(pid.isEmpty());
    // Gone, or a zombie waiting for whoever adopted it.
    const QDeadlineTimer patience(5000);
    QByteArray state;
    for (;;) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
        state = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
        const qsizetype close = state.lastIndexOf(')');
        state = close < 0 ? QByteArray() : state.mid(close + 2, 1);
        if (state.isEmpty() || state == "Z" || patience.hasExpired())
            break;
        QThread::msleep(10);
    }
    EXPECT_TRUE(state.isEmpty() || state == "Z") << "the child is still running: " << state.constData();
}

// RunAndWait splits its command line and runs the program in the program's own folder.
TEST_F(ProcessRunnerTest, RunAndWaitGoesThroughTheInstalledRunner)
{
    TFakeProcessRunner runner;
    TScopedService<IProcessRunner> installed(&runner);
    runner.Scripts = {{{}, {}}, {{true, true, 0, false, false, {}}, "compiled\n"}};
    const QString tool = Path("tools/cc");
    EXPECT_FALSE(RunAndWait(tool, QStringLiteral("\"a file.rc\" -x"), smHide, 500));
    EXPECT_TRUE(RunAndWait(tool, QString(), smHide, -7, Path("out.txt")));
    ASSERT_EQ(runner.Requests.size(), 2);
    const TProcessRequest& first = runner.Requests[0];
    EXPECT_EQ(first.Program, tool);
    EXPECT_EQ(first.Arguments, (QStringList{QStringLiteral("a file.rc"), QStringLiteral("-x")}));
    EXPECT_EQ(first.WorkingFolder, Path("tools"));
    EXPECT_EQ(first.TimeLimitMs, 500);
    EXPECT_TRUE(first.OutputFile.isEmpty());
    EXPECT_EQ(runner.Requests[1].TimeLimitMs, -1);
    EXPECT_EQ(Output(), "compiled\n");
}

} // namespace
} // namespace qv
