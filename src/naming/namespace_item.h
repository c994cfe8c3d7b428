#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <utility>

namespace qv {

class TElement;
class TElementClass;
class TNamespace;
class TNamespaceConnection;
class TNamespaceItem;

// The result of the uniqueness check for one item. A new item is nsUnique.
enum TNameState : uint8_t
{
    nsUnique = 0,
    nsDuplicate = 1,
    nsReserved = 2,
};

// Bits of TNamespaceItem::Flags. Exchanged between classes; keep the numbers.
enum TNameFlag : uint8_t
{
    nfReserved = 1,  // a built-in name that others may not take
    nfSecondary = 2, // listed after every name without it
    nfHidden = 4,    // left out of reference drop-down lists unless Shift is held while building them
};
using TNameFlags = uint8_t;

enum TNameVisibility : uint8_t
{
    nvPublic = 0,
    nvPrivate = 1,
};

// Notify kinds of a namespace: param1 is the TNamespaceItem*, param2 a const QString* with the new
// id path for nnItemIdChanged and 0 otherwise. 105 is not used.
enum TNamespaceNotification : int
{
    nnItemAdded = 101,
    nnItemIdChanged = 102,
    nnItemChanged = 103, // something filters depend on (visibility, kind, type)
    nnItemImageChanged = 104,
    nnItemEnabledChanged = 106,
    nnItemExpandedChanged = 107,
    nnItemRenamed = 108,
    nnItemStateChanged = 109,
    nnItemRemoved = 110,
};

// The link from a referring object to an item. Owned by the referring object; the item lists it
// while it is the target, without owning it.
class TReference
{
public:
    TReference() = default;
    TReference(const TReference&) = delete;
    TReference& operator=(const TReference&) = delete;
    // Leaves the target's list without running the hooks or the cycle search: owners that need them
    // set the target to none while they still exist.
    virtual ~TReference();

    TNamespaceItem* Target() const { return FTarget; }
    // Moves the reference to `target`: the old target's RemoveReference, the new target's
    // AddReference, TargetChanged, clears Cyclic, then searches for cycles from both targets.
    void SetTarget(TNamespaceItem* target);
    // The reference lies on a cycle, or leads into one.
    bool Cyclic() const { return FCyclic; }
    void SetCyclic(bool value);
    // Not counted in the target's ReferenceCount (check boxes of name lists).
    bool Uncounted() const { return FUncounted; }
    void SetUncounted(bool value) { FUncounted = value; }

    // Hooks for the owners: re-check or repaint the element holding the reference.
    virtual void TargetChanged();
    virtual void CyclicChanged();

private:
    friend class TNamespaceItem;

    TNamespaceItem* FTarget = nullptr;
    bool FCyclic = false;
    bool FUncounted = false;
};

// Marks the references met on the way from `item` through the items' dependencies: a reference is
// cyclic when following it reaches an item on the current search path. Returns the lowest stack
// position reached, or -1.
int SearchReferenceCycles(TNamespaceItem* item);

// One name as seen from one namespace. A plain object owned by whoever holds the name (or, for a
// cover, by its connection); freed through Free(), which lets the item announce its removal while it
// is still whole.
class TNamespaceItem
{
public:
    TNamespaceItem() = default;
    TNamespaceItem(const TNamespaceItem&) = delete;
    TNamespaceItem& operator=(const TNamespaceItem&) = delete;
    virtual ~TNamespaceItem();

    // BeforeDestruction, then delete.
    void Free();

    // Every reference whose Target is this item (and, for the name of a named connection, every
    // reference made through the connection), in the order they were added.
    const QList<TReference*>& References() const { return FReferences; }
    // The references that are not Uncounted.
    int ReferenceCount() const;
    TNameState State() const { return FState; }
    // Stores the state and calls StateChanged when it differs.
    void SetState(TNameState state);

    virtual int ImageIndex() const = 0;
    virtual QString Description() const = 0;
    virtual QString TypeName() const = 0;
    virtual bool IsEnabled() const = 0;
    // The own item at the end of a chain of covers; an own item returns itself.
    virtual TNamespaceItem* Origin() = 0;
    // The element the name stands for.
    virtual TElement* Element() const = 0;
    // Element ids from the looking namespace down to the holder, separated by ".".
    virtual QString IdPath() const = 0;
    // The name as seen in this namespace.
    virtual QString Name() const = 0;
    // The element holding the name text.
    virtual TElement* NameOwner() const = 0;
    virtual TNameFlags Flags() const = 0;
    virtual bool MustBeUnique() const = 0;
    // Appends the references the named thing itself holds (for the cycle search).
    virtual void CollectDependencies(QList<TReference*>& list) = 0;
    virtual TNameVisibility Visibility() const = 0;
    virtual void StateChanged();
    virtual void RemoveReference(TReference* reference);
    virtual void AddReference(TReference* reference);
    // Whether this item or a cover down its chain was made by `connection`.
    virtual bool ComesThrough(const TNamespaceConnection* connection) const;
    // The same, for a connection of class `cls` or a descendant.
    virtual bool ComesThroughClass(const TElementClass* cls) const;

protected:
    // Runs while the whole object still exists. The base clears the target of every reference that
    // still points here (their owners missed the removal) and forgets the others.
    virtual void BeforeDestruction();

    // The list operations without locking or forwarding.
    void AppendReference(TReference* reference) { FReferences.append(reference); }
    void TakeReference(TReference* reference) { FReferences.removeOne(reference); }

private:
    QList<TReference*> FReferences;
    TNameState FState = nsUnique;
};

// Frees an item through Free(); the owner of an item keeps it in a TNamespaceItemPtr.
struct TNamespaceItemFree
{
    void operator()(TNamespaceItem* item) const { item->Free(); }
};
template <class T>
using TNamespaceItemPtr = std::unique_ptr<T, TNamespaceItemFree>;

// An item of one namespace naming one element: the item of a name field or a name element.
// Create it with MakeNamespaceItem, which registers it once it is fully constructed.
class TNamespaceOwnItem : public TNamespaceItem
{
public:
    // `ns` may be null: the item is then registered nowhere.
    TNamespaceOwnItem(TNamespace* ns, TElement* owner) : FNamespace(ns), FOwner(owner) {}
    ~TNamespaceOwnItem() override;

    // Null once the namespace has been destroyed.
    TNamespace* Namespace() const { return FNamespace; }
    TElement* Owner() const { return FOwner; }

    // Appends the item to its namespace's items and announces it (nnItemAdded, then the check).
    // MakeNamespaceItem calls it; calling it again does nothing.
    void Register();

    TNamespaceItem* Origin() override { return this; }
    TElement* Element() const override { return FOwner; }
    TElement* NameOwner() const override { return FOwner; }
    QString IdPath() const override;
    QString Description() const override { return QString(); }
    void CollectDependencies(QList<TReference*>&) override {}
    void StateChanged() override;
    void RemoveReference(TReference* reference) override;
    void AddReference(TReference* reference) override;

    // Notifications for the name holders.
    void NotifyImageChanged();    // 104, only while referenced
    void NotifyEnabledChanged();  // 106 and the check
    void NotifyIdChanged();       // 102 with the new IdPath, only while referenced
    void NotifyExpandedChanged(); // 107, only while referenced
    void NotifyChanged();         // 103
    void NotifyRenamed();         // 108 and the check
    // The uniqueness check of the namespace.
    void CheckNames();

protected:
    void BeforeDestruction() override;

private:
    friend class TNamespace;

    TNamespace* FNamespace;
    TElement* FOwner;
    bool FRegistered = false;
    // Whether the namespace's name index holds the item, and under which name: the one it had when
    // last announced.
    bool FIndexed = false;
    QString FIndexedName;
    // The registration number in the namespace: the order of Items.
    uint64_t FOrder = 0;
};

// Creates an own item and registers it in its namespace after construction, so that listeners of
// nnItemAdded see a whole object. A holder whose checks need its item while the first uniqueness
// check runs (during Register) stores the item first and calls Register itself.
template <class T, class... A>
TNamespaceItemPtr<T> MakeNamespaceItem(A&&... args)
{
    TNamespaceItemPtr<T> item(new T(std::forward<A>(args)...));
    item->Register();
    return item;
}

} // namespace qv
