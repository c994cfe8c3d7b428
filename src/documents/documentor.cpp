#include "documents/documentor.h"

#include "core/errors.h"
#include "core/knot.h"
#include "core/paths.h"
#include "core/safe_file.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "core/user_interface.h"
#include "documents/document.h"
#include "documents/recent_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace qv {

namespace {

// Full, cleaned path: the form documents and the recent-files list keep.
QString FullPath(const QString& fileName)
{
    if (fileName.isEmpty())
        return fileName;
    return QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
}

} // namespace

TDocumentor::TDocumentor() = default;

TDocumentor::~TDocumentor()
{
    if (FCurrent != nullptr)
        FCurrent->UndoRedo()->RemoveHandler(MakeNotifyEvent<&TDocumentor::UndoRedoNotify>(this));
    // Documents go without questions or events: the owner is going too.
    for (auto& document : FDocuments) {
        document->OnSaved = {};
        document->OnChanged = {};
    }
    FCurrent = nullptr;
    FDocuments.clear();
}

TDocument* TDocumentor::FindDocument(const QString& fileName) const
{
    const QString path = FullPath(fileName);
    if (path.isEmpty())
        return nullptr;
    for (const auto& document : FDocuments) {
        if (document->FileName() == path)
            return document.get();
    }
    return nullptr;
}

int TDocumentor::IndexOf(TDocument* document) const
{
    for (size_t i = 0; i < FDocuments.size(); ++i) {
        if (FDocuments[i].get() == document)
            return int(i);
    }
    return -1;
}

// --- Events ------------------------------------------------------------------------------------------------

void TDocumentor::Fire(int kind, const std::function<void()>& event)
{
    FNotifier.Notify(kind);
    if (event)
        event();
}

void TDocumentor::UpdateTitle()
{
    Fire(dnTitleChanged, OnTitleChange);
}

void TDocumentor::DocumentListChanged()
{
    Fire(dnDocumentListChanged, OnDocumentListChange);
}

void TDocumentor::UpdateAppActions()
{
    Fire(dnAppActions, OnUpdateAppActions);
}

void TDocumentor::UpdateUndoRedoActions()
{
    Fire(dnUndoRedoActions, OnUpdateUndoRedoActions);
}

void TDocumentor::ModifiedChange()
{
    if (OnModifiedChange)
        OnModifiedChange();
}

void TDocumentor::DocumentSaved(TItfObject* sender, int, intptr_t, intptr_t)
{
    auto* document = static_cast<TDocument*>(sender);
    if (!HasOption(doUndoAfterSave))
        document->UndoRedo()->Clear();
    UpdateAppActions();
}

void TDocumentor::DocumentChanged(TItfObject*, int, intptr_t, intptr_t)
{
    UpdateTitle();
}

void TDocumentor::UndoRedoNotify(TItfObject*, int notify, intptr_t, intptr_t)
{
    switch (notify) {
    case urnAdded:
    case urnUndone:
    case urnRedone:
    case urnCleared:
        UpdateUndoRedoActions();
        break;
    case urnModified:
        if (FCurrent != nullptr)
            FCurrent->ModifiedChanged();
        ModifiedChange();
        // Save All depends on the modified states.
        UpdateAppActions();
        break;
    default:
        break;
    }
}

// --- The list and the current document -----------------------------------------------------------------

void TDocumentor::AddDocument(std::unique_ptr<TDocument> document)
{
    if (HasOption(doSingleDoc) && FCurrent != nullptr)
        CloseDocument(FCurrent);
    TDocument* added = document.get();
    FDocuments.push_back(std::move(document));
    added->OnSaved = MakeNotifyEvent<&TDocumentor::DocumentSaved>(this);
    added->OnChanged = MakeNotifyEvent<&TDocumentor::DocumentChanged>(this);
    DocumentListChanged();
    UpdateAppActions();
    SetCurrent(added);
}

void TDocumentor::SetCurrent(TDocument* document)
{
    if (document == FCurrent)
        return;
    const TItfNotifyEvent undoHandler = MakeNotifyEvent<&TDocumentor::UndoRedoNotify>(this);
    if (FCurrent != nullptr) {
        TDocument* old = FCurrent;
        old->BeforeActiveChange();
        old->SetActive(false);
        old->AfterActiveChange();
        old->UndoRedo()->RemoveHandler(undoHandler);
    }
    FCurrent = document;
    if (document != nullptr) {
        document->BeforeActiveChange();
        document->SetActive(true);
        document->AfterActiveChange();
        document->UndoRedo()->AddHandler(undoHandler);
    }
    CurrentChanged();
}

void TDocumentor::CurrentChanged()
{
    UpdateTitle();
    Fire(dnSwitched, OnSwitch);
    ModifiedChange();
    UpdateAppActions();
    UpdateUndoRedoActions();
}

QString TDocumentor::GetTitle()
{
    if (FCurrent == nullptr)
        return ApplicationTitle;
    return FCurrent->GetTitle() + QStringLiteral(" \u2014 ") + ApplicationTitle;
}

bool TDocumentor::CanSaveAll() const
{
    return std::any_of(FDocuments.begin(), FDocuments.end(), [](const auto& document) {
        return document->FileName().isEmpty() || document->Modified();
    });
}

// --- New and Open ------------------------------------------------------------------------------------------

bool TDocumentor::New(bool isAutoCreate, TCreationData data)
{
    if (OnNewDialog && !OnNewDialog(isAutoCreate, data))
        return false;
    if (HasOption(doSingleDoc) && !CloseQuery())
        return false;
    std::unique_ptr<TDocument> document = OnCreateDocument ? OnCreateDocument(data) : nullptr;
    if (document == nullptr)
        return false;
    // An error frees the document (it is not in the list yet) and passes on.
    document->InitializeNew();
    document->AfterCreate();
    AddDocument(std::move(document));
    return true;
}

void TDocumentor::Open()
{
    QStringList files;
    const bool handled = OnOpenDialog && OnOpenDialog(files);
    if (!handled)
        files = UserInterface().ChooseOpenFiles(QString(), OpenFilters, QString(), !HasOption(doSingleDoc));
    OpenFiles(files);
}

void TDocumentor::OpenFiles(const QStringList& fileNames)
{
    for (const QString& fileName : fileNames)
        OpenFile(fileName);
}

bool TDocumentor::OpenFile(const QString& fileName)
{
    const QString path = FullPath(fileName);
    // A second document of the same file would let one copy's save overwrite the other's work.
    // Opening it again loads it again (it may have changed on disk), after asking when that would
    // drop changes; the open document stays until the new load has succeeded.
    TDocument* reloaded = FindDocument(path);
    if (reloaded != nullptr) {
        SetCurrent(reloaded);
        if (reloaded->Modified() && UserInterface().MessageBox(LoadStr(QV_STR(4025), {path}), QString(),
                                                               miQuestion, mbYes | mbNo, mbNo) != mbYes)
            return true;
    } else if (HasOption(doSingleDoc) && !CloseQuery()) {
        return false;
    }
    std::unique_ptr<TDocument> document;
    try {
        const TCreationData data = OnCreationDataFromFileName ? OnCreationDataFromFileName(path) : nullptr;
        if (OnCreateDocument)
            document = OnCreateDocument(data);
        if (document == nullptr)
            RaiseStr(4006, {path});
        {
            TWaitCursor wait;
            document->LoadFromFile(path);
        }
        document->SetFileName(path);
        document->AfterOpen();
        document->AfterCreate();
        if (reloaded != nullptr) {
            TKnot viewState;
            reloaded->SaveState(&viewState);
            document->LoadState(&viewState);
        }
        if (FRecentFiles != nullptr) {
            if (TKnot* entry = FRecentFiles->GetFileKnot(path)) {
                document->LoadState(entry);
                FRecentFiles->RemoveFile(path);
            }
        }
    } catch (const EQvError& error) {
        document.reset();
        UserInterface().ShowError(error.Message());
        return false;
    }
    if (reloaded != nullptr) {
        // Not into the recent files: the file stays open.
        reloaded->SetFileName(QString());
        CloseDocument(reloaded);
    }
    AddDocument(std::move(document));
    return true;
}

void TDocumentor::OpenFromCommandLine()
{
    const bool single = HasOption(doSingleDoc);
    QStringList taken;
    if (!OpenExtensions.isEmpty()) {
        for (const QString& extension : std::as_const(OpenExtensions)) {
            const QString suffix = u'.' + extension;
            for (int i = 0; i < CommandLine.size();) {
                const QString& argument = CommandLine.at(i);
                if (argument.size() > suffix.size() && argument.endsWith(suffix, Qt::CaseInsensitive)) {
                    // One document at a time: the first file opens here, the others are handed on.
                    if (single && !taken.isEmpty())
                        ExtraFiles.append(FullPath(argument));
                    else
                        taken.append(FullPath(argument));
                    CommandLine.removeAt(i);
                } else {
                    ++i;
                }
            }
        }
        for (const QString& argument : std::as_const(CommandLine)) {
            if (argument.contains(u'.')) {
                UserInterface().MessageBox(LoadStr(2074, {argument}), LoadStr(2033), miError, mbOk, mbOk);
                break;
            }
        }
    } else {
        while (!CommandLine.isEmpty()) {
            taken.append(FullPath(CommandLine.takeFirst()));
            if (single)
                break;
        }
    }
    OpenFiles(taken);
}

void TDocumentor::Start()
{
    UpdateTitle();
    if (HasOption(doOpenFilesFromCommandLine))
        OpenFromCommandLine();
    if (HasOption(doAutoCreateDoc) && FDocuments.empty())
        New(true, nullptr);
}

// --- Saving ------------------------------------------------------------------------------------------------

QString TDocumentor::BackupFileName(const QString& fileName)
{
    return qv::BackupFileName(fileName);
}

void TDocumentor::MakeBackup(TDocument* document)
{
    // The copy is written safely too: a failed copy must not destroy an older backup, and the save does
    // not go ahead without the copy it promised, nor when it cannot tell whether there is a file to
    // copy. A file that does not exist yet needs no copy.
    const QString fileName = document->FileName();
    const QString backupName = BackupFileName(fileName);
    QString reason;
    if (!CopyFileSafely(fileName, backupName, &reason))
        throw EQvError(FormatStr(LoadStr(65001), {backupName, reason}));
    document->SetBackupMade(true);
}

bool TDocumentor::SaveDocument(TDocument* document, const QString& fileName)
{
    {
        TWaitCursor wait;
        if (!document->SaveToFile(fileName))
            return false;
    }
    document->SetFileName(fileName);
    document->UndoRedo()->SetModified(false);
    document->Saved();
    if (document->OnSaved)
        document->OnSaved(document, 0, 0, 0);
    return true;
}

bool TDocumentor::Save()
{
    TDocument* document = FCurrent;
    if (document == nullptr)
        return false;
    if (document->FileName().isEmpty())
        return SaveAs();
    if (document->LoadedInPart()) {
        // Saving over a file that was read only in part destroys what could not be read: another
        // name is the first offer.
        const int choice = UserInterface().AskChoice(
            LoadStr(QV_STR(4826),
                    {QFileInfo(document->FileName()).fileName(), QString::number(document->NodesNotRead())}),
            ApplicationTitle, miWarning, {LoadStr(QV_STR(4827)), LoadStr(QV_STR(4828))}, 0);
        if (choice < 0)
            return false;
        if (choice == 0)
            return SaveAs();
    }
    if (HasOption(doBackupFiles) && !document->BackupMade())
        MakeBackup(document);
    if (!SaveDocument(document, document->FileName()))
        return false;
    if (FRecentFiles != nullptr) {
        if (TKnot* entry = FRecentFiles->GetFileKnot(document->FileName()))
            document->SaveState(entry);
    }
    return true;
}

bool TDocumentor::SaveAs()
{
    TDocument* document = FCurrent;
    if (document == nullptr)
        return false;
    const QString oldName = document->FileName();
    QString fileName = oldName.isEmpty() ? document->GetTitle() : QFileInfo(oldName).completeBaseName();
    bool cancel = false;
    const bool handled = OnSaveAsDialog && OnSaveAsDialog(document, fileName, cancel);
    if (!handled) {
        fileName = UserInterface().ChooseSaveFile(QString(), OpenFilters, fileName, QString());
        cancel = fileName.isEmpty();
    }
    if (cancel || fileName.isEmpty())
        return false;
    fileName = FullPath(fileName);
    if (!SaveDocument(document, fileName))
        return false;
    if (FRecentFiles != nullptr) {
        // The file is open now, so it leaves the list; the file left behind joins it.
        FRecentFiles->RemoveFile(fileName);
        if (!oldName.isEmpty() && oldName != fileName)
            PutIntoRecentFiles(document, oldName);
    }
    return true;
}

bool TDocumentor::SaveAll()
{
    std::vector<TDocument*> documents;
    for (const auto& document : FDocuments)
        documents.push_back(document.get());
    for (TDocument* document : documents) {
        if (IndexOf(document) < 0)
            continue;
        SetCurrent(document);
        if (document->Modified()) {
            Save();
            if (document->Modified())
                return false;
        }
    }
    return true;
}

// --- Closing -----------------------------------------------------------------------------------------------

bool TDocumentor::CloseQuery()
{
    TDocument* document = FCurrent;
    if (document == nullptr)
        return true;
    if (!document->CanClose())
        return false;
    if (!document->Modified())
        return true;
    const QString question = LoadStr(2073, {document->GetTitle()});
    if (UseTaskDialogs) {
        const int choice = UserInterface().AskChoice(question, ApplicationTitle, miWarning,
                                                     {LoadStr(2028), LoadStr(2029)}, 0);
        if (choice < 0)
            return false;
        if (choice == 1)
            return true;
    } else {
        const TMessageButton answer =
            UserInterface().MessageBox(question, LoadStr(2032), miWarning, mbYes | mbNo | mbCancel, mbYes);
        if (answer == mbNo)
            return true;
        if (answer != mbYes)
            return false;
    }
    Save();
    return !document->Modified();
}

bool TDocumentor::Close()
{
    if (FCurrent == nullptr || !CloseQuery())
        return false;
    CloseDocument(FCurrent);
    return true;
}

bool TDocumentor::CloseAll()
{
    while (!FDocuments.empty()) {
        if (!Close())
            return false;
    }
    return true;
}

void TDocumentor::PutIntoRecentFiles(TDocument* document, const QString& fileName)
{
    if (TKnot* entry = FRecentFiles->AddFile(fileName))
        document->SaveState(entry);
}

void TDocumentor::CloseDocument(TDocument* document)
{
    const int index = IndexOf(document);
    if (index < 0)
        return;
    TDocument* next = nullptr;
    if (index + 1 < int(FDocuments.size()))
        next = FDocuments[size_t(index + 1)].get();
    else if (index > 0)
        next = FDocuments[size_t(index - 1)].get();
    if (!document->FileName().isEmpty() && FRecentFiles != nullptr)
        PutIntoRecentFiles(document, document->FileName());
    const bool wasCurrent = document == FCurrent;
    if (wasCurrent) {
        document->BeforeActiveChange();
        document->SetActive(false);
        document->AfterActiveChange();
        document->UndoRedo()->RemoveHandler(MakeNotifyEvent<&TDocumentor::UndoRedoNotify>(this));
        FCurrent = nullptr;
    }
    document->OnSaved = {};
    document->OnChanged = {};
    {
        TWaitCursor wait;
        std::unique_ptr<TDocument> freed = std::move(FDocuments[size_t(index)]);
        FDocuments.erase(FDocuments.begin() + index);
        freed.reset();
    }
    DocumentListChanged();
    UpdateAppActions();
    if (wasCurrent) {
        if (next != nullptr)
            SetCurrent(next);
        else
            CurrentChanged();
    }
}

} // namespace qv
