#pragma once

#include "documents/document.h"
#include "elements/scheme_descriptor.h"

#include <QList>

#include <QSize>

#include <memory>

namespace qv {

class TDocumentor;
class TKnot;
class TLogRoot;
class TScheme;
class TSchemeRegistry;
class TSheet;
class TSheetSettings;

// A document holding one scheme of a document type, a second scheme for its log and, once it has
// been shown, the editing and log sheets.
//
// The scheme's undo manager is the document's; its message list is the log root's. The sheets are
// created on the first activation, so documents that are never shown cost no layout.
class TSchemeDocument : public TDocument
{
public:
    // `sheetSettings` (not owned) is what the sheets are created with; null takes the text fields'
    // settings, or built-in defaults when there are none.
    explicit TSchemeDocument(TDescriptor descriptor, TSheetSettings* sheetSettings = nullptr);
    ~TSchemeDocument() override;

    TDescriptor Descriptor() const { return FDescriptor; }
    TScheme* Scheme() const { return FScheme.get(); }
    TScheme* LogScheme() const { return FLogScheme.get(); }
    TLogRoot* LogRoot() const;
    // Null until the first activation.
    TSheet* Sheet() const { return FSheet.get(); }
    // The size of the window the document is going to be shown in, given before its views are made,
    // so that its text is laid out once, at that width (empty: not known).
    void SetViewSize(const QSize& size) { FViewSize = size; }
    TSheet* LogSheet() const { return FLogSheet.get(); }
    // The sheets whose read-only state follows the scheme's.
    const QList<TSheet*>& Sheets() const { return FSheets; }
    // The view state kept while no sheet exists yet.
    TKnot* SheetData() const { return FSheetData.get(); }

    // False, with a beep, while the scheme is busy (read-only level 2).
    bool CanClose() override;
    void InitializeNew() override;
    QString GetDefaultTitle() override;
    void LoadState(TKnot* entry) override;
    void SaveState(TKnot* entry) override;
    void LoadFromFile(const QString& fileName) override;
    bool LoadedInPart() override;
    int NodesNotRead() override;
    // In code mode with text edited since the switch, asks whether to save at all; any answer but Yes
    // declines (false) without writing anything.
    bool SaveToFile(const QString& fileName) override;
    // Creates the views on the first activation.
    void BeforeActiveChange() override;
    // The file now holds the whole document: the loaded-in-part mark goes.
    void Saved() override;

private:
    void CreateViews();
    void SchemeNotify(TItfObject* sender, int notify, intptr_t param1, intptr_t param2);
    void FollowReadOnly();

    TDescriptor FDescriptor;
    TSheetSettings* FSheetSettings;
    std::unique_ptr<TSheetSettings> FOwnSheetSettings;
    std::unique_ptr<TScheme> FLogScheme;
    std::unique_ptr<TScheme> FScheme;
    std::unique_ptr<TSheet> FLogSheet;
    std::unique_ptr<TSheet> FSheet;
    QSize FViewSize;
    QList<TSheet*> FSheets;
    std::unique_ptr<TKnot> FSheetData;
};

// Schemes of other documents that elements refer to by file name. The cache is process-wide; its
// documents are loaded but never shown.
//
// The scheme of the document for `fileName`: a cached one, or a document loaded now when a
// descriptor of `registry` (null: the application's) takes the file's extension. Null when no
// descriptor does; load errors are raised (and the file is remembered as giving no scheme until the
// next release).
TScheme* ReferencedScheme(const QString& fileName, TSchemeRegistry* registry = nullptr);
// Frees every cached document that holds no scheme or whose scheme has no dependants left.
void ReleaseReferencedDocuments();
// The number of cached entries.
int ReferencedDocumentCount();

// Connects the document manager to the scheme document types of `registry` (null: the
// application's registry, which must outlive the manager), as the main window does:
//  - creation data is a descriptor class;
//  - OnCreateDocument creates a TSchemeDocument with `sheetSettings`;
//  - OnCreationDataFromFileName finds the descriptor by the file's extension and raises
//    "Unsupported file type: %1" when none can open files;
//  - OnNewDialog asks the chosen descriptor to confirm a New the user asked for, and picks the
//    `autoCreateIndex`-th creatable descriptor (1-based; out of range: the first) for the automatic
//    New at start;
//  - OnSaveAsDialog offers the document's own type only;
//  - every change of the document list releases referenced documents nobody needs any more.
void ConnectSchemeDocuments(TDocumentor& documentor, TSchemeRegistry* registry = nullptr,
                            TSheetSettings* sheetSettings = nullptr, int autoCreateIndex = 0);
// The position of the creatable document type with the file extension `extension` (compared
// without case) as `autoCreateIndex` counts them, 1-based; 0 when no creatable type has it.
int CreatableTypeIndex(TSchemeRegistry* registry, const QString& extension);

} // namespace qv
