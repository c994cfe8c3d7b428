#pragma once

#include "core/service_slot.h"

#include <QString>

#include <cstdint>

namespace qv {

// The folders the program reads and writes besides documents.
enum TAppFolder : uint8_t
{
    afUserConfig,  // the per-user settings, recent files and session: $XDG_CONFIG_HOME/quorvane
    afUserData,    // per-user data: $XDG_DATA_HOME/quorvane
    afProgram,     // the folder of the program file
    afThemes,      // "Themes" beside the program: named sheet themes
    afModules,     // "VCL" beside the program: library modules (*.prm)
    afTranslators, // "Translators" beside the program: translator libraries
};

// Where the base folders are. The system's answer follows the environment and the program file;
// tests install one that points into a temporary folder.
class IAppFolders
{
public:
    virtual ~IAppFolders() = default;

    // The per-user configuration folder of the program (it need not exist yet).
    virtual QString UserConfigFolder() const = 0;
    // The per-user data folder of the program (it need not exist yet).
    virtual QString UserDataFolder() const = 0;
    // The folder that holds the program file.
    virtual QString ProgramFolder() const = 0;
};

// $XDG_CONFIG_HOME and $XDG_DATA_HOME when they are absolute paths, else ~/.config and
// ~/.local/share, each followed by "/quorvane"; the program's folder from the running application,
// or, before there is one, from the executable of this process.
class TSystemAppFolders : public IAppFolders
{
public:
    QString UserConfigFolder() const override;
    QString UserDataFolder() const override;
    QString ProgramFolder() const override;
};

// The slot of the folders; without an installed one, TSystemAppFolders answers.
template <>
TServiceSlot<IAppFolders>& ServiceSlot<IAppFolders>();

// The absolute path of `folder`, without a trailing "/". Any thread.
QString AppFolder(TAppFolder folder);

} // namespace qv
