// A Plain Text document loaded from any bytes, as opening a ".frt" file does. When the bytes read
// without a violation, the document is saved, the saved bytes are opened again and saved once more:
// both saves must be equal.

#include "fuzz_document.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qv::StartFuzzApplication("fuzz_plain_text");
    qv::RegisterPlainTextScheme();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qv::CheckSaveIsStable(qv::TPlainTextSchemeDescriptor::StaticClass(), qv::FuzzBytes(data, size));
    return 0;
}
