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
    // The classes of what the names hold exist before the names, so that at exit, when the names are
    // freed by whoever did not free them earlier, those classes still exist.
    static const bool classesFirst =
        TNamespace::StaticClass() != nullptr && TApplicationValueElement::StaticClass() != nullptr;
    static TApplicationNames names;
    (void)classesFirst;
    return names;
}
std::atomic<std::thread::id> sharedThread;

} // namespace

// Unregistered until it has its name.
TApplicationValueElement::TApplicationValueElement(TScheme* scheme) : TNameElement(scheme)
{
    SetRegistered(false);
}

void TApplicationValueElement::Register(const QString& name, const QString& value, int32_t descriptionId)
{
    FName = name;
    FValue = value;
    FDescriptionId = descriptionId;
    SetRegistered(true);
}

QString TApplicationValueElement::Description() const
{
    return LoadStr(FDescriptionId);
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
