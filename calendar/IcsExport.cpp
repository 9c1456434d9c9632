// A repeating subject's series carry no DUE: next to DTSTART it would have to
// lie later, so the due time is DTSTART itself with a DURATION of nothing.
// "管理しない" subjects are to-dos without a STATUS, neither open nor done.
#include "IcsExport.h"

#include <QString>
#include <algorithm>
#include <ctime>
#include <map>
#include <optional>
#include <tuple>

#include "CalendarDay.h"
#include "CivilDay.h"
#include "Clock.h"
#include "ExpandRepSubj.h"
#include "IcsText.h"
#include "RuleSeries.h"
#include "SjisCodec.h"
#include "SjisText.h"
#include "SystemZone.h"

namespace {

// How far past the batch's window the series leave out their double days.
constexpr int kHorizonDays = kBatchWindowDays - 1 + 366;
constexpr int kZoneYears = 50;

std::string Utf8(const std::string& sjis) {
    return SjisToQString(sjis).toStdString();
}

// Content as text: each "<br>" a line break again.
std::string ContentText(const std::string& content) {
    return IcsEscapeText(Utf8(UnescapeLineBreaks(content)));
}

std::string Hex64(std::uint64_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4) {
        hex[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    }
    return hex;
}

// FNV-1a: the same bytes give the same UID in every export.
std::string Uid(const std::string& bytes, const char* kind) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    return Hex64(hash) + "-" + kind + "@veskat";
}

std::string TwoDigits(int value) {
    return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

// A time the calendar has: out-of-range hours and minutes read from a file are
// brought to the nearest, so that a subject keeps its day.
int Clamped(int value, int most) {
    return std::clamp(value, 0, most);
}

std::string LocalDateTime(const CalendarDay& day, int hour, int minute) {
    std::string text = std::to_string(day.year);
    text.insert(0, 4 - std::min<std::size_t>(4, text.size()), '0');
    return text + TwoDigits(day.month) + TwoDigits(day.day) + "T" + TwoDigits(Clamped(hour, 23)) +
           TwoDigits(Clamped(minute, 59)) + "00";
}

const char* StatusOf(Progress progress) {
    switch (progress) {
        case Progress::Open:
            return "NEEDS-ACTION";
        case Progress::Done:
            return "COMPLETED";
        default:
            return nullptr;
    }
}

class CalendarWriter {
  public:
    CalendarWriter(std::string zoneName, std::time_t now) : now_(now) {
        // A parameter value with a colon, semicolon or comma must be quoted.
        const bool plain = zoneName.find_first_of(":;,") == std::string::npos;
        zoneParam_ = ";TZID=" + (plain ? zoneName : "\"" + zoneName + "\"");
        zoneName_ = std::move(zoneName);
    }

    void Begin(std::time_t from, std::time_t to) {
        lines_.Add("BEGIN", "VCALENDAR");
        lines_.Add("VERSION", "2.0");
        lines_.Add("PRODID", "-//veskat//veskat 2.0//JA");
        lines_.Add("CALSCALE", "GREGORIAN");
        AddZone(lines_, zoneName_, from, to);
    }
    std::string End() {
        lines_.Add("END", "VCALENDAR");
        return lines_.Text();
    }

    void Series(const RepSubj& rep, const RuleSeries& series) {
        const std::string uid = SeriesUid(rep, series.rule);
        Open(uid);
        lines_.Add("DTSTART" + zoneParam_, LocalDateTime(series.first, rep.hour, rep.minute));
        lines_.Add("DURATION", "PT0S");
        lines_.Add("RRULE", RecurrenceRule(rep, series.rule));
        if (!series.excluded.empty()) {
            std::string days;
            for (const CalendarDay& day : series.excluded) {
                days += (days.empty() ? "" : ",") + LocalDateTime(day, rep.hour, rep.minute);
            }
            lines_.Add("EXDATE" + zoneParam_, days);
        }
        Texts(rep.title, rep.content, rep.progress);
        Close();
        for (const IndivSubj& subj : series.instances) {
            Open(uid);
            const CalendarDay day = CivilDay(subj.year, subj.month, subj.day);
            lines_.Add("RECURRENCE-ID" + zoneParam_, LocalDateTime(day, rep.hour, rep.minute));
            lines_.Add("DTSTART" + zoneParam_, LocalDateTime(day, subj.hour, subj.minute));
            lines_.Add("DURATION", "PT0S");
            Texts(subj.title, subj.content, subj.progress);
            Close();
        }
    }

    void Single(const IndivSubj& subj, const CalendarDay& day) {
        // The key as stored: two dates the calendar lacks may stand for one day.
        std::string key;
        AppendZeroPadded(key, subj.year, 4);
        AppendZeroPadded(key, subj.month, 2);
        AppendZeroPadded(key, subj.day, 2);
        Open(Uid(key + subj.title, "i"));
        lines_.Add("DUE" + zoneParam_, LocalDateTime(day, subj.hour, subj.minute));
        Texts(subj.title, subj.content, subj.progress);
        Close();
    }

  private:
    static std::string SeriesUid(const RepSubj& rep, int rule) {
        static constexpr const char* kKinds[] = {"r1", "r2", "r3", "r4"};
        return Uid(rep.title, kKinds[rule]);
    }
    void Open(const std::string& uid) {
        lines_.Add("BEGIN", "VTODO");
        lines_.Add("UID", uid);
        std::tm utc{};
        gmtime_r(&now_, &utc);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
        lines_.Add("DTSTAMP", stamp);
    }
    void Texts(const std::string& title, const std::string& content, Progress progress) {
        lines_.Add("SUMMARY", IcsEscapeText(Utf8(title)));
        if (!content.empty()) {
            lines_.Add("DESCRIPTION", ContentText(content));
        }
        if (const char* status = StatusOf(progress)) {
            lines_.Add("STATUS", status);
        }
    }
    void Close() { lines_.Add("END", "VTODO"); }

    std::time_t now_;
    std::string zoneName_;
    std::string zoneParam_;
    IcsLines lines_;
};

// Every subject of a list, in key order; its `current` as it was.
template <typename List>
std::vector<typename List::Subj> AllOf(List& list) {
    const typename List::Subj kept = list.current;
    std::vector<typename List::Subj> all;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        all.push_back(list.current);
    }
    list.current = kept;
    return all;
}

// The day an individual subject is shown on: a date the calendar lacks runs on
// into the next month, as its days left count it.
std::optional<CalendarDay> ShownDay(const IndivSubj& subj) {
    const CalendarDay day =
        DayOfNumber(LocalTime::CalendarSeconds(subj.year, subj.month, subj.day) / 86400);
    if (day.year < 1 || day.year > 9999) {
        return std::nullopt;
    }
    return day;
}

std::time_t Noon(const CalendarDay& day, int offset) {
    return LocalTime::Make(day.year, day.month, day.day + offset, 12);
}

}  // namespace

IcsCalendar BuildIcsCalendar(IndivSubjList& indiv, RepSubjList& rep, std::time_t now,
                             const std::string& zoneName) {
    const CalendarDay today = DayFrom(now, 0);
    const CalendarDay horizon = DayFrom(now, kHorizonDays);

    std::map<std::string, std::vector<IndivSubj>> byTitle;
    const std::vector<RepSubj> reps = AllOf(rep);
    for (const RepSubj& r : reps) {
        byTitle[r.title];
    }
    std::vector<IndivSubj> singles;
    for (IndivSubj& subj : AllOf(indiv)) {
        auto found = byTitle.find(subj.title);
        (found != byTitle.end() ? found->second : singles).push_back(std::move(subj));
    }

    std::vector<std::pair<const RepSubj*, RuleSeries>> series;
    for (const RepSubj& r : reps) {
        std::vector<IndivSubj>& sameTitle = byTitle[r.title];
        for (RuleSeries& one : SeriesOf(r, sameTitle, today, horizon)) {
            series.emplace_back(&r, std::move(one));
        }
        singles.insert(singles.end(), sameTitle.begin(), sameTitle.end());
    }
    std::sort(singles.begin(), singles.end(), [](const IndivSubj& a, const IndivSubj& b) {
        return std::tie(a.year, a.month, a.day, a.title) <
               std::tie(b.year, b.month, b.day, b.title);
    });

    IcsCalendar calendar;
    std::vector<std::pair<const IndivSubj*, CalendarDay>> shown;
    CalendarDay first = today;
    CalendarDay last = horizon;
    for (const IndivSubj& subj : singles) {
        if (const std::optional<CalendarDay> day = ShownDay(subj)) {
            shown.emplace_back(&subj, *day);
            first = DayNumber(*day) < DayNumber(first) ? *day : first;
            last = DayNumber(*day) > DayNumber(last) ? *day : last;
        } else {
            ++calendar.notExported;
        }
    }
    for (const auto& [r, one] : series) {
        first = DayNumber(one.first) < DayNumber(first) ? one.first : first;
    }

    CalendarWriter writer(zoneName, now);
    // The zone's changes are written for a century around today at most, so
    // that a subject dated in year 1 does not cost two thousand years of them.
    const std::time_t from = std::max(Noon(first, -2), Noon(today, -kZoneYears * 366));
    const std::time_t to = std::min(Noon(last, 2), Noon(today, kZoneYears * 366));
    writer.Begin(from, to);
    for (const auto& [r, one] : series) {
        writer.Series(*r, one);
    }
    for (const auto& [subj, day] : shown) {
        writer.Single(*subj, day);
    }
    calendar.text = writer.End();
    return calendar;
}

FileWrite WriteIcsFile(const std::string& fileName, const std::string& text) {
    FileReplacement file(fileName);
    return file.Open() && file.Write(text) && file.Commit() ? FileWrite::Written
                                                            : FileWrite::Failed;
}
