// A month's sheet against a walk of the whole list and against the batch
// itself: random subjects bunched at the month edges, on 29 February and on
// dates the calendar lacks, with the clock pinned on days the clocks change in
// zones with and without daylight saving. The stored subjects of each day must
// be the walk's, in the list's order with its marks; those not generated yet
// exactly what the batch adds when it runs on today and on the days after.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <ostream>
#include <random>
#include <tuple>
#include <vector>

#include "CivilDay.h"
#include "Clock.h"
#include "ExpandRepSubj.h"
#include "MonthSheet.h"
#include "ScopedTimeZone.h"

void PrintTo(const DayEntry& e, std::ostream* out) {
    *out << "{" << e.title << " " << e.hour << ":" << e.minute << " "
         << static_cast<char>(e.progress) << (e.overdue ? " overdue" : "")
         << (e.notGenerated ? " not generated" : "") << "}";
}

namespace {

using Date = std::tuple<int, int, int>;
using Days = std::map<Date, std::vector<DayEntry>>;

struct Setting {
    const char* zone;
    int year, month, day, hour, minute;  // the pinned local time
};

const Setting kSettings[] = {
    {"Europe/Berlin", 2027, 3, 28, 1, 30},        // the spring change, before it
    {"Europe/Berlin", 2027, 10, 31, 3, 30},       // the autumn change, after it
    {"America/New_York", 2028, 3, 12, 23, 59},    // the spring change, at the day's end
    {"America/New_York", 2028, 11, 5, 0, 10},     // the autumn change
    {"Australia/Lord_Howe", 2027, 4, 4, 1, 45},   // half an hour back
    {"Australia/Lord_Howe", 2027, 10, 3, 2, 45},  // half an hour on
    {"Asia/Tokyo", 2028, 2, 29, 12, 0},           // today is 29 February
    {"Asia/Tokyo", 2027, 12, 31, 23, 30},         // the year's last day
};

constexpr int kMonthsBefore = 4;  // before the first subject, so one month starts the list
constexpr int kMonthsAfter = 5;   // well beyond the batch's 43 days

// The year and month `months` after today's.
std::pair<int, int> MonthsOn(const CalendarDay& today, int months) {
    const int index = today.year * 12 + today.month - 1 + months;
    return {index / 12, index % 12 + 1};
}

std::string TimeText(const DayEntry& e) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", e.hour, e.minute);
    return text;
}

// The list's order of a day: by the date and time text, rows of equal text in
// the order they were filled, which is the order given.
void SortAsTheList(std::vector<DayEntry>& entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const DayEntry& a, const DayEntry& b) {
        return TimeText(a) < TimeText(b);
    });
}

DayEntry Entry(const IndivSubj& s, bool notGenerated) {
    return {s.title,     s.hour, s.minute, s.progress, s.progress == Progress::Open && s.overdue,
            notGenerated};
}

class MonthSheetModel {
  public:
    explicit MonthSheetModel(std::uint32_t seed) : rng_(seed) {}

    void Fill(const CalendarDay& today) {
        for (int n = 0; n < 12; ++n) {
            rep_.current = RandomRep(n);
            static_cast<void>(rep_.Insert());
        }
        const std::int64_t base = DayNumber(today);
        for (int n = 0; n < 700; ++n) {
            PutBoth(RandomSubj(DayOfNumber(base + Pick(-75, 150))));
        }
        // The one key that equals the probe of a month's first key.
        IndivSubj first = RandomSubj(CivilDay(today.year, today.month, 1));
        first.title.clear();
        PutBoth(first);
        // Dates the calendar lacks, as a hand-edited file may hold them.
        for (const auto& [month, day] : {std::pair{2, 30}, {2, 29}, {4, 31}, {6, 0}}) {
            IndivSubj odd = RandomSubj(today);
            odd.month = static_cast<std::int16_t>(month);
            odd.day = static_cast<std::int16_t>(day);
            PutBoth(odd);
        }
    }

    // Every subject of the list by its day, from a walk from the first.
    Days Stored() {
        Days days;
        for (StoreResult r = indiv_.First(); r == StoreResult::Done; r = indiv_.Next()) {
            const IndivSubj& s = indiv_.current;
            if (IsCalendarDate(s.year, s.month, s.day)) {
                days[{s.year, s.month, s.day}].push_back(Entry(s, false));
            }
        }
        return days;
    }

    // What the batch adds to a copy of the list when it runs on today and then
    // on each day after the last it generated, up to `last`, read at `now`.
    Days NotGenerated(std::time_t now, const CalendarDay& today, const CalendarDay& last) {
        {
            ScopedClock clock(now);
            for (std::int64_t day = DayNumber(today); day <= DayNumber(last);
                 day += kBatchWindowDays) {
                const CalendarDay run = DayOfNumber(day);
                clock.Set(LocalTime::Make(run.year, run.month, run.day, 12));
                EXPECT_EQ(ExpandAllRepSubj(rep_, copy_), StoreResult::Done);
            }
        }
        Days days;
        for (StoreResult r = copy_.First(); r == StoreResult::Done; r = copy_.Next()) {
            indiv_.current = copy_.current;
            if (indiv_.Stored() == nullptr) {
                const IndivSubj& s = copy_.current;
                days[{s.year, s.month, s.day}].push_back(Entry(s, true));
            }
        }
        return days;
    }

    IndivSubjList& Indiv() { return indiv_; }
    RepSubjList& Rep() { return rep_; }

  private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    // Each rule set one time in three, month ends and fifth weeks the most,
    // so that rules meet on some days and some subjects have none.
    RepSubj RandomRep(int n) {
        const auto often = [this] { return Pick(0, 2) == 0; };
        const auto number = [](int v) { return static_cast<std::int16_t>(v); };
        RepSubj r;
        r.title = "rep" + std::to_string(n);
        for (auto& flag : r.weekly) {
            flag = often() && often() ? 1 : 0;
        }
        r.monthlyDay = number(often() ? Pick(28, 31) : often() ? Pick(1, 31) : 0);
        r.monthlyWeek = number(often() ? Pick(1, 5) : 0);
        r.monthlyWeekday = number(Pick(1, 7));
        r.yearlyMonth = number(often() ? 2 : 0);
        r.yearlyDay = number(often() ? 29 : Pick(1, 28));
        r.hour = number(Pick(0, 23));
        r.minute = number(Pick(0, 59));
        r.progress = Pick(0, 1) ? Progress::Open : Progress::NotTracked;
        return r;
    }

    // Most subjects at a month's edge; a third under a repeating subject's
    // title, so that some stand where the batch would put its own.
    IndivSubj RandomSubj(CalendarDay day) {
        if (Pick(0, 2) > 0) {
            const int edge = Pick(-3, 2);
            const std::int64_t first = DayNumber(CivilDay(day.year, day.month, 1));
            day = DayOfNumber(first + (edge < 0 ? edge : edge + 27));
        }
        IndivSubj s;
        s.year = static_cast<std::int16_t>(day.year);
        s.month = static_cast<std::int16_t>(day.month);
        s.day = static_cast<std::int16_t>(day.day);
        s.title = Pick(0, 2) == 0 ? "rep" + std::to_string(Pick(0, 11))
                                  : "\x89\xEF\x8B\x63 " + std::to_string(Pick(0, 40));  // 会議
        s.hour = static_cast<std::int16_t>(Pick(0, 3) == 0 ? 0 : Pick(0, 23));
        s.minute = static_cast<std::int16_t>(Pick(0, 1) ? 0 : Pick(0, 59));
        const Progress progress[] = {Progress::NotTracked, Progress::Open, Progress::Done};
        s.progress = progress[Pick(0, 2)];
        return s;
    }

    void PutBoth(IndivSubj s) {
        indiv_.current = s;
        if (indiv_.Insert() == StoreResult::Done) {
            copy_.current = s;
            static_cast<void>(copy_.Insert());
        }
    }

    std::mt19937 rng_;
    IndivSubjList indiv_;
    IndivSubjList copy_;
    RepSubjList rep_;
};

TEST(MonthSheet, EqualsAWalkOfTheListAndTheBatchsDays) {
    std::uint32_t seed = 41;
    for (const Setting& setting : kSettings) {
        ScopedTimeZone zone(setting.zone);
        const std::time_t now =
            LocalTime::Make(setting.year, setting.month, setting.day, setting.hour, setting.minute);
        const CalendarDay today = DayFrom(now, 0);
        for (int round = 0; round < 2; ++round, ++seed) {
            MonthSheetModel model(seed);
            model.Fill(today);
            const auto [lastYear, lastMonth] = MonthsOn(today, kMonthsAfter);
            const CalendarDay last =
                CivilDay(lastYear, lastMonth, DaysInMonth(lastYear, lastMonth));

            ScopedClock clock(now);
            Days expected = model.Stored();
            for (auto& [date, entries] : model.NotGenerated(now, today, last)) {
                std::vector<DayEntry>& day = expected[date];
                day.insert(day.end(), entries.begin(), entries.end());
            }
            const std::uint64_t changes = model.Indiv().Changes();
            ASSERT_EQ(model.Rep().First(), StoreResult::Done);
            const std::string keptRep = model.Rep().current.title;
            for (int shown = -kMonthsBefore; shown <= kMonthsAfter; ++shown) {
                const auto [year, month] = MonthsOn(today, shown);
                const MonthSheet sheet = ReadMonthSheet(model.Indiv(), model.Rep(), year, month);
                ASSERT_EQ(sheet.days.size(), static_cast<std::size_t>(DaysInMonth(year, month)));
                for (const MonthDay& day : sheet.days) {
                    const Date date{day.date.year, day.date.month, day.date.day};
                    std::vector<DayEntry> want = expected[date];
                    SortAsTheList(want);
                    EXPECT_EQ(day.entries, want)
                        << setting.zone << " seed " << seed << " " << day.date.year << "-"
                        << day.date.month << "-" << day.date.day;
                }
            }
            EXPECT_EQ(model.Indiv().Changes(), changes) << "reading a sheet changed the list";
            EXPECT_EQ(model.Rep().current.title, keptRep);
        }
    }
}

}  // namespace
