// A repeating subject as recurrence rules: one series per rule it sets, each
// from its first day, with the days it must leave out so that all series of
// the subject together give exactly the batch's days, and the individual
// subjects that stand for days of a series.
#pragma once

#include <string>
#include <vector>

#include "CalendarDay.h"
#include "SubjRecord.h"

struct RuleSeries {
    int rule = 0;       // index into RuleHolds: yearly, monthly by day, by week, weekly
    CalendarDay first;  // the first day of the series
    // Days the rule holds on but the series leaves out: another rule of the
    // subject, tested before it, holds too, or the day is past and holds no subject.
    std::vector<CalendarDay> excluded;
    // Individual subjects of the subject's title, each on a day of this series.
    std::vector<IndivSubj> instances;
};

// The series of `rep`, in the batch's order of rules. `sameTitle` are the
// individual subjects titled as rep; those on a day one of rep's rules holds
// on become instances of the first such rule's series, and are removed from
// `sameTitle`, so that what is left there stands on its own. A series starts
// on the first day it gives from today or its earliest instance on; its
// excluded days are listed up to `horizon`. A rule that gives no day within
// nine years of that start has no series.
std::vector<RuleSeries> SeriesOf(const RepSubj& rep, std::vector<IndivSubj>& sameTitle,
                                 const CalendarDay& today, const CalendarDay& horizon);

// The RRULE value of `rule` of `rep` ("FREQ=WEEKLY;BYDAY=TU,FR").
std::string RecurrenceRule(const RepSubj& rep, int rule);
