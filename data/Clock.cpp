#include "Clock.h"

#include <cstdlib>

namespace {

bool g_fixed = false;
std::time_t g_fixedTime = 0;

}  // namespace

std::time_t Clock::Now() {
    return g_fixed ? g_fixedTime : std::time(nullptr);
}

ScopedClock::ScopedClock(std::time_t fixed) : hadPrevious_(g_fixed), previous_(g_fixedTime) {
    Set(fixed);
}

ScopedClock::~ScopedClock() {
    g_fixed = hadPrevious_;
    g_fixedTime = previous_;
}

void ScopedClock::Set(std::time_t fixed) {
    g_fixed = true;
    g_fixedTime = fixed;
}

std::time_t LocalTime::Make(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::tm LocalTime::Break(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

void LocalTime::ReadZoneOnce() {
    const char* zone = std::getenv("TZ");
    if (zone == nullptr || *zone == '\0') {
        setenv("TZ", ":/etc/localtime", 1);
    }
}
