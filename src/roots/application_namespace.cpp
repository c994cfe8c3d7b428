#include "roots/application_namespace.h"

#include "core/strings.h"
#include "elements/scheme.h"
#include "naming/namespace.h"

#include <QCoreApplication>

#include <atomic>
#include <memory>
#include <thread>

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

    ~TApplicationNames() { Free(); }

    void Create()
    {
        if (Namespace)
            return;
        Scheme = std::make_unique<TScheme>();
        Namespace.reset(new TNamespace(Scheme.get()));
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
            auto* element = new TApplicationValueElement(Scheme.get());
            element->SetParent(Namespace.get());
            element->Register(value.Name, value.Value, value.Description);
        }
    }
    void Free()
    {
        Namespace.reset();
        Scheme.reset();
    }
};

// The namespace of the thread that created it at start-up.
TApplicationNames& SharedNames()
{
    static TApplicationNames names;
    return names;
}
std::atomic<std::thread::id> sharedThread;

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
    TApplicationNames& shared = SharedNames();
    if (std::this_thread::get_id() == sharedThread.load())
        return shared.Namespace.get();
    // Connecting changes the namespace's lists and handlers, which belong to one thread: another
    // thread (a generation run on its private copy) gets a private set of the same values.
    if (sharedThread.load() == std::thread::id())
        return nullptr;
    thread_local TApplicationNames local;
    local.Create();
    return local.Namespace.get();
}

void CreateApplicationNamespace()
{
    TApplicationNames& shared = SharedNames();
    if (shared.Namespace)
        return;
    sharedThread.store(std::this_thread::get_id());
    shared.Create();
}

void FreeApplicationNamespace()
{
    SharedNames().Free();
    sharedThread.store(std::thread::id());
}

} // namespace qv
