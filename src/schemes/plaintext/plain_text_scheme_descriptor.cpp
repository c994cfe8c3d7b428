#include "schemes/plaintext/plain_text_scheme_descriptor.h"

#include "core/strings.h"
#include "elements/classes_groups.h"
#include "elements/scheme.h"
#include "fields/scheme_code_mode_root.h"
#include "library/data_element.h"
#include "library/table_element.h"
#include "roots/root.h"

namespace qv {

QV_IMPLEMENT_CLASS(TPlainTextSchemeDescriptor)

QString TPlainTextSchemeDescriptor::GetTitle(TDescriptor)
{
    return LoadStr(5280);
}

QString TPlainTextSchemeDescriptor::GetDescription(TDescriptor)
{
    return LoadStr(5281);
}

QString TPlainTextSchemeDescriptor::GetExtension(TDescriptor)
{
    return QStringLiteral("frt");
}

QString TPlainTextSchemeDescriptor::GetRootName(TDescriptor)
{
    return QStringLiteral("FreeText");
}

int TPlainTextSchemeDescriptor::GetIconId(TDescriptor)
{
    return 40;
}

QString TPlainTextSchemeDescriptor::GetDefaultDocumentTitle(TDescriptor)
{
    return LoadStr(QV_STR(2071));
}

int TPlainTextSchemeDescriptor::GetSortValue(TDescriptor)
{
    return 20;
}

const TElementClass* TPlainTextSchemeDescriptor::GetRootClass(TDescriptor)
{
    return TPlainTextRoot::StaticClass();
}

void RegisterPlainTextScheme()
{
    static const bool registered = [] {
        RegisterScheme(TPlainTextSchemeDescriptor::StaticClass());
        // The document type's own group: the elements its root accepts besides the common ones.
        ApplicationClassesGroups()
            .GetGroup(TPlainTextSchemeDescriptor::StaticClass()->ClassesGroup())
            .append({TElement_Image::StaticClass(), TElement_Table::StaticClass()});
        return true;
    }();
    (void)registered;
}

std::unique_ptr<TScheme> CreateScheme(TDescriptor descriptor)
{
    return std::make_unique<TScheme>(descriptor->GetRootClass(), descriptor->GetRootName(),
                                     TSchemeCodeModeRoot::StaticClass());
}

} // namespace qv
