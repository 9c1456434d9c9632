#include "PurgeIndivSubj.h"

#include <tuple>

#include "CalendarDay.h"
#include "Clock.h"

namespace {

bool OnOrBefore(const IndivDayProgress& subj, const CalendarDay& day) {
    using Date = std::tuple<int, int, int>;
    return Date(subj.year, subj.month, subj.day) <= Date(day.year, day.month, day.day);
}

// The key of `day` with an empty title, which a title's zero padding makes the
// smallest key of the day: every key below it is of an earlier day.
RecordText StartOf(const CalendarDay& day) {
    IndivSubj probe;
    probe.year = static_cast<std::int16_t>(day.year);
    probe.month = static_cast<std::int16_t>(day.month);
    probe.day = static_cast<std::int16_t>(day.day);
    return EncodeIndivSubj(probe);
}

}  // namespace

int PurgeIndivSubj(IndivSubjList& indiv) {
    const std::time_t now = Clock::Now();
    const CalendarDay doneCutoff = DayFrom(now, -43);
    // One walk back from the start of today serves both rules: whatever it
    // passes is untracked and gone, or done and gone once 43 days old. Date
    // and progress are all it reads, where the record lies.
    const RecordText today = StartOf(DayFrom(now, 0));
    static_cast<void>(indiv.RemoveBefore(KeyOf(today), [&doneCutoff](const RecordText& record) {
        const IndivDayProgress subj = DayProgressOf(record);
        return subj.progress == Progress::NotTracked ||
               (subj.progress == Progress::Done && OnOrBefore(subj, doneCutoff));
    }));
    return 0;
}
