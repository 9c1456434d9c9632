// Why the items look as they do:
// - A to-do is due (DUE) at its subject's time, which is what task programs
//   show and sort by. A recurring to-do needs a DTSTART for its rule (RFC
//   5545), of DUE's value type and before it: the start of its day, so that
//   the rule's days are the subject's days. An all-day to-do (00:00) has a
//   date for both, the same day, as a DUE of the next day shows a day late.
// - An event is at its time with no end, or takes its whole day. A recurring
//   event also leaves out (EXDATE) the days its instances stand for, which
//   RECURRENCE-ID alone does not for the programs that read only the series.
// - "管理しない" to-dos have no STATUS; X-VESKAT-PROGRESS tells the import.
//   Events have no progress of their own, so they always carry it.
// Two walks over the individual list: the first finds the instances and the
// span of dates the zone must cover, the second writes, so that nothing but
// the repeating subjects is held beside the lists.
#include "IcsExport.h"

#include <QSaveFile>
#include <QString>
#include <algorithm>
#include <array>
#include <map>
#include <optional>

#include "CalendarDay.h"
#include "CivilDay.h"
#include "Clock.h"
#include "ExpandRepSubj.h"
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
std::string Uid(const std::string& bytes, const std::string& kind) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    return Hex64(hash) + "-" + kind + "@veskat";
}

std::string TwoDigits(int value) {
    return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

std::string DateText(const CalendarDay& day) {
    std::string text = std::to_string(day.year);
    text.insert(0, 4 - std::min<std::size_t>(4, text.size()), '0');
    return text + TwoDigits(day.month) + TwoDigits(day.day);
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

// A time of day the calendar has: out-of-range hours and minutes read from a
// file are brought to the nearest, so that a subject keeps its day.
struct TimeOfDay {
    int hour;
    int minute;

    TimeOfDay(int h, int m) : hour(std::clamp(h, 0, 23)), minute(std::clamp(m, 0, 59)) {}
    // 00:00 is all day long, as the list and the batch treat it.
    bool AllDay() const { return hour == 0 && minute == 0; }
};

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

// The repeating subjects with their series, and what the first walk found.
struct Plan {
    struct Rep {
        RepSubj subj;
        std::array<std::vector<CalendarDay>, 4> instanceDays;  // by rule
        std::vector<RuleSeries> series;
    };
    std::vector<Rep> reps;
    std::map<std::string, std::size_t> byTitle;
    CalendarDay first;
    CalendarDay last;
    int notExported = 0;

    // The repeating subject (its index) and rule whose instance `subj` is;
    // none when it stands alone.
    std::optional<std::pair<std::size_t, int>> InstanceOf(const IndivSubj& subj) const {
        const auto found = byTitle.find(subj.title);
        if (found == byTitle.end()) {
            return std::nullopt;
        }
        const int rule = InstanceRule(reps[found->second].subj, subj.year, subj.month, subj.day);
        if (rule < 0) {
            return std::nullopt;
        }
        return std::pair{found->second, rule};
    }
    void Cover(const CalendarDay& day) {
        first = DayNumber(day) < DayNumber(first) ? day : first;
        last = DayNumber(day) > DayNumber(last) ? day : last;
    }
};

// Walks `list` from its first subject, `current` as it was afterwards.
template <typename List, typename Visit>
void Walk(List& list, const Visit& visit) {
    const typename List::Subj kept = list.current;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        visit(list.current);
    }
    list.current = kept;
}

Plan MakePlan(IndivSubjList& indiv, RepSubjList& rep, std::time_t now) {
    Plan plan;
    plan.first = DayFrom(now, 0);
    plan.last = DayFrom(now, kHorizonDays);
    Walk(rep, [&plan](const RepSubj& subj) {
        plan.byTitle.emplace(subj.title, plan.reps.size());
        plan.reps.push_back({subj, {}, {}});
    });
    Walk(indiv, [&plan](const IndivSubj& subj) {
        if (const auto instance = plan.InstanceOf(subj)) {
            plan.reps[instance->first]
                .instanceDays[static_cast<std::size_t>(instance->second)]
                .push_back(CivilDay(subj.year, subj.month, subj.day));
        } else if (const std::optional<CalendarDay> day = ShownDay(subj)) {
            plan.Cover(*day);
        } else {
            ++plan.notExported;
        }
    });
    const CalendarDay today = DayFrom(now, 0);
    const CalendarDay horizon = DayFrom(now, kHorizonDays);
    for (Plan::Rep& one : plan.reps) {
        std::vector<CalendarDay> all;
        for (const std::vector<CalendarDay>& days : one.instanceDays) {
            all.insert(all.end(), days.begin(), days.end());
            for (const CalendarDay& day : days) {
                plan.Cover(day);
            }
        }
        one.series = SeriesOf(one.subj, all, today, horizon);
        for (const RuleSeries& series : one.series) {
            plan.Cover(series.first);
        }
    }
    return plan;
}

std::time_t Noon(const CalendarDay& day, int offset) {
    return LocalTime::Make(day.year, day.month, day.day + offset, 12);
}

class CalendarWriter {
  public:
    CalendarWriter(std::string zoneName, std::time_t now, IcsForm form, const IcsSink& sink)
        : form_(form), lines_(sink) {
        // A parameter value with a colon, semicolon or comma must be quoted.
        const bool plain = zoneName.find_first_of(":;,") == std::string::npos;
        zoneParam_ = ";TZID=" + (plain ? zoneName : "\"" + zoneName + "\"");
        zoneName_ = std::move(zoneName);
        std::tm utc{};
        gmtime_r(&now, &utc);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
        stamp_ = stamp;
    }

    void Begin(std::time_t from, std::time_t to) {
        lines_.Add("BEGIN", "VCALENDAR");
        lines_.Add("VERSION", "2.0");
        lines_.Add("PRODID", "-//veskat//veskat 2.0//JA");
        lines_.Add("CALSCALE", "GREGORIAN");
        AddZone(lines_, zoneName_, from, to);
    }
    [[nodiscard]] bool End() {
        lines_.Add("END", "VCALENDAR");
        return lines_.Finish();
    }

    void Series(const Plan::Rep& rep, const RuleSeries& series) {
        const TimeOfDay time(rep.subj.hour, rep.subj.minute);
        Open(SeriesUid(rep.subj, series.rule));
        Dates(series.first, time, true);
        lines_.Add("RRULE", RecurrenceRule(rep.subj, series.rule));
        std::vector<CalendarDay> excluded = series.excluded;
        if (form_ == IcsForm::Events) {
            const auto& instances = rep.instanceDays[static_cast<std::size_t>(series.rule)];
            excluded.insert(excluded.end(), instances.begin(), instances.end());
        }
        Exclude(excluded, time);
        Texts(rep.subj.title, rep.subj.content, rep.subj.progress);
        Close();
    }

    void Instance(const Plan::Rep& rep, int rule, const IndivSubj& subj) {
        const CalendarDay day = CivilDay(subj.year, subj.month, subj.day);
        const TimeOfDay time(subj.hour, subj.minute);
        Open(SeriesUid(rep.subj, rule));
        AddAt("RECURRENCE-ID", RecurrenceValue(day, TimeOfDay(rep.subj.hour, rep.subj.minute)));
        Dates(day, time, true);
        Describe(subj);
    }

    void Single(const IndivSubj& subj, const CalendarDay& day) {
        // The key as stored: two dates the calendar lacks may stand for one day.
        std::string key;
        AppendZeroPadded(key, subj.year, 4);
        AppendZeroPadded(key, subj.month, 2);
        AppendZeroPadded(key, subj.day, 2);
        const TimeOfDay time(subj.hour, subj.minute);
        Open(Uid(key + subj.title, Kind("i")));
        Dates(day, time, false);
        Describe(subj);
    }

  private:
    // A property's parameters and value.
    struct Value {
        std::string params;
        std::string text;
    };

    // The subject's own date and time: a date alone when it is all day.
    Value When(const CalendarDay& day, const TimeOfDay& time) const {
        if (time.AllDay()) {
            return {";VALUE=DATE", DateText(day)};
        }
        return {zoneParam_,
                DateText(day) + "T" + TwoDigits(time.hour) + TwoDigits(time.minute) + "00"};
    }
    // Where a day of a series starts: to-dos at the start of the day, so that
    // DUE lies after it; events at their time. All day, the date alone.
    Value RecurrenceValue(const CalendarDay& day, const TimeOfDay& time) const {
        if (form_ == IcsForm::Todos && !time.AllDay()) {
            return {zoneParam_, DateText(day) + "T000000"};
        }
        return When(day, time);
    }
    void AddAt(const std::string& name, const Value& value) {
        lines_.Add(name + value.params, value.text);
    }
    // When an item is: a to-do is due, and one of a series starts as well; an
    // event starts, and one all day ends where the next day begins.
    void Dates(const CalendarDay& day, const TimeOfDay& time, bool ofSeries) {
        if (form_ == IcsForm::Todos) {
            if (ofSeries) {
                AddAt("DTSTART", RecurrenceValue(day, time));
            }
            AddAt("DUE", When(day, time));
        } else {
            AddAt("DTSTART", When(day, time));
            if (time.AllDay()) {
                AddAt("DTEND", When(NextDay(day), time));
            }
        }
    }
    // The texts of a dated subject and where it came from, and the item's end.
    void Describe(const IndivSubj& subj) {
        Texts(subj.title, subj.content, subj.progress);
        Origin(subj.origin);
        Close();
    }
    void Exclude(std::vector<CalendarDay> days, const TimeOfDay& time) {
        if (days.empty()) {
            return;
        }
        std::sort(days.begin(), days.end(), [](const CalendarDay& a, const CalendarDay& b) {
            return DayNumber(a) < DayNumber(b);
        });
        const auto same = [](const CalendarDay& a, const CalendarDay& b) {
            return DayNumber(a) == DayNumber(b);
        };
        days.erase(std::unique(days.begin(), days.end(), same), days.end());
        std::string list;
        for (const CalendarDay& day : days) {
            list += (list.empty() ? "" : ",") + RecurrenceValue(day, time).text;
        }
        lines_.Add("EXDATE" + RecurrenceValue(days.front(), time).params, list);
    }
    std::string Kind(const char* kind) const {
        return std::string(kind) + (form_ == IcsForm::Events ? "e" : "");
    }
    std::string SeriesUid(const RepSubj& rep, int rule) const {
        static constexpr const char* kKinds[] = {"r1", "r2", "r3", "r4"};
        return Uid(rep.title, Kind(kKinds[rule]));
    }
    const char* Component() const { return form_ == IcsForm::Todos ? "VTODO" : "VEVENT"; }
    void Open(const std::string& uid) {
        lines_.Add("BEGIN", Component());
        lines_.Add("UID", uid);
        lines_.Add("DTSTAMP", stamp_);
    }
    void Texts(const std::string& title, const std::string& content, Progress progress) {
        lines_.Add("SUMMARY", IcsEscapeText(Utf8(title)));
        if (!content.empty()) {
            lines_.Add("DESCRIPTION", ContentText(content));
        }
        if (form_ == IcsForm::Events) {
            if (StatusOf(progress) != nullptr || progress == Progress::NotTracked) {
                lines_.Add("X-VESKAT-PROGRESS", std::string(1, static_cast<char>(progress)));
            }
            return;
        }
        if (const char* status = StatusOf(progress)) {
            lines_.Add("STATUS", status);
        }
        // Other programs read a to-do without STATUS as open; the import reads this.
        if (progress == Progress::NotTracked) {
            lines_.Add("X-VESKAT-PROGRESS", "N");
        }
    }
    // The repeating subject a dated one was generated from, for the import.
    void Origin(const std::string& origin) {
        if (!origin.empty()) {
            lines_.Add("X-VESKAT-ORIGIN", IcsEscapeText(Utf8(origin)));
        }
    }
    void Close() { lines_.Add("END", Component()); }

    IcsForm form_;
    std::string zoneName_;
    std::string zoneParam_;
    std::string stamp_;
    IcsLines lines_;
};

}  // namespace

IcsExported ExportIcs(IndivSubjList& indiv, RepSubjList& rep, std::time_t now,
                      const std::string& zoneName, IcsForm form, const IcsSink& sink) {
    const Plan plan = MakePlan(indiv, rep, now);
    const CalendarDay today = DayFrom(now, 0);
    CalendarWriter writer(zoneName, now, form, sink);
    // The zone's changes are written for a century around today at most, so
    // that a subject dated in year 1 does not cost two thousand years of them.
    const std::time_t from = std::max(Noon(plan.first, -2), Noon(today, -kZoneYears * 366));
    const std::time_t to = std::min(Noon(plan.last, 2), Noon(today, kZoneYears * 366));
    writer.Begin(from, to);
    for (const Plan::Rep& one : plan.reps) {
        for (const RuleSeries& series : one.series) {
            writer.Series(one, series);
        }
    }
    Walk(indiv, [&](const IndivSubj& subj) {
        if (const auto instance = plan.InstanceOf(subj)) {
            writer.Instance(plan.reps[instance->first], instance->second, subj);
        } else if (const std::optional<CalendarDay> day = ShownDay(subj)) {
            writer.Single(subj, *day);
        }
    });
    return {writer.End(), plan.notExported};
}

IcsCalendar BuildIcsCalendar(IndivSubjList& indiv, RepSubjList& rep, std::time_t now,
                             const std::string& zoneName, IcsForm form) {
    IcsCalendar calendar;
    calendar.notExported =
        ExportIcs(indiv, rep, now, zoneName, form, [&calendar](std::string_view text) {
            calendar.text.append(text);
            return true;
        }).notExported;
    return calendar;
}

IcsExported WriteIcsFile(const std::string& fileName, IndivSubjList& indiv, RepSubjList& rep,
                         std::time_t now, const std::string& zoneName, IcsForm form) {
    QSaveFile file(QString::fromLocal8Bit(fileName));
    if (!file.open(QIODevice::WriteOnly)) {
        return {false, 0};
    }
    IcsExported exported =
        ExportIcs(indiv, rep, now, zoneName, form, [&file](std::string_view text) {
            const auto size = static_cast<qint64>(text.size());
            return file.write(text.data(), size) == size;
        });
    if (!exported.written) {
        file.cancelWriting();
        return exported;
    }
    exported.written = file.commit();
    return exported;
}
