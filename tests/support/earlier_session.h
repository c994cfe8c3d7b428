#pragma once

// A session file of an earlier run under a test's folder of the program's own files, so that the
// windows the test opens take it for a later start: no welcome text in new documents.

#include "app/session_file.h"

#include "support/fake_app_folders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace qv {

inline bool WriteEarlierSession(const QString& root)
{
    QDir().mkpath(root + QStringLiteral("/config"));
    QFile file(root + QStringLiteral("/config/") + SessionBaseName() + QStringLiteral(".session"));
    return file.open(QIODevice::WriteOnly) && file.write("<session/>") > 0;
}

// A temporary folder of the program's own files after an earlier run, for window tests to derive
// from: its members come before the fixture's own, so they exist before the window does.
struct TLaterStartFolder
{
    QTemporaryDir Dir;
    TFakeAppFolders Folders{Dir.path()};
    bool SessionWritten = WriteEarlierSession(Dir.path());
};

} // namespace qv
