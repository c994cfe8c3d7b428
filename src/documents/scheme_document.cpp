#include "documents/scheme_document.h"

#include "core/errors.h"
#include "core/knot.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "core/update_guard.h"
#include "core/user_interface.h"
#include "documents/documentor.h"
#include "elements/scheme.h"
#include "elements/scheme_operation.h"
#include "elements/sheet.h"
#include "elements/visual_element.h"
#include "fields/scheme_code_mode_root.h"
#include "fields/textor_element.h"
#include "roots/log_root.h"
#include "textor/sheet_settings.h"

#include <QFileInfo>

#include <utility>

namespace qv {

namespace {

const QString sheetDataName = QStringLiteral("SheetData");

// Puts a visual root at the top-left of a sheet, inside the top element's padding.
void PlaceOnSheet(TSheet* sheet, TElement* root)
{
    auto* visual = dynamic_cast<TVisualElement*>(root);
    if (sheet == nullptr || visual == nullptr)
        return;
    TSheetElement* top = sheet->TopElement();
    visual->SetVisualParent(top);
    const QMargins padding = top->GetPadding();
    visual->SetBounds(padding.left(), padding.top(), visual->Descent(), visual->Height(), visual->Width());
}

void TakeOffSheet(TSheet* sheet)
{
    if (sheet == nullptr)
        return;
    TSheetElement* top = sheet->TopElement();
    while (TVisualElement* child = top->FirstVisualChild())
        child->SetVisualParent(nullptr);
}

} // namespace

TSchemeDocument::TSchemeDocument(TDescriptor descriptor, TSheetSettings* sheetSettings)
    : FDescriptor(descriptor), FSheetSettings(sheetSettings),
      FSheetData(std::make_unique<TKnot>(sheetDataName))
{
    if (FSheetSettings == nullptr)
        FSheetSettings = TextorSheetSettings();
    if (FSheetSettings == nullptr) {
        FOwnSheetSettings = std::make_unique<TSheetSettings>();
        FSheetSettings = FOwnSheetSettings.get();
    }
    FLogScheme = std::make_unique<TScheme>(TLogRoot::StaticClass());
    FLogScheme->SetReadOnlyLevel(rolReadOnly);
    FScheme = std::make_unique<TScheme>(descriptor->GetRootClass(), descriptor->GetRootName(),
                                        TSchemeCodeModeRoot::StaticClass());
    FScheme->SetUndoRedo(UndoRedo());
    FScheme->SetMessages(&LogRoot()->LogMessages());
    FScheme->SetOpenScheme([](TScheme*, const QString& fileName) { return ReferencedScheme(fileName); });
    FScheme->AddHandler(MakeNotifyEvent<&TSchemeDocument::SchemeNotify>(this));
}

TSchemeDocument::~TSchemeDocument()
{
    // Operations refer to the scheme, the sheets show both schemes' roots and the scheme reports into
    // the log: take everything apart in that order.
    UndoRedo()->Clear();
    FScheme->RemoveHandler(MakeNotifyEvent<&TSchemeDocument::SchemeNotify>(this));
    TakeOffSheet(FSheet.get());
    TakeOffSheet(FLogSheet.get());
    FSheets.clear();
    FSheet.reset();
    FLogSheet.reset();
    FScheme.reset();
    FLogScheme.reset();
}

TLogRoot* TSchemeDocument::LogRoot() const
{
    return static_cast<TLogRoot*>(FLogScheme->Root());
}

bool TSchemeDocument::CanClose()
{
    if (FScheme->ReadOnlyLevel() == rolBusy) {
        UserInterface().Beep();
        return false;
    }
    return true;
}

void TSchemeDocument::InitializeNew()
{
    TWaitCursor wait;
    FDescriptor->InitializeNewScheme(FScheme.get());
}

QString TSchemeDocument::GetDefaultTitle()
{
    return FDescriptor->GetDefaultDocumentTitle();
}

void TSchemeDocument::LoadState(TKnot* entry)
{
    TKnot* data = entry != nullptr ? entry->FindKnot(sheetDataName) : nullptr;
    if (data == nullptr)
        return;
    if (FSheet == nullptr) {
        FSheetData->Assign(*data);
        FSheetData->SetName(sheetDataName);
        return;
    }
    FSheet->LoadState(data);
}

void TSchemeDocument::SaveState(TKnot* entry)
{
    // A position stored while there are changes would be wrong for the file on disk.
    if (entry == nullptr || UndoRedo()->CanUndo() || UndoRedo()->CanRedo())
        return;
    TKnot* data = entry->GetKnot(sheetDataName);
    if (FSheet == nullptr) {
        data->Assign(*FSheetData);
        data->SetName(sheetDataName);
        return;
    }
    const uint16_t options = data->Options();
    data->Clear();
    data->SetName(sheetDataName);
    data->SetOptions(options);
    FSheet->SaveState(data);
}

void TSchemeDocument::LoadFromFile(const QString& fileName)
{
    TWaitCursor wait;
    FScheme->LoadFromFile(fileName);
}

bool TSchemeDocument::LoadedInPart()
{
    return FScheme->LoadedInPart();
}

int TSchemeDocument::NodesNotRead()
{
    return FScheme->NodesNotRead();
}

void TSchemeDocument::Saved()
{
    FScheme->SetLoadedInPart(false);
    TDocument::Saved();
}

bool TSchemeDocument::SaveToFile(const QString& fileName)
{
    if (FScheme->CodeMode()) {
        TOperation* last = UndoRedo()->NextUndo();
        if (dynamic_cast<TSchemeCodeModeOperation*>(last) == nullptr &&
            UserInterface().MessageBox(LoadStr(4005), LoadStr(2032), miWarning, mbYes | mbNo, mbNo) != mbYes)
            return false;
    }
    FScheme->SaveToFile(fileName);
    return true;
}

void TSchemeDocument::BeforeActiveChange()
{
    if (!Active() && FSheet == nullptr)
        CreateViews();
}

void TSchemeDocument::CreateViews()
{
    TWaitCursor wait;
    FLogSheet = std::make_unique<TSheet>(FSheetSettings);
    PlaceOnSheet(FLogSheet.get(), FLogScheme->Root());
    FLogSheet->SetReadOnly(FLogScheme->ReadOnlyLevel() != rolEditable);

    FSheet = std::make_unique<TSheet>(FSheetSettings);
    if (!FViewSize.isEmpty())
        FSheet->SetPageSize(FViewSize);
    PlaceOnSheet(FSheet.get(), FDescriptor->GetVisualRoot(FScheme.get()));
    FSheets.append(FSheet.get());
    FDescriptor->PrepareSheet(FSheet.get());
    if (!FSheetData->IsEmpty()) {
        FSheet->LoadState(FSheetData.get());
        FSheetData->Clear();
        FSheetData->SetName(sheetDataName);
    }
    FollowReadOnly();
}

void TSchemeDocument::SchemeNotify(TItfObject*, int notify, intptr_t, intptr_t)
{
    if (notify == snReadOnlyChanged)
        FollowReadOnly();
    // Both show in the title.
    if ((notify == snReadOnlyChanged || notify == snLoadedInPartChanged) && OnChanged)
        OnChanged(this, 0, 0, 0);
}

void TSchemeDocument::FollowReadOnly()
{
    const bool readOnly = FScheme->ReadOnlyLevel() != rolEditable;
    for (TSheet* sheet : std::as_const(FSheets))
        sheet->SetReadOnly(readOnly);
}

// --- Referenced documents ------------------------------------------------------------------------------

namespace {

struct TReferencedEntry
{
    QString FileName;
    std::unique_ptr<TSchemeDocument> Document; // null: no document type takes the file
};

std::vector<TReferencedEntry>& ReferencedCache()
{
    static std::vector<TReferencedEntry> cache;
    return cache;
}

} // namespace

TScheme* ReferencedScheme(const QString& fileName, TSchemeRegistry* registry)
{
    std::vector<TReferencedEntry>& cache = ReferencedCache();
    for (const TReferencedEntry& entry : cache) {
        if (entry.FileName == fileName)
            return entry.Document != nullptr ? entry.Document->Scheme() : nullptr;
    }
    cache.push_back({fileName, nullptr});
    const TSchemeRegistry& types = registry != nullptr ? *registry : SchemeRegistry();
    TDescriptor descriptor = types.FindDescriptorByExtension(fileName);
    if (descriptor == nullptr)
        return nullptr;
    auto document = std::make_unique<TSchemeDocument>(descriptor);
    document->LoadFromFile(fileName);
    document->SetFileName(fileName);
    TScheme* scheme = document->Scheme();
    // Loading may have added entries (documents this one connects to): find this one again.
    for (TReferencedEntry& entry : cache) {
        if (entry.FileName == fileName && entry.Document == nullptr) {
            entry.Document = std::move(document);
            break;
        }
    }
    return scheme;
}

void ReleaseReferencedDocuments()
{
    std::vector<TReferencedEntry>& cache = ReferencedCache();
    // Freeing a document may release connections of others: repeat until nothing goes.
    bool released = true;
    while (released) {
        released = false;
        for (auto it = cache.begin(); it != cache.end(); ++it) {
            if (it->Document == nullptr || it->Document->Scheme()->Dependants().isEmpty()) {
                std::unique_ptr<TSchemeDocument> document = std::move(it->Document);
                cache.erase(it);
                document.reset();
                released = true;
                break;
            }
        }
    }
}

int ReferencedDocumentCount()
{
    return int(ReferencedCache().size());
}

// --- Connection to the document manager ----------------------------------------------------------------

namespace {

// The descriptors that can create documents, in the registry's order.
QList<TDescriptor> CreatableTypes(TSchemeRegistry* types)
{
    QList<TDescriptor> creatable;
    for (TDescriptor descriptor : types->Descriptors()) {
        if (descriptor->CanCreate())
            creatable.append(descriptor);
    }
    return creatable;
}

} // namespace

int CreatableTypeIndex(TSchemeRegistry* registry, const QString& extension)
{
    const QList<TDescriptor> creatable = CreatableTypes(registry != nullptr ? registry : &SchemeRegistry());
    for (qsizetype i = 0; i < creatable.size(); ++i) {
        if (creatable[i]->GetExtension().compare(extension, Qt::CaseInsensitive) == 0)
            return int(i) + 1;
    }
    return 0;
}

void ConnectSchemeDocuments(TDocumentor& documentor, TSchemeRegistry* registry, TSheetSettings* sheetSettings,
                            int autoCreateIndex)
{
    TSchemeRegistry* types = registry != nullptr ? registry : &SchemeRegistry();
    documentor.OnCreateDocument = [sheetSettings](TCreationData data) -> std::unique_ptr<TDocument> {
        auto* descriptor = dynamic_cast<TDescriptor>(data);
        if (descriptor == nullptr)
            return nullptr;
        return std::make_unique<TSchemeDocument>(descriptor, sheetSettings);
    };
    documentor.OnCreationDataFromFileName = [types](const QString& fileName) -> TCreationData {
        TDescriptor descriptor = types->FindDescriptorByExtension(fileName);
        if (descriptor == nullptr || !descriptor->CanCreate())
            RaiseStr(4006, {fileName});
        return descriptor;
    };
    documentor.OnNewDialog = [types, autoCreateIndex](bool isAutoCreate, TCreationData& data) {
        if (!isAutoCreate) {
            auto* descriptor = dynamic_cast<TDescriptor>(data);
            return descriptor != nullptr && descriptor->ConfirmNew();
        }
        const QList<TDescriptor> creatable = CreatableTypes(types);
        if (creatable.isEmpty())
            return false;
        const int index =
            autoCreateIndex >= 1 && autoCreateIndex <= creatable.size() ? autoCreateIndex - 1 : 0;
        data = creatable.at(index);
        return true;
    };
    documentor.OnSaveAsDialog = [](TDocument* document, QString& fileName, bool& cancel) {
        auto* schemeDocument = dynamic_cast<TSchemeDocument*>(document);
        if (schemeDocument == nullptr)
            return false;
        TDescriptor descriptor = schemeDocument->Descriptor();
        const QString extension = descriptor->GetExtension();
        const QString filter = QStringLiteral("%1 (*.%2)").arg(descriptor->GetTitle(), extension);
        const QString chosen = UserInterface().ChooseSaveFile(QString(), filter, fileName, extension);
        cancel = chosen.isEmpty();
        if (cancel)
            return true;
        fileName = chosen;
        // The type is known by its extension: a file saved under another one could not be opened
        // again as this type, so the extension is added.
        if (QFileInfo(chosen).suffix().compare(extension, Qt::CaseInsensitive) != 0) {
            fileName += u'.' + extension;
            if (QFileInfo::exists(fileName) &&
                UserInterface().MessageBox(LoadStr(QV_STR(4026), {fileName}), QString(), miWarning,
                                           mbYes | mbNo, mbNo) != mbYes)
                cancel = true;
        }
        return true;
    };
    documentor.OnDocumentListChange = [] {
        ReleaseReferencedDocuments();
    };
}

} // namespace qv
