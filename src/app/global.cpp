#include "app/global.h"

#include "app/settings.h"
#include "app/settings_form.h"
#include "core/settings_file.h"
#include "generation/generation_settings.h"
#include "generation/scheme_processor.h"
#include "library/data_element.h"
#include "textor/sheet_settings.h"

#include <QDir>

namespace qv {

TGlobal::TGlobal(const QStringList& arguments)
    : CommandLine(arguments), SettingsFile(QStringLiteral("settings"), &CommandLine),
      RecentFilesFile(QStringLiteral("recentfiles"), &CommandLine),
      SessionFile(QStringLiteral("session"), &CommandLine), RecentFiles(&RecentFilesFile.Knot),
      FSettings(std::make_unique<TSettings>())
{
    const QString folder = SessionFolder();
    const QString base = QDir(folder).filePath(SessionBaseName());
    SettingsFile.FileName = base + QStringLiteral(".settings");
    RecentFilesFile.FileName = base + QStringLiteral(".recentfiles");
    SessionFile.FileName = base + QStringLiteral(".session");

    // Groups other families own are loaded and saved with the rest.
    FSettings->Attach(&DataElementSettings(), &FSettings->Sheet());
    FSettings->Attach(&GenerationSettings());
    // A generation run never writes or deletes the program's own files.
    GenerationService().ProtectedFiles = {SettingsFile.FileName, RecentFilesFile.FileName,
                                          SessionFile.FileName};
    SettingsFile.Load();
    if (SettingsFile.LoadState == TSessionFile::lsMissing) {
        FSettings->Reset();
        SettingsChanged = true;
    } else {
        FSettings->LoadFromKnot(SettingsFile.Knot);
    }
    // The tree holds the settings now; the knot is built again when they are saved.
    SettingsFile.Knot.Clear();
    RecentFilesFile.Load();
    SessionFile.Load();
    FSettings->Install();
}

TGlobal::~TGlobal() = default;

bool TGlobal::BackupOnSave() const
{
    return FSettings->Misc().BackupOnSave()->Value();
}

TSheetSettings* TGlobal::SheetSettings() const
{
    return &FSettings->Sheet();
}

void TGlobal::EditSettings(QWidget* owner, const QString& pageKey)
{
    // Apply may run several times while the window is open.
    auto backup = std::make_shared<bool>(BackupOnSave());
    ShowSettings(owner, *FSettings, pageKey, [this, backup] {
        if (BackupOnSave() != *backup) {
            *backup = BackupOnSave();
            if (OnBackupOnSaveChanged)
                OnBackupOnSaveChanged(*backup);
        }
        SaveSettings();
    });
}

void TGlobal::SaveSessionFiles()
{
    SessionFile.Save();
    RecentFilesFile.Save();
}

void TGlobal::SaveSettings()
{
    SaveSettingsToKnot(*FSettings, SettingsFile.Knot, SessionBaseName());
    SettingsFile.Save();
    SettingsFile.Knot.Clear();
    SettingsChanged = false;
}

} // namespace qv
