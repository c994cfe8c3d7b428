#pragma once

// A user of their own for tests that write generated files, the manifest or the trash: a temporary
// folder holding the home folder, the per-user folders and the temporary folder, all named by the
// environment (HOME, XDG_DATA_HOME, XDG_CONFIG_HOME, TMPDIR) and the program's folder seam, and a
// manifest of generated files installed as the default one. Everything goes when the scope ends.

#include "generation/generation_files.h"

#include "support/fake_app_folders.h"
#include "support/scoped_environment.h"

#include <QDir>
#include <QTemporaryDir>

namespace qv {

class TScopedHome
{
public:
    TScopedHome()
    {
        const QString root = FRoot.path();
        for (const char* folder : {"home", "data", "config", "tmp", "work"})
            QDir(root).mkpath(QString::fromLatin1(folder));
        FEnvironment.Set("HOME", QFile::encodeName(root + QStringLiteral("/home")).constData());
        FEnvironment.Set("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")).constData());
        FEnvironment.Set("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")).constData());
        FEnvironment.Set("TMPDIR", QFile::encodeName(root + QStringLiteral("/tmp")).constData());
        TOutputManifest::SetDefault(&Manifest);
    }
    ~TScopedHome() { TOutputManifest::SetDefault(nullptr); }
    TScopedHome(const TScopedHome&) = delete;
    TScopedHome& operator=(const TScopedHome&) = delete;

    // The root (canonical), and a path below its "work" folder, where tests put documents and outputs.
    QString Root() const { return FRoot.path(); }
    QString Work(const QString& relative = QString()) const
    {
        return FRoot.path() + QStringLiteral("/work/") + relative;
    }
    // The files the trash holds.
    QStringList Trashed() const
    {
        return QDir(FRoot.path() + QStringLiteral("/data/Trash/files"))
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private:
    QTemporaryDir FRoot{QDir(QDir::tempPath()).canonicalPath() + QStringLiteral("/qv-home-XXXXXX")};
    TScopedEnvironment FEnvironment;
    TFakeAppFolders FFolders{FRoot.path()};

public:
    TOutputManifest Manifest{FRoot.path() + QStringLiteral("/data/quorvane/generated.manifest")};
};

} // namespace qv
