#pragma once

#include "elements/scheme_descriptor.h"

namespace qv {

// The Command File document type: "comd" files with the root node "Commands", a short sequence of
// program calls, messages, labels and jumps that its generator writes as a batch file.
class TCommandFileSchemeDescriptor : public TSchemeWithProcessingDescriptor
{
    QV_CLASS(TCommandFileSchemeDescriptor, TSchemeWithProcessingDescriptor)

    static QString GetTitle(TDescriptor cls);
    static QString GetDescription(TDescriptor cls);
    static QString GetExtension(TDescriptor cls);
    static QString GetRootName(TDescriptor cls);
    static int GetIconId(TDescriptor cls);
    static int GetSortValue(TDescriptor cls);
    static const TElementClass* GetRootClass(TDescriptor cls);
};

// Registers the Command File document type with its elements (once; later calls do nothing).
// Start-up, user-interface thread.
void RegisterCommandFileScheme();

} // namespace qv
