#include "ExpandRepSubj.h"

#include "CalendarDay.h"
#include "Clock.h"

RuleHolds RulesHolding(const RepSubj& rep, const CalendarDay& day) {
    return {
        rep.yearlyMonth != 0 && rep.yearlyMonth == day.month && rep.yearlyDay == day.day,
        rep.monthlyDay != 0 && rep.monthlyDay == day.day,
        rep.monthlyWeek != 0 && rep.monthlyWeek == day.weekOfMonth &&
            rep.monthlyWeekday == day.weekday,
        rep.weekly[static_cast<std::size_t>(day.weekday - 1)] == 1,
    };
}

IndivSubj GeneratedOn(const RepSubj& rep, const CalendarDay& day) {
    IndivSubj subj;
    subj.year = static_cast<std::int16_t>(day.year);
    subj.month = static_cast<std::int16_t>(day.month);
    subj.day = static_cast<std::int16_t>(day.day);
    subj.title = rep.title;
    subj.hour = rep.hour;
    subj.minute = rep.minute;
    subj.content = rep.content;
    subj.progress = rep.progress;
    subj.origin = rep.title;
    return subj;
}

namespace {

using Window = std::array<CalendarDay, kBatchWindowDays>;

Window WindowFrom(std::time_t now) {
    Window window;
    for (int offset = 0; offset < kBatchWindowDays; ++offset) {
        window[static_cast<std::size_t>(offset)] = DayFrom(now, offset);
    }
    return window;
}

// The days after one that found no memory are still tried: a leaf with room
// takes a subject without asking for more.
StoreResult ExpandOver(const Window& window, const RepSubj& rep, IndivSubjList& indiv) {
    StoreResult expanded = StoreResult::Done;
    for (const CalendarDay& day : window) {
        for (bool holds : RulesHolding(rep, day)) {
            if (holds) {
                // A taken key is refused and leaves the stored subject as it
                // is: whatever the user did to it since stands.
                indiv.current = GeneratedOn(rep, day);
                if (indiv.Insert() == StoreResult::OutOfMemory) {
                    expanded = StoreResult::OutOfMemory;
                }
            }
        }
    }
    return expanded;
}

}  // namespace

StoreResult ExpandRepSubj(const RepSubj& rep, IndivSubjList& indiv) {
    return ExpandOver(WindowFrom(Clock::Now()), rep, indiv);
}

// The window is worked out once: every repeating subject of the run gets the
// same days, even when the run goes past midnight.
StoreResult ExpandAllRepSubj(RepSubjList& rep, IndivSubjList& indiv) {
    const Window window = WindowFrom(Clock::Now());
    RepSubj kept = rep.current;
    StoreResult expanded = StoreResult::Done;
    for (StoreResult r = rep.First(); r == StoreResult::Done; r = rep.Next()) {
        if (ExpandOver(window, rep.current, indiv) == StoreResult::OutOfMemory) {
            expanded = StoreResult::OutOfMemory;
        }
    }
    rep.current = kept;
    return expanded;
}
