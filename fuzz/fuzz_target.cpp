// One libFuzzer entry point; FUZZ_INPUT names the input function it feeds
// (fuzz_inputs.h), so every target is this file built with another name.
#include "fuzz_inputs.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    restrictGdalForFuzzing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FUZZ_INPUT(data, size);
    return 0;
}
