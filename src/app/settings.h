#pragma once

#include "core/property.h"

#include <QList>
#include <QLocale>
#include <QString>

namespace qv {

class TLogSettings;
class TNamingSettings;
class TPrintSettings;
class TSheetSettings;
class TSoundsSettings;

// The language code "Language" takes on a first start: the code of `locale`'s language when its
// string table is among `available` (language identifiers), else "ENU". Only the languages the
// program may be translated into are considered; Chinese is "CHT" in Taiwan and "CHS" elsewhere.
QString DefaultLanguageCode(const QLocale& locale, const QList<int>& available);
// The languages whose string table holds the product title: the ones the interface can switch to.
QList<int> AvailableLanguages();
// DefaultLanguageCode for the platform user's locale and the tables the program has.
QString PlatformLanguageCode();

// The settings node "General": the interface language. Whenever "Language" changes to a code of the
// language list, the interface switches to that language at once; an unknown code keeps the present
// one.
class TGeneralSettings : public TProperty
{
    QV_CLASS(TGeneralSettings, TProperty)

public:
    // `defaultLanguage` is what "Language" resets to.
    TGeneralSettings(TProperty* parent, const QString& defaultLanguage);

    TStringProperty* Language() const { return FLanguage; }
    // Switches the interface to "Language" when it names a known language.
    void ApplyLanguage();

    bool HandleMessage(int msg, void* param, void* data) override;

private:
    TStringProperty* FLanguage;
    QString FApplied;
};

// The settings node "Misc".
class TMiscSettings : public TProperty
{
    QV_CLASS(TMiscSettings, TProperty)

public:
    explicit TMiscSettings(TProperty* parent);

    // Keep a backup copy ("~" in the extension) of a file when it is first saved.
    TBooleanProperty* BackupOnSave() const { return FBackupOnSave; }
    // The file extension of the document type a start without a file creates ("frt", Plain Text);
    // "-autocreate" on the command line goes before it.
    TStringProperty* NewDocumentType() const { return FNewDocumentType; }

private:
    TBooleanProperty* FBackupOnSave;
    TStringProperty* FNewDocumentType;
};

// The settings node "SheetForm" of the editing window.
class TSheetFormSettings : public TProperty
{
    QV_CLASS(TSheetFormSettings, TProperty)

public:
    explicit TSheetFormSettings(TProperty* parent);

    TBooleanProperty* ShowHints() const { return FShowHints; }

private:
    TBooleanProperty* FShowHints;
};

// The settings node "PaletteForm" of the palette window.
class TPaletteFormSettings : public TProperty
{
    QV_CLASS(TPaletteFormSettings, TProperty)

public:
    explicit TPaletteFormSettings(TProperty* parent);

    TBooleanProperty* ShowHeaders() const { return FShowHeaders; }
    TBooleanProperty* ShowCaptions() const { return FShowCaptions; }
    TBooleanProperty* ShowHints() const { return FShowHints; }

private:
    TBooleanProperty* FShowHeaders;
    TBooleanProperty* FShowCaptions;
    TBooleanProperty* FShowHints;
};

// The application's settings: the root of the settings tree, saved into the settings file. It
// creates its groups itself, in their stored order: "General", "Sheet", "Print", "Misc", "Sounds",
// "Naming", "SheetForm", "PaletteForm", "Log".
//
// Groups owned elsewhere are attached when the program starts and detached before the tree goes:
// Attach(group) puts a group in its place among the root's children (GroupOrder()), so
// attaching in any order gives the same file; Attach(group, parent) appends it to a group (the data
// elements' "Data" under Sheet()). An attached group stays its owner's: the tree detaches every
// group still attached, last first, when it is destroyed.
//
// Install() makes this tree's groups the ones the subsystems read (sounds, automatic names, the text
// fields' sheet settings) and applies "Language"; the destructor undoes it. The "Log" node has no
// process-wide slot: whoever creates a document's log passes Log() to its root.
//
// User-interface thread only.
class TSettings : public TProperty
{
    QV_CLASS(TSettings, TProperty)

public:
    explicit TSettings(const QString& defaultLanguage = PlatformLanguageCode());
    ~TSettings() override;

    TGeneralSettings& General() const { return *FGeneral; }
    TSheetSettings& Sheet() const { return *FSheet; }
    TPrintSettings& Print() const { return *FPrint; }
    TMiscSettings& Misc() const { return *FMisc; }
    TSoundsSettings& Sounds() const { return *FSounds; }
    TNamingSettings& Naming() const { return *FNaming; }
    TSheetFormSettings& SheetForm() const { return *FSheetForm; }
    TPaletteFormSettings& PaletteForm() const { return *FPaletteForm; }
    TLogSettings& Log() const { return *FLog; }

    // Adds a group owned elsewhere: under `parent`, or (null) among the root's groups at the place
    // its name has in GroupOrder() (unknown names go last).
    void Attach(TProperty* group, TProperty* parent = nullptr);
    // Takes an attached group out of the tree; it keeps its values.
    void Detach(TProperty* group);

    void Install();
    void Uninstall();
    bool Installed() const { return FInstalled; }

    // The names of the root's groups in the order the settings file holds them.
    static const QStringList& GroupOrder();

private:
    TGeneralSettings* FGeneral;
    TSheetSettings* FSheet;
    TPrintSettings* FPrint;
    TMiscSettings* FMisc;
    TSoundsSettings* FSounds;
    TNamingSettings* FNaming;
    TSheetFormSettings* FSheetForm;
    TPaletteFormSettings* FPaletteForm;
    TLogSettings* FLog;
    QList<TProperty*> FAttached;
    bool FInstalled = false;
};

} // namespace qv
