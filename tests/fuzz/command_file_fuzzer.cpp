// A Command File loaded from any bytes, as opening a ".comd" file does; save → open → save is stable.

#include "fuzz_document.h"
#include "schemes/commands/command_file_scheme_descriptor.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qv::StartFuzzApplication("fuzz_command_file");
    qv::RegisterCommandFileScheme();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qv::CheckSaveIsStable(qv::TCommandFileSchemeDescriptor::StaticClass(), qv::FuzzBytes(data, size));
    return 0;
}
