#pragma once

#include "core/node.h"

#include <QList>
#include <QString>

#include <cstdint>

namespace qv {

class TElementClass;
class TVisualElement;

using TElementClassList = QList<const TElementClass*>;

// Palette item flags (TPaletteItem::Flags). Other modules and the palette window depend on the
// numbers; keep them.
enum TPaletteItemFlag : uint16_t
{
    piSelectionOnly = 0x0001,       // offered only for a selection, never for the focused element alone
    piNotForSelection = 0x0002,     // never offered for a selection
    piSingleSelectionOnly = 0x0004, // dropped as soon as a second selected element is combined in
    piNoSheetUpdate = 0x0020,       // executing does not open the sheet's update bracket
    piSplitButton = 0x0040,         // shown as an image button and a caption button side by side
    piBlock = 0x0080,               // the inserted element stands on a line of its own in text fields
    piLarge = 0x0100,               // large button; the image is an index in LargeImages
    piCheck = 0x0200,               // toggle button
    piRadio = 0x0400,               // radio button of group RadioGroup
    piNewColumn = 0x0800,           // a small button that starts a new column
    piNoCaption = 0x1000,           // the button shows no caption
    piSubList = 0x2000,             // the item opens a list of its child items
};

// What the element says about an item it is offered (TVisualElement::GetPaletteItemState).
struct TPaletteItemState
{
    bool Enabled = true;
    bool Checked = false;
};

// A sub-command of a sub-executable item: the caption shown and the text passed to ExecuteSub.
struct TPaletteSubCommand
{
    QString Caption;
    QString Text;
};

class TPaletteGroup;
class TPaletteItem;
class TElementPaletteItem;
class TDisablePaletteItem;

// Every node of the palette: siblings are shown in descending Order. A node is appended to its parent
// when it is created with one. The tree is built once at start-up and does not change afterwards; it
// is used from the user-interface thread only.
class TPaletteNode : public TNode
{
    QV_CLASS(TPaletteNode, TNode)

    explicit TPaletteNode(TNode* parent = nullptr, int32_t order = 0);

    int32_t Order() const { return FOrder; }
    void SetOrder(int32_t order) { FOrder = order; }

private:
    int32_t FOrder;
};

// A titled group of items ("Actions", "Insert", …).
class TPaletteGroup : public TPaletteNode
{
    QV_CLASS(TPaletteGroup, TPaletteNode)

    // `caption` is a string-table number (0: none).
    explicit TPaletteGroup(TNode* parent = nullptr, int32_t caption = 0, int32_t order = 0);

    int32_t Caption() const { return FCaption; }

private:
    int32_t FCaption;
};

// A button of the palette. Caption and hint are string-table numbers (0: none); the image is an
// index in SmallImages, or in LargeImages with piLarge (the other index is -1).
class TPaletteItem : public TPaletteNode
{
    QV_CLASS(TPaletteItem, TPaletteNode)

    explicit TPaletteItem(TNode* parent = nullptr, uint16_t flags = 0, int32_t image = -1, int32_t hint = 0,
                          int32_t caption = 0, int32_t order = 0);

    int32_t Caption() const { return FCaption; }
    int32_t Hint() const { return FHint; }
    int32_t SmallImage() const { return FSmallImage; }
    int32_t LargeImage() const { return FLargeImage; }
    uint16_t Flags() const { return FFlags; }
    bool HasFlag(uint16_t flag) const { return (FFlags & flag) != 0; }
    // Keyboard letters of the item; empty: the palette window numbers the button.
    const QString& Letters() const { return FLetters; }
    void SetLetters(const QString& letters) { FLetters = letters; }
    int32_t RadioGroup() const { return FRadioGroup; }
    void SetRadioGroup(int32_t group) { FRadioGroup = group; }

    // True when one of the item's child nodes is an item (a sub-list or a split button's list).
    bool HasChildItems() const;

protected:
    // Puts the index into LargeImage with piLarge, else into SmallImage; the other becomes -1.
    void SetImage(int32_t image);
    void IncludeFlags(uint16_t flags) { FFlags |= flags; }

private:
    int32_t FCaption;
    int32_t FHint;
    int32_t FSmallImage = -1;
    int32_t FLargeImage = -1;
    uint16_t FFlags;
    QString FLetters;
    int32_t FRadioGroup;
};

// An item that acts on elements. Created with a negative image it shows the first image of the
// "diClassesLargeImages" strip (piLarge) or of "diClassesSmallImages" (-1 while that strip is not
// available).
class TSchemePaletteItem : public TPaletteItem
{
    QV_CLASS(TSchemePaletteItem, TPaletteItem)

    explicit TSchemePaletteItem(TNode* parent = nullptr, uint16_t flags = 0, int32_t image = -1,
                                int32_t hint = 0, int32_t caption = 0, int32_t order = 0);

    // Runs the item on one element inside the sheet's update bracket (unless piNoSheetUpdate): the
    // element's ExecutePaletteItem. Returns whether the element handled it.
    virtual bool Execute(TVisualElement* element, bool value);
    // Execute on every element that leaves the item enabled (GetPaletteItemState), in list order.
    virtual void ExecuteOnList(const QList<TVisualElement*>& elements, bool value);
    // The name of the sound played when the item runs.
    virtual void GetSound(bool value, QString& name);
};

// An item that inserts an element of ElementClass. Always has piNotForSelection and piSplitButton.
class TElementPaletteItem : public TSchemePaletteItem
{
    QV_CLASS(TElementPaletteItem, TSchemePaletteItem)

    explicit TElementPaletteItem(TNode* parent = nullptr, uint16_t flags = 0, int32_t image = -1,
                                 int32_t hint = 0, int32_t caption = 0,
                                 const TElementClass* elementClass = nullptr, int32_t order = 0);

    const TElementClass* ElementClass() const { return FElementClass; }

    void GetSound(bool value, QString& name) override;

private:
    const TElementClass* FElementClass;
};

// An item whose command takes the text of a sub-command the user chose.
class TSubExecutablePaletteItem : public TSchemePaletteItem
{
    QV_CLASS(TSubExecutablePaletteItem, TSchemePaletteItem)

    using TSchemePaletteItem::TSchemePaletteItem;

    // Nothing by default.
    virtual void ExecuteSub(TVisualElement* element, const QString& text);
    // ExecuteSub on every element that leaves the item enabled, in list order.
    virtual void ExecuteSubOnList(const QList<TVisualElement*>& elements, const QString& text);
    // The sub-commands offered for `element`.
    virtual void GetSubCommands(TVisualElement* element, QList<TPaletteSubCommand>& list) = 0;
};

// The one "Disabled" item: checked when the element is disabled; executing it sets Disabled.
class TDisablePaletteItem : public TSchemePaletteItem
{
    QV_CLASS(TDisablePaletteItem, TSchemePaletteItem)

    using TSchemePaletteItem::TSchemePaletteItem;

    void GetSound(bool value, QString& name) override;
};

// The root of the palette tree. CreateStandardNodes builds the standard groups, their "Other" items
// and the Disable item, which other modules register into through the accessors.
class TPalette : public TNode
{
    QV_CLASS(TPalette, TNode)

    TPalette() = default;

    void CreateStandardNodes();

    // The standard nodes; null before CreateStandardNodes.
    TPaletteGroup* ActionsGroup() const { return FActions; }
    TPaletteGroup* OptionsGroup() const { return FOptions; }
    TPaletteGroup* InsertGroup() const { return FInsert; }
    TPaletteGroup* StateGroup() const { return FState; }
    TPaletteGroup* AdditionalGroup() const { return FAdditional; }
    TPaletteItem* InsertOtherItem() const { return FInsertOther; }
    TPaletteItem* AdditionalOtherItem() const { return FAdditionalOther; }
    TDisablePaletteItem* DisableItem() const { return FDisable; }

    // The first element item, depth first in document order, whose ElementClass is exactly `cls`.
    TElementPaletteItem* FindElementItem(const TElementClass* cls) const;
    // Whether that item has piBlock: an element of the class stands on a line of its own in text.
    bool IsBlockClass(const TElementClass* cls) const;

    // Appends, in document order, every element item whose class is in `classes` and every item
    // above such an item (groups are not items; a shown item's group is its parent).
    void CollectItemsForClasses(const TElementClassList& classes, QList<TPaletteItem*>& list) const;

private:
    TPaletteGroup* FActions = nullptr;
    TPaletteGroup* FOptions = nullptr;
    TPaletteGroup* FInsert = nullptr;
    TPaletteGroup* FState = nullptr;
    TPaletteGroup* FAdditional = nullptr;
    TPaletteItem* FInsertOther = nullptr;
    TPaletteItem* FAdditionalOther = nullptr;
    TDisablePaletteItem* FDisable = nullptr;
};

// The process-wide palette, built with its standard nodes on first use (thread-safe) and freed at
// exit. Modules register their groups and items into it at start-up, before any document exists.
TPalette& Palette();

// What collecting items has walked since the last reset: palette nodes and visual children looked at
// for a selection. Tests check with it that the palette's work does not grow with the document.
struct TPaletteCounters
{
    int64_t NodesWalked = 0;
    int64_t ChildrenWalked = 0;
};
TPaletteCounters& PaletteCounters();

// The items the palette shows for `focused`: for a selection inside it (its visual option
// voRelayoutOnCovered and covered visual children), the items common to every selected child, then
// the container's AdjustPaletteItems, with `forSelection` true; otherwise the element's own items
// except piSelectionOnly ones, with `forSelection` false. Items with child items whose children all
// went are left out. `list` is replaced.
void CollectPaletteItems(TVisualElement* focused, QList<TPaletteItem*>& list, bool& forSelection);

// Runs an item the way the palette window, a menu or a keyboard letter does: the focused element
// first commits pending edits (FocusLost when it asked for it); for a selection, the covered visual
// children run it as one undo step inside the sheet's update bracket (unless piNoSheetUpdate);
// otherwise the focused element runs it. The item's sound plays first. Returns what Execute returned
// for the focused element, true for a selection; false when the item does nothing on elements.
bool RunPaletteItem(TVisualElement* focused, TPaletteItem* item, bool forSelection, bool value);
// The same for the sub-command `text` of a sub-executable item.
void RunPaletteSubCommand(TVisualElement* focused, TSubExecutablePaletteItem* item, bool forSelection,
                          const QString& text);

} // namespace qv
