// Both subject lists as one iCalendar file (RFC 5545), in either of two
// forms: to-dos for task programs, or events for calendars. Every individual
// subject is one item at its date and time (all day at 00:00), every rule of
// a repeating subject a recurring item, with the individual subjects that
// stand for its days as its instances. Times are local, named by the
// computer's zone. The file is written as it is made, so that it costs no
// memory beside the lists.
#pragma once

#include <ctime>
#include <string>

#include "IcsText.h"
#include "SubjList.h"

enum class IcsForm {
    Todos,   // VTODO, each with the DUE task programs show
    Events,  // VEVENT, for calendars
};

struct IcsExported {
    bool written = true;  // the sink took everything
    int notExported = 0;  // individual subjects whose date has no year 1..9999
};

// The calendar of both lists as they stand at `now`, in the zone named
// `zoneName` (the computer's zone, whose offsets the C library gives), in
// `form`, handed to `sink` a piece at a time. Both lists keep their subjects
// and their `current`.
IcsExported ExportIcs(IndivSubjList& indiv, RepSubjList& rep, std::time_t now,
                      const std::string& zoneName, IcsForm form, const IcsSink& sink);

struct IcsCalendar {
    std::string text;  // the whole file, UTF-8, CR LF line ends
    int notExported = 0;
};

// The same calendar as one text.
IcsCalendar BuildIcsCalendar(IndivSubjList& indiv, RepSubjList& rep, std::time_t now,
                             const std::string& zoneName, IcsForm form = IcsForm::Todos);

// Replaces `fileName` with the calendar, written straight into a new file
// that takes its place only once it is complete. `written` false when it
// could not be (the file is then as it was).
IcsExported WriteIcsFile(const std::string& fileName, IndivSubjList& indiv, RepSubjList& rep,
                         std::time_t now, const std::string& zoneName, IcsForm form);
