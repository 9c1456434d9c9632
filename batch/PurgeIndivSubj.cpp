#include "PurgeIndivSubj.h"

#include "CalendarDay.h"
#include "Clock.h"

namespace {

// Walks back from the end of `cutoff` to the first subject and removes each
// one with `progress` on the way.
void RemoveUpTo(IndivSubjList& indiv, const CalendarDay& cutoff, Progress progress) {
    // No real title reaches 72 bytes of 0xFF, so the probe sorts after every
    // subject of the cut-off day and its lookup leaves the cursor just past them.
    indiv.current = IndivSubj{};
    indiv.current.year = static_cast<std::int16_t>(cutoff.year);
    indiv.current.month = static_cast<std::int16_t>(cutoff.month);
    indiv.current.day = static_cast<std::int16_t>(cutoff.day);
    indiv.current.title = std::string(80, '\xFF');
    indiv.Find();
    // The cursor already holds the predecessor's key, so removing the subject
    // just reached does not disturb the walk. Key and progress are all a step
    // needs to read.
    while (indiv.PrevHead() == StoreResult::Done) {
        if (indiv.current.progress == progress) {
            indiv.Remove();
        }
    }
}

}  // namespace

int PurgeIndivSubj(IndivSubjList& indiv) {
    std::time_t now = Clock::Now();
    RemoveUpTo(indiv, DayFrom(now, -1), Progress::NotTracked);
    RemoveUpTo(indiv, DayFrom(now, -43), Progress::Done);
    return 0;
}
