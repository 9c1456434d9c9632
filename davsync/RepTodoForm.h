// The VTODO form of a repeating subject, as veskat keeps it in the companion
// task list beside the dated subjects' one, and the patch that puts a
// subject's changed fields into the server's text of its item.
//
// The rules are in X-VESKAT-RULES, every field of them as the record holds
// it, so that they come back exactly; SUMMARY is the title, DESCRIPTION the
// content, the progress as a dated subject's. A subject with one rule that
// can hold also gets the RRULE of that rule, and the DTSTART it needs (its
// first day from the day it is written, at the subject's time), so that other
// programs show when it falls; veskat reads only X-VESKAT-RULES. A patch
// rewrites only SUMMARY, DESCRIPTION, X-VESKAT-RULES, RRULE, DTSTART, the
// progress lines, SEQUENCE and LAST-MODIFIED; everything else stays as the
// server had it.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "IcalItem.h"
#include "SubjField.h"
#include "SubjRecord.h"
#include "TodoForm.h"

// The value of X-VESKAT-RULES for `subj`, before its escapes as TEXT:
// "yearly=MM/DD;monthly=DD;week=W/D;weekly=1010100;time=hh:mm".
std::string RulesText(const RepSubj& subj);
// Fills the rule fields and the time of `subj` from `text`; false (and
// `subj` as it was) when `text` is not one RulesText writes.
bool ReadRulesText(std::string_view text, RepSubj& subj);

// The RRULE value of the one rule of `subj` that can hold ("FREQ=WEEKLY;
// BYDAY=MO,FR"), and its first day on or after the day of `from`; nullopt
// when it has none or more than one.
struct SingleRule {
    std::string rrule;
    WallTime start;  // the day with the subject's time; a whole day at 00:00
};
std::optional<SingleRule> SingleRuleOf(const RepSubj& subj, std::time_t from);

// The text of a new item for `subj`, with the UID `uid`, as at `now`.
std::string NewRepTodoText(const RepSubj& subj, const std::string& uid, std::time_t now,
                           const std::string& zoneName);

// `serverText` with the fields `fields` of `subj` written into its to-do.
PatchOutcome PatchRepTodo(std::string_view serverText, const RepSubj& subj, FieldSet fields,
                          std::time_t now, const std::string& zoneName, std::string& patched);
