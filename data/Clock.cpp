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

namespace {

// Days from 1970-01-01 to a valid date of the proleptic Gregorian calendar,
// counted in 400-year eras of 146 097 days with years starting on 1 March, so
// that the leap day is the last day of its year.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::int64_t LocalTime::CalendarSeconds(int year, int month, int day, int hour, int minute,
                                        int second) {
    // Months beyond 1..12 move the year, days beyond the month run on from its
    // first day, as mktime carries them.
    const int months = month - 1;
    const int years = months >= 0 ? months / 12 : (months - 11) / 12;
    const std::int64_t first =
        DaysFromCivil(std::int64_t{year} + years, months - years * 12 + 1, 1);
    const std::int64_t days = first + day - 1;
    return days * 86400 + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
}

void LocalTime::ReadZoneOnce() {
    const char* zone = std::getenv("TZ");
    if (zone == nullptr || *zone == '\0') {
        setenv("TZ", ":/etc/localtime", 1);
    }
}
