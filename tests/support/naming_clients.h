#pragma once

// Small clients of the naming family for its tests: an element that registers a name the way name
// fields do, a reference that follows its target's notifications the way reference fields do, and a
// container root offering a general namespace.

#include "core/errors.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "naming/namespace.h"
#include "naming/namespace_connection.h"
#include "support/test_elements.h"

#include <QList>
#include <QString>

namespace qv::test {

class TTestNameHolder;

// The item of a holder: everything comes from the holder's public fields.
class TTestNameItem : public TNamespaceOwnItem
{
public:
    TTestNameItem(TNamespace* ns, TTestNameHolder* holder);

    int ImageIndex() const override;
    QString TypeName() const override { return QString(); }
    bool IsEnabled() const override;
    QString Name() const override;
    TNameFlags Flags() const override;
    bool MustBeUnique() const override;
    void CollectDependencies(QList<TReference*>& list) override;
    TNameVisibility Visibility() const override;
    void StateChanged() override;

private:
    TTestNameHolder* FHolder;
};

// An element holding a name in a namespace, with the uniqueness messages of a name field.
class TTestNameHolder : public TElement
{
public:
    TTestNameHolder(TScheme* scheme, TNamespace* ns, const QString& name) : TElement(scheme), FName(name)
    {
        SetNamespace(ns);
    }

    TTestNameItem* Item() const { return FItem.get(); }
    const QString& Name() const { return FName; }
    void SetName(const QString& name)
    {
        FName = name;
        if (FItem)
            FItem->NotifyRenamed();
    }
    void SetEnabled(bool value)
    {
        Enabled = value;
        if (FItem)
            FItem->NotifyEnabledChanged();
    }
    void SetNamespace(TNamespace* ns)
    {
        FItem.reset();
        if (ns != nullptr) {
            // Kept before it registers: the first check runs during the registration.
            FItem.reset(new TTestNameItem(ns, this));
            FItem->Register();
        }
    }
    // Drops the item (without announcing anything to the holder).
    TNamespaceItemPtr<TTestNameItem> TakeItem() { return std::move(FItem); }

    bool IsFilled() const override { return true; }
    void CheckContent() override { AddNameStateMessage(this, FItem.get()); }

    // The message texts of the last check.
    QStringList MessageTexts() const
    {
        QStringList texts;
        if (Messages() != nullptr) {
            for (int i = 0; i < Messages()->Count(); ++i)
                texts.append(Messages()->Items(i)->GetText());
        }
        return texts;
    }

    bool Enabled = true;
    bool Unique = true;
    TNameFlags Flags = 0;
    TNameVisibility Visibility = nvPublic;
    int Image = -1;
    QList<TReference*> Dependencies;

protected:
    void BeforeDestruction() override
    {
        inherited::BeforeDestruction();
        FItem.reset();
    }

private:
    QString FName;
    TNamespaceItemPtr<TTestNameItem> FItem;
};

inline TTestNameItem::TTestNameItem(TNamespace* ns, TTestNameHolder* holder)
    : TNamespaceOwnItem(ns, holder), FHolder(holder)
{}
inline int TTestNameItem::ImageIndex() const
{
    return FHolder->Image;
}
inline bool TTestNameItem::IsEnabled() const
{
    return FHolder->Enabled;
}
inline QString TTestNameItem::Name() const
{
    return FHolder->Name();
}
inline TNameFlags TTestNameItem::Flags() const
{
    return FHolder->Flags;
}
inline bool TTestNameItem::MustBeUnique() const
{
    return FHolder->Unique;
}
inline void TTestNameItem::CollectDependencies(QList<TReference*>& list)
{
    list += FHolder->Dependencies;
}
inline TNameVisibility TTestNameItem::Visibility() const
{
    return FHolder->Visibility;
}
inline void TTestNameItem::StateChanged()
{
    TNamespaceOwnItem::StateChanged();
    FHolder->Check();
}

// A reference by name, kept in step with its namespace like a reference field: it resolves its text,
// follows renames of its target, and resolves again when the target goes away.
class TTestReference : public TReference
{
public:
    TTestReference(TNamespace* ns, const QString& text) : Text(text), FNamespace(ns)
    {
        FNamespace->AddHandler(MakeNotifyEvent<&TTestReference::NamespaceNotify>(this));
        Resolve();
    }
    ~TTestReference() override
    {
        if (FNamespace != nullptr)
            FNamespace->RemoveHandler(MakeNotifyEvent<&TTestReference::NamespaceNotify>(this));
        SetTarget(nullptr);
    }

    void Resolve() { SetTarget(Text.isEmpty() ? nullptr : FNamespace->FindByName(Text)); }
    void TargetChanged() override { ++TargetChanges; }
    void CyclicChanged() override { ++CyclicChanges; }

    QString Text;
    int TargetChanges = 0;
    int CyclicChanges = 0;

private:
    void NamespaceNotify(TItfObject*, int notify, intptr_t param1, intptr_t)
    {
        auto* item = reinterpret_cast<TNamespaceItem*>(param1);
        switch (notify) {
        case nnItemAdded:
            if (Target() == nullptr && item->Name() == Text)
                SetTarget(item);
            break;
        case nnItemRenamed:
            if (item == Target())
                Text = item->Name();
            else if (Target() == nullptr && item->Name() == Text)
                SetTarget(item);
            break;
        case nnItemRemoved:
            if (item == Target()) {
                SetTarget(nullptr);
                Resolve();
            }
            break;
        default:
            break;
        }
    }

    TNamespace* FNamespace;
};

// Records the notifications of a namespace as "code:name" (with ":path" for id changes).
class TNamespaceRecorder
{
public:
    explicit TNamespaceRecorder(TNamespace* ns) : FNamespace(ns)
    {
        FNamespace->AddHandler(MakeNotifyEvent<&TNamespaceRecorder::Record>(this));
    }
    ~TNamespaceRecorder() { FNamespace->RemoveHandler(MakeNotifyEvent<&TNamespaceRecorder::Record>(this)); }

    QStringList Log;

private:
    void Record(TItfObject*, int notify, intptr_t param1, intptr_t param2)
    {
        QString entry = QString::number(notify) + u':' + reinterpret_cast<TNamespaceItem*>(param1)->Name();
        if (param2 != 0)
            entry += u':' + *reinterpret_cast<const QString*>(param2);
        Log.append(entry);
    }

    TNamespace* FNamespace;
};

// A document root offering its namespace part to its descendants.
class TTestNamingRoot : public TTestContainer, public IGeneralElementsOwner
{
public:
    explicit TTestNamingRoot(TScheme* scheme) : TTestContainer(scheme)
    {
        FNamespace = CreatePart<TNamespace>();
    }
    TNamespace* GetGeneralElementsNamespace() override { return FNamespace; }

private:
    TNamespace* FNamespace;
};

} // namespace qv::test
