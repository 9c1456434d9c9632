// The main of the GoogleTest programs: the time zone read once, as the
// program's main() has it, so that the tests run the conversions it runs.
#include <gtest/gtest.h>

#include "Clock.h"

int main(int argc, char** argv) {
    LocalTime::ReadZoneOnce();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
