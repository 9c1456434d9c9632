#include "TodoLines.h"

#include <algorithm>

#include "Clock.h"
#include "SjisCodec.h"
#include "SjisText.h"
#include "SystemZone.h"

namespace {

// Two days either side of a time cover its zone's offset on that day
// whatever the zone.
constexpr std::time_t kZoneMargin = 2 * 86400;

std::string Digits(int value, int width) {
    std::string text;
    AppendZeroPadded(text, value, width);
    return text;
}

int NextSequence(const IcalItem& item) {
    icalproperty* p = icalcomponent_get_first_property(item.Todo(), ICAL_SEQUENCE_PROPERTY);
    return p != nullptr ? icalproperty_get_sequence(p) + 1 : 1;
}

}  // namespace

std::string Utf8OfSjis(std::string_view sjis) {
    return SjisToQString(sjis).toStdString();
}

std::string UtcStamp(std::time_t t) {
    std::tm utc{};
    gmtime_r(&t, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    return stamp;
}

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

std::time_t Noon(const WallTime& wall) {
    return LocalTime::Make(wall.year, wall.month, wall.day, 12);
}

void AddProgress(IcsLines& lines, Progress progress, std::time_t now) {
    switch (progress) {
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

std::vector<std::string> SharedNamesOf(SubjField field) {
    switch (field) {
        case SubjField::Title:
            return {"SUMMARY"};
        case SubjField::Content:
            return {"DESCRIPTION"};
        case SubjField::Progress:
            return {std::begin(kProgressNames), std::end(kProgressNames)};
        default:
            return {};
    }
}

void AddSharedFields(IcsLines& lines, const std::string& title, const std::string& content,
                     Progress progress, FieldSet fields, std::time_t now) {
    if (fields.Has(SubjField::Title)) {
        lines.Add("SUMMARY", IcsEscapeText(Utf8OfSjis(title)));
    }
    if (fields.Has(SubjField::Content) && !content.empty()) {
        lines.Add("DESCRIPTION", IcsEscapeText(Utf8OfSjis(UnescapeLineBreaks(content))));
    }
    if (fields.Has(SubjField::Progress)) {
        AddProgress(lines, progress, now);
    }
}

std::string CalendarHead() {
    IcsLines lines;
    lines.Add("BEGIN", "VCALENDAR");
    lines.Add("VERSION", "2.0");
    lines.Add("PRODID", "-//veskat//veskat 2.0//JA");
    return lines.Text();
}

void AddTodoHead(IcsLines& lines, const std::string& uid, std::time_t now) {
    lines.Add("BEGIN", "VTODO");
    lines.Add("UID", uid);
    lines.Add("DTSTAMP", UtcStamp(now));
    lines.Add("CREATED", UtcStamp(now));
}

void AddTodoTail(IcsLines& lines, std::time_t now) {
    lines.Add("SEQUENCE", "0");
    lines.Add("LAST-MODIFIED", UtcStamp(now));
    lines.Add("END", "VTODO");
    lines.Add("END", "VCALENDAR");
}

std::string ZoneText(const std::string& zoneName, std::time_t from, std::time_t to) {
    IcsLines lines;
    AddZone(lines, zoneName, from - kZoneMargin, to + kZoneMargin);
    return lines.Text();
}

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

int PatchedTodo(const ContentLines& text) {
    return text.FindComponent("VTODO", "RECURRENCE-ID");
}

void SpliceTodo(ContentLines& text, std::size_t begin, const IcalItem& item,
                std::set<std::string> dropped, IcsLines added, std::time_t now) {
    dropped.insert("SEQUENCE");
    dropped.insert("LAST-MODIFIED");
    added.Add("SEQUENCE", std::to_string(NextSequence(item)));
    added.Add("LAST-MODIFIED", UtcStamp(now));

    auto& lines = text.Lines();
    const std::size_t end = text.EndOf(begin);
    std::vector<ContentLines::Line> kept(lines.begin(),
                                         lines.begin() + static_cast<std::ptrdiff_t>(begin) + 1);
    for (std::size_t i = begin + 1; i < end; ++i) {
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
}
