// What one item of the dated subjects' task list is to veskat: the dated
// subject it shows, with what that subject could not hold, or why the item
// is left alone. Every server item the sync takes in is read here, so this is
// the one place where the iCalendar text (parsed by libical) meets the
// subject records.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "IcsImportText.h"
#include "SubjField.h"
#include "SubjRecord.h"

enum class TodoShape {
    Dated,      // a to-do with a date: a dated subject
    NotTodo,    // an event, a journal entry or anything but a to-do: left alone
    Recurring,  // a to-do that repeats (RRULE, RDATE or overrides): left alone
    NoDate,     // a to-do with neither DUE nor DTSTART: left alone
    Broken,     // libical could not read it, or its date has no year 1 to 9999
};

struct TodoReading {
    TodoShape shape = TodoShape::Broken;
    std::string uid;  // UTF-8; empty when it has none
    // Dated: the subject as veskat shows it. Its daysLeft and overdue are not
    // worked out.
    IndivSubj subj;
    // Dated: what tells whether another program changed a field since the
    // last sync, one text a field: the title, content and origin as the
    // server has them (UTF-8, so that a change veskat cannot show still
    // counts), the date and time and the progress as veskat reads them.
    std::array<std::string, kSubjFields> prints;
    // Dated: the title or content could not be held whole (a stand-in for a
    // character, or cut at its limit).
    bool degraded = false;
};

// Reads the item `text` (a VCALENDAR holding one to-do, as a CalDAV
// resource is). `zoneName` is the computer's zone (SystemZoneName): a time in
// it is taken as written; a time in UTC or another zone is converted.
TodoReading ReadTodo(std::string_view text, const std::string& zoneName);
