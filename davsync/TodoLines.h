// The pieces both kinds of to-do veskat writes are made of, dated and
// repeating alike: times as the export writes them, the zone's definition,
// the progress lines, and the splice that puts the new lines of the
// properties a patch rewrites into the server's text of a to-do in place of
// the old ones, leaving every other byte as the server had it.
#pragma once

#include <ctime>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ContentLines.h"
#include "IcalItem.h"
#include "IcsText.h"
#include "SubjField.h"
#include "SubjRecord.h"
#include "TodoForm.h"

// The UTF-8 form of the Shift_JIS text `sjis`.
std::string Utf8OfSjis(std::string_view sjis);

// "20261205T003000Z".
std::string UtcStamp(std::time_t t);

// "DUE;VALUE=DATE:20261205" or "DUE;TZID=Asia/Tokyo:20261205T093000".
void AddWall(IcsLines& lines, const char* name, const WallTime& wall, const std::string& zoneName);

// Noon of the day of `wall`, as an instant, for the zone's definition.
std::time_t Noon(const WallTime& wall);

// STATUS:COMPLETED with COMPLETED and PERCENT-COMPLETE:100 for Done,
// STATUS:NEEDS-ACTION for Open, X-VESKAT-PROGRESS:N for NotTracked.
void AddProgress(IcsLines& lines, Progress progress, std::time_t now);
// The names of the properties AddProgress may write.
inline const char* const kProgressNames[] = {"STATUS", "COMPLETED", "PERCENT-COMPLETE",
                                             "X-VESKAT-PROGRESS"};

// The names of the properties of the title, content or progress, the same
// for both kinds; none for another field.
std::vector<std::string> SharedNamesOf(SubjField field);
// The lines of those of `fields`, from Shift_JIS texts.
void AddSharedFields(IcsLines& lines, const std::string& title, const std::string& content,
                     Progress progress, FieldSet fields, std::time_t now);

// BEGIN:VCALENDAR with VERSION and PRODID.
std::string CalendarHead();
// BEGIN:VTODO with UID, DTSTAMP and CREATED.
void AddTodoHead(IcsLines& lines, const std::string& uid, std::time_t now);
// SEQUENCE:0, LAST-MODIFIED, END:VTODO and END:VCALENDAR.
void AddTodoTail(IcsLines& lines, std::time_t now);

// The calendar's definition of the computer's zone, covering `from` to `to`.
std::string ZoneText(const std::string& zoneName, std::time_t from, std::time_t to);
// Puts `zone` (lines ended by CR LF) in place of the calendar's definition of
// the zone `zoneName`, or before its first component when it has none.
void PutZone(ContentLines& text, const std::string& zoneName, const std::string& zone);

// The to-do of `text` that a patch rewrites: its BEGIN line, -1 for none.
int PatchedTodo(const ContentLines& text);
// Drops the lines of the to-do opened at `begin` named in `dropped` (its own,
// not those of a component inside it) and puts `added` (lines ended by CR
// LF) at its end, after SEQUENCE (one past the item's own) and LAST-MODIFIED.
void SpliceTodo(ContentLines& text, std::size_t begin, const IcalItem& item,
                std::set<std::string> dropped, IcsLines added, std::time_t now);

// `serverText` changed by `splice(text, begin, item)`, `begin` the BEGIN line
// of the to-do a patch rewrites, into `patched`; NotTodo, with nothing
// written, when the text holds no such to-do.
template <typename Splice>
PatchOutcome PatchServerTodo(std::string_view serverText, std::string& patched,
                             const Splice& splice) {
    const IcalItem item(serverText);
    ContentLines text(serverText);
    const int begin = PatchedTodo(text);
    if (item.Todo() == nullptr || begin < 0) {
        return PatchOutcome::NotTodo;
    }
    splice(text, static_cast<std::size_t>(begin), item);
    patched = text.Text();
    return PatchOutcome::Patched;
}

// The names of the properties that carry `fields`, as `namesOf` gives them
// for one field.
template <typename NamesOf>
std::set<std::string> NamesOfFields(FieldSet fields, const NamesOf& namesOf) {
    std::set<std::string> names;
    for (const SubjField field : kAllSubjFields) {
        if (fields.Has(field)) {
            for (std::string& name : namesOf(field)) {
                names.insert(std::move(name));
            }
        }
    }
    return names;
}
