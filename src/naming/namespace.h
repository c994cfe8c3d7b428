#pragma once

#include "elements/element.h"
#include "naming/namespace_item.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>
#include <mutex>
#include <type_traits>

namespace qv {

class TNamespace;
class TNamespaceConnection;

// An element whose descendants register their general names in a namespace it offers (document
// roots). Found with FindAncestorInterface<IGeneralElementsOwner>().
class IGeneralElementsOwner
{
public:
    virtual ~IGeneralElementsOwner() = default;
    virtual TNamespace* GetGeneralElementsNamespace() = 0;
};

// The namespace of the nearest ancestor of `element` offering IGeneralElementsOwner, or nullptr.
TNamespace* FindGeneralElementsNamespace(const TElement* element);

// A filter of lookups and name lists: a member function bound to its object, called as
// (namespace, item, accept) with accept starting as true. An empty filter accepts everything.
struct TNameFilter
{
    using TThunk = void (*)(void* object, TNamespace* ns, TNamespaceItem* item, bool& accept);

    void* Object = nullptr;
    TThunk Thunk = nullptr;

    explicit operator bool() const { return Thunk != nullptr; }
    bool Accepts(TNamespace* ns, TNamespaceItem* item) const
    {
        bool accept = true;
        if (Thunk != nullptr)
            Thunk(Object, ns, item, accept);
        return accept;
    }
};

template <auto Method, class C>
TNameFilter MakeNameFilter(C* object)
{
    return {object, [](void* target, TNamespace* ns, TNamespaceItem* item, bool& accept) {
                (static_cast<C*>(target)->*Method)(ns, item, accept);
            }};
}

// One entry of a name list: the name as seen in the namespace and its item.
struct TNameEntry
{
    QString Name;
    TNamespaceItem* Item = nullptr;
};
using TNameList = QList<TNameEntry>;

// Visitor of ForEachItem; setting `stop` ends the walk.
using TNamespaceItemProc = void (*)(TNamespaceItem* item, void* data, bool& stop);

// A scope of names: the own items registered by name holders, and the covers of the connections
// whose target it is. Neither are owned: items belong to their holders, connections to their parents.
//
// User-interface thread only; Lock() guards the reference lists of the own items.
class TNamespace : public TElement
{
    QV_CLASS(TNamespace, TElement)

    explicit TNamespace(TScheme* scheme);
    ~TNamespace() override;

    // Own items in creation order.
    const QList<TNamespaceOwnItem*>& Items() const { return FItems; }
    // Connected connections whose Target is this namespace, in connection order.
    const QList<TNamespaceConnection*>& Connections() const { return FConnections; }

    // Where the "<create>" entry of a reference inserts a new named element; when none is set, the
    // document root (kept by ID, so a removed container is simply none).
    TElement* CreationContainer() const;
    void SetCreationContainer(TElement* element);

    std::recursive_mutex& Lock() const { return FLock; }

    // The first item named exactly `name` (case-sensitive) that the filter accepts: own items first,
    // then the covers of each connection; a connection with a prefix is only searched for names
    // beginning with the prefix and ".".
    TNamespaceItem* FindByName(const QString& name, const TNameFilter& filter = {});
    // The item an IdPath names, or nullptr (also when a part is not a decimal integer: paths come
    // from undo data and snapshots).
    TNamespaceItem* FindByIdPath(const QString& path);
    // The first own item whose NameOwner is `element`; with `includeConnected`, then the covers.
    TNamespaceItem* FindByNameOwner(const TElement* element, bool includeConnected);
    // Own items, then (with `includeConnected`) the covers of each connection.
    void ForEachItem(TNamespaceItemProc proc, void* data, bool includeConnected);
    template <class F>
    requires std::is_invocable_v<F&, TNamespaceItem*, bool&>
    void ForEachItem(F&& visit, bool includeConnected)
    {
        ForEachItem([](TNamespaceItem* item, void* data,
                       bool& stop) { (*static_cast<std::remove_reference_t<F>*>(data))(item, stop); },
                    const_cast<void*>(static_cast<const void*>(&visit)), includeConnected);
    }
    // Appends every item (own, then covers) that is enabled or `includeDisabled`, must be unique or
    // not `onlyUnique`, and passes the filter.
    void CollectNames(TNameList& list, bool includeDisabled, const TNameFilter& filter, bool onlyUnique);
    // A name no item of this namespace has, made from `baseName` by the naming settings.
    QString MakeUniqueName(const QString& baseName, bool numberFirst);
    // The uniqueness check; queued with the scheme while it is inside an update.
    void CheckNames();

    // Sends a notification about `item`; for nnItemAdded, nnItemEnabledChanged, nnItemRenamed and
    // nnItemRemoved the uniqueness check follows.
    void ItemNotify(int code, TNamespaceItem* item, const QString* path = nullptr);

    void DeferredCheck() override;

protected:
    void BeforeDestruction() override;

private:
    friend class TNamespaceOwnItem;
    friend class TNamespaceConnection;

    void CheckNamesNow();
    // The uniqueness check of the names that fold to `keys` only (a name changes only the states of
    // the names equal to it ignoring Latin case); queued like CheckNames.
    void CheckNameGroups(const QStringList& keys);
    // One group: its own items get their states from the group's taken names (own, then covers).
    void CheckNameGroup(const QString& key, const TNameList& covers);
    // The covers that must be unique and are enabled, whose names fold to `key` (all when empty).
    void CollectCoverGroup(const QString* key, QHash<QString, TNameList>& groups);
    void RunPendingChecks();
    // The name index: own items by the name they had when last announced (kept in the item). A
    // namespace of many items also keeps them in hash tables by name and by Latin-folded name, each
    // list in Items order (by registration number), so lookups by name take time proportional to the
    // items of that name; most namespaces hold a handful of names, which a walk over Items finds as
    // fast, without the tables' memory.
    struct TNameIndex;
    void IndexItem(TNamespaceOwnItem* item);
    void UnindexItem(TNamespaceOwnItem* item);
    // Whether `item` (which may have been freed: it is only compared) is an indexed own item.
    bool IsIndexed(const TNamespaceOwnItem* item) const;
    // The indexed own items named `name`, or whose names fold to `key`, in Items order.
    QList<TNamespaceOwnItem*> ItemsNamed(const QString& name) const;
    QList<TNamespaceOwnItem*> ItemsFolding(const QString& key) const;
    // The Latin-folded names of the indexed own items, each once.
    QStringList FoldedNames() const;
    void AddItem(TNamespaceOwnItem* item);
    void RemoveItem(TNamespaceOwnItem* item);
    void AddConnection(TNamespaceConnection* connection) { FConnections.append(connection); }
    void RemoveConnection(TNamespaceConnection* connection) { FConnections.removeOne(connection); }
    // Connections whose Source or Target is this namespace, connected or not (one entry per role).
    void AddUser(TNamespaceConnection* connection) { FUsers.append(connection); }
    void RemoveUser(TNamespaceConnection* connection) { FUsers.removeOne(connection); }

    QList<TNamespaceOwnItem*> FItems;
    // Made once the namespace holds more than a few items.
    std::unique_ptr<TNameIndex> FIndex;
    // Items taken out of the index so far: a walk that calls out compares it to know whether
    // items it holds may have been freed.
    uint64_t FUnindexed = 0;
    // The groups waiting for the uniqueness check (a few: beyond that, all are checked).
    QStringList FPendingGroups;
    bool FFullCheckPending = false;
    uint64_t FNextOrder = 0;
    QList<TNamespaceConnection*> FConnections;
    QList<TNamespaceConnection*> FUsers;
    int32_t FCreationContainerID = 0;
    mutable std::recursive_mutex FLock;
};

// Latin letters A to Z compare without case, every other character exactly (so "a" = "A" but
// "ä" ≠ "Ä"): the rule of the uniqueness check.
bool SameNameIgnoringLatinCase(const QString& a, const QString& b);

// The order of names shown to the user: whether `a` comes before `b` (names without nfSecondary
// first, covers of ListLast connections last, otherwise by the place of the name in the document).
bool NameComesBefore(TNamespaceItem* a, TNamespaceItem* b);
// Sorts a name list by NameComesBefore, keeping the order of equal entries.
void SortNames(TNameList& list);

// The check messages of a name holder: an error 2726 for a duplicate name, 2727 for a reserved one,
// linked to `element`. Nothing for a unique name or without an item.
void AddNameStateMessage(TElement* element, const TNamespaceItem* item);

} // namespace qv
