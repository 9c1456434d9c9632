#include "JapanHolidays.h"

#include <cstdint>

#include "CivilDay.h"

namespace {

// Years a rule holds in, both ends included; kOpen while it still holds.
constexpr int kOpen = 1 << 20;

enum class Falls : std::uint8_t {
    OnDay,      // the day of the month `which`
    OnMonday,   // the `which`th Monday of the month
    OnEquinox,  // the equinox of the month, March or September
};

struct Rule {
    std::string_view name;
    int month;
    Falls falls;
    int which;
    int first;
    int last;
};

// The national holidays (国民の祝日) as each amendment left them, and the days
// their own laws made holidays once. The law came into force on 20 July 1948,
// which left that year only the three autumn days. The holidays of 2020 and
// 2021 stood elsewhere for the Olympic Games, so those years are listed apart.
constexpr Rule kRules[] = {
    {"元日", 1, Falls::OnDay, 1, 1949, kOpen},
    {"成人の日", 1, Falls::OnDay, 15, 1949, 1999},
    {"成人の日", 1, Falls::OnMonday, 2, 2000, kOpen},
    {"建国記念の日", 2, Falls::OnDay, 11, 1967, kOpen},
    {"天皇誕生日", 2, Falls::OnDay, 23, 2020, kOpen},
    {"春分の日", 3, Falls::OnEquinox, 0, 1949, kOpen},
    {"天皇誕生日", 4, Falls::OnDay, 29, 1949, 1988},
    {"みどりの日", 4, Falls::OnDay, 29, 1989, 2006},
    {"昭和の日", 4, Falls::OnDay, 29, 2007, kOpen},
    {"憲法記念日", 5, Falls::OnDay, 3, 1949, kOpen},
    {"みどりの日", 5, Falls::OnDay, 4, 2007, kOpen},
    {"こどもの日", 5, Falls::OnDay, 5, 1949, kOpen},
    {"海の日", 7, Falls::OnDay, 20, 1996, 2002},
    {"海の日", 7, Falls::OnMonday, 3, 2003, 2019},
    {"海の日", 7, Falls::OnMonday, 3, 2022, kOpen},
    {"山の日", 8, Falls::OnDay, 11, 2016, 2019},
    {"山の日", 8, Falls::OnDay, 11, 2022, kOpen},
    {"敬老の日", 9, Falls::OnDay, 15, 1966, 2002},
    {"敬老の日", 9, Falls::OnMonday, 3, 2003, kOpen},
    {"秋分の日", 9, Falls::OnEquinox, 0, 1948, kOpen},
    {"体育の日", 10, Falls::OnDay, 10, 1966, 1999},
    {"体育の日", 10, Falls::OnMonday, 2, 2000, 2019},
    {"スポーツの日", 10, Falls::OnMonday, 2, 2022, kOpen},
    {"文化の日", 11, Falls::OnDay, 3, 1948, kOpen},
    {"勤労感謝の日", 11, Falls::OnDay, 23, 1948, kOpen},
    {"天皇誕生日", 12, Falls::OnDay, 23, 1989, 2018},
    // Days of their own laws.
    {"皇太子明仁親王の結婚の儀", 4, Falls::OnDay, 10, 1959, 1959},
    {"昭和天皇の大喪の礼", 2, Falls::OnDay, 24, 1989, 1989},
    {"即位礼正殿の儀の行われる日", 11, Falls::OnDay, 12, 1990, 1990},
    {"皇太子徳仁親王の結婚の儀", 6, Falls::OnDay, 9, 1993, 1993},
    {"天皇の即位の日", 5, Falls::OnDay, 1, 2019, 2019},
    {"即位礼正殿の儀の行われる日", 10, Falls::OnDay, 22, 2019, 2019},
    // The Olympic years.
    {"海の日", 7, Falls::OnDay, 23, 2020, 2020},
    {"スポーツの日", 7, Falls::OnDay, 24, 2020, 2020},
    {"山の日", 8, Falls::OnDay, 10, 2020, 2020},
    {"海の日", 7, Falls::OnDay, 22, 2021, 2021},
    {"スポーツの日", 7, Falls::OnDay, 23, 2021, 2021},
    {"山の日", 8, Falls::OnDay, 8, 2021, 2021},
};

constexpr std::string_view kSubstitute = "振替休日";
constexpr std::string_view kBetween = "国民の休日";

// From this day a holiday on a Sunday gives the Monday off (1973 amendment).
const std::int64_t kSubstituteFrom = DayNumber(CivilDay(1973, 4, 12));
// From 2007 it gives the first day after it that is no holiday itself.
const std::int64_t kNextFreeDayFrom = DayNumber(CivilDay(2007, 1, 1));
// From this day one between two holidays is a day off too (1985 amendment).
const std::int64_t kBetweenFrom = DayNumber(CivilDay(1985, 12, 27));

// The day of the month of the equinox, by the approximation the National
// Astronomical Observatory's forecasts follow, held for 1900 to 2150; the
// holiday itself is fixed by the observatory's announcement each February, and
// past 2150 the last span of the approximation is carried on.
int EquinoxDay(int year, int month) {
    const bool vernal = month == 3;
    double base = vernal ? 20.8431 : 23.2488;
    int leapYearsSince = (year - 1980) / 4;
    if (year < 1980) {
        base = vernal ? 20.8357 : 23.2588;
        leapYearsSince = (year - 1983) / 4;  // truncated toward zero, as the approximation is
    } else if (year >= 2100) {
        base = vernal ? 21.8510 : 24.2488;
    }
    return static_cast<int>(base + 0.242194 * (year - 1980) - leapYearsSince);
}

int NthMonday(int year, int month, int n) {
    const int firstWeekday = CivilDay(year, month, 1).weekday;
    return 1 + (8 - firstWeekday) % 7 + 7 * (n - 1);
}

bool Holds(const Rule& rule, const CalendarDay& date) {
    if (rule.month != date.month || date.year < rule.first || date.year > rule.last) {
        return false;
    }
    switch (rule.falls) {
        case Falls::OnDay:
            return date.day == rule.which;
        case Falls::OnMonday:
            return date.day == NthMonday(date.year, date.month, rule.which);
        case Falls::OnEquinox:
            return date.day == EquinoxDay(date.year, date.month);
    }
    return false;
}

// The national holiday (国民の祝日) on that day; empty for none.
std::string_view NationalHoliday(const CalendarDay& date) {
    for (const Rule& rule : kRules) {
        if (Holds(rule, date)) {
            return rule.name;
        }
    }
    return {};
}

bool IsNationalHoliday(std::int64_t number) {
    return !NationalHoliday(DayOfNumber(number)).empty();
}

// Whether a national holiday on a Sunday gives this day off, the day itself
// being none: before 2007 only the Monday after, since then the first day
// after the Sunday that is no holiday.
bool IsSubstitute(std::int64_t number) {
    for (std::int64_t back = number - 1; IsNationalHoliday(back); --back) {
        if (back >= kSubstituteFrom && DayOfNumber(back).weekday == 7) {
            return true;
        }
        if (back < kNextFreeDayFrom) {
            break;
        }
    }
    return false;
}

// Whether the day, itself no holiday, lies between two national holidays;
// before 2007 a Sunday was left out, being a day off already.
bool IsBetween(const CalendarDay& date, std::int64_t number) {
    if (number < kBetweenFrom || (number < kNextFreeDayFrom && date.weekday == 7)) {
        return false;
    }
    return IsNationalHoliday(number - 1) && IsNationalHoliday(number + 1);
}

}  // namespace

std::string_view HolidayName(int year, int month, int day) {
    if (!IsCalendarDate(year, month, day)) {
        return {};
    }
    const CalendarDay date = CivilDay(year, month, day);
    if (const std::string_view name = NationalHoliday(date); !name.empty()) {
        return name;
    }
    const std::int64_t number = DayNumber(date);
    if (IsSubstitute(number)) {
        return kSubstitute;
    }
    return IsBetween(date, number) ? kBetween : std::string_view{};
}
