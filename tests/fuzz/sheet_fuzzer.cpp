// A document of any of the element types loaded from any bytes and put on a sheet, as opening a file
// in a window does: it is laid out at one page width, then at a narrower one, taken off and freed.
// The root node's name chooses the type, Structured Data when it names none. Layout must stay in step with
// the elements (no hang on deep nesting, no overflow) whatever the document holds.

#include "elements/sheet.h"
#include "elements/visual_element.h"
#include "fuzz_document.h"
#include "library/comment_element.h"
#include "schemes/commands/command_file_scheme_descriptor.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "schemes/structured/structured_elements.h"

#include "support/fixed_metrics.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qv::StartFuzzApplication("fuzz_sheet");
    // Fixed metrics: layout is exact and does not depend on the fonts of the machine.
    qv::TDeviceContextManager::SetInstance(std::make_unique<qv::TFixedMeasuringContext>());
    qv::RegisterCommentElements();
    qv::RegisterPlainTextScheme();
    qv::RegisterCommandFileScheme();
    qv::RegisterStructuredScheme();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = qv::FuzzBytes(data, size);
    qv::TDescriptor descriptor = qv::TParametrizedStructureSchemeDescriptor::StaticClass();
    {
        qv::TKnot knot;
        knot.LoadFromStream(bytes);
        const qv::TDescriptor others[] = {qv::TCommandFileSchemeDescriptor::StaticClass(),
                                          qv::TPlainTextSchemeDescriptor::StaticClass()};
        for (const qv::TDescriptor type : others) {
            if (knot.Name() == type->GetRootName())
                descriptor = type;
        }
    }
    qv::TElementMessages messages;
    bool corrupt = false;
    auto scheme = qv::LoadFuzzDocument(descriptor, bytes, messages, corrupt);
    auto* root = dynamic_cast<qv::TVisualElement*>(scheme->Root());
    if (root != nullptr) {
        qv::TSheet sheet(nullptr);
        sheet.SetPageSize(QSize(800, 600));
        root->SetVisualParent(sheet.TopElement());
        sheet.SetPageSize(QSize(120, 600));
        root->SetVisualParent(nullptr);
    }
    scheme->SetMessages(nullptr);
    return 0;
}
