#include "RuleSeries.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>

#include "CivilDay.h"
#include "ExpandRepSubj.h"

namespace {

// Long enough for a yearly 29 February to come round across a century year.
constexpr std::int64_t kSearchDays = 9 * 366;

// The rule whose series takes a day: the first one holding, as the batch's
// first insert of the day is the one that is kept. -1 when none holds.
int TakingRule(const RuleHolds& holds) {
    const auto found = std::find(holds.begin(), holds.end(), true);
    return found == holds.end() ? -1 : static_cast<int>(found - holds.begin());
}

}  // namespace

int InstanceRule(const RepSubj& rep, int year, int month, int day) {
    if (!IsCalendarDate(year, month, day)) {
        return -1;
    }
    return TakingRule(RulesHolding(rep, CivilDay(year, month, day)));
}

std::vector<RuleSeries> SeriesOf(const RepSubj& rep, const std::vector<CalendarDay>& instanceDays,
                                 const CalendarDay& today, const CalendarDay& horizon) {
    std::set<std::int64_t> instanceNumbers;
    std::int64_t start = DayNumber(today);
    for (const CalendarDay& day : instanceDays) {
        instanceNumbers.insert(DayNumber(day));
        start = std::min(start, DayNumber(day));
    }

    // A past day without a subject was purged or never generated: a series
    // that showed it would bring back what the user no longer has.
    const std::int64_t todayNumber = DayNumber(today);
    const auto leftOut = [&](std::int64_t number, const RuleHolds& holds, int rule) {
        return TakingRule(holds) != rule ||
               (number < todayNumber && !instanceNumbers.contains(number));
    };

    std::array<std::optional<RuleSeries>, 4> series;
    const std::int64_t horizonNumber = DayNumber(horizon);
    const std::int64_t end = std::max(horizonNumber, start + kSearchDays);
    CalendarDay day = DayOfNumber(start);
    for (std::int64_t number = start; number <= end; ++number, day = NextDay(day)) {
        const RuleHolds holds = RulesHolding(rep, day);
        for (int rule = 0; rule < 4; ++rule) {
            std::optional<RuleSeries>& one = series[static_cast<std::size_t>(rule)];
            if (!holds[static_cast<std::size_t>(rule)]) {
                continue;
            }
            const bool out = leftOut(number, holds, rule);
            if (!one && !out) {
                one = RuleSeries{rule, day, {}};
            } else if (one && out && number <= horizonNumber) {
                one->excluded.push_back(day);
            }
        }
    }

    std::vector<RuleSeries> found;
    for (std::optional<RuleSeries>& one : series) {
        if (one) {
            found.push_back(std::move(*one));
        }
    }
    return found;
}

std::string RecurrenceRule(const RepSubj& rep, int rule) {
    static constexpr const char* kWeekdays[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
    switch (rule) {
        case 0:
            return "FREQ=YEARLY;BYMONTH=" + std::to_string(rep.yearlyMonth) +
                   ";BYMONTHDAY=" + std::to_string(rep.yearlyDay);
        case 1:
            return "FREQ=MONTHLY;BYMONTHDAY=" + std::to_string(rep.monthlyDay);
        case 2:
            // The batch's week N is the Nth time the weekday comes in the month.
            return "FREQ=MONTHLY;BYDAY=" + std::to_string(rep.monthlyWeek) +
                   kWeekdays[rep.monthlyWeekday - 1];
        default: {
            std::string days;
            for (std::size_t i = 0; i < rep.weekly.size(); ++i) {
                if (rep.weekly[i] == 1) {
                    days += (days.empty() ? "" : ",") + std::string(kWeekdays[i]);
                }
            }
            return "FREQ=WEEKLY;BYDAY=" + days;
        }
    }
}
