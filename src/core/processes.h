#pragma once

#include "core/user_interface.h"

#include <QString>

namespace qv {

// Runs `program` with `parameters` (one command line; double quotes group words, as QProcess
// splits it) in the program's own folder and waits until it ends or `timeoutMs` milliseconds
// have passed (a negative timeout waits without limit). A program named without a folder is looked
// up on PATH. With `outputFile`, the program's standard output replaces that file's content;
// otherwise it is discarded, like its standard error. A program still running after the timeout is
// killed: nothing would wait for it any more. Console programs have no window, so `showMode` only
// documents the caller's intent. Returns whether the program could be started; its exit code is
// not read. The program runs through the installed IProcessRunner.
//
// Blocks the calling thread; called by generation threads.
bool RunAndWait(const QString& program, const QString& parameters, TShowMode showMode, int timeoutMs = -1,
                const QString& outputFile = QString());

// Opens `file` with its program through the user interface (IUserInterface::OpenFile); when no
// program is associated, lets the user choose one. Returns whether something was opened. With
// `raiseErrors` a failure throws EQvError: "Path not found: %1" when a folder on the way is missing
// (or when the name, ending with "/", names a folder that is missing or may not be read), "File
// not found: %1" for a missing or unreadable file, and "ShellExecute error (%d) to launch "%s""
// with the error code otherwise. A cancelled choice of program raises nothing.
bool OpenDocument(const QString& file, const QString& parameters, const QString& verb, bool raiseErrors,
                  TShowMode showMode = smNormal);

} // namespace qv
