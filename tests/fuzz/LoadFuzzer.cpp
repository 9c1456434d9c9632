// The libFuzzer target of the data-file loader (scripts/fuzz).
#include "CrashOnProblems.h"
#include "LoadRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return CrashOnProblems(CheckLoadRoundTrip(data, size));
}
