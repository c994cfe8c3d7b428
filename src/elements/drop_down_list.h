#pragma once

#include "core/itf_object.h"
#include "core/node.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>

namespace qv {

class TCanvas;
class TMetaClass;
class IElementSheet;

// One entry of a drop-down list. Its child nodes are its sub-entries; a list's entries are the
// children of the list's root entry.
class TDropDownItem : public TNode
{
    QV_CLASS(TDropDownItem, TNode)

    TDropDownItem() = default;

    bool Expanded() const { return FExpanded; }
    void SetExpanded(bool value) { FExpanded = value; }
    // An index in the character-size image list; -1 for none.
    int32_t ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int32_t value) { FImageIndex = value; }
    // The text shown; when empty, Value is shown.
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& value) { FCaption = value; }
    // A note drawn right-aligned in the entry's row.
    const QString& Comment() const { return FComment; }
    void SetComment(const QString& value) { FComment = value; }
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& value) { FHint = value; }
    // The ID of the element the entry stands for, or 0.
    int32_t ElementID() const { return FElementID; }
    void SetElementID(int32_t value) { FElementID = value; }
    // What choosing the entry applies and what matching compares.
    const QString& Value() const { return FValue; }
    void SetValue(const QString& value) { FValue = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    // A non-selectable entry is a group heading.
    bool Selectable() const { return FSelectable; }
    void SetSelectable(bool value) { FSelectable = value; }

    QString ShownText() const { return FCaption.isEmpty() ? FValue : FCaption; }
    bool HasSubItems() const { return FirstChild() != nullptr; }
    TDropDownItem* ParentItem() const { return dynamic_cast<TDropDownItem*>(Parent()); }
    TDropDownItem* FirstItem() const { return static_cast<TDropDownItem*>(FirstChild()); }
    TDropDownItem* NextItem() const { return static_cast<TDropDownItem*>(NextSibling()); }
    // The number of ancestors below the list's root (top-level entries: 0).
    int Depth() const;
    // Depth × 24 pixels.
    int Indent() const { return Depth() * 24; }

    // Draws the icon (when there is one) at x, vertically centred in `row`, and advances x by the
    // icon width + 6.
    virtual void DrawImage(TCanvas* canvas, const QRect& row, int& x);
    // The entry's row; `row` is in the canvas's coordinates.
    virtual void Paint(TCanvas* canvas, const QRect& row, bool selected);

    // A new entry of `cls` (a TDropDownItem class; null: TDropDownItem) as the last child of
    // `parent`.
    static TDropDownItem* AddItem(TDropDownItem* parent, const TMetaClass* cls = nullptr);
    static TDropDownItem* AddItem(TDropDownItem* parent, const TMetaClass* cls, int32_t imageIndex,
                                  const QString& caption, int32_t elementID, const QString& value);

private:
    bool FExpanded = false;
    int32_t FImageIndex = -1;
    QString FCaption;
    QString FComment;
    QString FHint;
    int32_t FElementID = 0;
    QString FValue;
    bool FEnabled = true;
    bool FSelectable = true;
};

// An open drop-down list of a sheet: a tree of entries under Root, the current entry and the
// geometry the sheet's pop-up needs. The sheet owns an open list, asks it the few questions its
// keyboard handling needs and tells it to apply its chosen entry when it closes with commit.
//
// OnChoose is called with this list as sender, notify 0, param1 the chosen entry (may be null) and
// param2 0. Its object must outlive the list or close the list before it goes (the drop-down
// elements do so). A list whose entries change calls EntriesChanged, which sends the sheet's
// shnDropDownChanged so that the window can adjust the list's size.
class TDropDownList : public TItfObject
{
public:
    explicit TDropDownList(IElementSheet* sheet);
    ~TDropDownList() override;

    IElementSheet* Sheet() const { return FSheet; }
    TDropDownItem* Root() const { return FRoot.get(); }
    TDropDownItem* Current() const { return FCurrent; }
    // Row height in pixels.
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int value) { FItemHeight = value; }
    // The owning element's client rectangle, in sheet coordinates.
    QRect OwnerRect() const { return FOwnerRect; }
    void SetOwnerRect(const QRect& value) { FOwnerRect = value; }
    int Width() const { return FWidth; }
    // The element that opened the list, by ID (0: none).
    int32_t OwnerID() const { return FOwnerID; }
    void SetOwnerID(int32_t value) { FOwnerID = value; }
    const TItfNotifyEvent& OnChoose() const { return FOnChoose; }
    void SetOnChoose(const TItfNotifyEvent& value) { FOnChoose = value; }
    // The pop-up shows the list; set by the sheet's window.
    bool Shown() const { return FShown; }
    void SetShown(bool value) { FShown = value; }

    // Expands every ancestor of `item` up to Root and refreshes a shown list.
    void SetCurrent(TDropDownItem* item);
    // Flips Expanded of Current (expanding collapses its siblings) and plays its sound.
    void ToggleCurrent();
    // Expands or collapses `item`; expanding collapses every sibling. Width follows.
    void SetItemExpanded(TDropDownItem* item, bool value);
    // The widest visible entry (see ItemWidth).
    void UpdateWidth();
    // indent + text and comment width + 38, + 6 with a comment, + icon width + 6 with an icon.
    int ItemWidth(TDropDownItem* item);
    // The entries shown, top to bottom: top-level entries and the sub-entries of expanded entries.
    QList<TDropDownItem*> VisibleItems() const;
    // Moves Current by `delta` visible rows (clamped), as the list box's arrow keys do.
    void MoveCurrent(int delta);

    // The shown list, in its own coordinates (rows of ItemHeight, Width wide), for the pop-up that
    // shows it. The entry in the row at `y`, or null.
    TDropDownItem* ItemAtY(int y) const;
    QSize ListSize() const;
    // Paints every visible row; the current one selected.
    void PaintList(TCanvas* canvas);
    // The mouse moved over the pop-up: the entry under it becomes current. The first move after
    // opening is ignored (the pop-up appears under a resting mouse).
    void MouseMoveAt(const QPoint& point);
    // The left button was released: over the expander column of an entry with sub-entries it
    // toggles; elsewhere, when Current may be chosen, the sheet closes the list, choosing Current
    // when the point lies inside the list. Returns false when the list was freed.
    bool MouseReleaseAt(const QPoint& point);
    // The list box keys: Up, Down, Page Up, Page Down (a page of `pageRows` rows), Home, End; Left
    // collapses and Right expands Current. A handled key is set to 0.
    void KeyDown(int& key, int pageRows = 10);

    // Keeps refreshes back while the entries are rebuilt.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    // The sheet's questions.
    virtual bool HasCurrentEntry() const;
    virtual bool CanChooseCurrentEntry() const;
    virtual bool CurrentEntryHasSubEntries() const;
    virtual void OpenSubEntries();
    // Applies the chosen entry through OnChoose; runs once, after the sheet has sent
    // shnDropDownClosed, right before the list is freed.
    virtual void ApplyChosenEntry();

    void EntriesChanged();

private:
    IElementSheet* FSheet; // not owned
    TNodePtr<TDropDownItem> FRoot;
    int FItemHeight = 13;
    TDropDownItem* FCurrent = nullptr;
    QRect FOwnerRect;
    int FWidth = 0;
    bool FShown = false;
    bool FMouseMoved = false;
    int FUpdateCount = 0;
    int FReentrance = 0;
    int32_t FOwnerID = 0;
    TItfNotifyEvent FOnChoose;
};

} // namespace qv
