// A repeating subject as recurrence rules: one series per rule it sets, each
// from its first day, with the days it must leave out so that all series of
// the subject together give exactly the batch's days; and which series an
// individual subject of its title stands for a day of.
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
};

// The rule (as RuleSeries::rule) whose series an individual subject titled as
// `rep` stands for a day of, when it is dated `year`/`month`/`day`: the first
// of rep's rules that holds on that day. -1 when none does, or the calendar
// has no such date: the subject then stands on its own.
int InstanceRule(const RepSubj& rep, int year, int month, int day);

// The series of `rep`, in the batch's order of rules. `instanceDays` are the
// days of the individual subjects titled as rep that stand for days of its
// series (InstanceRule). A series starts on the first day it gives from today
// or its earliest instance on; its excluded days are listed up to `horizon`.
// A rule that gives no day within nine years of that start has no series;
// every rule an instance stands for has one.
std::vector<RuleSeries> SeriesOf(const RepSubj& rep, const std::vector<CalendarDay>& instanceDays,
                                 const CalendarDay& today, const CalendarDay& horizon);

// The RRULE value of `rule` of `rep` ("FREQ=WEEKLY;BYDAY=TU,FR").
std::string RecurrenceRule(const RepSubj& rep, int rule);
