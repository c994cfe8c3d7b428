#include "schemes/commands/command_file_scheme_descriptor.h"

#include "core/strings.h"
#include "generation/value_elements.h"
#include "library/names.h"
#include "library/path_element.h"
#include "roots/file_connection.h"
#include "schemes/commands/batch_generator.h"
#include "schemes/commands/command_elements.h"

namespace qv {

QV_IMPLEMENT_CLASS(TCommandFileSchemeDescriptor)

QString TCommandFileSchemeDescriptor::GetTitle(TDescriptor)
{
    return LoadStr(4640);
}

QString TCommandFileSchemeDescriptor::GetDescription(TDescriptor)
{
    return LoadStr(4641);
}

QString TCommandFileSchemeDescriptor::GetExtension(TDescriptor)
{
    return QStringLiteral("comd");
}

QString TCommandFileSchemeDescriptor::GetRootName(TDescriptor)
{
    return QStringLiteral("Commands");
}

int TCommandFileSchemeDescriptor::GetIconId(TDescriptor)
{
    return 10;
}

int TCommandFileSchemeDescriptor::GetSortValue(TDescriptor)
{
    return 110;
}

const TElementClass* TCommandFileSchemeDescriptor::GetRootClass(TDescriptor)
{
    return TCommandFileRoot::StaticClass();
}

void RegisterCommandFileScheme()
{
    static const bool registered = [] {
        // The families the commands are made of.
        RegisterPathElements();
        RegisterNameElements();
        RegisterRootElements();
        RegisterValueElements();
        RegisterScheme(TCommandFileSchemeDescriptor::StaticClass());
        const int group = TCommandFileSchemeDescriptor::StaticClass()->ClassesGroup();
        RegisterCommandElements(group);
        RegisterBatchGenerator(group);
        return true;
    }();
    (void)registered;
}

} // namespace qv
