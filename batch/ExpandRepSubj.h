// The second half of the batch: the individual subjects that the repeating
// subjects call for on today and each of the next 42 days. A day that already
// holds a subject of that title keeps it untouched, so running again is safe.
#pragma once

#include <array>

#include "CalendarDay.h"
#include "SubjList.h"

// The number of days the batch generates: today and the 42 that follow.
constexpr int kBatchWindowDays = 43;

// Which of rep's rules hold on `day`, in the order the batch tests them:
// yearly, monthly by day, monthly by week, weekly. A rule with any of its
// fields unset (0) never holds.
using RuleHolds = std::array<bool, 4>;
RuleHolds RulesHolding(const RepSubj& rep, const CalendarDay& day);

// The subject the batch generates from `rep` on `day`: rep's title, time,
// content and progress, and rep's title as origin.
IndivSubj GeneratedOn(const RepSubj& rep, const CalendarDay& day);

// Inserts into `indiv`, for each day of the window on which one of the rules
// of `rep` holds, a subject with rep's title, time, content and progress and
// rep's title as origin. Today is the local day of Clock::Now(). Leaves
// `indiv.current` undefined. A day that holds a subject of that key already
// is passed over; OutOfMemory when a subject could not be stored for want of
// memory (the others are), else Done.
StoreResult ExpandRepSubj(const RepSubj& rep, IndivSubjList& indiv);

// ExpandRepSubj for every repeating subject in title order, with today read
// once for the whole run. `rep` keeps its subjects and its `current`. Results
// as ExpandRepSubj.
StoreResult ExpandAllRepSubj(RepSubjList& rep, IndivSubjList& indiv);
