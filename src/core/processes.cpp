#include "core/processes.h"

#include "core/errors.h"
#include "core/process_runner.h"
#include "core/strings.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>

namespace qv {

namespace {

// What the file system says of `file` before anything is started: osOpened when it can be
// handed on.
TOpenResult LocateFile(const QString& file)
{
    if (!file.contains(u'/')) {
        // A bare name: a file in the current folder or a program on PATH.
        if (QFileInfo::exists(file) || !QStandardPaths::findExecutable(file).isEmpty())
            return {osOpened, 0};
        return {osFileNotFound, ENOENT};
    }
    const QFileInfo info(file);
    if (!info.exists()) {
        const bool folderExists = QFileInfo(info.absolutePath()).isDir();
        return {folderExists && !file.endsWith(u'/') ? osFileNotFound : osPathNotFound, ENOENT};
    }
    if (!info.isReadable())
        return {osAccessDenied, EACCES};
    return {osOpened, 0};
}

} // namespace

bool RunAndWait(const QString& program, const QString& parameters, TShowMode /*showMode*/, int timeoutMs,
                const QString& outputFile)
{
    QString path = program;
    if (!program.contains(u'/')) {
        const QString found = QStandardPaths::findExecutable(program);
        if (!found.isEmpty())
            path = found;
    }
    TProcessRequest request;
    request.Program = path;
    request.Arguments = QProcess::splitCommand(parameters);
    request.WorkingFolder = QFileInfo(path).absolutePath();
    request.OutputFile = outputFile;
    request.TimeLimitMs = timeoutMs < 0 ? -1 : timeoutMs;
    return ProcessRunner().Run(request).Started;
}

bool OpenDocument(const QString& file, const QString& parameters, const QString& verb, bool raiseErrors,
                  TShowMode showMode)
{
    TOpenResult result = LocateFile(file);
    if (result.Status == osOpened)
        result = UserInterface().OpenFile(file, parameters, verb, showMode);
    if (result.Status == osOpened)
        return true;
    if (result.Status == osNoAssociation)
        return UserInterface().OpenFileWith(file);
    if (!raiseErrors)
        return false;
    const bool folderName = file.endsWith(u'/');
    switch (result.Status) {
    case osPathNotFound:
        RaiseStr(2078, {file});
    case osFileNotFound:
    case osAccessDenied:
        if (folderName)
            RaiseStr(2078, {file});
        RaiseStr(2077, {file});
    default:
        throw EQvError(
            FormatStr(QStringLiteral("ShellExecute error (%d) to launch \"%s\""), {result.Code, file}));
    }
}

} // namespace qv
