// A patch splices lines: the server's text stays byte for byte but for the
// lines of the properties it rewrites, which go at the end of the to-do.
// libical reads the values the patch needs (the old due time, the start,
// the sequence number); the lines written are made as the export makes its
// own (IcsLines).
#include "TodoForm.h"

#include <algorithm>
#include <set>

#include "Clock.h"
#include "ContentLines.h"
#include "IcalItem.h"
#include "IcsText.h"
#include "SjisCodec.h"
#include "SjisText.h"
#include "SystemZone.h"

namespace {

// Two days either side of a due time cover its zone's offset on that day
// whatever the zone.
constexpr std::time_t kZoneMargin = 2 * 86400;

std::string Utf8(std::string_view sjis) {
    return SjisToQString(sjis).toStdString();
}

std::string UtcStamp(std::time_t t) {
    std::tm utc{};
    gmtime_r(&t, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    return stamp;
}

std::string Digits(int value, int width) {
    std::string text;
    AppendZeroPadded(text, value, width);
    return text;
}

// "DUE;VALUE=DATE:20261205" or "DUE;TZID=Asia/Tokyo:20261205T093000".
void AddWall(IcsLines& lines, const char* name, const WallTime& wall, const std::string& zoneName) {
    const std::string date = Digits(wall.year, 4) + Digits(wall.month, 2) + Digits(wall.day, 2);
    if (wall.isDate) {
        lines.Add(std::string(name) + ";VALUE=DATE", date);
        return;
    }
    // A parameter value with a colon, semicolon or comma must be quoted.
    const bool plain = zoneName.find_first_of(":;,") == std::string::npos;
    lines.Add(std::string(name) + ";TZID=" + (plain ? zoneName : "\"" + zoneName + "\""),
              date + "T" + Digits(wall.hour, 2) + Digits(wall.minute, 2) + "00");
}

WallTime DueOf(const IndivSubj& subj) {
    return {subj.year, subj.month,  subj.day,
            subj.hour, subj.minute, subj.hour == 0 && subj.minute == 0};
}

std::time_t Noon(const WallTime& wall) {
    return LocalTime::Make(wall.year, wall.month, wall.day, 12);
}

// The names of the properties that carry `field`.
std::vector<std::string> NamesOf(SubjField field) {
    switch (field) {
        case SubjField::Title:
            return {"SUMMARY"};
        case SubjField::Content:
            return {"DESCRIPTION"};
        case SubjField::When:
            return {"DUE"};
        case SubjField::Progress:
            return {"STATUS", "COMPLETED", "PERCENT-COMPLETE", "X-VESKAT-PROGRESS"};
        case SubjField::Origin:
            return {"X-VESKAT-ORIGIN"};
    }
    return {};
}

// The lines of `fields` of `subj`.
void AddFields(IcsLines& lines, const IndivSubj& subj, FieldSet fields, std::time_t now,
               const std::string& zoneName) {
    if (fields.Has(SubjField::Title)) {
        lines.Add("SUMMARY", IcsEscapeText(Utf8(subj.title)));
    }
    if (fields.Has(SubjField::Content) && !subj.content.empty()) {
        lines.Add("DESCRIPTION", IcsEscapeText(Utf8(UnescapeLineBreaks(subj.content))));
    }
    if (fields.Has(SubjField::When)) {
        AddWall(lines, "DUE", DueOf(subj), zoneName);
    }
    if (fields.Has(SubjField::Progress)) {
        switch (subj.progress) {
            case Progress::Done:
                lines.Add("STATUS", "COMPLETED");
                lines.Add("COMPLETED", UtcStamp(now));
                lines.Add("PERCENT-COMPLETE", "100");
                break;
            case Progress::Open:
                lines.Add("STATUS", "NEEDS-ACTION");
                break;
            case Progress::NotTracked:
                // Without a STATUS other programs show it as open; this says
                // what it is, and a NEEDS-ACTION they add does not change it.
                lines.Add("X-VESKAT-PROGRESS", "N");
                break;
        }
    }
    if (fields.Has(SubjField::Origin) && !subj.origin.empty()) {
        lines.Add("X-VESKAT-ORIGIN", IcsEscapeText(Utf8(subj.origin)));
    }
}

// The calendar's definition of the computer's zone, covering `from` to `to`.
std::string ZoneText(const std::string& zoneName, std::time_t from, std::time_t to) {
    IcsLines lines;
    AddZone(lines, zoneName, from - kZoneMargin, to + kZoneMargin);
    return lines.Text();
}

// Puts `zone` (lines ended by CR LF) in place of the calendar's definition of
// the zone `zoneName`, or before its first component when it has none.
void PutZone(ContentLines& text, const std::string& zoneName, const std::string& zone) {
    auto& lines = text.Lines();
    ContentLines zoneLines(zone);
    std::vector<ContentLines::Line> fresh = std::move(zoneLines.Lines());
    for (ContentLines::Line& line : fresh) {
        line.depth += 1;
    }
    std::size_t at = lines.empty() ? 0 : lines.size() - 1;  // before END:VCALENDAR
    bool first = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].depth != 1 || lines[i].name != "BEGIN") {
            continue;
        }
        at = first ? i : at;
        first = false;
        const std::size_t end = text.EndOf(i);
        const auto isOurs = [&](const ContentLines::Line& l) {
            return l.depth == 2 && l.name == "TZID" && l.value == zoneName;
        };
        if (lines[i].value == "VTIMEZONE" &&
            std::any_of(lines.begin() + static_cast<std::ptrdiff_t>(i),
                        lines.begin() + static_cast<std::ptrdiff_t>(end), isOurs)) {
            lines.erase(
                lines.begin() + static_cast<std::ptrdiff_t>(i),
                lines.begin() + static_cast<std::ptrdiff_t>(std::min(end + 1, lines.size())));
            at = i;
            break;
        }
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), fresh.begin(), fresh.end());
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

int NextSequence(const IcalItem& item) {
    icalproperty* p = icalcomponent_get_first_property(item.Todo(), ICAL_SEQUENCE_PROPERTY);
    return p != nullptr ? icalproperty_get_sequence(p) + 1 : 1;
}

}  // namespace

std::string NewTodoText(const IndivSubj& subj, const std::string& uid, std::time_t now,
                        const std::string& zoneName) {
    IcsLines lines;
    lines.Add("BEGIN", "VCALENDAR");
    lines.Add("VERSION", "2.0");
    lines.Add("PRODID", "-//veskat//veskat 2.0//JA");
    std::string text = lines.Text();
    const WallTime due = DueOf(subj);
    if (!due.isDate) {
        text += ZoneText(zoneName, Noon(due), Noon(due));
    }
    IcsLines todo;
    todo.Add("BEGIN", "VTODO");
    todo.Add("UID", uid);
    todo.Add("DTSTAMP", UtcStamp(now));
    todo.Add("CREATED", UtcStamp(now));
    AddFields(todo, subj, FieldSet::All(), now, zoneName);
    todo.Add("SEQUENCE", "0");
    todo.Add("LAST-MODIFIED", UtcStamp(now));
    todo.Add("END", "VTODO");
    todo.Add("END", "VCALENDAR");
    return text + todo.Text();
}

PatchOutcome PatchTodo(std::string_view serverText, const IndivSubj& subj, FieldSet fields,
                       std::time_t now, const std::string& zoneName, std::string& patched) {
    const IcalItem item(serverText);
    ContentLines text(serverText);
    const int begin = text.FindComponent("VTODO", "RECURRENCE-ID");
    if (item.Todo() == nullptr || begin < 0) {
        return PatchOutcome::NotTodo;
    }
    if (fields.Empty()) {
        patched = text.Text();
        return PatchOutcome::Patched;
    }
    std::set<std::string> dropped = {"SEQUENCE", "LAST-MODIFIED"};
    for (const SubjField field : kAllSubjFields) {
        if (fields.Has(field)) {
            for (std::string& name : NamesOf(field)) {
                dropped.insert(std::move(name));
            }
        }
    }
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
    added.Add("SEQUENCE", std::to_string(NextSequence(item)));
    added.Add("LAST-MODIFIED", UtcStamp(now));

    auto& lines = text.Lines();
    const std::size_t end = text.EndOf(static_cast<std::size_t>(begin));
    std::vector<ContentLines::Line> kept(lines.begin(), lines.begin() + begin + 1);
    for (std::size_t i = static_cast<std::size_t>(begin) + 1; i < end; ++i) {
        if (lines[i].depth != 2 || dropped.count(lines[i].name) == 0) {
            kept.push_back(lines[i]);
        }
    }
    ContentLines addedLines(added.Text());
    for (ContentLines::Line& line : addedLines.Lines()) {
        line.depth = 2;
        kept.push_back(std::move(line));
    }
    kept.insert(kept.end(), lines.begin() + static_cast<std::ptrdiff_t>(end), lines.end());
    lines = std::move(kept);
    if (fields.Has(SubjField::When) && !due.isDate) {
        PutZone(text, zoneName, ZoneText(zoneName, zoneFrom, Noon(due)));
    }
    patched = text.Text();
    return PatchOutcome::Patched;
}
