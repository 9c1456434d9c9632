// What one item of a task list is to veskat: the dated subject it shows (or
// the repeating subject, in the companion list), with what that subject could not hold, or why the
// item is left alone. Every server item the sync takes in is read here, so this is the one place
// where the iCalendar text (parsed by libical) meets the subject records.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "IcsImportText.h"
#include "SubjField.h"
#include "SubjRecord.h"

enum class TodoShape {
    Dated,      // a to-do with a date: a dated subject
    Rules,      // a to-do holding the rules of a repeating subject (RepTodoForm.h)
    NoRules,    // in the repeating subjects' list, a to-do without them: left alone
    NotTodo,    // an event, a journal entry or anything but a to-do: left alone
    Recurring,  // a to-do that repeats (RRULE, RDATE or overrides): left alone
    NoDate,     // a to-do with neither DUE nor DTSTART: left alone
    Broken,     // libical could not read it, its date has no year 1 to 9999, or its
                // rules are not as veskat writes them
};

// What an item is as one kind of subject: `Subj` is IndivSubj or RepSubj.
template <typename Subj>
struct ItemReading {
    TodoShape shape = TodoShape::Broken;
    std::string uid;  // UTF-8; empty when it has none
    // Dated (or Rules): the subject as veskat shows it. A dated subject's
    // daysLeft and overdue are not worked out.
    Subj subj;
    // Dated: what tells whether another program changed a field since the
    // last sync, one text a field: the title, content and origin as the
    // server has them (UTF-8, so that a change veskat cannot show still
    // counts), the date and time and the progress as veskat reads them.
    std::array<std::string, kSubjFields> prints;
    // Dated: the title or content could not be held whole (a stand-in for a
    // character, or cut at its limit).
    bool degraded = false;
};
using TodoReading = ItemReading<IndivSubj>;

// Reads the item `text` (a VCALENDAR holding one to-do, as a CalDAV
// resource is). `zoneName` is the computer's zone (SystemZoneName): a time in
// it is taken as written; a time in UTC or another zone is converted.
TodoReading ReadTodo(std::string_view text, const std::string& zoneName);

using RepReading = ItemReading<RepSubj>;

// Reads an item of the repeating subjects' list: Rules for one holding
// X-VESKAT-RULES as RepTodoForm writes it, which alone tell the rules (an
// RRULE is for other programs). Its prints of When are that text.
RepReading ReadRepTodo(std::string_view text);
