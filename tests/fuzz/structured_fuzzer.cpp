// A Structured Data document loaded from any bytes, as opening a ".strucd" file does; save → open →
// save is stable.

#include "fuzz_document.h"
#include "library/comment_element.h"
#include "schemes/structured/structured_elements.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qv::StartFuzzApplication("fuzz_structured");
    qv::RegisterCommentElements();
    qv::RegisterStructuredScheme();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qv::CheckSaveIsStable(qv::TParametrizedStructureSchemeDescriptor::StaticClass(),
                          qv::FuzzBytes(data, size));
    return 0;
}
