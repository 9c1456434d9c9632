// The zone's name as the export writes it in TZID, from each way TZ can name
// the computer's zone.
#include <gtest/gtest.h>

#include "ScopedTimeZone.h"
#include "SystemZone.h"

TEST(SystemZone, NamesTheZoneHoweverTzGivesIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"Asia/Tokyo", "Asia/Tokyo"},
        {":Australia/Lord_Howe", "Australia/Lord_Howe"},
        {"/usr/share/zoneinfo/Europe/Berlin", "Europe/Berlin"},
        {":/usr/share/zoneinfo/America/New_York", "America/New_York"},
        {"JST-9", "JST-9"},
    };
    for (const auto& [tz, name] : cases) {
        ScopedTimeZone zone(tz);
        EXPECT_EQ(SystemZoneName(), name) << tz;
    }
}
