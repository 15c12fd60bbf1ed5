// One libFuzzer target; QM_FUZZ_ENTRY names what it feeds the input to
// (fuzz/entries.h).
#include "fuzz/entries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QM_FUZZ_ENTRY(data, size);
    return 0;
}
