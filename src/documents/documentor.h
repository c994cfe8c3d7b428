#pragma once

#include "core/itf_object.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace qv {

class TDocument;
class TMetaClass;
class TRecentFiles;

// Options of the document manager (a set).
enum TDocumentorOption : uint16_t
{
    doViewer = 0x0001,                   // no effect in the manager itself
    doUndoAfterSave = 0x0002,            // keep the undo history after a save
    doModifyFormCaption = 0x0004,        // the owner window's caption follows the title
    doModifyAppTitle = 0x0008,           // the application title follows the title
    doOpenFilesFromCommandLine = 0x0010, // Start opens the command-line files
    doSingleDoc = 0x0020,                // one document at a time
    doAutoCreateDoc = 0x0040,            // Start creates a document when none was opened
    doBackupFiles = 0x0080,              // the first save after opening keeps a backup copy
};
using TDocumentorOptions = uint16_t;

// Kinds of the manager's Notifier notifications; each precedes the event of the same meaning.
enum TDocumentorNotify : int
{
    dnDocumentListChanged = 1,
    dnSwitched = 2,
    dnTitleChanged = 3,
    dnAppActions = 4,
    dnUndoRedoActions = 5,
};

// What a document is created from; for scheme documents the descriptor class. The manager only
// passes it between its events.
using TCreationData = const TMetaClass*;

// The document manager: the open documents in opening order and the current one; New, Open, Save,
// Save As, Save All, Close and Close All; the question before discarding changes, backup copies, the
// recent-files list and the title. It knows no document type: the application connects its events
// (see ConnectSchemeDocuments). Users are asked through IUserInterface.
//
// A failed command raises EQvError, except Open and OpenFile, which show their failures through
// the user interface's error display. User-interface thread only.
class TDocumentor
{
public:
    TDocumentor();
    ~TDocumentor();
    TDocumentor(const TDocumentor&) = delete;
    TDocumentor& operator=(const TDocumentor&) = delete;

    int DocumentCount() const { return int(FDocuments.size()); }
    TDocument* GetDocuments(int index) const { return FDocuments.at(size_t(index)).get(); }
    // The open document of that file, or null.
    TDocument* FindDocument(const QString& fileName) const;
    TDocument* Current() const { return FCurrent; }
    // Its Notify reports the TDocumentorNotify kinds, sender the notifier.
    TItfObject* Notifier() { return &FNotifier; }

    TDocumentorOptions Options() const { return FOptions; }
    void SetOptions(TDocumentorOptions options) { FOptions = options; }
    bool HasOption(TDocumentorOption option) const { return (FOptions & option) != 0; }

    // Not owned; null when there is none.
    TRecentFiles* RecentFiles() const { return FRecentFiles; }
    void SetRecentFiles(TRecentFiles* recentFiles) { FRecentFiles = recentFiles; }

    // The application's title; the window title ends with it.
    QString ApplicationTitle;
    // The arguments of the program (without the program itself); OpenFromCommandLine removes the
    // files it takes.
    QStringList CommandLine;
    // With doSingleDoc, the command-line files of known types beyond the first, which
    // OpenFromCommandLine leaves for the application (full paths, in order).
    QStringList ExtraFiles;
    // The dialog filters ("Text (*.ext);;…"), and the extensions (without dot) of the filters used for
    // opening. Without extensions there is no open dialog: every command-line argument is a file.
    QString OpenFilters;
    QStringList OpenExtensions;
    // Ask before discarding changes with "Save" / "Do not Save" / Cancel; otherwise with a Yes / No
    // / Cancel message box.
    bool UseTaskDialogs = true;

    // --- Events (set by the application) -----------------------------------------------------------
    // Creates the document object for the creation data; null creates nothing.
    std::function<std::unique_ptr<TDocument>(TCreationData data)> OnCreateDocument;
    // The creation data for a file; may raise EQvError (an unsupported file).
    std::function<TCreationData(const QString& fileName)> OnCreationDataFromFileName;
    // Chooses or confirms the creation data for New; false cancels.
    std::function<bool(bool isAutoCreate, TCreationData& data)> OnNewDialog;
    // Replaces the open dialog: true when it handled the request (`files` then holds the choice).
    std::function<bool(QStringList& files)> OnOpenDialog;
    // Replaces or prepares the Save As dialog: true when handled (then `fileName` holds the choice, or
    // `cancel` is set); false lets the manager's dialog run with the prepared `fileName`.
    std::function<bool(TDocument* document, QString& fileName, bool& cancel)> OnSaveAsDialog;
    std::function<void()> OnDocumentListChange;
    std::function<void()> OnSwitch;
    std::function<void()> OnTitleChange;
    std::function<void()> OnModifiedChange;
    std::function<void()> OnUpdateAppActions;
    std::function<void()> OnUpdateUndoRedoActions;

    // --- Commands ----------------------------------------------------------------------------------
    // False when nothing was created (the dialog cancelled, or the current document may not be
    // closed). Errors of the new document's initialisation free it and pass on.
    bool New(bool isAutoCreate, TCreationData data);
    void Open();
    void OpenFiles(const QStringList& fileNames);
    // An already open file becomes current instead of being opened a second time. Failures are shown
    // through the error display and leave the open documents as they were; the result is then false.
    bool OpenFile(const QString& fileName);
    void OpenFromCommandLine();
    // Updates the title, opens the command-line files (doOpenFilesFromCommandLine) and creates a
    // document when none is open (doAutoCreateDoc).
    void Start();
    // Save and SaveAs return whether the document was written; a declined dialog or question gives
    // false. Write errors pass on and leave the document modified.
    bool Save();
    bool SaveAs();
    // Stops at the first document that is still modified after its save; false then.
    bool SaveAll();
    bool CloseQuery();
    bool Close();
    // Closes the document without asking: changes not saved are dropped.
    void CloseDocument(TDocument* document);
    bool CloseAll();
    void SetCurrent(TDocument* document);
    QString GetTitle();

    // Action states.
    bool CanSave() const { return FCurrent != nullptr; }
    bool CanSaveAs() const { return FCurrent != nullptr; }
    bool CanSaveAll() const;
    bool CanClose() const { return !FDocuments.empty(); }
    bool CanCloseAll() const { return !FDocuments.empty(); }

    // "notes.frt" → "notes.~frt"; a name without extension gets ".~".
    static QString BackupFileName(const QString& fileName);

private:
    void AddDocument(std::unique_ptr<TDocument> document);
    // False when the document declined the save.
    bool SaveDocument(TDocument* document, const QString& fileName);
    void MakeBackup(TDocument* document);
    void PutIntoRecentFiles(TDocument* document, const QString& fileName);
    int IndexOf(TDocument* document) const;

    void DocumentSaved(TItfObject* sender, int notify, intptr_t param1, intptr_t param2);
    void DocumentChanged(TItfObject* sender, int notify, intptr_t param1, intptr_t param2);
    void UndoRedoNotify(TItfObject* sender, int notify, intptr_t param1, intptr_t param2);

    void Fire(int kind, const std::function<void()>& event);
    void UpdateTitle();
    void DocumentListChanged();
    void UpdateAppActions();
    void UpdateUndoRedoActions();
    void ModifiedChange();
    // The events that follow a change of the current document.
    void CurrentChanged();

    std::vector<std::unique_ptr<TDocument>> FDocuments;
    TDocument* FCurrent = nullptr;
    TItfObject FNotifier;
    TDocumentorOptions FOptions = doModifyFormCaption;
    TRecentFiles* FRecentFiles = nullptr;
};

} // namespace qv
