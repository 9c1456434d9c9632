#include "PurgeIndivSubj.h"

#include <tuple>

#include "CalendarDay.h"
#include "Clock.h"

namespace {

bool OnOrBefore(const IndivDayProgress& subj, const CalendarDay& day) {
    using Date = std::tuple<int, int, int>;
    return Date(subj.year, subj.month, subj.day) <= Date(day.year, day.month, day.day);
}

}  // namespace

int PurgeIndivSubj(IndivSubjList& indiv) {
    const std::time_t now = Clock::Now();
    const CalendarDay yesterday = DayFrom(now, -1);
    const CalendarDay doneCutoff = DayFrom(now, -43);
    // One walk back from the end of yesterday serves both rules: whatever it
    // passes is untracked and gone, or done and gone once 43 days old.
    // No real title reaches 72 bytes of 0xFF, so the probe sorts after every
    // subject of yesterday and its lookup leaves the cursor just past them.
    indiv.current = IndivSubj{};
    indiv.current.year = static_cast<std::int16_t>(yesterday.year);
    indiv.current.month = static_cast<std::int16_t>(yesterday.month);
    indiv.current.day = static_cast<std::int16_t>(yesterday.day);
    indiv.current.title = std::string(80, '\xFF');
    // Only to set the cursor: no subject has that title.
    static_cast<void>(indiv.Find());
    // The cursor already holds the predecessor's key, so removing the subject
    // just reached does not disturb the walk. Date and progress are all a step
    // needs to read, and they are read where the record lies.
    for (const RecordText* record = indiv.PrevInPlace(); record != nullptr;
         record = indiv.PrevInPlace()) {
        const IndivDayProgress subj = DayProgressOf(*record);
        if (subj.progress == Progress::NotTracked ||
            (subj.progress == Progress::Done && OnOrBefore(subj, doneCutoff))) {
            static_cast<void>(indiv.RemoveReached());  // just reached, so it is there
        }
    }
    return 0;
}
