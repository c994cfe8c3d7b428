#include "elements/palette.h"

#include "core/strings.h"
#include "core/update_guard.h"
#include "elements/element_sheet.h"
#include "elements/scheme.h"
#include "elements/scheme_images.h"
#include "elements/sounds_settings.h"
#include "elements/visual_element.h"

#include <QSet>

namespace qv {

QV_IMPLEMENT_CLASS(TPaletteNode)
QV_IMPLEMENT_CLASS(TPaletteGroup)
QV_IMPLEMENT_CLASS(TPaletteItem)
QV_IMPLEMENT_CLASS(TSchemePaletteItem)
QV_IMPLEMENT_CLASS(TElementPaletteItem)
QV_IMPLEMENT_CLASS(TSubExecutablePaletteItem)
QV_IMPLEMENT_CLASS(TDisablePaletteItem)
QV_IMPLEMENT_CLASS(TPalette)

// TPaletteNode

TPaletteNode::TPaletteNode(TNode* parent, int32_t order) : FOrder(order)
{
    if (parent != nullptr)
        SetParent(parent);
}

// TPaletteGroup

TPaletteGroup::TPaletteGroup(TNode* parent, int32_t caption, int32_t order)
    : TPaletteNode(parent, order), FCaption(caption)
{}

// TPaletteItem

TPaletteItem::TPaletteItem(TNode* parent, uint16_t flags, int32_t image, int32_t hint, int32_t caption,
                           int32_t order)
    : TPaletteNode(parent, order), FCaption(caption), FHint(hint), FFlags(flags),
      FRadioGroup((flags & piRadio) != 0 ? 1 : 0)
{
    SetImage(image);
}

void TPaletteItem::SetImage(int32_t image)
{
    if (HasFlag(piLarge)) {
        FLargeImage = image;
        FSmallImage = -1;
    } else {
        FSmallImage = image;
        FLargeImage = -1;
    }
}

bool TPaletteItem::HasChildItems() const
{
    for (TNode* node = FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (IsInstanceOf(node, TPaletteItem::StaticClass()))
            return true;
    }
    return false;
}

// TSchemePaletteItem

TSchemePaletteItem::TSchemePaletteItem(TNode* parent, uint16_t flags, int32_t image, int32_t hint,
                                       int32_t caption, int32_t order)
    : TPaletteItem(parent, flags, image, hint, caption, order)
{
    if (image < 0) {
        SetImage(HasFlag(piLarge) ? StripImage(LargeImages(), QStringLiteral("diClassesLargeImages"), 0)
                                  : StripImage(SmallImages(), QStringLiteral("diClassesSmallImages"), 0));
    }
}

bool TSchemePaletteItem::Execute(TVisualElement* element, bool value)
{
    TUpdateGuard<IElementSheet> sheetUpdate(HasFlag(piNoSheetUpdate) ? nullptr : element->Sheet());
    return element->ExecutePaletteItem(this, value);
}

void TSchemePaletteItem::ExecuteOnList(const QList<TVisualElement*>& elements, bool value)
{
    for (TVisualElement* element : elements) {
        TPaletteItemState state;
        element->GetPaletteItemState(this, state);
        if (state.Enabled)
            Execute(element, value);
    }
}

void TSchemePaletteItem::GetSound(bool, QString& name)
{
    name = QStringLiteral("diClassesItemSound");
}

// TElementPaletteItem

TElementPaletteItem::TElementPaletteItem(TNode* parent, uint16_t flags, int32_t image, int32_t hint,
                                         int32_t caption, const TElementClass* elementClass, int32_t order)
    : TSchemePaletteItem(parent, flags | piNotForSelection | piSplitButton, image, hint, caption, order),
      FElementClass(elementClass)
{}

void TElementPaletteItem::GetSound(bool, QString& name)
{
    name = QStringLiteral("diClassesElementSound");
}

// TSubExecutablePaletteItem

void TSubExecutablePaletteItem::ExecuteSub(TVisualElement*, const QString&) {}

void TSubExecutablePaletteItem::ExecuteSubOnList(const QList<TVisualElement*>& elements, const QString& text)
{
    for (TVisualElement* element : elements) {
        TPaletteItemState state;
        element->GetPaletteItemState(this, state);
        if (state.Enabled)
            ExecuteSub(element, text);
    }
}

// TDisablePaletteItem

void TDisablePaletteItem::GetSound(bool, QString& name)
{
    name = QStringLiteral("diClassesDisableSound");
}

// TPalette

void TPalette::CreateStandardNodes()
{
    if (FActions != nullptr)
        return;
    FActions = new TPaletteGroup(this, QV_STR(2320), 1000);
    FOptions = new TPaletteGroup(this, QV_STR(2321), 800);
    FInsert = new TPaletteGroup(this, QV_STR(2322), 700);
    FState = new TPaletteGroup(this, QV_STR(2324), 150);
    FAdditional = new TPaletteGroup(this, QV_STR(2323), 100);
    // The less common entries of a group go below its "Other" item, shown as a drop-down list.
    constexpr uint16_t otherFlags = piLarge | piNoCaption | piSubList;
    FInsertOther = new TPaletteItem(FInsert, otherFlags, -1, QV_STR(2326), QV_STR(2325), 10);
    FAdditionalOther = new TPaletteItem(FAdditional, otherFlags, -1, QV_STR(2326), QV_STR(2325), 10);
    FDisable = new TDisablePaletteItem(FState, piSelectionOnly | piSplitButton | piLarge | piCheck,
                                       StripImage(LargeImages(), QStringLiteral("diClassesLargeImages"), 1),
                                       QV_STR(2336), QV_STR(2335), 10);
    FDisable->SetLetters(QStringLiteral("D"));
}

TElementPaletteItem* TPalette::FindElementItem(const TElementClass* cls) const
{
    if (cls == nullptr)
        return nullptr;
    for (TNode* node = FirstChild(); node != nullptr && IsAncestorOf(node); node = node->DocumentNext()) {
        if (IsInstanceOf(node, TElementPaletteItem::StaticClass()) &&
            static_cast<TElementPaletteItem*>(node)->ElementClass() == cls)
            return static_cast<TElementPaletteItem*>(node);
    }
    return nullptr;
}

bool TPalette::IsBlockClass(const TElementClass* cls) const
{
    const TElementPaletteItem* item = FindElementItem(cls);
    return item != nullptr && item->HasFlag(piBlock);
}

namespace {

// Appends the items below `node` that CollectItemsForClasses takes, in document order; true when
// something below `node` was taken.
bool CollectBelow(const TNode* node, const TElementClassList& classes, QList<TPaletteItem*>& list)
{
    bool any = false;
    for (TNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling()) {
        ++PaletteCounters().NodesWalked;
        const qsizetype position = list.size();
        bool taken = CollectBelow(child, classes, list);
        if (IsInstanceOf(child, TElementPaletteItem::StaticClass())) {
            const TElementClass* cls = static_cast<TElementPaletteItem*>(child)->ElementClass();
            taken = taken || (cls != nullptr && classes.contains(cls));
        }
        if (taken && IsInstanceOf(child, TPaletteItem::StaticClass()))
            list.insert(position, static_cast<TPaletteItem*>(child));
        any = any || taken;
    }
    return any;
}

void RemoveFlagged(QList<TPaletteItem*>& list, uint16_t flag)
{
    list.removeIf([flag](const TPaletteItem* item) { return item->HasFlag(flag); });
}

// Drops every item that has child items when none of them is in the list any more; repeated, since
// dropping a nested list may empty the list above it.
void Prune(QList<TPaletteItem*>& list)
{
    for (bool changed = true; changed;) {
        changed = false;
        const QSet<const TNode*> present(list.cbegin(), list.cend());
        for (qsizetype i = list.size() - 1; i >= 0; --i) {
            TPaletteItem* item = list[i];
            if (!item->HasChildItems())
                continue;
            bool childPresent = false;
            for (TNode* child = item->FirstChild(); child != nullptr && !childPresent;
                 child = child->NextSibling())
                childPresent = present.contains(child);
            if (!childPresent) {
                list.removeAt(i);
                changed = true;
            }
        }
    }
}

void Intersect(QList<TPaletteItem*>& result, const QList<TPaletteItem*>& other)
{
    const QSet<TPaletteItem*> keep(other.cbegin(), other.cend());
    result.removeIf([&keep](TPaletteItem* item) { return !keep.contains(item); });
}

// The covered (selected) visual children, in visual order. Without a selection nothing is walked: a
// text of many elements is asked on every focus change.
QList<TVisualElement*> SelectedChildren(TVisualElement* container)
{
    QList<TVisualElement*> list;
    const int count = container->CoveredChildCount();
    for (TVisualElement* child = container->FirstVisualChild(); child != nullptr && list.size() < count;
         child = child->NextVisual()) {
        ++PaletteCounters().ChildrenWalked;
        if (child->IsCovered())
            list.append(child);
    }
    return list;
}

// A command must see what the focused element holds: an open edit is committed first.
void CommitPendingEdits(TVisualElement* focused)
{
    if ((focused->VisualFlags() & vsWantsFocusLost) != 0)
        focused->FocusLost();
}

void PlayItemSound(TSchemePaletteItem* item, bool value)
{
    QString name;
    item->GetSound(value, name);
    if (!name.isEmpty())
        PlaySchemeSound(name);
}

} // namespace

void TPalette::CollectItemsForClasses(const TElementClassList& classes, QList<TPaletteItem*>& list) const
{
    if (!classes.isEmpty())
        CollectBelow(this, classes, list);
}

TPaletteCounters& PaletteCounters()
{
    static TPaletteCounters counters;
    return counters;
}

TPalette& Palette()
{
    static const TNodePtr<TPalette> palette = [] {
        TNodePtr<TPalette> result(new TPalette());
        result->CreateStandardNodes();
        return result;
    }();
    return *palette;
}

void CollectPaletteItems(TVisualElement* focused, QList<TPaletteItem*>& list, bool& forSelection)
{
    list.clear();
    forSelection = false;
    if (focused == nullptr)
        return;
    if (focused->HasVisualOption(voRelayoutOnCovered)) {
        QList<TPaletteItem*> result;
        bool first = true;
        bool hadItems = false;
        for (TVisualElement* child : SelectedChildren(focused)) {
            QList<TPaletteItem*> items;
            child->GetPaletteItems(items);
            RemoveFlagged(items, piNotForSelection);
            Prune(items);
            hadItems = hadItems || !items.isEmpty();
            if (first) {
                result = items;
                first = false;
            } else {
                Intersect(result, items);
                RemoveFlagged(result, piSingleSelectionOnly);
                Prune(result);
            }
            if (hadItems && result.isEmpty())
                break;
        }
        if (hadItems) {
            list = result;
            forSelection = true;
            focused->AdjustPaletteItems(list);
            return;
        }
    }
    focused->GetPaletteItems(list);
    RemoveFlagged(list, piSelectionOnly);
    Prune(list);
}

bool RunPaletteItem(TVisualElement* focused, TPaletteItem* item, bool forSelection, bool value)
{
    if (focused == nullptr || !IsInstanceOf(item, TSchemePaletteItem::StaticClass()))
        return false;
    auto* schemeItem = static_cast<TSchemePaletteItem*>(item);
    CommitPendingEdits(focused);
    if (!forSelection) {
        PlayItemSound(schemeItem, value);
        return schemeItem->Execute(focused, value);
    }
    const QList<TVisualElement*> selection = SelectedChildren(focused);
    TUpdateGuard<IElementSheet> sheetUpdate(item->HasFlag(piNoSheetUpdate) ? nullptr : focused->Sheet());
    TSchemeGroupGuard group(focused->Scheme(), QString(), false);
    PlayItemSound(schemeItem, value);
    schemeItem->ExecuteOnList(selection, value);
    return true;
}

void RunPaletteSubCommand(TVisualElement* focused, TSubExecutablePaletteItem* item, bool forSelection,
                          const QString& text)
{
    if (focused == nullptr || item == nullptr)
        return;
    CommitPendingEdits(focused);
    if (!forSelection) {
        PlayItemSound(item, false);
        item->ExecuteSub(focused, text);
        return;
    }
    const QList<TVisualElement*> selection = SelectedChildren(focused);
    TUpdateGuard<IElementSheet> sheetUpdate(item->HasFlag(piNoSheetUpdate) ? nullptr : focused->Sheet());
    TSchemeGroupGuard group(focused->Scheme(), QString(), false);
    item->ExecuteSubOnList(selection, text);
}

} // namespace qv
