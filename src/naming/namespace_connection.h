#pragma once

#include "elements/element.h"
#include "naming/namespace_item.h"

#include <QHash>
#include <QList>
#include <QString>

#include <mutex>
#include <vector>

namespace qv {

class TItfObject;
class TNamespace;
class TNamespaceConnection;

// Options of a connection (TNamespaceConnection::Options).
enum TNamespaceConnectionOption : uint8_t
{
    ncoPublicOnly = 0x01, // private items are not covered
};

// Stands in a connection's target namespace for one item of its source namespace (which may be a
// cover itself, so chains form). Owned by its connection; everything but the name, the id path and
// the visibility is the covered item's.
class TNamespaceCoverItem : public TNamespaceItem
{
public:
    TNamespaceCoverItem(TNamespaceConnection* connection, TNamespaceItem* covered)
        : FConnection(connection), FCovered(covered)
    {}

    TNamespaceConnection* Connection() const { return FConnection; }
    TNamespaceItem* Covered() const { return FCovered; }

    int ImageIndex() const override { return FCovered->ImageIndex(); }
    QString Description() const override { return FCovered->Description(); }
    QString TypeName() const override { return FCovered->TypeName(); }
    bool IsEnabled() const override { return FCovered->IsEnabled(); }
    TNamespaceItem* Origin() override;
    TElement* Element() const override { return FCovered->Element(); }
    // The connection's id, ".", then the covered item's path.
    QString IdPath() const override;
    // The covered name, after the connection's prefix and "." when there is a prefix.
    QString Name() const override;
    TElement* NameOwner() const override { return FCovered->NameOwner(); }
    TNameFlags Flags() const override { return FCovered->Flags(); }
    bool MustBeUnique() const override { return FCovered->MustBeUnique(); }
    void CollectDependencies(QList<TReference*>& list) override { FCovered->CollectDependencies(list); }
    TNameVisibility Visibility() const override;
    void StateChanged() override;
    // Under the connection's lock: the connection counts the reference, the covered item (and so
    // every item down the chain) registers it, then this cover lists it.
    void AddReference(TReference* reference) override;
    void RemoveReference(TReference* reference) override;
    bool ComesThrough(const TNamespaceConnection* connection) const override;
    bool ComesThroughClass(const TElementClass* cls) const override;

protected:
    // Leaves the connection's covers and announces nnItemRemoved in the target namespace.
    void BeforeDestruction() override;

private:
    TNamespaceConnection* FConnection;
    TNamespaceItem* FCovered;
};

// Makes the names of a source namespace visible in a target namespace through covers. Created as a
// non-visual part or child of the element that needs it; connected exactly while Enabled, Source,
// Target and CanConnect all hold. A source in another document registers the connection's scheme as
// a dependant of that document's scheme.
//
// User-interface thread only; Lock() guards the reference lists of the covers.
class TNamespaceConnection : public TElement
{
    QV_CLASS(TNamespaceConnection, TElement)

    explicit TNamespaceConnection(TScheme* scheme);
    ~TNamespaceConnection() override;

    const QString& Prefix() const { return FPrefix; }
    // On a change, every cover is announced as renamed (within one update of the target's scheme).
    void SetPrefix(const QString& prefix);
    bool ListLast() const { return FListLast; }
    void SetListLast(bool value) { FListLast = value; }
    // CanConnect as of the last Reconnect.
    bool Active() const { return FActive; }
    uint8_t ConnectionOptions() const { return FConnectionOptions; }
    // The element's own SetOptions keeps its name: these are the connection's options.
    void SetConnectionOptions(uint8_t options);
    bool PublicOnly() const { return (FConnectionOptions & ncoPublicOnly) != 0; }
    TNamespace* Target() const { return FTarget; }
    void SetTarget(TNamespace* target);
    TNamespace* Source() const { return FSource; }
    void SetSource(TNamespace* source);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // Covers in creation order, owned by the connection.
    const std::vector<TNamespaceItemPtr<TNamespaceCoverItem>>& Covers() const { return FCovers; }
    // The cover of `item`, or nullptr.
    TNamespaceCoverItem* FindCover(const TNamespaceItem* item) const { return FCoverOf.value(item); }
    // References made through the covers.
    int ReferenceCount() const { return FReferenceCount; }
    TNameVisibility CoverVisibility() const { return FCoverVisibility; }
    // On a change every cover is announced as changed (filters depend on visibility).
    void SetCoverVisibility(TNameVisibility value);
    bool IsConnected() const { return FEnabled && FSource != nullptr && FTarget != nullptr && FActive; }
    std::recursive_mutex& Lock() const { return FLock; }

    // Connects, disconnects or reconnects for the new values (see the .cpp).
    void Reconnect(TNamespace* source, TNamespace* target, uint8_t options, bool enabled);
    // Reconnect with the present values: for subclasses whose CanConnect changed.
    void Reconnect() { Reconnect(FSource, FTarget, FConnectionOptions, FEnabled); }

    // Virtual operations of the connection family, in slot order.
    virtual bool CanConnect();
    // Whether `item` of the source gets a cover: false for private items with PublicOnly.
    virtual bool Accepts(TNamespaceItem* item);
    virtual void ReferenceRemoved(TReference* reference);
    virtual void ReferenceAdded(TReference* reference);

    void IDChanged(int32_t oldID) override;

protected:
    void BeforeDestruction() override;

private:
    void SourceNotify(TItfObject* sender, int notify, intptr_t param1, intptr_t param2);
    void Connect();
    void Disconnect();
    void Store(TNamespace* source, TNamespace* target, uint8_t options, bool enabled);
    // Accepts, and the item is not a name of the target coming back to it around a ring of
    // connections (which would cover covers without end).
    bool WantsCover(TNamespaceItem* item);
    void CreateCover(TNamespaceItem* item);
    // Takes the cover out of the covers, then frees it: listeners of its nnItemRemoved no longer find it.
    void FreeCover(TNamespaceCoverItem* cover);
    // The covers as they are now, for loops whose notifications may add or free covers.
    QList<TNamespaceCoverItem*> CoversNow() const;
    // The scheme whose update bracket groups the checks of the target.
    TScheme* UpdateScheme() const;

    QString FPrefix;
    bool FListLast = false;
    bool FActive = false;
    bool FEnabled = true;
    uint8_t FConnectionOptions = 0;
    TNamespace* FTarget = nullptr;
    TNamespace* FSource = nullptr;
    std::vector<TNamespaceItemPtr<TNamespaceCoverItem>> FCovers;
    QHash<const TNamespaceItem*, TNamespaceCoverItem*> FCoverOf;
    int FReferenceCount = 0;
    TNameVisibility FCoverVisibility = nvPublic;
    mutable std::recursive_mutex FLock;
};

// A connection that exists only while an item names it (a connection to another document named by
// the user): references made through it also count as references to that item.
class TNamedNamespaceConnection : public TNamespaceConnection
{
    QV_CLASS(TNamedNamespaceConnection, TNamespaceConnection)

    explicit TNamedNamespaceConnection(TScheme* scheme);
    ~TNamedNamespaceConnection() override;

    TNamespaceOwnItem* OwnerItem() const { return FOwnerItem; }
    bool Releasing() const { return FReleasing; }
    // Disconnects from the present item (if any) and connects for the new one (when set). The item
    // going away (nnItemRemoved in its namespace) clears it.
    void SetOwnerItem(TNamespaceOwnItem* item);

    bool CanConnect() override;
    void ReferenceRemoved(TReference* reference) override;
    void ReferenceAdded(TReference* reference) override;

protected:
    void BeforeDestruction() override;

private:
    void OwnerNamespaceNotify(TItfObject* sender, int notify, intptr_t param1, intptr_t param2);
    void Listen(bool on);

    TNamespaceOwnItem* FOwnerItem = nullptr;
    TNamespace* FOwnerNamespace = nullptr; // whose notifications tell when FOwnerItem goes away
    bool FReleasing = false;
};

} // namespace qv
