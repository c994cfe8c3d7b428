#include "roots/application_namespace.h"

#include "core/strings.h"
#include "elements/scheme.h"
#include "naming/namespace.h"

#include <QCoreApplication>

#include <memory>

namespace qv {

QV_IMPLEMENT_CLASS(TApplicationValueElement)

namespace {

class TApplicationValueItem : public TNamespaceOwnItem
{
public:
    TApplicationValueItem(TNamespace* ns, TApplicationValueElement* owner)
        : TNamespaceOwnItem(ns, owner), FValue(owner)
    {}

    int ImageIndex() const override { return -1; }
    QString Description() const override { return LoadStr(FValue->DescriptionId()); }
    QString TypeName() const override { return QString(); }
    bool IsEnabled() const override { return true; }
    QString Name() const override { return FValue->Name(); }
    TNameFlags Flags() const override { return nfReserved | nfHidden | nfSecondary; }
    bool MustBeUnique() const override { return true; }
    TNameVisibility Visibility() const override { return nvPublic; }

private:
    TApplicationValueElement* FValue;
};

// The scheme outlives its namespace: the namespace goes first.
struct TApplicationNames
{
    std::unique_ptr<TScheme> Scheme;
    TNodePtr<TNamespace> Namespace;

    ~TApplicationNames()
    {
        Namespace.reset();
        Scheme.reset();
    }
};

TApplicationNames& ApplicationNames()
{
    static TApplicationNames names;
    return names;
}

} // namespace

TApplicationValueElement::TApplicationValueElement(TScheme* scheme) : TElement(scheme) {}

void TApplicationValueElement::Register(const QString& name, const QString& value, int32_t descriptionId)
{
    FName = name;
    FValue = value;
    FDescriptionId = descriptionId;
    auto* ns = dynamic_cast<TNamespace*>(ParentElement());
    if (ns != nullptr && !FItem)
        FItem = MakeNamespaceItem<TApplicationValueItem>(ns, this);
}

void TApplicationValueElement::BeforeDestruction()
{
    FItem.reset();
    inherited::BeforeDestruction();
}

TNamespace* ApplicationNamespace()
{
    return ApplicationNames().Namespace.get();
}

void CreateApplicationNamespace()
{
    TApplicationNames& names = ApplicationNames();
    if (names.Namespace)
        return;
    names.Scheme = std::make_unique<TScheme>();
    names.Namespace.reset(new TNamespace(names.Scheme.get()));
    const struct
    {
        QString Name;
        QString Value;
        int32_t Description;
    } values[] = {
        {QStringLiteral("ApplicationName"), LoadStr(4000), QV_STR(4320)},
        {QStringLiteral("ApplicationVersion"), QCoreApplication::applicationVersion(), QV_STR(4321)},
    };
    for (const auto& value : values) {
        auto* element = new TApplicationValueElement(names.Scheme.get());
        element->SetParent(names.Namespace.get());
        element->Register(value.Name, value.Value, value.Description);
    }
}

void FreeApplicationNamespace()
{
    TApplicationNames& names = ApplicationNames();
    names.Namespace.reset();
    names.Scheme.reset();
}

} // namespace qv
