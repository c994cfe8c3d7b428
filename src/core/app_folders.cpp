#include "core/app_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace qv {

namespace {

IAppFolders& SystemAppFolders()
{
    static TSystemAppFolders folders;
    return folders;
}

// `variable` when it holds an absolute path (relative ones are to be ignored), else `fallback`
// below the home folder; then the program's own folder below it.
QString UserFolder(const char* variable, const char* fallback)
{
    QString base = qEnvironmentVariable(variable);
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + u'/' + QLatin1String(fallback);
    return QDir::cleanPath(base + QStringLiteral("/quorvane"));
}

} // namespace

template <>
TServiceSlot<IAppFolders>& ServiceSlot<IAppFolders>()
{
    static constinit TServiceSlot<IAppFolders> slot(&SystemAppFolders);
    return slot;
}

QString TSystemAppFolders::UserConfigFolder() const
{
    return UserFolder("XDG_CONFIG_HOME", ".config");
}

QString TSystemAppFolders::UserDataFolder() const
{
    return UserFolder("XDG_DATA_HOME", ".local/share");
}

QString TSystemAppFolders::ProgramFolder() const
{
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationDirPath();
    const QFileInfo executable(QStringLiteral("/proc/self/exe"));
    const QString file = executable.canonicalFilePath();
    return file.isEmpty() ? QDir::currentPath() : QFileInfo(file).absolutePath();
}

QString AppFolder(TAppFolder folder)
{
    const IAppFolders& folders = ServiceSlot<IAppFolders>().Get();
    switch (folder) {
    case afUserConfig:
        return folders.UserConfigFolder();
    case afUserData:
        return folders.UserDataFolder();
    case afProgram:
        return folders.ProgramFolder();
    case afThemes:
        return folders.ProgramFolder() + QStringLiteral("/Themes");
    case afModules:
        return folders.ProgramFolder() + QStringLiteral("/VCL");
    case afTranslators:
        return folders.ProgramFolder() + QStringLiteral("/Translators");
    }
    return QString();
}

} // namespace qv
