#include "IcsSeriesGroups.h"

#include <algorithm>
#include <set>

#include "CivilDay.h"
#include "ExpandRepSubj.h"

namespace {

// Which of the four rules `rep` sets: yearly, monthly by day, by week, weekly.
std::array<bool, 4> RulesSet(const RepSubj& rep) {
    const bool weekly = std::find(rep.weekly.begin(), rep.weekly.end(), 1) != rep.weekly.end();
    return {rep.yearlyMonth != 0, rep.monthlyDay != 0, rep.monthlyWeek != 0, weekly};
}

// Adds the rule of `one` to `merged`; false, leaving it as it was, when the
// two differ in anything but their rules or want the same rule otherwise.
bool MergeRule(RepSubj& merged, const RepSubj& one) {
    if (merged.hour != one.hour || merged.minute != one.minute || merged.content != one.content ||
        merged.progress != one.progress) {
        return false;
    }
    const std::array<bool, 4> have = RulesSet(merged);
    const std::array<bool, 4> add = RulesSet(one);
    const bool sameYearly =
        merged.yearlyMonth == one.yearlyMonth && merged.yearlyDay == one.yearlyDay;
    const bool sameMonthly = merged.monthlyDay == one.monthlyDay;
    const bool sameWeek =
        merged.monthlyWeek == one.monthlyWeek && merged.monthlyWeekday == one.monthlyWeekday;
    if ((add[0] && have[0] && !sameYearly) || (add[1] && have[1] && !sameMonthly) ||
        (add[2] && have[2] && !sameWeek)) {
        return false;
    }
    if (add[0]) {
        merged.yearlyMonth = one.yearlyMonth;
        merged.yearlyDay = one.yearlyDay;
    }
    if (add[1]) {
        merged.monthlyDay = one.monthlyDay;
    }
    if (add[2]) {
        merged.monthlyWeek = one.monthlyWeek;
        merged.monthlyWeekday = one.monthlyWeekday;
    }
    for (std::size_t i = 0; i < merged.weekly.size(); ++i) {
        merged.weekly[i] = merged.weekly[i] | one.weekly[i];
    }
    return true;
}

bool AnyHolds(const RuleHolds& holds) {
    return std::find(holds.begin(), holds.end(), true) != holds.end();
}

IndivSubj DateSubject(const RepSubj& rep, const SeriesDate& date) {
    const CalendarDay day = DayOfNumber(date.day);
    IndivSubj subj;
    subj.year = static_cast<std::int16_t>(day.year);
    subj.month = static_cast<std::int16_t>(day.month);
    subj.day = static_cast<std::int16_t>(day.day);
    subj.hour = static_cast<std::int16_t>(date.minute / 60);
    subj.minute = static_cast<std::int16_t>(date.minute % 60);
    subj.title = rep.title;
    subj.content = rep.content;
    subj.progress = rep.progress;
    return subj;
}

void AddLosses(TextLosses& total, const TextLosses& each, int times) {
    total.standIns += each.standIns * times;
    total.titlesCut += each.titlesCut * times;
    total.contentsCut += each.contentsCut * times;
}

}  // namespace

void IcsSeriesGroups::AddOverride(const IcsOverride& override) {
    const CalendarDay day =
        CivilDay(override.subject.year, override.subject.month, override.subject.day);
    overrides_[override.uid].push_back({override.recurrence, override.recurrenceDay, DayNumber(day),
                                        override.subject.title, override.cancelled});
}

const IcsSeriesGroups::Mark* IcsSeriesGroups::MarkOf(const IcsSeries& series,
                                                     std::int64_t recurrence) const {
    const auto found = overrides_.find(series.uid);
    if (found == overrides_.end()) {
        return nullptr;
    }
    for (const Mark& mark : found->second) {
        if (mark.recurrence == recurrence) {
            return &mark;
        }
    }
    return nullptr;
}

bool IcsSeriesGroups::ExactRule(const RepSubj& rep,
                                const std::vector<const IcsSeries*>& members) const {
    std::set<std::int64_t> given;
    const int minute = rep.hour * 60 + rep.minute;
    for (const IcsSeries* series : members) {
        for (const SeriesDate& date : series->dates) {
            if (date.day < window_.todayNumber) {
                continue;
            }
            const Mark* mark = MarkOf(*series, date.recurrence);
            if (mark != nullptr &&
                (mark->cancelled || mark->day != date.day || mark->title != rep.title)) {
                continue;  // the batch would bring the date back
            }
            // The subject an override stands for is kept whatever its time.
            if (mark == nullptr && date.minute != minute) {
                return false;
            }
            given.insert(date.day);
        }
        if (const auto marks = overrides_.find(series->uid); marks != overrides_.end()) {
            for (const Mark& mark : marks->second) {
                if (!mark.cancelled && mark.day == mark.recurrenceDay && mark.title == rep.title &&
                    mark.day >= window_.todayNumber) {
                    given.insert(mark.day);
                }
            }
        }
    }
    CalendarDay day = DayOfNumber(window_.todayNumber);
    for (std::int64_t number = window_.todayNumber; number <= window_.checkEnd;
         ++number, day = NextDay(day)) {
        if (AnyHolds(RulesHolding(rep, day)) != given.contains(number)) {
            return false;
        }
    }
    return true;
}

void IcsSeriesGroups::Expand(const IcsSeries& series, SettledSeries& settled) const {
    int taken = 0;
    for (const SeriesDate& date : series.dates) {
        if (date.day > window_.last) {
            break;
        }
        // Before today only what is still to be done, as the batch keeps it.
        const bool wanted =
            date.day >= window_.todayNumber || series.rep.progress == Progress::Open;
        if (!wanted || MarkOf(series, date.recurrence) != nullptr) {
            continue;
        }
        settled.dated.push_back(DateSubject(series.rep, date));
        ++taken;
    }
    if (taken == 0) {
        ++settled.noDayInWindow;
        return;
    }
    ++settled.seriesExpanded;
    AddLosses(settled.losses, series.losses, taken);
}

SettledSeries IcsSeriesGroups::Settle() {
    SettledSeries settled;
    std::map<std::string, std::vector<const IcsSeries*>> byTitle;
    std::vector<const IcsSeries*> expanded;
    for (const IcsSeries& series : series_) {
        (series.ruled ? byTitle[series.rep.title] : expanded).push_back(&series);
    }
    for (const auto& [title, group] : byTitle) {
        RepSubj merged = group.front()->rep;
        std::vector<const IcsSeries*> members{group.front()};
        for (std::size_t i = 1; i < group.size(); ++i) {
            if (MergeRule(merged, group[i]->rep)) {
                members.push_back(group[i]);
            } else {
                expanded.push_back(group[i]);
            }
        }
        if (ExactRule(merged, members)) {
            settled.reps.push_back(merged);
            AddLosses(settled.losses, members.front()->losses, 1);
        } else {
            expanded.insert(expanded.end(), members.begin(), members.end());
        }
    }
    for (const IcsSeries* series : expanded) {
        Expand(*series, settled);
    }
    series_.clear();
    overrides_.clear();
    return settled;
}
