#include "app/main_form.h"

#include "app/about_form.h"
#include "app/app_info.h"
#include "app/edit_form.h"
#include "app/global.h"
#include "app/qt_user_interface.h"
#include "app/session_file.h"
#include "app/settings.h"
#include "app/sheet_form.h"
#include "core/errors.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "core/user_interface.h"
#include "documents/scheme_document.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "library/comment_element.h"
#include "roots/log_root.h"
#include "textor/sheet_settings.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QSplitter>
#include <QTimer>
#include <QUrl>

namespace qv {

namespace {

constexpr int maxRecentInMenu = 6;
// The log panel's height, in pixels, when it first shows.
constexpr int defaultLogHeight = 130;
// A recent file opens once its menu has closed.
constexpr int recentFileDelayMs = 55;

// A scheme document that tells the window when it becomes active or inactive, and when it was made
// new. The manager makes a document inactive before it frees it, so the window can let go of the
// sheets in time.
class TShownSchemeDocument : public TSchemeDocument
{
public:
    using TSchemeDocument::TSchemeDocument;

    std::function<void(TSchemeDocument* document)> OnActiveChanged;
    std::function<void(TSchemeDocument* document)> OnInitializedNew;

    void AfterActiveChange() override
    {
        TSchemeDocument::AfterActiveChange();
        if (OnActiveChanged)
            OnActiveChanged(this);
    }

    void InitializeNew() override
    {
        TSchemeDocument::InitializeNew();
        if (OnInitializedNew)
            OnInitializedNew(this);
    }
};

// Takes the items a menu rebuilds out of it.
void RemoveActions(QMenu* menu, QList<QAction*>& actions)
{
    for (QAction* action : std::as_const(actions)) {
        menu->removeAction(action);
        action->deleteLater();
    }
    actions.clear();
}

QString StripMnemonic(QString text)
{
    return text.remove(u'&');
}

} // namespace

void AssignMnemonics(const QList<QAction*>& actions)
{
    QString taken;
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        QString text = StripMnemonic(action->text());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar letter = text.at(i).toLower();
            if (letter.isLetterOrNumber() && !taken.contains(letter)) {
                taken.append(letter);
                text.insert(i, u'&');
                break;
            }
        }
        action->setText(text);
    }
}

void AssignMnemonics(QMenu* menu)
{
    AssignMnemonics(menu->actions());
}

QString SamplesFolder()
{
    const QString program = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        QDir(program).filePath(QStringLiteral("../share/quorvane/samples")),
#ifdef QV_SOURCE_DIR
        QStringLiteral(QV_SOURCE_DIR "/samples"),
#endif
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isDir())
            return QDir(candidate).canonicalPath();
    }
    return QString();
}

TMainForm::TMainForm(TGlobal& global, TSchemeRegistry* registry, QWidget* parent)
    : QMainWindow(parent), FGlobal(global)
{
    setObjectName(QStringLiteral("MainForm"));
    setAcceptDrops(true);
    FEditForm = new TEditForm(this);
    FEditForm->SetSettings(&global.Settings().SheetForm(), &global.Settings().PaletteForm());
    FEditForm->SetLogHeight(defaultLogHeight);
    FEditForm->OnLogChanged = [this] {
        UpdateActions();
    };
    FEditForm->OnSettingsLink = [this](const QString&) {
        FGlobal.EditSettings(this);
    };
    setCentralWidget(FEditForm);
    resize(900, 700);

    OnStartProcess = [](const QString& file) {
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {file});
    };

    FWelcomePending = global.FirstRun();
    ConnectDocumentor(registry, AutoCreateIndex(registry));
    CreateMenus(registry);
    UpdateTitle();
    UpdateActions();
    UpdateRecentFiles();
}

TMainForm::~TMainForm()
{
    // The documents go with the manager below; the views must not paint or listen to them meanwhile.
    ShowDocument(nullptr);
    for (int i = 0; i < FDocumentor.DocumentCount(); ++i) {
        if (auto* document = dynamic_cast<TShownSchemeDocument*>(FDocumentor.GetDocuments(i))) {
            document->OnActiveChanged = {};
            document->OnInitializedNew = {};
        }
    }
    FEditForm->OnLogChanged = {};
    FEditForm->OnSettingsLink = {};
    FDocumentor.SetRecentFiles(nullptr);
    FGlobal.RecentFiles.OnReopenChange = {};
    FDocumentor.OnSwitch = {};
    FDocumentor.OnTitleChange = {};
    FDocumentor.OnModifiedChange = {};
    FDocumentor.OnUpdateAppActions = {};
    FDocumentor.OnUpdateUndoRedoActions = {};
}

int TMainForm::AutoCreateIndex(TSchemeRegistry* registry)
{
    QString autoCreate;
    if (FGlobal.CommandLine.GetSwitchValue(QStringLiteral("-autocreate"), autoCreate))
        return autoCreate.toInt();
    return CreatableTypeIndex(registry, FGlobal.Settings().Misc().NewDocumentType()->Value());
}

void TMainForm::ConnectDocumentor(TSchemeRegistry* registry, int autoCreateIndex)
{
    ConnectSchemeDocuments(FDocumentor, registry, nullptr, autoCreateIndex);
    FDocumentor.OnCreateDocument = [this](TCreationData data) -> std::unique_ptr<TDocument> {
        auto* descriptor = dynamic_cast<TDescriptor>(data);
        if (descriptor == nullptr)
            return nullptr;
        auto document = std::make_unique<TShownSchemeDocument>(descriptor);
        // Laid out once, at the width it is shown in.
        document->SetViewSize(SheetForm()->viewport()->size());
        document->OnActiveChanged = [this](TSchemeDocument* changed) {
            DocumentActiveChanged(changed);
        };
        document->OnInitializedNew = [this](TSchemeDocument* created) {
            if (FWelcomePending) {
                FWelcomePending = false;
                FWelcomeDocument = created;
            }
        };
        return document;
    };
    FDocumentor.ApplicationTitle = LoadStr(4000);
    FDocumentor.SetOptions(doModifyFormCaption | doOpenFilesFromCommandLine | doSingleDoc | doAutoCreateDoc |
                           (FGlobal.BackupOnSave() ? doBackupFiles : 0));
    FDocumentor.SetRecentFiles(&FGlobal.RecentFiles);
    FGlobal.RecentFiles.SetMaxStoredCount(maxRecentInMenu);
    FGlobal.RecentFiles.OnReopenChange = [this] {
        UpdateRecentFiles();
    };
    FGlobal.OnBackupOnSaveChanged = [this](bool backup) {
        const TDocumentorOptions options = FDocumentor.Options();
        FDocumentor.SetOptions(backup ? options | doBackupFiles : options & ~doBackupFiles);
    };

    TSchemeRegistry& types = registry != nullptr ? *registry : SchemeRegistry();
    QList<QPair<QString, QString>> creatable;
    for (TDescriptor descriptor : types.Descriptors()) {
        if (descriptor->CanCreate())
            creatable.append({descriptor->GetTitle(), descriptor->GetExtension()});
    }
    FFileFilters = DocumentTypeFilters(creatable, int(types.Descriptors().size()));
    FDocumentor.OpenFilters = OpenDialogFilters(FFileFilters);
    FDocumentor.OpenExtensions.clear();
    for (const TFileFilter& filter : std::as_const(FFileFilters)) {
        if (!FDocumentor.OpenExtensions.contains(filter.FileExt, Qt::CaseInsensitive))
            FDocumentor.OpenExtensions.append(filter.FileExt);
    }

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
        SheetForm()->UpdateCommands();
        UpdateActions();
    };
}

void TMainForm::CreateMenus(TSchemeRegistry* registry)
{
    auto make = [this](QMenu* menu, const QString& caption, const QList<QKeySequence>& keys,
                       std::function<void()> run) {
        QAction* action = menu->addAction(caption);
        action->setShortcuts(keys);
        QObject::connect(action, &QAction::triggered, this, [run = std::move(run)] { RunUserCommand(run); });
        return action;
    };

    // File
    FFileMenu = menuBar()->addMenu(LoadStr(QV_STR(4010)));
    FNewMenu = FFileMenu->addMenu(LoadStr(QV_STR(4011)));
    TSchemeRegistry& types = registry != nullptr ? *registry : SchemeRegistry();
    int previousHundreds = -1;
    for (TDescriptor descriptor : types.Descriptors()) {
        if (!descriptor->CanCreate())
            continue;
        const int hundreds = descriptor->GetSortValue() / 100;
        if (previousHundreds >= 0 && hundreds != previousHundreds)
            FNewMenu->addSeparator();
        previousHundreds = hundreds;
        QAction* action = FNewMenu->addAction(descriptor->GetMenuCaption());
        action->setToolTip(descriptor->GetDescription());
        action->setStatusTip(descriptor->GetDescription());
        QObject::connect(action, &QAction::triggered, this, [this, descriptor] {
            RunUserCommand([this, descriptor] { FDocumentor.New(false, descriptor); });
        });
        FNewActions.append(action);
    }
    if (!FNewActions.isEmpty())
        FNewActions.first()->setShortcut(QKeySequence::New);
    FOpen = make(FFileMenu, LoadStr(QV_STR(4012)), {QKeySequence::Open}, [this] { FDocumentor.Open(); });
    FSave = make(FFileMenu, LoadStr(QV_STR(4013)), {QKeySequence::Save}, [this] { FDocumentor.Save(); });
    FSaveAs = make(FFileMenu, LoadStr(QV_STR(4014)), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
                   [this] { FDocumentor.SaveAs(); });
    FClose = make(FFileMenu, LoadStr(QV_STR(4015)), {QKeySequence(Qt::CTRL | Qt::Key_W)},
                  [this] { FDocumentor.Close(); });
    FRecentTop = FFileMenu->addSeparator();
    FRecentBottom = FFileMenu->addSeparator();
    FExit = make(FFileMenu, LoadStr(QV_STR(4016)), {QKeySequence(Qt::CTRL | Qt::Key_Q)}, [this] { close(); });

    // Edit
    TSheetForm* sheet = SheetForm();
    FEditMenu = menuBar()->addMenu(LoadStr(QV_STR(4017)));
    sheet->UndoAction()->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    sheet->RedoAction()->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    FEditMenu->addAction(sheet->UndoAction());
    FEditMenu->addAction(sheet->RedoAction());
    FEditMenu->addSeparator();
    FEditMenu->addAction(sheet->CutAction());
    FEditMenu->addAction(sheet->CopyAction());
    FEditMenu->addAction(sheet->CopyAsTextAction());
    FEditMenu->addAction(sheet->PasteAction());
    FEditMenu->addAction(sheet->DeleteAction());
    FEditMenu->addSeparator();
    FEditMenu->addAction(sheet->SelectAllAction());
    FEditMenu->addSeparator();
    FEditMenu->addActions({FEditForm->FindAction(), FEditForm->FindNextAction(), FEditForm->ReplaceAction()});
    FEditMenu->addSeparator();
    FReadOnly = make(FEditMenu, LoadStr(QV_STR(4021)), {}, [this] {
        if (FShown != nullptr && FShown->Scheme()->ReadOnlyLevel() < rolBusy)
            FShown->Scheme()->SetReadOnlyLevel(FReadOnly->isChecked() ? rolReadOnly : rolEditable);
        UpdateActions();
    });
    FReadOnly->setCheckable(true);
    FEditMenu->addAction(FEditForm->CodeAction());
    FEditMenu->addAction(FEditForm->CancelCodeAction());
    QObject::connect(FEditMenu, &QMenu::aboutToShow, this, [this] {
        SheetForm()->UpdateCommands();
        UpdateActions();
    });

    // Tools: the verbs of the document type above the separator.
    FToolsMenu = menuBar()->addMenu(LoadStr(QV_STR(4018)));
    FVerbsEnd = FToolsMenu->addSeparator();
    FToolsMenu->addAction(FEditForm->CheckAllAction());
    FSettings = make(FToolsMenu, LoadStr(QV_STR(2058)), {}, [this] { EditSettings(QString()); });

    // View
    FViewMenu = menuBar()->addMenu(LoadStr(QV_STR(4019)));
    FViewMenu->addActions(
        {FEditForm->CollapseAllAction(), FEditForm->ExpandedNotEmptyAction(), FEditForm->ExpandAllAction()});
    FViewMenu->addSeparator();
    FViewMenu->addAction(FEditForm->PaletteAction());
    FNonPrinting = make(FViewMenu, LoadStr(QV_STR(2948)), {}, [this] {
        if (TSheetSettings* sheet = FGlobal.SheetSettings())
            sheet->NonPrintingCharacters().SetValue(FNonPrinting->isChecked());
        FGlobal.SettingsChanged = true;
    });
    FNonPrinting->setCheckable(true);
    FViewMenu->addSeparator();
    FViewMenu->addAction(FEditForm->ClearLogAction());
    QObject::connect(FViewMenu, &QMenu::aboutToShow, this, [this] {
        TSheetSettings* sheet = FGlobal.SheetSettings();
        FNonPrinting->setChecked(sheet != nullptr && sheet->NonPrintingCharacters().Value());
        FEditForm->UpdateCommands();
    });

    // Help: the offline manual, and web pages whose addresses come from the application info file on
    // the program's site.
    FHelpMenu = menuBar()->addMenu(LoadStr(QV_STR(4020)));
    const auto language = [this] {
        return FGlobal.Settings().General().Language()->Value();
    };
    const auto webPage = [language](const QString& key) {
        return [language, key] {
            TAppInfo().OpenWebPage(key, language());
        };
    };
    make(FHelpMenu, LoadStr(QV_STR(4040)), {QKeySequence::HelpContents},
         [language] { TAppInfo().OpenHelp(language(), QCoreApplication::applicationDirPath()); });
    FHelpMenu->addSeparator();
    make(FHelpMenu, LoadStr(QV_STR(4041)), {}, webPage(QStringLiteral("HomePage")));
    // The installed samples, or the samples on the web site when none are installed.
    FSamples = make(FHelpMenu, LoadStr(QV_STR(4004)), {}, [webPage] {
        const QString folder = SamplesFolder();
        if (folder.isEmpty())
            webPage(QStringLiteral("SamplesPage"))();
        else
            QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    });
    make(FHelpMenu, LoadStr(QV_STR(4042)), {}, webPage(QStringLiteral("CommunityPage")));
    make(FHelpMenu, LoadStr(QV_STR(4043)), {}, webPage(QStringLiteral("ForumPage")));
    FHelpMenu->addSeparator();
    make(FHelpMenu, LoadStr(QV_STR(4044)), {}, [language] { TAppInfo().CheckForUpdates(language()); });
    FHelpMenu->addSeparator();
    FAbout = make(FHelpMenu, LoadStr(QV_STR(2070), {LoadStr(4000)}), {}, [this] {
        const QString text =
            LoadStr(QV_STR(4023)) + QStringLiteral("\n\n") +
            LoadStr(QV_STR(4045), {QStringLiteral(QV_VERSION), QString::fromLatin1(qVersion())}) + u'\n' +
            LoadStr(QV_STR(4046), {QStringLiteral(QV_HOME_PAGE)});
        ShowAbout(text, QStringLiteral(QV_HOME_PAGE), this);
    });

    for (QMenu* menu : {FFileMenu, FNewMenu, FEditMenu, FToolsMenu, FViewMenu, FHelpMenu})
        AssignMnemonics(menu);
    AssignMnemonics(menuBar()->actions());
}

void TMainForm::EditSettings(const QString& pageKey)
{
    FGlobal.EditSettings(this, pageKey);
    // The windows read their settings when they are given them.
    FEditForm->SetSettings(&FGlobal.Settings().SheetForm(), &FGlobal.Settings().PaletteForm());
}

void TMainForm::Start()
{
    const bool readOnly = FGlobal.CommandLine.HasSwitch(QStringLiteral("-readonly"));
    FDocumentor.CommandLine = FGlobal.CommandLine.Items();
    RunUserCommand([this] { FDocumentor.Start(); });
    // One document per process: every further file of the command line gets a process of its own.
    for (const QString& file : std::as_const(FDocumentor.ExtraFiles))
        OnStartProcess(file);
    FDocumentor.ExtraFiles.clear();
    FGlobal.CommandLine.SetItems(FDocumentor.CommandLine);
    if (readOnly && FShown != nullptr && !FShown->FileName().isEmpty())
        FShown->Scheme()->SetReadOnlyLevel(rolReadOnly);
    UpdateActions();
}

void TMainForm::DropFiles(const QStringList& files)
{
    if (files.isEmpty())
        return;
    bool opened = false;
    RunUserCommand([this, &files, &opened] { opened = FDocumentor.OpenFile(files.first()); });
    if (!opened || files.size() == 1)
        return;
    // The new processes read the session as it is now.
    StoreSession();
    for (qsizetype i = 1; i < files.size(); ++i)
        OnStartProcess(files.at(i));
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // Give the drag source its answer before a dialog may show.
    QTimer::singleShot(0, this, [this, files] {
        DropFiles(files);
        activateWindow();
        raise();
    });
}

void TMainForm::StoreSession()
{
    StoreFormPlace(*this, FGlobal.SessionFile.Knot);
    TKnot* layout = FGlobal.SessionFile.Knot.KnotByPath(objectName() + QStringLiteral(".EditForm"), true);
    layout->WriteInt(QStringLiteral("LogHeight"), FEditForm->LogHeight());
    FGlobal.SaveSessionFiles();
}

void TMainForm::RestorePlacement()
{
    RestoreFormPlace(*this, FGlobal.SessionFile.Knot);
    if (TKnot* layout =
            FGlobal.SessionFile.Knot.KnotByPath(objectName() + QStringLiteral(".EditForm"), false))
        FEditForm->SetLogHeight(layout->ReadInt(QStringLiteral("LogHeight"), defaultLogHeight));
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool closed = false;
    RunUserCommand([this, &closed] { closed = FDocumentor.CloseAll(); });
    if (!closed) {
        event->ignore();
        return;
    }
    StoreSession();
    if (FGlobal.SettingsChanged)
        FGlobal.SaveSettings();
    event->accept();
}

void TMainForm::DocumentActiveChanged(TSchemeDocument* document)
{
    // Once the new document is complete and shown, so that the welcome is not an edit; a document
    // that goes before it was shown takes the welcome with it.
    if (document == FWelcomeDocument) {
        FWelcomeDocument = nullptr;
        if (document->Active())
            InsertWelcomeText(document);
    }
    if (document->Active())
        ShowDocument(document);
    else if (document == FShown)
        ShowDocument(nullptr);
}

void TMainForm::ShowDocument(TSchemeDocument* document)
{
    FShown = document;
    if (document != nullptr) {
        document->LogRoot()->SetLogSettings(&FGlobal.Settings().Log());
        FEditForm->BindDocument(document->Scheme(), document->Sheet(), document->LogSheet(),
                                document->LogScheme());
        if (document->Sheet() != nullptr && !document->Sheet()->FocusedElement())
            document->Sheet()->FocusFirst();
        if (!document->FileName().isEmpty())
            QDir::setCurrent(QFileInfo(document->FileName()).absolutePath());
        SheetForm()->setFocus();
    } else {
        FEditForm->BindDocument(nullptr, nullptr, nullptr, nullptr);
    }
    UpdateVerbs();
    UpdateActions();
    SheetForm()->UpdateCommands();
}

void TMainForm::InsertWelcomeText(TSchemeDocument* document)
{
    auto* root = dynamic_cast<TTextorElement*>(document->Descriptor()->GetVisualRoot(document->Scheme()));
    if (root == nullptr)
        return;
    auto* comment = dynamic_cast<TElement_Comment*>(
        root->InsertNewElement(TElement_Comment::StaticClass(), nullptr, nullptr));
    if (comment == nullptr)
        return;
    const QString samples = SamplesFolder();
    comment->SetText(
        FormatStr(LoadStr(QV_STR(4024)), {LoadStr(4000), QStringLiteral(QV_HOME_PAGE "start"),
                                          samples.isEmpty() ? QStringLiteral(QV_HOME_PAGE "samples")
                                                            : QUrl::fromLocalFile(samples).toString()}));
    // What the user types first goes into the document on the line below, not into the welcome (an
    // insert focuses what it inserted).
    root->FocusBeside(comment, true);
    root->ReplaceWithText(tetSelection, nullptr, false, QStringLiteral("\r"));
    // The welcome is part of the new document, not an edit to undo.
    document->UndoRedo()->Clear();
    document->UndoRedo()->SetModified(false);
}

void TMainForm::UpdateTitle()
{
    if (!FDocumentor.HasOption(doModifyFormCaption))
        return;
    TDocument* current = FDocumentor.Current();
    // "[*]" is where the window shows the unsaved-changes mark.
    setWindowTitle(current == nullptr ? FDocumentor.ApplicationTitle
                                      : current->GetTitle() + TitleMarks(current) +
                                            QStringLiteral("[*] \u2014 ") + FDocumentor.ApplicationTitle);
    setWindowModified(current != nullptr && current->Modified());
}

QString TMainForm::TitleMarks(TDocument* document)
{
    QStringList marks;
    auto* schemeDocument = dynamic_cast<TSchemeDocument*>(document);
    if (schemeDocument != nullptr && schemeDocument->Scheme()->ReadOnlyLevel() == rolReadOnly)
        marks.append(LoadStr(QV_STR(4825)));
    if (document->LoadedInPart())
        marks.append(LoadStr(QV_STR(4824)));
    return marks.isEmpty() ? QString() : QStringLiteral(" (") + marks.join(QStringLiteral(", ")) + u')';
}

void TMainForm::UpdateActions()
{
    FSave->setEnabled(FDocumentor.CanSave());
    FSaveAs->setEnabled(FDocumentor.CanSaveAs());
    FClose->setEnabled(FDocumentor.CanClose());
    TScheme* scheme = FShown != nullptr ? FShown->Scheme() : nullptr;
    FReadOnly->setEnabled(scheme != nullptr && scheme->ReadOnlyLevel() < rolBusy);
    FReadOnly->setChecked(scheme != nullptr && scheme->ReadOnlyLevel() != rolEditable);
    FEditForm->UpdateCommands();
}

TSheetForm* TMainForm::SheetForm() const
{
    return FEditForm->SheetForm();
}

TSheetForm* TMainForm::LogForm() const
{
    return FEditForm->LogForm();
}

QAction* TMainForm::FindAction() const
{
    return FEditForm->FindAction();
}

QAction* TMainForm::FindNextAction() const
{
    return FEditForm->FindNextAction();
}

QAction* TMainForm::ReplaceAction() const
{
    return FEditForm->ReplaceAction();
}

QAction* TMainForm::CodeAction() const
{
    return FEditForm->CodeAction();
}

QAction* TMainForm::CheckAllAction() const
{
    return FEditForm->CheckAllAction();
}

QAction* TMainForm::ClearLogAction() const
{
    return FEditForm->ClearLogAction();
}

int TMainForm::LogHeight() const
{
    return FEditForm->LogHeight();
}

void TMainForm::UpdateRecentFiles()
{
    RemoveActions(FFileMenu, FRecentActions);
    const QStringList files = FGlobal.RecentFiles.FileNames();
    for (const QString& file : files) {
        if (FRecentActions.size() >= maxRecentInMenu)
            break;
        auto* action = new QAction(QFileInfo(file).completeBaseName(), FFileMenu);
        action->setToolTip(file);
        action->setStatusTip(file);
        QObject::connect(action, &QAction::triggered, this, [this, file] {
            QTimer::singleShot(recentFileDelayMs, this, [this, file] {
                RunUserCommand([this, file] { FDocumentor.OpenFile(file); });
            });
        });
        FFileMenu->insertAction(FRecentBottom, action);
        FRecentActions.append(action);
    }
    // Numbers as mnemonics, as editors do for their recent files.
    for (qsizetype i = 0; i < FRecentActions.size(); ++i)
        FRecentActions[i]->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(FRecentActions[i]->text()));
    FRecentBottom->setVisible(!FRecentActions.isEmpty());
}

void TMainForm::UpdateVerbs()
{
    RemoveActions(FToolsMenu, FVerbActions);
    if (FShown != nullptr) {
        TDescriptor descriptor = FShown->Descriptor();
        for (int index = 0; index < descriptor->GetVerbCount(); ++index) {
            QString caption;
            QKeySequence shortCut;
            descriptor->GetVerb(index, caption, shortCut);
            auto* action = new QAction(caption, FToolsMenu);
            action->setShortcut(shortCut);
            QObject::connect(action, &QAction::triggered, this, [this, index] { RunVerb(index); });
            FToolsMenu->insertAction(FVerbsEnd, action);
            FVerbActions.append(action);
        }
    }
    FVerbsEnd->setVisible(!FVerbActions.isEmpty());
    AssignMnemonics(FToolsMenu);
}

void TMainForm::RunVerb(int index)
{
    if (FShown == nullptr)
        return;
    if (FShown->Scheme()->CodeMode()) {
        UserInterface().MessageBox(LoadStr(4007), QString(), miInformation, mbOk, mbOk);
        return;
    }
    TSchemeDocument* document = FShown;
    RunUserCommand([document, index] {
        document->Descriptor()->ExecuteVerb(document->Scheme()->Root(), index, nullptr);
    });
}

} // namespace qv
