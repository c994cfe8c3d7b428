#pragma once

#include "core/property.h"
#include "elements/element_operation.h"
#include "elements/palette.h"
#include "elements/visual_element.h"
#include "fields/textor_element.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace qv {

// The private clipboard formats: the data compressed with zlib, and the type as UTF-16 text followed
// by one zero character.
inline constexpr char16_t dataClipboardFormat[] = u"ZivorEredad Binary Data";
inline constexpr char16_t dataTypeClipboardFormat[] = u"ZivorEredad Binary Data Type";

// DataOptions of data elements.
enum TDataOption : uint8_t
{
    doNoChessBackground = 0x01, // no chequered background behind a picture
    doPictureElement = 0x02,    // a picture element: "All Files" comes last in the load dialog
};

// "DefaultAction" of an external editor group.
enum TExternalEditorAction : int
{
    eeaAssociated = 0,   // the program the desktop associates with the file (stored as "")
    eeaCustomEditor = 1, // the program named by "CustomEditor"
    eeaNone = 2,         // no outside editing by default
};

// One "ExternalEditor…" group of the "Data" settings.
class TExternalEditorSettings : public TProperty
{
    QV_CLASS(TExternalEditorSettings, TProperty)

public:
    TExternalEditorSettings(TProperty* parent, const QString& name);

    TEnumProperty& DefaultAction() const { return *FDefaultAction; }
    TStringProperty& CustomEditor() const { return *FCustomEditor; }

private:
    TEnumProperty* FDefaultAction;
    TStringProperty* FCustomEditor;
};

// The groups of the "Data" settings, in their stored order.
enum TExternalEditorGroup : int
{
    eegBitmaps,
    eegIcons,
    eegCursors,
    eegMetafiles,
    eegOther,
    externalEditorGroupCount,
};

// The "Data" settings (under "Sheet"): how data is edited in outside programs, per kind of data.
class TDataElementSettings : public TProperty
{
    QV_CLASS(TDataElementSettings, TProperty)

public:
    explicit TDataElementSettings(TProperty* parent = nullptr, const QString& name = QStringLiteral("Data"));

    TExternalEditorSettings& Group(int group) const { return *FGroups[group]; }
    // The group of a format number.
    TExternalEditorSettings& GroupOfFormat(int format) const;

private:
    TExternalEditorSettings* FGroups[externalEditorGroupCount];
};

// The settings data elements read; owned by the family. The application attaches them under its
// "Sheet" settings (TSettings::Attach) so that they are loaded and saved with them. User-interface
// thread only.
TDataElementSettings& DataElementSettings();

// The bytes of one file with its type (an extension in lower case): shown as a picture, reduced to
// at most 720 pixels in width, or as a hexadecimal dump; converted between picture formats; edited
// in an outside program through a temporary file. Documents store the bytes as hexadecimal text;
// undo records and the private clipboard format keep them compressed.
class TCustomDataElement : public TVisualElement, public IDataElementReceiver
{
    QV_CLASS(TCustomDataElement, TVisualElement)

    explicit TCustomDataElement(TScheme* scheme);
    ~TCustomDataElement() override;

    // The raw bytes, never compressed. Implicitly shared: a copy costs nothing until one side changes.
    const QByteArray& Data() const { return FData; }
    const QString& DataType() const { return FDataType; }
    uint16_t AllowedFormats() const { return FAllowedFormats; }
    bool IsFormatAllowed(int format) const { return (FAllowedFormats & (1u << format)) != 0; }
    uint8_t DataOptions() const { return FDataOptions; }
    const QString& ExternalFileName() const { return FExternalFileName; }
    bool InExternalEditingMode() const { return !FExternalFileName.isEmpty(); }
    int DisplayScale() const { return FDisplayScale; }
    // The picture at display size; empty while not decoded (or dropped to save memory: GetImage
    // decodes it again).
    const QImage& ImageCache() const { return FImageCache; }
    // Whether the data was decoded as a picture, whether or not the picture is kept now.
    bool HasPicture() const { return !FImageCache.isNull() || FCacheDropped; }
    int Format() const;

    // The external editor group of the format of DataType.
    TExternalEditorSettings& EditorSettings() const;
    // Builds ImageCache when needed (decoding at most once per change of the data); true when a
    // picture is shown.
    bool GetImage();
    // The picture's own size.
    bool ImageSize(int& width, int& height);

    void SetData(const QByteArray& data, const QString& type);
    // False (and nothing changed) when the compressed bytes are bad.
    bool SetCompressedData(const QByteArray& compressed, const QString& type);
    void PostNewData(const QByteArray& data, const QString& type);
    void PostNewCompressedData(const QByteArray& compressed, const QString& type);
    // Reads a file; the type is its extension in lower case. Errors pass on ("File not found: %1").
    void SetDataFromFile(const QString& name);
    void LoadDataFromFile(const QString& name);
    void SaveDataToFile(const QString& name);
    void ChooseAndLoadFile();
    void ChooseAndSaveFile();
    // Warns when the conversion may lose quality, then converts through an undo record.
    void ConvertFormat(int format);
    // Converts in place (no undo record).
    void ApplyFormat(int format);
    // Takes data from the clipboard; false when it holds nothing usable or its data is bad.
    bool PasteData(bool withUndo);
    // Whether the clipboard holds the private formats or a picture.
    static bool ClipboardHasData();

    // External editing. The temporary file is named "File<n>.<type>" beside the document, or in the
    // temporary folder for a document without a file.
    void StartExternalEditing(const QString& application, bool openWith);
    void LaunchEditor(const QString& file, const QString& application, bool openWith);
    void SetExternalFileName(const QString& name);
    void PostExternalFileName(const QString& name);
    // Apply: loads the edited file back, deletes it and leaves the mode. Cancel: deletes the file and
    // leaves the mode. Only a file this program could have made is ever deleted.
    void ApplyExternalEditing();
    void CancelExternalEditing();
    // Whether a stored external file name is one this program makes: "File<n>[.ext]" directly in
    // the document's folder or the temporary folder.
    bool IsSafeExternalFileName(const QString& name) const;

    // Enter and double click.
    virtual bool EditWithDefaultAction();

    // Pasting and dropping into text fields.
    bool ReceiveClipboardData() override;
    bool AcceptsFile(const QString& name) const override;
    void ReceiveFile(const QString& name) override;

    // Element operations.
    void CheckContent() override;
    bool IsFilled() const override;
    void FilledChanged() override;
    void Changed() override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    void BoundsChanged(const QRect& oldBounds, int oldDescent) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    bool Paste() override;
    void MarkChanged() override;
    void FocusChanged() override;
    void GetCaret(int& kind, QRect& rect) override;
    void ShownChanged() override;
    void Paint(TCanvas* canvas) override;
    void Relayout(bool all, bool force) override;
    bool CanCut() override;
    bool CanCopy() override;
    bool CanEdit() override;
    void EditCommand() override;
    void Copy() override;
    bool DropFiles(const QStringList& fileNames) override;
    void GetHint(QString& text) override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void KeyPress(QChar& key) override;
    TVisualElement* DoubleClickAction() override;

    // The row of the hexadecimal dump for bytes [row × 16, row × 16 + 16): 64 characters.
    static QString HexDumpRow(const QByteArray& data, qsizetype row);

protected:
    void SetDataOptions(uint8_t options) { FDataOptions = options; }
    // Recomputes the size: the picture, the dump or 60 by 40, plus the padding.
    void UpdateSize();
    QSize ContentSize();
    // Draws the picture or the dump with the content's top left at `origin`.
    void PaintContent(TCanvas* canvas, QPoint origin);

private:
    void DropImage();
    bool DecodeForDisplay();
    void RegisterCache();
    void ForgetCache();
    void UpdateCaret();
    QString TemporaryFolder() const;

    QByteArray FData;
    QString FDataType;
    uint16_t FAllowedFormats = 0x7FFF;
    uint8_t FDataOptions = 0;
    QImage FImageCache;
    bool FImageTried = false;
    int FImageWidth = 0;
    int FImageHeight = 0;
    int FDisplayScale = 100;
    QString FExternalFileName;
    qint64 FHandle = 0;            // registered in-process buffer of a generation-run copy
    bool FCacheRegistered = false; // counted in the budget of decoded pictures
    bool FCacheDropped = false;    // decoded once, dropped for memory; decoded again when drawn
};

// The data element used as a part of another element; its attributes are written on its owner's node.
class TDataContainer : public TCustomDataElement
{
    QV_CLASS(TDataContainer, TCustomDataElement)

    explicit TDataContainer(TScheme* scheme);

    QMargins GetPadding() override;
    void Paint(TCanvas* canvas) override;
};

// A free-standing picture, inserted into comments and text fields. Can be disabled.
class TElement_Image : public TCustomDataElement
{
    QV_CLASS(TElement_Image, TCustomDataElement)

    explicit TElement_Image(TScheme* scheme);

    void Paint(TCanvas* canvas) override;
};

// Saves the element's type and data (compressed) on its first run; undo restores them.
class TCustomDataChangeOperation : public TElementOperation
{
    QV_CLASS(TCustomDataChangeOperation, TElementOperation)

    explicit TCustomDataChangeOperation(TElement* element = nullptr) : TElementOperation(element) {}

    // The compressed old data (tests look at it).
    const QByteArray& OldCompressedData() const { return FOldData; }

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    bool FSaved = false;
    QString FOldType;
    QByteArray FOldData;
};

// Sets new data (kept compressed) and type; without data and type it clears the element.
class TDataNewDataOperation : public TCustomDataChangeOperation
{
    QV_CLASS(TDataNewDataOperation, TCustomDataChangeOperation)

    explicit TDataNewDataOperation(TElement* element = nullptr,
                                   const QByteArray& compressedData = QByteArray(),
                                   const QString& type = QString());

protected:
    void DoOnElement(TElement* element) override;

private:
    QString FNewType;
    QByteArray FNewData;
};

// Converts the data to a format (ApplyFormat).
class TDataNewDataFormatOperation : public TCustomDataChangeOperation
{
    QV_CLASS(TDataNewDataFormatOperation, TCustomDataChangeOperation)

    explicit TDataNewDataFormatOperation(TElement* element = nullptr, int format = 0);

protected:
    void DoOnElement(TElement* element) override;

private:
    int FFormat;
};

// Enters or leaves the external editing mode.
class TDataExternalEditingModeOperation : public TElementOperation
{
    QV_CLASS(TDataExternalEditingModeOperation, TElementOperation)

    explicit TDataExternalEditingModeOperation(TElement* element = nullptr, const QString& name = QString());

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    QString FNewName;
    QString FOldName;
};

// "Edit": starts outside editing; its sub-commands choose the program.
class TDataEditPaletteItem : public TSubExecutablePaletteItem
{
    QV_CLASS(TDataEditPaletteItem, TSubExecutablePaletteItem)

    using TSubExecutablePaletteItem::TSubExecutablePaletteItem;

    void ExecuteSub(TVisualElement* element, const QString& text) override;
    void GetSubCommands(TVisualElement* element, QList<TPaletteSubCommand>& list) override;
};

// The palette items of data elements; null before RegisterDataElements.
struct TDataPaletteItems
{
    TPaletteItem* Edit = nullptr;
    TPaletteItem* Apply = nullptr;
    TPaletteItem* Cancel = nullptr;
    TPaletteItem* Png = nullptr;
    TPaletteItem* Jpeg = nullptr;
    TPaletteItem* Gif = nullptr;
    TPaletteItem* Bmp = nullptr;
    TPaletteItem* Ico = nullptr;
    TPaletteItem* Cur = nullptr;
    TPaletteItem* LoadFromFile = nullptr;
    TPaletteItem* SaveToFile = nullptr;
};
const TDataPaletteItems& DataPaletteItems();

// The memory the decoded pictures of elements on sheets may take together, in bytes (64 MB by
// default); returns the previous budget.
qint64 SetImageCacheBudget(qint64 bytes);

// Makes the picture element known (comment content), adds the palette items and pictures.
void RegisterDataElements();

} // namespace qv
