// The libFuzzer target of the data-file loader (scripts/fuzz): any property
// failure is a crash, so that the fuzzer keeps the input.
#include <cstdio>
#include <cstdlib>

#include "LoadRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> problems = CheckLoadRoundTrip(data, size);
    for (const std::string& p : problems) {
        std::fprintf(stderr, "%s\n", p.c_str());
    }
    if (!problems.empty()) {
        std::abort();
    }
    return 0;
}
