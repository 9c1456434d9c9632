// The terminal agenda: the individual subjects still to be seen to, in date
// order, then the days the repeating subjects call for that the batch has not
// generated yet. One UTF-8 line each: date and time, state, days left, title.
#pragma once

#include <ostream>

#include "SubjList.h"

// The agenda from Clock::Now() through `days` days on: every subject that is
// not done from today on, and before today every open one (overdue), then the
// repeating subjects' days without their subject, as far as the batch
// generates (42 days). Each list's `current` is left undefined.
void WriteAgenda(IndivSubjList& indiv, RepSubjList& rep, int days, std::ostream& out);
