#pragma once

#include "elements/element_operation.h"
#include "elements/palette.h"
#include "elements/visual_element.h"
#include "textor/sheet_theme.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace qv {

class TItfObject;

// PathOptions of path and file-name elements; stored as "ShowAbsolute" and "StoreAbsolute".
enum TPathOption : uint8_t
{
    poShowAbsolute = 0x01,  // show the full path
    poStoreAbsolute = 0x02, // store the full path
    poIcon = 0x10,          // draw the folder or file icon (always set)
};

// How a stored relative path is resolved.
enum TPathResolveMode : uint8_t
{
    // Against the document's folder, then, when that candidate does not exist, against the scheme's
    // search folders (last first); the first candidate that exists wins.
    prmSearchFolders,
    // Against the document's folder only. For callers that write or delete what the path names:
    // a file that happens to exist in a search folder must never stand in for it.
    prmDocumentOnly,
};

// Tree message (no param, no data) a file name offers its ancestors: handled when the file name
// names a program of the system a generated file runs on (Windows), not a file of this computer.
// Such a file name keeps a stored or chosen name as it is ("notepad.exe", "C:\Tools\x.exe",
// "%ProgramFiles%\x.exe"), its chooser takes names that do not exist here, and the ancestor that
// handled the message judges the text: the file name checks neither existence nor emptiness.
inline constexpr int tmForeignFileName = 251;

// The filters of a file dialog, gathered from the ancestors of a file-name element with tree message
// tmFileFilters (param: this list). Entries with the same text share one filter.
class TFileDialogFilters
{
public:
    // Adds `extension` (without the dot) to the filter named `text`, once (compared without case).
    void Add(const QString& text, const QString& extension);
    bool IsEmpty() const { return FEntries.isEmpty(); }
    // "Text (*.a *.b);;…;;All Files (*)".
    QString DialogFilters() const;

private:
    QList<QPair<QString, QStringList>> FEntries;
};

// A folder or file named by its full path. The full path is kept in memory; it is shown and stored
// relative to the document's folder or to one of the scheme's search folders unless the options ask
// for the full path. Paths use "/", names compare case-sensitively.
class TCustomPathOrFileNameElement : public TVisualElement
{
    QV_CLASS(TCustomPathOrFileNameElement, TVisualElement)

    explicit TCustomPathOrFileNameElement(TScheme* scheme);

    const QString& FullPath() const { return FFullPath; }
    uint8_t PathOptions() const { return FPathOptions; }
    bool ShowAbsolute() const { return (FPathOptions & poShowAbsolute) != 0; }
    bool StoreAbsolute() const { return (FPathOptions & poStoreAbsolute) != 0; }

    // The form stored without "StoreAbsolute": relative to the last search folder that holds the
    // path, else to the document's folder; the full path when the document has no file name, when
    // the path is not absolute, or when it holds "." or ".." parts (a relative form would not name
    // the same place for certain).
    QString RelativeValue() const;
    // FullPath with "ShowAbsolute", else RelativeValue.
    QString DisplayValue() const;
    // Sets the normalised path directly (no undo record).
    void SetPath(const QString& text);
    // Sets the path through an undoable operation.
    void PostPath(const QString& text);
    void SetShowAbsolute(bool value);
    void PostShowAbsolute(bool value);
    void SetStoreAbsolute(bool value);
    void PostStoreAbsolute(bool value);
    // The full path a stored text names. An absolute text is returned as it is. A relative one is
    // expanded against the document's folder; with prmSearchFolders, when that does not exist, the
    // first search folder (last first) in which it exists wins, and only when the result stays inside
    // that folder. When nothing exists, the document-relative candidate. "\" counts as "/" in
    // relative texts.
    QString ResolveStoredPath(const QString& text, TPathResolveMode mode = prmSearchFolders) const;
    // The folder of the scheme's file name, ending with "/"; empty without a scheme or file name.
    QString DocumentFolder() const;

    // Virtual operations of the family.
    // Whether the folder or file exists.
    virtual bool PathExists(const QString& text) const = 0;
    // Enter and double click: opens a filled, valid path (an error opening it is shown, not
    // raised); otherwise lets the user choose one (false when read-only).
    virtual bool EditWithDefaultAction();
    // The icon in SmallImages, or -1.
    virtual int IconIndex();
    virtual QString NormalisePath(const QString& text) const;
    // Measures the caption (icon and DisplayValue) and sets the size; only with a sheet and shown.
    virtual void UpdateSize();
    // FullPath relative to the folder `base`.
    virtual QString RelativeForm(const QString& base) const;
    // The frame the element is drawn with.
    virtual TSheetThemeElement FrameElement() const;
    // Let the user choose the folder or file.
    virtual void Choose() = 0;

    // Element operations.
    bool IsFilled() const override;
    void CheckContent() override;
    void FilledChanged() override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    void AppendText(QString& builder) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    bool Paste() override;
    void Copy() override;
    bool CanCut() override;
    bool CanCopy() override;
    void EditCommand() override;
    void FocusChanged() override;
    void GetCaret(int& kind, QRect& rect) override;
    void ShownChanged() override;
    void Relayout(bool all, bool force) override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void KeyPress(QChar& key) override;
    TVisualElement* DoubleClickAction() override;
    void Paint(TCanvas* canvas) override;

    ~TCustomPathOrFileNameElement() override;

protected:
    // The element's own palette items, before the show and store options.
    virtual void GetClassPaletteItems(QList<TPaletteItem*>& list);
    // The check message for a missing folder or file: a string number.
    virtual int MissingMessage() const = 0;
    // Whether a stored text (as read, "\" not yet turned into "/") is the path itself rather than
    // a path relative to the document's or a search folder. False by default.
    virtual bool KeepsStoredText(const QString& text) const;
    // Opens FullPath with the desktop; errors pass on.
    void OpenPath();
    void UpdateCaret();

private:
    void SchemeNotify(TItfObject* sender, int notify, intptr_t param1, intptr_t param2);
    QString ValueAttributeName(TSchemeFiler* filer);

    QString FFullPath;
    uint8_t FPathOptions = poIcon;
    TScheme* FSubscribed = nullptr;
};

// A folder; its full path ends with "/" when not empty.
class TCustomPathElement : public TCustomPathOrFileNameElement
{
    QV_CLASS(TCustomPathElement, TCustomPathOrFileNameElement)

    using TCustomPathOrFileNameElement::TCustomPathOrFileNameElement;

    bool PathExists(const QString& text) const override;
    int IconIndex() override;
    QString NormalisePath(const QString& text) const override;
    // The folder browser, starting at FullPath or the document's folder.
    void Choose() override;

    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;

protected:
    void GetClassPaletteItems(QList<TPaletteItem*>& list) override;
    int MissingMessage() const override;
};

// A file.
class TCustomFileNameElement : public TCustomPathOrFileNameElement
{
    QV_CLASS(TCustomFileNameElement, TCustomPathOrFileNameElement)

    using TCustomPathOrFileNameElement::TCustomPathOrFileNameElement;

    bool PathExists(const QString& text) const override;
    int IconIndex() override;
    // Without the leading "./".
    QString RelativeForm(const QString& base) const override;
    // The open dialog (the save dialog when ForSaving) with the filters the ancestors give (tree
    // message tmFileFilters, param: a TFileDialogFilters).
    void Choose() override;
    // Whether the file is one the program writes (an output file): its chooser is a save dialog that
    // starts at FullPath whether or not the file exists yet. False by default.
    virtual bool ForSaving() const;
    // Shows an existing file selected in the desktop's file manager; nothing for a missing one.
    void ShowInFolder();
    // Whether an ancestor handles tmForeignFileName.
    bool NamesForeignFile() const;
    // The name a chosen file of this computer gets as a foreign file name: "C:\…" for a file on the
    // C drive folder of a Windows compatibility prefix ("…/drive_c/…"), the full path for an existing
    // file in the document's folder (shown and written relative to it), else the file name alone, a
    // program the other system finds on its search path.
    QString ForeignName(const QString& chosen) const;

    bool NeedsCheck() const override;

    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;

protected:
    void GetClassPaletteItems(QList<TPaletteItem*>& list) override;
    int MissingMessage() const override;
    bool KeepsStoredText(const QString& text) const override;
};

// A file name that is a part of another element: its value is an attribute of the owner's node,
// named by the owner (GetPartKnotName).
class TFileNameField : public TCustomFileNameElement
{
    QV_CLASS(TFileNameField, TCustomFileNameElement)

    explicit TFileNameField(TScheme* scheme);

    TSheetThemeElement FrameElement() const override;
};

// A free-standing folder, inserted into text fields. Required; can be disabled.
class TElement_Path : public TCustomPathElement
{
    QV_CLASS(TElement_Path, TCustomPathElement)

    explicit TElement_Path(TScheme* scheme);

    void GetHint(QString& text) override;
};

// A free-standing file name, inserted into text fields. Required; can be disabled.
class TElement_FileName : public TCustomFileNameElement
{
    QV_CLASS(TElement_FileName, TCustomFileNameElement)

    explicit TElement_FileName(TScheme* scheme);

    void GetHint(QString& text) override;
};

// Sets the full path; undo sets the old one back.
class TPathOrFileNameOperation : public TElementOperation
{
    QV_CLASS(TPathOrFileNameOperation, TElementOperation)

    explicit TPathOrFileNameOperation(TCustomPathOrFileNameElement* element = nullptr,
                                      const QString& path = QString());

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    QString FNewPath;
    QString FOldPath;
};

// Sets "ShowAbsolute"; undo sets the old value back.
class TPathOrFileNameShowOperation : public TElementOperation
{
    QV_CLASS(TPathOrFileNameShowOperation, TElementOperation)

    explicit TPathOrFileNameShowOperation(TCustomPathOrFileNameElement* element = nullptr,
                                          bool value = false);

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    bool FNewValue;
    bool FOldValue = false;
};

// Sets "StoreAbsolute"; undo sets the old value back.
class TPathOrFileNameStoreOperation : public TElementOperation
{
    QV_CLASS(TPathOrFileNameStoreOperation, TElementOperation)

    explicit TPathOrFileNameStoreOperation(TCustomPathOrFileNameElement* element = nullptr,
                                           bool value = false);

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    bool FNewValue;
    bool FOldValue = false;
};

// The palette items of path and file-name elements; they act only on those elements.
class TPathPaletteItem : public TSchemePaletteItem
{
    QV_CLASS(TPathPaletteItem, TSchemePaletteItem)

    using TSchemePaletteItem::TSchemePaletteItem;
};

// The items, created by RegisterPathElements (null before).
struct TPathPaletteItems
{
    TPathPaletteItem* OpenPath = nullptr;
    TPathPaletteItem* OpenFile = nullptr;
    TPathPaletteItem* Location = nullptr;
    TPathPaletteItem* ChoosePath = nullptr;
    TPathPaletteItem* ChooseFile = nullptr;
    TPathPaletteItem* ShowAbsolute = nullptr;
    TPathPaletteItem* ShowRelative = nullptr;
    TPathPaletteItem* StoreAbsolute = nullptr;
    TPathPaletteItem* StoreRelative = nullptr;
};
const TPathPaletteItems& PathPaletteItems();

// Adds the folder and file-name elements to the inline classes and their items to the palette.
// Called once at start-up, before any document exists; later calls do nothing. User-interface
// thread only.
void RegisterPathElements();

} // namespace qv
