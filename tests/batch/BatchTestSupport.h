// Shared by the batch tests: subjects built in one line, the list read back as
// dates or whole subjects, and a time zone pinned for the length of a test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "Clock.h"
#include "ScopedTimeZone.h"
#include "SubjList.h"

namespace batchtest {

using Ymd = std::chrono::year_month_day;

inline Ymd MakeYmd(int y, int m, int d) {
    return Ymd{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)},
               std::chrono::day{static_cast<unsigned>(d)}};
}

// Calendar arithmetic that knows nothing of time zones.
inline Ymd AddDays(Ymd date, int days) {
    return Ymd{std::chrono::sys_days{date} + std::chrono::days{days}};
}

inline Ymd LocalDayOf(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return MakeYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

inline std::string DateText(int y, int m, int d) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    return text;
}

inline std::string DateText(Ymd date) {
    return DateText(static_cast<int>(date.year()), static_cast<int>(unsigned(date.month())),
                    static_cast<int>(unsigned(date.day())));
}

inline std::string DateText(const IndivSubj& s) {
    return DateText(s.year, s.month, s.day);
}

inline RepSubj Rep(const std::string& title, Progress progress = Progress::Open) {
    RepSubj r;
    r.title = title;
    r.hour = 9;
    r.progress = progress;
    return r;
}

inline IndivSubj Indiv(Ymd date, const std::string& title, Progress progress,
                       const std::string& origin = "") {
    IndivSubj s;
    s.year = static_cast<std::int16_t>(static_cast<int>(date.year()));
    s.month = static_cast<std::int16_t>(unsigned(date.month()));
    s.day = static_cast<std::int16_t>(unsigned(date.day()));
    s.title = title;
    s.hour = 8;
    s.minute = 15;
    s.progress = progress;
    s.origin = origin;
    return s;
}

inline void Put(IndivSubjList& list, const IndivSubj& s) {
    list.current = s;
    ASSERT_EQ(list.Insert(), StoreResult::Done) << DateText(s) << " " << s.title;
}

inline std::vector<IndivSubj> Contents(IndivSubjList& list) {
    std::vector<IndivSubj> all;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        all.push_back(list.current);
    }
    return all;
}

// The dates, in key order, of the subjects titled `title`.
inline std::vector<std::string> DatesOf(IndivSubjList& list, const std::string& title) {
    std::vector<std::string> dates;
    for (const IndivSubj& s : Contents(list)) {
        if (s.title == title) {
            dates.push_back(DateText(s));
        }
    }
    return dates;
}

// Every stored field of an individual subject, for whole-list comparisons.
inline std::string Describe(const IndivSubj& s) {
    return DateText(s) + " [" + s.title + "] " + std::to_string(s.hour) + ":" +
           std::to_string(s.minute) + " " + static_cast<char>(s.progress) + " [" + s.content +
           "] <" + s.origin + ">";
}

inline std::vector<std::string> DescribeAll(IndivSubjList& list) {
    std::vector<std::string> lines;
    for (const IndivSubj& s : Contents(list)) {
        lines.push_back(Describe(s));
    }
    return lines;
}

}  // namespace batchtest
