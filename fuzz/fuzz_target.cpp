// One libFuzzer target; FUZZ_TARGET (set by the build) names its entry in fuzz_entries.h.
#include <string>

#include "fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSetUp(std::string(FUZZ_TARGET) != "scene");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int result = 0;
    RunFuzzEntry(FUZZ_TARGET, data, size, &result);
    return result;
}
