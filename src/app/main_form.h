#pragma once

#include "app/file_filters.h"
#include "documents/documentor.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QMenu;

namespace qv {

class TDocument;
class TEditForm;
class TGlobal;
class TSchemeDocument;
class TSchemeRegistry;
class TSheetForm;

// The main window: File, Edit, Tools, View and Help menus, the current document's sheet in the middle
// and its log below (shown only while the log has messages). It owns the document manager, connected
// to the scheme document types of the registry, and shows one document at a time; further files
// dropped on it open in new processes of the program.
//
// Failed commands are shown through the user interface's error display; nothing is raised out of
// a menu command or the close question. User-interface thread only.
class TMainForm : public QMainWindow
{
public:
    // `global` and `registry` (null: the application's) must outlive the window; the creatable
    // document types make the File › New items and the dialog filters as they are registered now.
    explicit TMainForm(TGlobal& global, TSchemeRegistry* registry = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    TDocumentor& Documentor() { return FDocumentor; }
    // The editing window: palette, sheet and log.
    TEditForm* EditForm() const { return FEditForm; }
    TSheetForm* SheetForm() const;
    TSheetForm* LogForm() const;
    // The document whose sheets the window shows, or null.
    TSchemeDocument* ShownDocument() const { return FShown; }

    QMenu* FileMenu() const { return FFileMenu; }
    QMenu* NewMenu() const { return FNewMenu; }
    QMenu* EditMenu() const { return FEditMenu; }
    QMenu* ToolsMenu() const { return FToolsMenu; }
    QMenu* ViewMenu() const { return FViewMenu; }
    QMenu* HelpMenu() const { return FHelpMenu; }
    // One File › New item per creatable document type, in the registry's order.
    const QList<QAction*>& NewActions() const { return FNewActions; }
    // The File menu's recent-file items, most recent first.
    const QList<QAction*>& RecentActions() const { return FRecentActions; }
    // The Tools menu's items for the verbs of the current document's type.
    const QList<QAction*>& VerbActions() const { return FVerbActions; }
    QAction* OpenAction() const { return FOpen; }
    QAction* SaveAction() const { return FSave; }
    QAction* SaveAsAction() const { return FSaveAs; }
    QAction* CloseAction() const { return FClose; }
    QAction* ExitAction() const { return FExit; }
    QAction* FindAction() const;
    QAction* FindNextAction() const;
    QAction* ReplaceAction() const;
    QAction* ReadOnlyAction() const { return FReadOnly; }
    QAction* CodeAction() const;
    QAction* CheckAllAction() const;
    QAction* SettingsAction() const { return FSettings; }
    QAction* NonPrintingAction() const { return FNonPrinting; }
    QAction* ClearLogAction() const;
    QAction* SamplesAction() const { return FSamples; }

    // The dialog filters of the document types.
    const QList<TFileFilter>& FileFilters() const { return FFileFilters; }

    // Restores the placement from the session, then opens the files of the command line ("-readonly"
    // makes the opened document read-only) or creates a new document ("-autocreate=N" or the
    // setting "NewDocumentType" picks the type). Files beyond the first open in new processes. Call
    // once, when the window is shown.
    void Start();

    // Restores the window's placement and the log panel's height from the session.
    void RestorePlacement();
    int LogHeight() const;

    // Opens `files` as dropped on the window: the first here, each further one in a new process.
    void DropFiles(const QStringList& files);

    // Starts a new process of the program for each file; the seam lets tests see the calls.
    std::function<void(const QString& file)> OnStartProcess;

protected:
    // Asks the document manager to close every document; a refusal keeps the window open. Then the
    // placement, the session and recent-files files and, when changed, the settings are written.
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateMenus(TSchemeRegistry* registry);
    // The creatable type (1-based) a start without a file creates: the one "-autocreate" names, else
    // the one the settings name ("NewDocumentType"), else the first.
    int AutoCreateIndex(TSchemeRegistry* registry);
    void ConnectDocumentor(TSchemeRegistry* registry, int autoCreateIndex);
    // Called by a shown document as it becomes active or inactive, before an inactive one may be
    // freed: the views must let go of its sheets then.
    void DocumentActiveChanged(TSchemeDocument* document);
    void ShowDocument(TSchemeDocument* document);
    void InsertWelcomeText(TSchemeDocument* document);
    void UpdateTitle();
    // " (read-only, loaded in part)" after the document's title, or nothing.
    static QString TitleMarks(TDocument* document);
    void UpdateActions();
    // The settings window, on `pageKey` (empty: the first page).
    void EditSettings(const QString& pageKey);
    void UpdateRecentFiles();
    void UpdateVerbs();
    void RunVerb(int index);
    void StoreSession();

    TGlobal& FGlobal;
    TDocumentor FDocumentor;
    TSchemeDocument* FShown = nullptr;
    QList<TFileFilter> FFileFilters;
    bool FWelcomePending = false;
    // The first new document, until it is shown with the welcome text.
    TSchemeDocument* FWelcomeDocument = nullptr;
    TEditForm* FEditForm = nullptr;
    QMenu* FFileMenu = nullptr;
    QMenu* FNewMenu = nullptr;
    QMenu* FEditMenu = nullptr;
    QMenu* FToolsMenu = nullptr;
    QMenu* FViewMenu = nullptr;
    QMenu* FHelpMenu = nullptr;
    QList<QAction*> FNewActions;
    QList<QAction*> FRecentActions;
    QList<QAction*> FVerbActions;
    QAction* FRecentTop = nullptr;    // the separator above the recent files
    QAction* FRecentBottom = nullptr; // the separator below them
    QAction* FVerbsEnd = nullptr;     // the separator below the verbs
    QAction* FOpen = nullptr;
    QAction* FSave = nullptr;
    QAction* FSaveAs = nullptr;
    QAction* FClose = nullptr;
    QAction* FExit = nullptr;
    QAction* FReadOnly = nullptr;
    QAction* FSettings = nullptr;
    QAction* FNonPrinting = nullptr;
    QAction* FSamples = nullptr;
    QAction* FAbout = nullptr;
};

// Gives each action of `menu` a mnemonic: the first letter of its text not yet taken in that menu
// (the texts come from string tables, so no mnemonic can be written into them).
void AssignMnemonics(QMenu* menu);
void AssignMnemonics(const QList<QAction*>& actions);

// Where the sample documents are: installed beside the program's shared data, or in the source tree
// of a build. Empty when neither exists.
QString SamplesFolder();

} // namespace qv
