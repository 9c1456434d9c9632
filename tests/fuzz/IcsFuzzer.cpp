// The libFuzzer target of the iCalendar reader (scripts/fuzz SECONDS ics).
#include "CrashOnProblems.h"
#include "IcsReadProperty.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", kIcsPropertyZone, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return CrashOnProblems(CheckIcsRead(data, size));
}
