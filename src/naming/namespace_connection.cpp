#include "naming/namespace_connection.h"

#include "core/update_guard.h"
#include "elements/scheme.h"
#include "naming/namespace.h"

#include <algorithm>
#include <iterator>

namespace qv {

QV_IMPLEMENT_CLASS(TNamespaceConnection)
QV_IMPLEMENT_CLASS(TNamedNamespaceConnection)

// ---------------------------------------------------------------------------------------------------
// TNamespaceCoverItem

TNamespaceItem* TNamespaceCoverItem::Origin()
{
    TNamespaceItem* item = FCovered;
    while (auto* cover = dynamic_cast<TNamespaceCoverItem*>(item))
        item = cover->FCovered;
    return item;
}

QString TNamespaceCoverItem::IdPath() const
{
    return QString::number(FConnection->ID()) + u'.' + FCovered->IdPath();
}

QString TNamespaceCoverItem::Name() const
{
    const QString& prefix = FConnection->Prefix();
    if (prefix.isEmpty())
        return FCovered->Name();
    return prefix + u'.' + FCovered->Name();
}

TNameVisibility TNamespaceCoverItem::Visibility() const
{
    if (FConnection->CoverVisibility() == nvPrivate)
        return nvPrivate;
    return FCovered->Visibility();
}

void TNamespaceCoverItem::StateChanged()
{
    if (FConnection->Target() != nullptr)
        FConnection->Target()->ItemNotify(nnItemStateChanged, this);
}

void TNamespaceCoverItem::AddReference(TReference* reference)
{
    std::lock_guard lock(FConnection->Lock());
    FConnection->ReferenceAdded(reference);
    FCovered->AddReference(reference);
    AppendReference(reference);
}

void TNamespaceCoverItem::RemoveReference(TReference* reference)
{
    std::lock_guard lock(FConnection->Lock());
    FConnection->ReferenceRemoved(reference);
    FCovered->RemoveReference(reference);
    TakeReference(reference);
}

bool TNamespaceCoverItem::ComesThrough(const TNamespaceConnection* connection) const
{
    return FConnection == connection || FCovered->ComesThrough(connection);
}

bool TNamespaceCoverItem::ComesThroughClass(const TElementClass* cls) const
{
    return FConnection->ClassType()->InheritsFrom(cls) || FCovered->ComesThroughClass(cls);
}

void TNamespaceCoverItem::BeforeDestruction()
{
    // The connection has already taken the cover out of its covers (FreeCover).
    if (FConnection->Target() != nullptr)
        FConnection->Target()->ItemNotify(nnItemRemoved, this);
    TNamespaceItem::BeforeDestruction();
}

// ---------------------------------------------------------------------------------------------------
// TNamespaceConnection

TNamespaceConnection::TNamespaceConnection(TScheme* scheme) : TElement(scheme) {}

TNamespaceConnection::~TNamespaceConnection()
{
    // Freed without Free(): nothing may keep a pointer here. Covers are freed silently (the target
    // cannot be told about them without running handlers on a half-destroyed object).
    if (FSource != nullptr) {
        if (IsConnected())
            FSource->RemoveHandler(MakeNotifyEvent<&TNamespaceConnection::SourceNotify>(this));
        FSource->RemoveUser(this);
    }
    if (FTarget != nullptr) {
        FTarget->RemoveConnection(this);
        FTarget->RemoveUser(this);
    }
    std::vector<TNamespaceItemPtr<TNamespaceCoverItem>> covers = std::move(FCovers);
    FCovers.clear();
    FCoverOf.clear();
    for (TNamespaceItemPtr<TNamespaceCoverItem>& cover : covers)
        std::unique_ptr<TNamespaceCoverItem> silently(cover.release()); // deleted without Free
}

void TNamespaceConnection::BeforeDestruction()
{
    inherited::BeforeDestruction();
    Reconnect(nullptr, nullptr, FConnectionOptions, FEnabled);
}

TScheme* TNamespaceConnection::UpdateScheme() const
{
    return FTarget != nullptr && FTarget->Scheme() != nullptr ? FTarget->Scheme() : Scheme();
}

void TNamespaceConnection::SetPrefix(const QString& prefix)
{
    if (prefix == FPrefix)
        return;
    FPrefix = prefix;
    if (FCovers.empty() || FTarget == nullptr)
        return;
    TUpdateGuard<TScheme> guard(UpdateScheme());
    for (TNamespaceCoverItem* cover : CoversNow())
        FTarget->ItemNotify(nnItemRenamed, cover);
}

void TNamespaceConnection::SetConnectionOptions(uint8_t options)
{
    Reconnect(FSource, FTarget, options, FEnabled);
}

void TNamespaceConnection::SetTarget(TNamespace* target)
{
    Reconnect(FSource, target, FConnectionOptions, FEnabled);
}

void TNamespaceConnection::SetSource(TNamespace* source)
{
    Reconnect(source, FTarget, FConnectionOptions, FEnabled);
}

void TNamespaceConnection::SetEnabled(bool value)
{
    Reconnect(FSource, FTarget, FConnectionOptions, value);
}

void TNamespaceConnection::SetCoverVisibility(TNameVisibility value)
{
    if (value == FCoverVisibility)
        return;
    FCoverVisibility = value;
    if (FCovers.empty() || FTarget == nullptr)
        return;
    TUpdateGuard<TScheme> guard(UpdateScheme());
    for (TNamespaceCoverItem* cover : CoversNow())
        FTarget->ItemNotify(nnItemChanged, cover);
}

bool TNamespaceConnection::CanConnect()
{
    return true;
}

bool TNamespaceConnection::Accepts(TNamespaceItem* item)
{
    return !(PublicOnly() && item->Visibility() == nvPrivate);
}

void TNamespaceConnection::ReferenceRemoved(TReference*)
{
    --FReferenceCount;
}

void TNamespaceConnection::ReferenceAdded(TReference*)
{
    ++FReferenceCount;
}

void TNamespaceConnection::Reconnect(TNamespace* source, TNamespace* target, uint8_t options, bool enabled)
{
    const bool connectedNow = IsConnected();
    const bool canConnect = CanConnect();
    const bool connectedAfter = enabled && source != nullptr && target != nullptr && canConnect;
    if (connectedNow && connectedAfter) {
        if (source == FSource && target == FTarget && options == FConnectionOptions && canConnect == FActive)
            return;
        // Both brackets: covers leave the old target and enter the new one under one check each.
        TUpdateGuard<TScheme> oldGuard(UpdateScheme());
        TUpdateGuard<TScheme> newGuard(target->Scheme() != FTarget->Scheme() ? target->Scheme() : nullptr);
        Disconnect();
        Store(source, target, options, enabled);
        Connect();
    } else if (!connectedNow && !connectedAfter) {
        Store(source, target, options, enabled);
    } else if (connectedNow) {
        Disconnect();
        Store(source, target, options, enabled);
    } else {
        Store(source, target, options, enabled);
        Connect();
    }
}

void TNamespaceConnection::Store(TNamespace* source, TNamespace* target, uint8_t options, bool enabled)
{
    if (source != FSource) {
        if (FSource != nullptr)
            FSource->RemoveUser(this);
        FSource = source;
        if (FSource != nullptr)
            FSource->AddUser(this);
    }
    if (target != FTarget) {
        if (FTarget != nullptr)
            FTarget->RemoveUser(this);
        FTarget = target;
        if (FTarget != nullptr)
            FTarget->AddUser(this);
    }
    FConnectionOptions = options;
    FEnabled = enabled;
    FActive = CanConnect();
}

void TNamespaceConnection::Disconnect()
{
    {
        TUpdateGuard<TScheme> guard(UpdateScheme());
        while (!FCovers.empty())
            FreeCover(FCovers.back().get());
    }
    FTarget->RemoveConnection(this);
    FSource->RemoveHandler(MakeNotifyEvent<&TNamespaceConnection::SourceNotify>(this));
    if (FSource->Scheme() != nullptr && FSource->Scheme() != Scheme())
        FSource->Scheme()->RemoveDependant(Scheme());
}

void TNamespaceConnection::Connect()
{
    FSource->AddHandler(MakeNotifyEvent<&TNamespaceConnection::SourceNotify>(this));
    if (FSource->Scheme() != nullptr && FSource->Scheme() != Scheme())
        FSource->Scheme()->AddDependant(Scheme());
    FTarget->AddConnection(this);
    TUpdateGuard<TScheme> guard(UpdateScheme());
    QList<TNamespaceItem*> items;
    FSource->ForEachItem([&items](TNamespaceItem* item, bool&) { items.append(item); }, true);
    for (TNamespaceItem* item : std::as_const(items)) {
        if (!FCoverOf.contains(item) && WantsCover(item))
            CreateCover(item);
    }
}

bool TNamespaceConnection::WantsCover(TNamespaceItem* item)
{
    if (FSource == FTarget || item->ComesThrough(this))
        return false;
    if (auto* origin = dynamic_cast<TNamespaceOwnItem*>(item->Origin())) {
        if (origin->Namespace() == FTarget)
            return false;
    }
    return Accepts(item);
}

void TNamespaceConnection::CreateCover(TNamespaceItem* item)
{
    TNamespaceCoverItem* cover =
        FCovers.emplace_back(TNamespaceItemPtr<TNamespaceCoverItem>(new TNamespaceCoverItem(this, item)))
            .get();
    FCoverOf.insert(item, cover);
    FTarget->ItemNotify(nnItemAdded, cover);
}

void TNamespaceConnection::FreeCover(TNamespaceCoverItem* cover)
{
    // From the back: disconnecting frees the last cover each time.
    const auto found = std::find_if(FCovers.rbegin(), FCovers.rend(),
                                    [cover](const auto& owned) { return owned.get() == cover; });
    Q_ASSERT(found != FCovers.rend());
    if (found == FCovers.rend())
        return;
    TNamespaceItemPtr<TNamespaceCoverItem> owned = std::move(*found);
    FCovers.erase(std::next(found).base());
    FCoverOf.remove(cover->Covered());
    owned.reset(); // Free: announces nnItemRemoved while the cover is whole
}

QList<TNamespaceCoverItem*> TNamespaceConnection::CoversNow() const
{
    QList<TNamespaceCoverItem*> covers;
    covers.reserve(qsizetype(FCovers.size()));
    for (const auto& cover : FCovers)
        covers.append(cover.get());
    return covers;
}

void TNamespaceConnection::SourceNotify(TItfObject*, int notify, intptr_t param1, intptr_t param2)
{
    auto* item = reinterpret_cast<TNamespaceItem*>(param1);
    if (item == nullptr || FTarget == nullptr)
        return;
    TNamespaceCoverItem* cover = FCoverOf.value(item);
    switch (notify) {
    case nnItemAdded:
        if (cover == nullptr && WantsCover(item))
            CreateCover(item);
        break;
    case nnItemIdChanged:
        if (cover != nullptr && param2 != 0) {
            const QString path = QString::number(ID()) + u'.' + *reinterpret_cast<const QString*>(param2);
            FTarget->ItemNotify(nnItemIdChanged, cover, &path);
        }
        break;
    case nnItemChanged: {
        const bool wanted = WantsCover(item);
        if (wanted && cover == nullptr)
            CreateCover(item);
        else if (!wanted && cover != nullptr)
            FreeCover(cover);
        else if (cover != nullptr)
            FTarget->ItemNotify(nnItemChanged, cover);
        break;
    }
    case nnItemImageChanged:
    case nnItemEnabledChanged:
    case nnItemExpandedChanged:
    case nnItemRenamed:
        if (cover != nullptr)
            FTarget->ItemNotify(notify, cover);
        break;
    case nnItemRemoved:
        if (cover != nullptr)
            FreeCover(cover);
        break;
    default:
        break;
    }
}

void TNamespaceConnection::IDChanged(int32_t oldID)
{
    inherited::IDChanged(oldID);
    if (FTarget == nullptr)
        return;
    for (TNamespaceCoverItem* cover : CoversNow()) {
        const QString path = cover->IdPath();
        FTarget->ItemNotify(nnItemIdChanged, cover, &path);
    }
}

// ---------------------------------------------------------------------------------------------------
// TNamedNamespaceConnection

TNamedNamespaceConnection::TNamedNamespaceConnection(TScheme* scheme) : TNamespaceConnection(scheme) {}

TNamedNamespaceConnection::~TNamedNamespaceConnection()
{
    Listen(false);
}

void TNamedNamespaceConnection::BeforeDestruction()
{
    inherited::BeforeDestruction();
    Listen(false);
    FOwnerItem = nullptr;
}

bool TNamedNamespaceConnection::CanConnect()
{
    return inherited::CanConnect() && FOwnerItem != nullptr && !FReleasing;
}

void TNamedNamespaceConnection::ReferenceRemoved(TReference* reference)
{
    inherited::ReferenceRemoved(reference);
    if (FOwnerItem != nullptr)
        FOwnerItem->RemoveReference(reference);
}

void TNamedNamespaceConnection::ReferenceAdded(TReference* reference)
{
    inherited::ReferenceAdded(reference);
    if (FOwnerItem != nullptr)
        FOwnerItem->AddReference(reference);
}

void TNamedNamespaceConnection::SetOwnerItem(TNamespaceOwnItem* item)
{
    if (item == FOwnerItem)
        return;
    if (FOwnerItem != nullptr) {
        FReleasing = true;
        Reconnect();
    }
    Listen(false);
    FOwnerItem = item;
    FReleasing = false;
    Listen(true);
    Reconnect();
}

void TNamedNamespaceConnection::Listen(bool on)
{
    const TItfNotifyEvent handler = MakeNotifyEvent<&TNamedNamespaceConnection::OwnerNamespaceNotify>(this);
    if (!on) {
        if (FOwnerNamespace != nullptr)
            FOwnerNamespace->RemoveHandler(handler);
        FOwnerNamespace = nullptr;
        return;
    }
    FOwnerNamespace = FOwnerItem != nullptr ? FOwnerItem->Namespace() : nullptr;
    if (FOwnerNamespace != nullptr)
        FOwnerNamespace->AddHandler(handler);
}

void TNamedNamespaceConnection::OwnerNamespaceNotify(TItfObject*, int notify, intptr_t param1, intptr_t)
{
    if (notify == nnItemRemoved && FOwnerItem != nullptr &&
        reinterpret_cast<TNamespaceItem*>(param1) == FOwnerItem)
        SetOwnerItem(nullptr);
}

} // namespace qv
