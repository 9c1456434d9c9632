// A patch splices lines: the server's text stays byte for byte but for the
// lines of the properties it rewrites, which go at the end of the to-do.
// libical reads the values the patch needs (the old due time, the start,
// the sequence number); the lines written are made as the export makes its
// own (IcsLines).
#include "TodoForm.h"

#include <algorithm>
#include <set>

#include "SjisText.h"
#include "TodoLines.h"

namespace {

WallTime DueOf(const IndivSubj& subj) {
    return {subj.year, subj.month,  subj.day,
            subj.hour, subj.minute, subj.hour == 0 && subj.minute == 0};
}

// The names of the properties that carry `field`.
std::vector<std::string> NamesOf(SubjField field) {
    switch (field) {
        case SubjField::When:
            return {"DUE"};
        case SubjField::Origin:
            return {"X-VESKAT-ORIGIN"};
        default:
            return SharedNamesOf(field);
    }
}

// The lines of `fields` of `subj`.
void AddFields(IcsLines& lines, const IndivSubj& subj, FieldSet fields, std::time_t now,
               const std::string& zoneName) {
    AddSharedFields(lines, subj.title, subj.content, subj.progress, fields, now);
    if (fields.Has(SubjField::When)) {
        AddWall(lines, "DUE", DueOf(subj), zoneName);
    }
    if (fields.Has(SubjField::Origin) && !subj.origin.empty()) {
        lines.Add("X-VESKAT-ORIGIN", IcsEscapeText(Utf8OfSjis(subj.origin)));
    }
}

// Where the start another program wrote must go when DUE moves to `due`:
// DUE may come no earlier than DTSTART and must be of its kind, so the start
// moves as far as the due time moved, and never past it. Nullopt: it stays.
std::optional<WallTime> MovedStart(const IcalItem& item, const WallTime& due,
                                   const std::string& zoneName) {
    icalcomponent* todo = item.Todo();
    icalproperty* startProperty = icalcomponent_get_first_property(todo, ICAL_DTSTART_PROPERTY);
    if (startProperty == nullptr) {
        return std::nullopt;
    }
    const std::optional<WallTime> start = item.WallTimeOf(startProperty, zoneName);
    std::optional<WallTime> oldDue;
    if (icalproperty* p = icalcomponent_get_first_property(todo, ICAL_DUE_PROPERTY)) {
        oldDue = item.WallTimeOf(p, zoneName);
    }
    std::int64_t minutes = start ? start->CalendarMinutes() : due.CalendarMinutes();
    if (minutes > due.CalendarMinutes() && oldDue) {
        minutes += due.CalendarMinutes() - oldDue->CalendarMinutes();
    }
    minutes = std::min(minutes, due.CalendarMinutes());
    if (start && start->isDate == due.isDate && minutes == start->CalendarMinutes()) {
        return std::nullopt;
    }
    return WallTime::FromCalendarMinutes(minutes, due.isDate);
}

// Puts the lines of `fields` of `subj` into the to-do opened at `begin`, and
// moves the start another program wrote along with the due time.
void SpliceFields(ContentLines& text, std::size_t begin, const IcalItem& item,
                  const IndivSubj& subj, FieldSet fields, std::time_t now,
                  const std::string& zoneName) {
    std::set<std::string> dropped = NamesOfFields(fields, NamesOf);
    IcsLines added;
    AddFields(added, subj, fields, now, zoneName);
    const WallTime due = DueOf(subj);
    std::time_t zoneFrom = Noon(due);
    if (fields.Has(SubjField::When)) {
        if (const std::optional<WallTime> start = MovedStart(item, due, zoneName)) {
            dropped.insert("DTSTART");
            AddWall(added, "DTSTART", *start, zoneName);
            zoneFrom = std::min(zoneFrom, Noon(*start));
        } else if (icalproperty* p =
                       icalcomponent_get_first_property(item.Todo(), ICAL_DTSTART_PROPERTY)) {
            // The zone's definition is written anew: it must cover the start.
            if (const std::optional<WallTime> kept = item.WallTimeOf(p, zoneName)) {
                zoneFrom = std::min(zoneFrom, Noon(*kept));
            }
        }
    }
    SpliceTodo(text, begin, item, std::move(dropped), std::move(added), now);
    if (fields.Has(SubjField::When) && !due.isDate) {
        PutZone(text, zoneName, ZoneText(zoneName, zoneFrom, Noon(due)));
    }
}

}  // namespace

std::string NewTodoText(const IndivSubj& subj, const std::string& uid, std::time_t now,
                        const std::string& zoneName) {
    std::string text = CalendarHead();
    const WallTime due = DueOf(subj);
    if (!due.isDate) {
        text += ZoneText(zoneName, Noon(due), Noon(due));
    }
    IcsLines todo;
    AddTodoHead(todo, uid, now);
    AddFields(todo, subj, FieldSet::All(), now, zoneName);
    AddTodoTail(todo, now);
    return text + todo.Text();
}

PatchOutcome PatchTodo(std::string_view serverText, const IndivSubj& subj, FieldSet fields,
                       std::time_t now, const std::string& zoneName, std::string& patched) {
    return PatchServerTodo(serverText, patched,
                           [&](ContentLines& text, std::size_t begin, const IcalItem& item) {
                               if (!fields.Empty()) {
                                   SpliceFields(text, begin, item, subj, fields, now, zoneName);
                               }
                           });
}
