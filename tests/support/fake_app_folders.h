#pragma once

#include "core/app_folders.h"

namespace qv {

// Puts the program's folders below one root, usually a temporary folder: `root`/config,
// `root`/data and `root`/program (with "Themes", "VCL" and "Translators" below it). Installs itself
// for its lifetime and puts back the folders before it when it goes. Creates nothing.
class TFakeAppFolders : public IAppFolders
{
public:
    explicit TFakeAppFolders(const QString& root) : FRoot(root) {}

    QString UserConfigFolder() const override { return FRoot + QStringLiteral("/config"); }
    QString UserDataFolder() const override { return FRoot + QStringLiteral("/data"); }
    QString ProgramFolder() const override { return FRoot + QStringLiteral("/program"); }

private:
    QString FRoot;
    TScopedService<IAppFolders> FInstalled{this};
};

} // namespace qv
