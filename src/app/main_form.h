#pragma once

#include "documents/documentor.h"

#include <QMainWindow>

#include <functional>

class QAction;
class QMenu;
class QSplitter;

namespace qv {

class TSchemeDocument;
class TSchemeRegistry;
class TSheetForm;

// The main window: the File and Edit menus, the current document's sheet in the middle and its log
// below (shown only while the log has messages). It owns the document manager, connected to the
// scheme document types of the registry, and shows one document at a time.
//
// Failed commands are shown through the user interface's error display; nothing is raised out of
// a menu command or the close question. User-interface thread only.
class TMainForm : public QMainWindow
{
public:
    // `registry` (null: the application's) must outlive the window; its creatable document types
    // make the File › New items and the open dialog's filters as they are registered now.
    explicit TMainForm(TSchemeRegistry* registry = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    TDocumentor& Documentor() { return FDocumentor; }
    TSheetForm* EditForm() const { return FEditForm; }
    TSheetForm* LogForm() const { return FLogForm; }
    // The document whose sheets the window shows, or null.
    TSchemeDocument* ShownDocument() const { return FShown; }

    QMenu* FileMenu() const { return FFileMenu; }
    QMenu* EditMenu() const { return FEditMenu; }
    // One File › New item per creatable document type, in the registry's order.
    const QList<QAction*>& NewActions() const { return FNewActions; }
    QAction* OpenAction() const { return FOpen; }
    QAction* SaveAction() const { return FSave; }
    QAction* SaveAsAction() const { return FSaveAs; }
    QAction* CloseAction() const { return FClose; }
    QAction* ExitAction() const { return FExit; }

    // Opens the files of the documentor's command line, or creates a new document; call once the
    // window is shown.
    void Start();

protected:
    // Asks the document manager to close every document; a refusal keeps the window open.
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus(TSchemeRegistry* registry);
    void ConnectDocumentor(TSchemeRegistry* registry);
    // Runs a user command; an EQvError is shown instead of passing into Qt.
    static void RunCommand(const std::function<void()>& command);
    // Called by a shown document as it becomes active or inactive, before an inactive one may be
    // freed: the views must let go of its sheets then.
    void DocumentActiveChanged(TSchemeDocument* document);
    void ShowDocument(TSchemeDocument* document);
    void UpdateTitle();
    void UpdateActions();
    void UpdateLogVisibility();

    TDocumentor FDocumentor;
    TSchemeDocument* FShown = nullptr;
    QSplitter* FSplitter = nullptr;
    TSheetForm* FEditForm = nullptr;
    TSheetForm* FLogForm = nullptr;
    QMenu* FFileMenu = nullptr;
    QMenu* FEditMenu = nullptr;
    QList<QAction*> FNewActions;
    QAction* FOpen = nullptr;
    QAction* FSave = nullptr;
    QAction* FSaveAs = nullptr;
    QAction* FClose = nullptr;
    QAction* FExit = nullptr;
};

} // namespace qv
