#include "core/meta_class.h"

#include <QHash>
#include <QMutex>

namespace qv {

namespace {

struct TClassRegistry
{
    QMutex Lock;
    QHash<QString, const TMetaClass*> ByName;
};

TClassRegistry& Registry()
{
    static TClassRegistry registry;
    return registry;
}

} // namespace

TMetaClass::TMetaClass(const char* name, const TMetaClass* parent) : FName(name), FParent(parent)
{
    TClassRegistry& registry = Registry();
    QMutexLocker locker(&registry.Lock);
    registry.ByName.insert(ClassName(), this);
}

bool TMetaClass::InheritsFrom(const TMetaClass* other) const
{
    if (other == nullptr)
        return true;
    for (const TMetaClass* cls = this; cls != nullptr; cls = cls->FParent) {
        if (cls == other)
            return true;
    }
    return false;
}

const TMetaClass* TMetaClass::FindClass(const QString& name)
{
    TClassRegistry& registry = Registry();
    QMutexLocker locker(&registry.Lock);
    return registry.ByName.value(name, nullptr);
}

} // namespace qv
