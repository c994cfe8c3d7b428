#pragma once

#include "core/service_slot.h"

#include <QString>

namespace qv {

// The desktop's file manager, as far as elements that name files need it. Without an installed
// one, TDesktopFileManager answers; tests install a recording fake. User-interface thread only.
class IFileManager
{
public:
    virtual ~IFileManager() = default;

    // Shows the folder of `file` (a full path) with the file selected.
    virtual void ShowInFolder(const QString& file) = 0;
};

// Asks the file manager over the session bus (the freedesktop.org file-manager interface) when the
// program was built with QtDBus and a file manager answers; otherwise opens the file's folder with
// the desktop (IUserInterface::OpenFile), which shows the folder without selecting the file.
class TDesktopFileManager : public IFileManager
{
public:
    void ShowInFolder(const QString& file) override;
};

template <>
TServiceSlot<IFileManager>& ServiceSlot<IFileManager>();

// The current file manager; never null.
inline IFileManager& FileManager()
{
    return ServiceSlot<IFileManager>().Get();
}

} // namespace qv
