#include "naming/namespace.h"

#include "core/errors.h"
#include "core/strings.h"
#include "core/text_utils.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "naming/namespace_connection.h"
#include "naming/naming_settings.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <utility>

namespace qv {

QV_IMPLEMENT_CLASS(TNamespace)

namespace {

// The key under which names equal ignoring Latin case meet.
QString LatinFolded(const QString& name)
{
    QString folded = name;
    for (QChar& c : folded) {
        if (c.unicode() >= u'a' && c.unicode() <= u'z')
            c = QChar(static_cast<char16_t>(c.unicode() - u'a' + u'A'));
    }
    return folded;
}

} // namespace

TNamespace* FindGeneralElementsNamespace(const TElement* element)
{
    if (element == nullptr)
        return nullptr;
    if (auto* owner = element->FindAncestorInterface<IGeneralElementsOwner>())
        return owner->GetGeneralElementsNamespace();
    return nullptr;
}

TNamespace::TNamespace(TScheme* scheme) : TElement(scheme) {}

TNamespace::~TNamespace()
{
    // Freed without Free(): items and connections must not keep pointers here.
    for (TNamespaceOwnItem* item : std::as_const(FItems))
        item->FNamespace = nullptr;
    FItems.clear();
    FIndex.reset();
}

TElement* TNamespace::CreationContainer() const
{
    if (FCreationContainerID == 0 || Scheme() == nullptr)
        return nullptr;
    return Scheme()->FindElementByID(FCreationContainerID);
}

void TNamespace::SetCreationContainer(TElement* element)
{
    FCreationContainerID = element != nullptr ? element->ID() : 0;
}

void TNamespace::BeforeDestruction()
{
    inherited::BeforeDestruction();
    // Connected connections into this namespace lose their target, the last one first.
    while (!FConnections.isEmpty())
        FConnections.last()->SetTarget(nullptr);
    // Connections that only remember this namespace forget it.
    while (!FUsers.isEmpty()) {
        TNamespaceConnection* connection = FUsers.last();
        if (connection->Source() == this)
            connection->SetSource(nullptr);
        if (connection->Target() == this)
            connection->SetTarget(nullptr);
        FUsers.removeAll(connection);
    }
    // Holders that outlive their namespace keep their items, which then belong nowhere.
    while (!FItems.isEmpty()) {
        TNamespaceOwnItem* item = FItems.takeLast();
        UnindexItem(item);
        Notify(nnItemRemoved, reinterpret_cast<intptr_t>(item), 0);
        item->FNamespace = nullptr;
        item->FRegistered = false;
    }
}

namespace {

// Inserts in registration order (the order of Items).
void InsertInOrder(QList<TNamespaceOwnItem*>& list, TNamespaceOwnItem* item, uint64_t order,
                   uint64_t (*orderOf)(const TNamespaceOwnItem*))
{
    auto at = std::lower_bound(list.begin(), list.end(), order,
                               [orderOf](const TNamespaceOwnItem* a, uint64_t o) { return orderOf(a) < o; });
    list.insert(at, item);
}

void RemoveFrom(QHash<QString, QList<TNamespaceOwnItem*>>& index, const QString& key, TNamespaceOwnItem* item)
{
    auto list = index.find(key);
    if (list == index.end())
        return;
    list->removeOne(item);
    if (list->isEmpty())
        index.erase(list);
}

// Up to this many items a namespace finds names by walking its items.
constexpr qsizetype smallNamespace = 16;
// Beyond this many name groups waiting for the uniqueness check, every group is checked.
constexpr qsizetype maxPendingGroups = 16;

} // namespace

struct TNamespace::TNameIndex
{
    QHash<QString, QList<TNamespaceOwnItem*>> ByName;
    // The same items by their Latin-folded names: the groups of the uniqueness check.
    QHash<QString, QList<TNamespaceOwnItem*>> ByFolded;

    void Add(TNamespaceOwnItem* item)
    {
        const auto orderOf = [](const TNamespaceOwnItem* a) {
            return a->FOrder;
        };
        InsertInOrder(ByName[item->FIndexedName], item, item->FOrder, orderOf);
        InsertInOrder(ByFolded[LatinFolded(item->FIndexedName)], item, item->FOrder, orderOf);
    }
};

void TNamespace::IndexItem(TNamespaceOwnItem* item)
{
    item->FIndexedName = item->Name();
    item->FIndexed = true;
    if (FIndex) {
        FIndex->Add(item);
    } else if (FItems.size() > smallNamespace) {
        FIndex = std::make_unique<TNameIndex>();
        for (TNamespaceOwnItem* own : std::as_const(FItems)) {
            if (own->FIndexed)
                FIndex->Add(own);
        }
    }
}

void TNamespace::UnindexItem(TNamespaceOwnItem* item)
{
    if (!item->FIndexed)
        return;
    if (FIndex) {
        RemoveFrom(FIndex->ByName, item->FIndexedName, item);
        RemoveFrom(FIndex->ByFolded, LatinFolded(item->FIndexedName), item);
    }
    item->FIndexed = false;
    item->FIndexedName.clear();
    ++FUnindexed;
}

bool TNamespace::IsIndexed(const TNamespaceOwnItem* item) const
{
    // Only pointers are compared: a state handler may have freed the item.
    return std::find(FItems.cbegin(), FItems.cend(), item) != FItems.cend();
}

QList<TNamespaceOwnItem*> TNamespace::ItemsNamed(const QString& name) const
{
    if (FIndex)
        return FIndex->ByName.value(name);
    QList<TNamespaceOwnItem*> items;
    for (TNamespaceOwnItem* item : FItems) {
        if (item->FIndexed && item->FIndexedName == name)
            items.append(item);
    }
    return items;
}

QList<TNamespaceOwnItem*> TNamespace::ItemsFolding(const QString& key) const
{
    if (FIndex)
        return FIndex->ByFolded.value(key);
    QList<TNamespaceOwnItem*> items;
    for (TNamespaceOwnItem* item : FItems) {
        if (item->FIndexed && SameNameIgnoringLatinCase(item->FIndexedName, key))
            items.append(item);
    }
    return items;
}

QStringList TNamespace::FoldedNames() const
{
    if (FIndex)
        return FIndex->ByFolded.keys();
    QStringList keys;
    for (TNamespaceOwnItem* item : FItems) {
        if (!item->FIndexed)
            continue;
        QString key = LatinFolded(item->FIndexedName);
        if (!keys.contains(key))
            keys.append(std::move(key));
    }
    return keys;
}

void TNamespace::AddItem(TNamespaceOwnItem* item)
{
    item->FOrder = FNextOrder++;
    FItems.append(item);
    IndexItem(item);
    ItemNotify(nnItemAdded, item);
}

void TNamespace::RemoveItem(TNamespaceOwnItem* item)
{
    const QString key = LatinFolded(item->FIndexedName);
    FItems.removeOne(item);
    UnindexItem(item);
    Notify(nnItemRemoved, reinterpret_cast<intptr_t>(item), 0);
    // While a document's tree is freed nobody reads the states any more: checking every group as its
    // names go would cost the square of a group's size.
    if (Scheme() != nullptr && Scheme()->Root() == nullptr)
        return;
    CheckNameGroups({key});
}

void TNamespace::ItemNotify(int code, TNamespaceItem* item, const QString* path)
{
    auto* own = dynamic_cast<TNamespaceOwnItem*>(item);
    if (own != nullptr && (own->FNamespace != this || !own->FIndexed))
        own = nullptr;
    QStringList keys;
    if (own != nullptr) {
        keys.append(LatinFolded(own->FIndexedName));
        if (code == nnItemRenamed) {
            // Listeners look the new name up: the index follows first.
            UnindexItem(own);
            IndexItem(own);
            keys.append(LatinFolded(own->FIndexedName));
        }
    }
    Notify(code, reinterpret_cast<intptr_t>(item), reinterpret_cast<intptr_t>(path));
    switch (code) {
    case nnItemAdded:
    case nnItemEnabledChanged:
    case nnItemRenamed:
    case nnItemRemoved:
        // A cover's old name is not known here: its namespace checks all names.
        if (own != nullptr)
            CheckNameGroups(keys);
        else
            CheckNames();
        break;
    default:
        break;
    }
}

TNamespaceItem* TNamespace::FindByName(const QString& name, const TNameFilter& filter)
{
    if (!FIndex) {
        for (qsizetype i = 0; i < FItems.size(); ++i) {
            TNamespaceOwnItem* item = FItems.at(i);
            if (item->FIndexed && item->FIndexedName == name && item->Name() == name &&
                filter.Accepts(this, item))
                return item;
        }
    } else if (const auto list = FIndex->ByName.constFind(name); list != FIndex->ByName.constEnd()) {
        for (TNamespaceOwnItem* item : *list) {
            if (item->Name() == name && filter.Accepts(this, item))
                return item;
        }
    }
    for (TNamespaceConnection* connection : std::as_const(FConnections)) {
        const QString& prefix = connection->Prefix();
        if (!prefix.isEmpty() &&
            !(name.size() > prefix.size() && name.startsWith(prefix) && name.at(prefix.size()) == u'.'))
            continue;
        for (const auto& cover : connection->Covers()) {
            if (cover->Name() == name && filter.Accepts(this, cover.get()))
                return cover.get();
        }
    }
    return nullptr;
}

namespace {

// Paths come from undo data and snapshots: a part that is no decimal number names nothing.
bool PathNumber(const QString& part, int32_t& value)
{
    bool ok = false;
    value = part.toInt(&ok, 10);
    return ok;
}

} // namespace

TNamespaceItem* TNamespace::FindByIdPath(const QString& path)
{
    if (path.isEmpty())
        return nullptr;
    const qsizetype dot = path.indexOf(u'.');
    if (dot < 0) {
        int32_t id = 0;
        if (!PathNumber(path, id))
            return nullptr;
        for (TNamespaceOwnItem* item : std::as_const(FItems)) {
            if (item->Owner() != nullptr && item->Owner()->ID() == id)
                return item;
        }
        return nullptr;
    }
    int32_t connectionID = 0;
    if (!PathNumber(path.left(dot), connectionID))
        return nullptr;
    for (TNamespaceConnection* connection : std::as_const(FConnections)) {
        if (connection->ID() != connectionID)
            continue;
        if (connection->Source() == nullptr)
            return nullptr;
        TNamespaceItem* covered = connection->Source()->FindByIdPath(path.mid(dot + 1));
        return covered != nullptr ? connection->FindCover(covered) : nullptr;
    }
    return nullptr;
}

TNamespaceItem* TNamespace::FindByNameOwner(const TElement* element, bool includeConnected)
{
    for (TNamespaceOwnItem* item : std::as_const(FItems)) {
        if (item->NameOwner() == element)
            return item;
    }
    if (includeConnected) {
        for (TNamespaceConnection* connection : std::as_const(FConnections)) {
            for (const auto& cover : connection->Covers()) {
                if (cover->NameOwner() == element)
                    return cover.get();
            }
        }
    }
    return nullptr;
}

void TNamespace::ForEachItem(TNamespaceItemProc proc, void* data, bool includeConnected)
{
    bool stop = false;
    for (TNamespaceOwnItem* item : std::as_const(FItems)) {
        proc(item, data, stop);
        if (stop)
            return;
    }
    if (!includeConnected)
        return;
    for (TNamespaceConnection* connection : std::as_const(FConnections)) {
        for (const auto& cover : connection->Covers()) {
            proc(cover.get(), data, stop);
            if (stop)
                return;
        }
    }
}

void TNamespace::CollectNames(TNameList& list, bool includeDisabled, const TNameFilter& filter,
                              bool onlyUnique)
{
    ForEachItem(
        [&](TNamespaceItem* item, bool&) {
            if ((includeDisabled || item->IsEnabled()) && (!onlyUnique || item->MustBeUnique()) &&
                filter.Accepts(this, item))
                list.append({item->Name(), item});
        },
        true);
}

QString TNamespace::MakeUniqueName(const QString& baseName, bool numberFirst)
{
    TNameList names;
    CollectNames(names, true, {}, false);
    QStringList taken;
    taken.reserve(names.size());
    for (const TNameEntry& entry : std::as_const(names))
        taken.append(entry.Name);
    TNamingSettings* settings = NamingSettings();
    return settings->GenerateName(baseName, numberFirst && settings->FillNumberFirst()->Value(), taken);
}

void TNamespace::CheckNames()
{
    if (IsDestroying() || FItems.isEmpty())
        return;
    FFullCheckPending = true;
    if (Scheme() != nullptr && Scheme()->IsUpdating()) {
        Scheme()->QueueCheck(this);
        return;
    }
    RunPendingChecks();
}

void TNamespace::CheckNameGroups(const QStringList& keys)
{
    if (IsDestroying() || FItems.isEmpty())
        return;
    if (!FFullCheckPending) {
        for (const QString& key : keys) {
            if (!FPendingGroups.contains(key))
                FPendingGroups.append(key);
        }
        // So many groups waiting (a load) cost as much to check one by one as all at once.
        if (FPendingGroups.size() > maxPendingGroups) {
            FFullCheckPending = true;
            FPendingGroups.clear();
        }
    }
    if (Scheme() != nullptr && Scheme()->IsUpdating()) {
        Scheme()->QueueCheck(this);
        return;
    }
    RunPendingChecks();
}

void TNamespace::DeferredCheck()
{
    inherited::DeferredCheck();
    if (!FFullCheckPending && FPendingGroups.isEmpty())
        FFullCheckPending = true; // a check asked for without saying which names
    RunPendingChecks();
}

void TNamespace::RunPendingChecks()
{
    if (IsDestroying() || FItems.isEmpty()) {
        FFullCheckPending = false;
        FPendingGroups.clear();
        return;
    }
    if (FFullCheckPending) {
        FFullCheckPending = false;
        FPendingGroups.clear();
        CheckNamesNow();
        return;
    }
    const QStringList keys = std::exchange(FPendingGroups, {});
    for (const QString& key : keys) {
        QHash<QString, TNameList> covers;
        CollectCoverGroup(&key, covers);
        CheckNameGroup(key, covers.value(key));
    }
}

void TNamespace::CollectCoverGroup(const QString* key, QHash<QString, TNameList>& groups)
{
    for (TNamespaceConnection* connection : std::as_const(FConnections)) {
        for (const auto& cover : connection->Covers()) {
            if (!cover->IsEnabled() || !cover->MustBeUnique())
                continue;
            const QString name = cover->Name();
            const QString folded = LatinFolded(name);
            if (key == nullptr || folded == *key)
                groups[folded].append({name, cover.get()});
        }
    }
}

void TNamespace::CheckNamesNow()
{
    QHash<QString, TNameList> covers;
    CollectCoverGroup(nullptr, covers);
    const QStringList keys = FoldedNames();
    for (const QString& key : keys)
        CheckNameGroup(key, covers.value(key));
}

void TNamespace::CheckNameGroup(const QString& key, const TNameList& covers)
{
    const QList<TNamespaceOwnItem*> items = ItemsFolding(key);
    if (items.isEmpty())
        return;
    QHash<TNamespaceItem*, TNameState> working;
    for (TNamespaceOwnItem* item : items)
        working.insert(item, nsUnique);

    // The taken names of the group in list order: own items, then covers.
    TNameList taken;
    for (TNamespaceOwnItem* item : items) {
        if (item->IsEnabled() && item->MustBeUnique())
            taken.append({item->Name(), item});
    }
    taken += covers;
    for (TNamespaceOwnItem* item : items) {
        if (!item->MustBeUnique() || !item->IsEnabled() || (item->Flags() & nfReserved) != 0 ||
            working.value(item) != nsUnique)
            continue;
        for (const TNameEntry& entry : std::as_const(taken)) {
            if (entry.Item == item)
                continue;
            if ((entry.Item->Flags() & nfReserved) != 0) {
                working[item] = nsReserved;
            } else if (!working.contains(entry.Item)) {
                // A cover: its state belongs to its own namespace.
                working[item] = nsDuplicate;
            } else {
                working[item] = nsDuplicate;
                working[entry.Item] = nsDuplicate;
            }
            break;
        }
    }
    const uint64_t unindexed = FUnindexed;
    for (TNamespaceOwnItem* item : items) {
        // A state handler may have freed items further on.
        if (FUnindexed == unindexed || IsIndexed(item))
            item->SetState(working.value(item));
    }
}

bool SameNameIgnoringLatinCase(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x == y)
            continue;
        if (x >= u'a' && x <= u'z')
            x = static_cast<char16_t>(x - u'a' + u'A');
        if (y >= u'a' && y <= u'z')
            y = static_cast<char16_t>(y - u'a' + u'A');
        if (x != y)
            return false;
    }
    return true;
}

namespace {

// Where a name stands in the document: an own item's holder, a cover's connection.
const TElement* NamePlace(TNamespaceItem* item)
{
    if (auto* cover = dynamic_cast<TNamespaceCoverItem*>(item))
        return cover->Connection();
    if (auto* own = dynamic_cast<TNamespaceOwnItem*>(item))
        return own->Owner();
    return item->NameOwner();
}

bool PlaceBefore(const TElement* a, const TElement* b)
{
    if (a == nullptr || b == nullptr || a == b)
        return a == nullptr && b != nullptr;
    return a->IsBefore(b);
}

} // namespace

bool NameComesBefore(TNamespaceItem* a, TNamespaceItem* b)
{
    const bool secondaryA = (a->Flags() & nfSecondary) != 0;
    const bool secondaryB = (b->Flags() & nfSecondary) != 0;
    if (secondaryA != secondaryB)
        return secondaryB;
    auto* coverA = dynamic_cast<TNamespaceCoverItem*>(a);
    auto* coverB = dynamic_cast<TNamespaceCoverItem*>(b);
    if (coverA != nullptr && coverB != nullptr && coverA->Connection() == coverB->Connection())
        return NameComesBefore(coverA->Covered(), coverB->Covered());
    const bool lastA = coverA != nullptr && coverA->Connection()->ListLast();
    const bool lastB = coverB != nullptr && coverB->Connection()->ListLast();
    if (lastA != lastB)
        return lastB;
    if (coverA != nullptr && coverB != nullptr)
        return PlaceBefore(coverA->Connection(), coverB->Connection());
    return PlaceBefore(NamePlace(a), NamePlace(b));
}

namespace {

// A sort key of a name: the flags, then the place of the name in its document, then for a cover
// the key of the covered item. Comparing keys lexicographically is the order of NameComesBefore
// and, unlike a comparator that looks at pairs, always a strict weak ordering.
void AppendSortKey(TNamespaceItem* item, const QHash<const TNode*, qsizetype>& places,
                   std::vector<qsizetype>& key)
{
    auto* cover = dynamic_cast<TNamespaceCoverItem*>(item);
    key.push_back((item->Flags() & nfSecondary) != 0 ? 1 : 0);
    key.push_back(cover != nullptr && cover->Connection()->ListLast() ? 1 : 0);
    key.push_back(places.value(NamePlace(item), -1));
    if (cover != nullptr && cover->Covered() != nullptr)
        AppendSortKey(cover->Covered(), places, key);
}

void CollectPlaces(TNamespaceItem* item, QSet<const TNode*>& places)
{
    places.insert(NamePlace(item));
    if (auto* cover = dynamic_cast<TNamespaceCoverItem*>(item); cover != nullptr && cover->Covered())
        CollectPlaces(cover->Covered(), places);
}

} // namespace

void SortNames(TNameList& list)
{
    // One walk per document numbers the places in document order.
    QSet<const TNode*> needed;
    for (const TNameEntry& entry : std::as_const(list))
        CollectPlaces(entry.Item, needed);
    QSet<const TNode*> roots;
    for (const TNode* place : std::as_const(needed)) {
        if (place != nullptr)
            roots.insert(place->Root());
    }
    QHash<const TNode*, qsizetype> places;
    qsizetype counter = 0;
    for (const TNode* root : std::as_const(roots)) {
        struct TWalk
        {
            const QSet<const TNode*>* Needed;
            QHash<const TNode*, qsizetype>* Places;
            qsizetype* Counter;
        } walk{&needed, &places, &counter};
        const_cast<TNode*>(root)->ForEach(
            [](TNode* node, void* data, void*) {
                auto* w = static_cast<TWalk*>(data);
                const qsizetype index = (*w->Counter)++;
                if (w->Needed->contains(node))
                    w->Places->insert(node, index);
            },
            &walk);
    }
    std::vector<std::pair<std::vector<qsizetype>, TNameEntry>> keyed;
    keyed.reserve(static_cast<size_t>(list.size()));
    for (const TNameEntry& entry : std::as_const(list)) {
        std::vector<qsizetype> key;
        AppendSortKey(entry.Item, places, key);
        keyed.emplace_back(std::move(key), entry);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (qsizetype i = 0; i < list.size(); ++i)
        list[i] = keyed[static_cast<size_t>(i)].second;
}

void AddNameStateMessage(TElement* element, const TNamespaceItem* item)
{
    if (element == nullptr || item == nullptr)
        return;
    const QString ids = QString::number(element->ID());
    switch (item->State()) {
    case nsDuplicate:
        element->GetMessages()->AddElementsMessage(mkInvalidContent,
                                                   LoadStr(2726, {MessageValueText(item->Name())}), ids);
        break;
    case nsReserved:
        element->GetMessages()->AddElementsMessage(mkInvalidContent,
                                                   LoadStr(2727, {MessageValueText(item->Name())}), ids);
        break;
    default:
        break;
    }
}

} // namespace qv
