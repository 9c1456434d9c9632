// The VTODO form of a dated subject as veskat writes it to a task list, and
// the patch that puts a subject's changed fields into the server's text of an
// item. A patch rewrites only the properties veskat owns (SUMMARY,
// DESCRIPTION, DUE, STATUS, COMPLETED, PERCENT-COMPLETE, LAST-MODIFIED,
// SEQUENCE, X-VESKAT-PROGRESS, X-VESKAT-ORIGIN) and those of the fields it is
// asked to write; alarms, categories, priorities, links, other X- properties
// and unknown components stay as the server had them.
//
// The form: SUMMARY the title, DESCRIPTION the content ("<br>" a line break),
// DUE the date and time with TZID and the zone's VTIMEZONE (a whole day,
// VALUE=DATE, for 00:00), STATUS:COMPLETED with COMPLETED and
// PERCENT-COMPLETE:100 for 完了, STATUS:NEEDS-ACTION for 未処理, no STATUS and
// X-VESKAT-PROGRESS:N for 管理しない, X-VESKAT-ORIGIN the repeating subject it
// was generated from. No DTSTART: one another program wrote moves with DUE
// when DUE would come before it.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "SubjField.h"
#include "SubjRecord.h"

// The text of a new item (a VCALENDAR holding one VTODO) for `subj`, with
// the UID `uid`, as at `now`, its times in the zone `zoneName`.
std::string NewTodoText(const IndivSubj& subj, const std::string& uid, std::time_t now,
                        const std::string& zoneName);

enum class [[nodiscard]] PatchOutcome{
    Patched,
    NotTodo,  // `serverText` holds no to-do to patch: nothing written
};

// `serverText` with the fields `fields` of `subj` written into its to-do,
// and LAST-MODIFIED and SEQUENCE brought forward, into `patched`. With no
// field to write, `patched` is the server's text as libical writes it.
PatchOutcome PatchTodo(std::string_view serverText, const IndivSubj& subj, FieldSet fields,
                       std::time_t now, const std::string& zoneName, std::string& patched);
