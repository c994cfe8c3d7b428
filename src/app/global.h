#pragma once

#include "app/command_line.h"
#include "app/session_file.h"
#include "documents/recent_files.h"

#include <functional>
#include <memory>

class QWidget;

namespace qv {

class TSettings;
class TSheetSettings;

// What the whole program shares, created before the main window: the command line, the three
// per-user files (settings, recent files, session), the settings tree and the recent-files list.
//
// Creating it reads the files (an argument "x.settings", "x.recentfiles" or "x.session" replaces the
// file of that kind and is taken from the command line); with no settings file every setting takes
// its default and SettingsChanged is set, so the file is written at exit. Nothing is written before
// SaveSessionFiles or SaveSettings. User-interface thread only.
class TGlobal
{
public:
    explicit TGlobal(const QStringList& arguments);
    ~TGlobal();
    TGlobal(const TGlobal&) = delete;
    TGlobal& operator=(const TGlobal&) = delete;

    TCommandLine CommandLine;
    TSessionFile SettingsFile;
    TSessionFile RecentFilesFile;
    TSessionFile SessionFile;
    TSettings& Settings() { return *FSettings; }
    // The settings must be written at exit.
    bool SettingsChanged = false;
    // Recently closed files, in the recent-files file.
    TRecentFiles RecentFiles;

    // True on the first run: there was no session file. The first new document gets the welcome
    // text then.
    bool FirstRun() const { return SessionFile.LoadState == TSessionFile::lsMissing; }

    // "BackupOnSave" of the "Misc" settings, and the call made whenever it changes.
    bool BackupOnSave() const;
    std::function<void(bool backup)> OnBackupOnSaveChanged;
    // The "Sheet" settings the sheets and text fields use.
    TSheetSettings* SheetSettings() const;
    // Shows the settings window (null key: the page shown last); a change marks the settings to be
    // written.
    void EditSettings(QWidget* owner, const QString& pageKey = QString());

    // Writes the session and recent-files files; errors are ignored.
    void SaveSessionFiles();
    // Writes the settings file and clears SettingsChanged; errors are ignored.
    void SaveSettings();

private:
    std::unique_ptr<TSettings> FSettings;
};

} // namespace qv
