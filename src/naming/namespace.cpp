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

namespace qv {

QV_IMPLEMENT_CLASS(TNamespace)

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
        Notify(nnItemRemoved, reinterpret_cast<intptr_t>(item), 0);
        item->FNamespace = nullptr;
        item->FRegistered = false;
    }
}

void TNamespace::AddItem(TNamespaceOwnItem* item)
{
    FItems.append(item);
    ItemNotify(nnItemAdded, item);
}

void TNamespace::RemoveItem(TNamespaceOwnItem* item)
{
    FItems.removeOne(item);
    ItemNotify(nnItemRemoved, item);
}

void TNamespace::ItemNotify(int code, TNamespaceItem* item, const QString* path)
{
    Notify(code, reinterpret_cast<intptr_t>(item), reinterpret_cast<intptr_t>(path));
    switch (code) {
    case nnItemAdded:
    case nnItemEnabledChanged:
    case nnItemRenamed:
    case nnItemRemoved:
        CheckNames();
        break;
    default:
        break;
    }
}

TNamespaceItem* TNamespace::FindByName(const QString& name, const TNameFilter& filter)
{
    for (TNamespaceOwnItem* item : std::as_const(FItems)) {
        if (item->Name() == name && filter.Accepts(this, item))
            return item;
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

int32_t PathNumber(const QString& part)
{
    bool ok = false;
    const int32_t value = part.toInt(&ok, 10);
    if (!ok)
        RaiseStr(2398, {MessageValueText(part)});
    return value;
}

} // namespace

TNamespaceItem* TNamespace::FindByIdPath(const QString& path)
{
    if (path.isEmpty())
        return nullptr;
    const qsizetype dot = path.indexOf(u'.');
    if (dot < 0) {
        const int32_t id = PathNumber(path);
        for (TNamespaceOwnItem* item : std::as_const(FItems)) {
            if (item->Owner() != nullptr && item->Owner()->ID() == id)
                return item;
        }
        return nullptr;
    }
    const int32_t connectionID = PathNumber(path.left(dot));
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
    if (Scheme() != nullptr && Scheme()->IsUpdating()) {
        Scheme()->QueueCheck(this);
        return;
    }
    CheckNamesNow();
}

void TNamespace::DeferredCheck()
{
    inherited::DeferredCheck();
    CheckNames();
}

void TNamespace::CheckNamesNow()
{
    const QList<TNamespaceOwnItem*> items = FItems;
    QHash<TNamespaceItem*, TNameState> working;
    for (TNamespaceOwnItem* item : items)
        working.insert(item, nsUnique);

    TNameList taken;
    bool takenBuilt = false;
    for (TNamespaceOwnItem* item : items) {
        if (!item->MustBeUnique() || !item->IsEnabled() || (item->Flags() & nfReserved) != 0 ||
            working.value(item) != nsUnique)
            continue;
        if (!takenBuilt) {
            CollectNames(taken, false, {}, true);
            takenBuilt = true;
        }
        const QString name = item->Name();
        for (const TNameEntry& entry : std::as_const(taken)) {
            if (entry.Item == item || !SameNameIgnoringLatinCase(entry.Name, name))
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
    for (TNamespaceOwnItem* item : items) {
        // A state handler may have freed items further on.
        if (FItems.contains(item))
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

void SortNames(TNameList& list)
{
    std::stable_sort(list.begin(), list.end(), [](const TNameEntry& a, const TNameEntry& b) {
        return NameComesBefore(a.Item, b.Item);
    });
}

void AddNameStateMessage(TElement* element, const TNamespaceItem* item)
{
    if (element == nullptr || item == nullptr)
        return;
    const QString ids = QString::number(element->ID());
    switch (item->State()) {
    case nsDuplicate:
        element->GetMessages()->AddElementsMessage(mkError, LoadStr(2726, {MessageValueText(item->Name())}),
                                                   ids);
        break;
    case nsReserved:
        element->GetMessages()->AddElementsMessage(mkError, LoadStr(2727, {MessageValueText(item->Name())}),
                                                   ids);
        break;
    default:
        break;
    }
}

} // namespace qv
