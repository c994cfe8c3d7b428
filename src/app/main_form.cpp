#include "app/main_form.h"

#include "app/sheet_form.h"
#include "core/errors.h"
#include "core/strings.h"
#include "core/user_interface.h"
#include "documents/scheme_document.h"
#include "elements/element_messages.h"
#include "elements/scheme_descriptor.h"
#include "elements/sheet.h"
#include "roots/log_root.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>

namespace qv {

namespace {

// A scheme document that tells the window when it becomes active or inactive. The manager makes a
// document inactive before it frees it, so the window can let go of the sheets in time.
class TShownSchemeDocument : public TSchemeDocument
{
public:
    using TSchemeDocument::TSchemeDocument;

    std::function<void(TSchemeDocument* document)> OnActiveChanged;

    void AfterActiveChange() override
    {
        TSchemeDocument::AfterActiveChange();
        if (OnActiveChanged)
            OnActiveChanged(this);
    }
};

} // namespace

TMainForm::TMainForm(TSchemeRegistry* registry, QWidget* parent) : QMainWindow(parent)
{
    FSplitter = new QSplitter(Qt::Vertical, this);
    FEditForm = new TSheetForm(FSplitter);
    FLogForm = new TSheetForm(FSplitter);
    FLogForm->hide();
    FSplitter->setStretchFactor(0, 4);
    FSplitter->setStretchFactor(1, 1);
    FSplitter->setChildrenCollapsible(false);
    setCentralWidget(FSplitter);
    resize(800, 600);

    ConnectDocumentor(registry);
    CreateMenus(registry);
    UpdateTitle();
    UpdateActions();
}

TMainForm::~TMainForm()
{
    // The documents go with the manager below; the views must not paint or listen to them meanwhile.
    ShowDocument(nullptr);
    for (int i = 0; i < FDocumentor.DocumentCount(); ++i) {
        if (auto* document = dynamic_cast<TShownSchemeDocument*>(FDocumentor.GetDocuments(i)))
            document->OnActiveChanged = {};
    }
    FDocumentor.OnSwitch = {};
    FDocumentor.OnTitleChange = {};
    FDocumentor.OnModifiedChange = {};
    FDocumentor.OnUpdateAppActions = {};
    FDocumentor.OnUpdateUndoRedoActions = {};
}

void TMainForm::ConnectDocumentor(TSchemeRegistry* registry)
{
    ConnectSchemeDocuments(FDocumentor, registry);
    FDocumentor.OnCreateDocument = [this](TCreationData data) -> std::unique_ptr<TDocument> {
        auto* descriptor = dynamic_cast<TDescriptor>(data);
        if (descriptor == nullptr)
            return nullptr;
        auto document = std::make_unique<TShownSchemeDocument>(descriptor);
        document->OnActiveChanged = [this](TSchemeDocument* changed) {
            DocumentActiveChanged(changed);
        };
        return document;
    };
    FDocumentor.ApplicationTitle = LoadStr(4000);
    // One document per process; the first save after opening keeps a backup copy.
    FDocumentor.SetOptions(doModifyFormCaption | doOpenFilesFromCommandLine | doSingleDoc | doAutoCreateDoc |
                           doBackupFiles);

    QStringList filters;
    QStringList extensions;
    TSchemeRegistry& types = registry != nullptr ? *registry : SchemeRegistry();
    for (TDescriptor descriptor : types.Descriptors()) {
        if (!descriptor->CanCreate())
            continue;
        const QString extension = descriptor->GetExtension();
        if (extensions.contains(extension, Qt::CaseInsensitive))
            continue;
        extensions.append(extension);
        filters.append(QStringLiteral("%1 (*.%2)").arg(descriptor->GetTitle(), extension));
    }
    FDocumentor.OpenFilters = filters.join(QStringLiteral(";;"));
    FDocumentor.OpenExtensions = extensions;

    FDocumentor.OnTitleChange = [this] {
        UpdateTitle();
    };
    FDocumentor.OnModifiedChange = [this] {
        UpdateTitle();
    };
    FDocumentor.OnUpdateAppActions = [this] {
        UpdateActions();
    };
    FDocumentor.OnUpdateUndoRedoActions = [this] {
        FEditForm->UpdateCommands();
    };
}

void TMainForm::CreateMenus(TSchemeRegistry* registry)
{
    auto make = [this](QMenu* menu, int caption, const QKeySequence& key, std::function<void()> run) {
        QAction* action = menu->addAction(LoadStr(caption));
        action->setShortcut(key);
        QObject::connect(action, &QAction::triggered, this, [run = std::move(run)] { RunCommand(run); });
        return action;
    };

    FFileMenu = menuBar()->addMenu(LoadStr(QV_STR(4010)));
    QMenu* newMenu = FFileMenu->addMenu(LoadStr(QV_STR(4011)));
    TSchemeRegistry& types = registry != nullptr ? *registry : SchemeRegistry();
    for (TDescriptor descriptor : types.Descriptors()) {
        if (!descriptor->CanCreate())
            continue;
        QAction* action = newMenu->addAction(descriptor->GetMenuCaption());
        action->setToolTip(descriptor->GetDescription());
        QObject::connect(action, &QAction::triggered, this, [this, descriptor] {
            RunCommand([this, descriptor] { FDocumentor.New(false, descriptor); });
        });
        FNewActions.append(action);
    }
    if (!FNewActions.isEmpty())
        FNewActions.first()->setShortcut(QKeySequence::New);
    FOpen = make(FFileMenu, QV_STR(4012), QKeySequence::Open, [this] { FDocumentor.Open(); });
    FSave = make(FFileMenu, QV_STR(4013), QKeySequence::Save, [this] { FDocumentor.Save(); });
    FSaveAs = make(FFileMenu, QV_STR(4014), QKeySequence::SaveAs, [this] { FDocumentor.SaveAs(); });
    FClose = make(FFileMenu, QV_STR(4015), QKeySequence(), [this] { FDocumentor.Close(); });
    FFileMenu->addSeparator();
    FExit = make(FFileMenu, QV_STR(4016), QKeySequence::Quit, [this] { close(); });

    FEditMenu = menuBar()->addMenu(LoadStr(QV_STR(4017)));
    FEditMenu->addAction(FEditForm->UndoAction());
    FEditMenu->addAction(FEditForm->RedoAction());
    FEditMenu->addSeparator();
    FEditMenu->addAction(FEditForm->CutAction());
    FEditMenu->addAction(FEditForm->CopyAction());
    FEditMenu->addAction(FEditForm->CopyAsTextAction());
    FEditMenu->addAction(FEditForm->PasteAction());
    FEditMenu->addAction(FEditForm->DeleteAction());
    FEditMenu->addSeparator();
    FEditMenu->addAction(FEditForm->SelectAllAction());
    QObject::connect(FEditMenu, &QMenu::aboutToShow, this, [this] { FEditForm->UpdateCommands(); });
}

void TMainForm::RunCommand(const std::function<void()>& command)
{
    try {
        command();
    } catch (const EQvError& error) {
        UserInterface().ShowError(error.Message());
    }
}

void TMainForm::Start()
{
    RunCommand([this] { FDocumentor.Start(); });
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool closed = false;
    RunCommand([this, &closed] { closed = FDocumentor.CloseAll(); });
    if (closed)
        event->accept();
    else
        event->ignore();
}

void TMainForm::DocumentActiveChanged(TSchemeDocument* document)
{
    if (document->Active())
        ShowDocument(document);
    else if (document == FShown)
        ShowDocument(nullptr);
}

void TMainForm::ShowDocument(TSchemeDocument* document)
{
    if (FShown != nullptr)
        FShown->LogRoot()->OnLogChanged = {};
    FShown = document;
    if (document != nullptr) {
        FEditForm->SetScheme(document->Scheme(), document->Sheet());
        FLogForm->SetScheme(document->LogScheme(), document->LogSheet());
        document->LogRoot()->OnLogChanged = [this] {
            UpdateLogVisibility();
        };
        if (document->Sheet() != nullptr && !document->Sheet()->FocusedElement())
            document->Sheet()->FocusFirst();
        FEditForm->setFocus();
    } else {
        FEditForm->SetScheme(nullptr, nullptr);
        FLogForm->SetScheme(nullptr, nullptr);
    }
    UpdateLogVisibility();
    FEditForm->UpdateCommands();
}

void TMainForm::UpdateTitle()
{
    if (FDocumentor.HasOption(doModifyFormCaption))
        setWindowTitle(FDocumentor.GetTitle());
}

void TMainForm::UpdateActions()
{
    FSave->setEnabled(FDocumentor.CanSave());
    FSaveAs->setEnabled(FDocumentor.CanSaveAs());
    FClose->setEnabled(FDocumentor.CanClose());
}

void TMainForm::UpdateLogVisibility()
{
    const bool show = FShown != nullptr && !FShown->LogRoot()->LogMessages().IsEmpty();
    FLogForm->setVisible(show);
}

} // namespace qv
