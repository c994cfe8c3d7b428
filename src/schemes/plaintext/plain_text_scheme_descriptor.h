#pragma once

#include "elements/scheme_descriptor.h"

#include <memory>

namespace qv {

class TScheme;

// The Plain Text document type: "frt" files with the root node "FreeText". Generates nothing.
class TPlainTextSchemeDescriptor : public TSchemeDescriptor
{
    QV_CLASS(TPlainTextSchemeDescriptor, TSchemeDescriptor)

    static QString GetTitle(TDescriptor cls);
    static QString GetDescription(TDescriptor cls);
    // "Untitled", as a new text is called in any editor, rather than the type's title.
    static QString GetDefaultDocumentTitle(TDescriptor cls);
    static QString GetExtension(TDescriptor cls);
    static QString GetRootName(TDescriptor cls);
    static int GetIconId(TDescriptor cls);
    static int GetSortValue(TDescriptor cls);
    static const TElementClass* GetRootClass(TDescriptor cls);
};

// Registers the Plain Text document type (once; later calls do nothing).
void RegisterPlainTextScheme();

// A new, empty scheme of a document type: its root class, root name and the code-mode root.
std::unique_ptr<TScheme> CreateScheme(TDescriptor descriptor);

} // namespace qv
