// Both subject lists as one iCalendar file (RFC 5545): every individual
// subject a to-do due at its date and time, every rule of a repeating subject
// a recurring to-do, with the individual subjects that stand for its days as
// its instances. Times are local, named by the computer's zone.
#pragma once

#include <ctime>
#include <string>

#include "FileAccess.h"
#include "SubjList.h"

struct IcsCalendar {
    std::string text;     // the whole file, UTF-8, CR LF line ends
    int notExported = 0;  // individual subjects whose date has no year 1..9999
};

// The calendar of both lists as they stand at `now`, in the zone named
// `zoneName` (the computer's zone, whose offsets the C library gives). Both
// lists keep their subjects and their `current`.
IcsCalendar BuildIcsCalendar(IndivSubjList& indiv, RepSubjList& rep, std::time_t now,
                             const std::string& zoneName);

// Replaces `fileName` with `text` only once it is completely written, keeping
// the permission bits of the file it replaces. Failed: the file is as it was.
FileWrite WriteIcsFile(const std::string& fileName, const std::string& text);
