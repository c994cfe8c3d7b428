#pragma once

// Running real tools (compilers, parsers) from tests. A check that needs a tool finds it with
// FIND_TOOL_OR_SKIP, which skips the test with the reason printed when the tool is not installed.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstdio>

namespace qv {

struct TToolResult
{
    bool Started = false;
    int ExitCode = -1;
    QByteArray Output;
    QByteArray Errors;
};

// Runs the program in `folder` and waits for it without a time limit.
inline TToolResult RunTool(const QString& program, const QStringList& arguments, const QString& folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    TToolResult result;
    result.Started = process.waitForStarted(-1);
    if (!result.Started)
        return result;
    process.closeWriteChannel();
    process.waitForFinished(-1);
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.Output = process.readAllStandardOutput();
    result.Errors = process.readAllStandardError();
    return result;
}

inline bool WriteFile(const QString& fileName, const QByteArray& data)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace qv

#define FIND_TOOL_OR_SKIP(variable, name)                                                                    \
    const QString variable = QStandardPaths::findExecutable(QStringLiteral(name));                           \
    if (variable.isEmpty()) {                                                                                \
        std::printf("skipped: the tool \"%s\" is not installed\n", name);                                    \
        GTEST_SKIP() << "the tool \"" name "\" is not installed";                                            \
    }
