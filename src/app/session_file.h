#pragma once

#include "core/knot.h"

#include <QString>

class QWidget;

namespace qv {

class TCommandLine;

// One of the program's per-user files (settings, recent files, session): a knot text file named after
// the program with its own extension. An argument "*.<extension>" on the command line replaces the
// file (it is taken from the arguments and never opened as a document).
class TSessionFile
{
public:
    enum TLoadState : int
    {
        lsMissing = 1, // the file did not exist
        lsFailed = 2,  // it existed but could not be read
        lsLoaded = 3,
    };

    // `commandLine` (not owned, may be null) is searched for an override on Load.
    TSessionFile(const QString& extension, TCommandLine* commandLine);

    const QString& Extension() const { return FExtension; }
    QString FileName;
    // The file's content, with the options of settings files.
    TKnot Knot;
    int LoadState = 0;

    // Applies the command-line override, then reads the file. Never throws.
    void Load();
    // Names the knot after the file (no folder, no extension) and writes it without a byte order
    // mark, safely. Errors are ignored: a per-user file that cannot be written must not stop the
    // program. Returns whether it was written.
    bool Save();

private:
    QString FExtension;
    TCommandLine* FCommandLine;
};

// The folder of the per-user files: the per-user configuration folder (created when missing), or
// the program's folder when that cannot be created.
QString SessionFolder();
// The base name of the per-user files: the program file's name without extension ("quorvane").
QString SessionBaseName();

// A window's placement in the node named after the window (its objectName) under the node at
// `knotPath` of a session file's knot: "Maximized", else "Left", "Top", "Width", "Height". Restoring
// keeps the window inside the desktop: a stored coordinate outside it keeps the present one.
void StoreFormPlace(const QWidget& window, TKnot& sessionKnot, const QString& knotPath = QString());
// False when nothing was stored for the window.
bool RestoreFormPlace(QWidget& window, TKnot& sessionKnot, const QString& knotPath = QString());

} // namespace qv
