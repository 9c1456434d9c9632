// What to remind the user of, and when: the day's summary and the notification
// of each subject with a time of day, worked out from the individual subjects
// (through their narrow view, ReminderSubjects) and the time alone. No timer
// and no bus here; ReminderDriver brings both.
#pragma once

#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ReminderSubjects.h"
#include "SubjRecord.h"

// The subjects not done that fall on today or on a day before it.
struct DaySummary {
    int today = 0;    // dated today, whatever their time
    int overdue = 0;  // dated before today
    // The titles (Shift_JIS) of the first few: today's in time order, then the
    // overdue ones in date order.
    std::vector<std::string> titles;
};

// One subject whose time of day has come.
struct DueReminder {
    std::string key;    // the subject's key bytes (kKeySize), which name it
    IndivSubj subj;     // date, title, time and progress
    std::string note;   // the first line of its content (FirstContentLine)
    bool late = false;  // shown a minute or more after its time, as after sleep
};

// What one look at the subjects asks for.
struct ReminderTick {
    std::optional<DaySummary> summary;  // at the first look and at each new day
    std::vector<DueReminder> due;       // in order of their times
    std::time_t wakeAt = 0;             // when to look again, later than now
};

class ReminderScheduler {
  public:
    // Titles a summary names.
    static constexpr std::size_t kSummaryTitles = 3;
    // The longest wait between two looks. Timers stand still while the computer
    // sleeps, and the clock may be set; looking once a minute catches both.
    static constexpr std::time_t kLongestWait = 60;

    // Looks at the subjects of `subjects` not done (open and not tracked
    // alike) at the time `now`. A subject with a time other than 00:00 is due
    // once when the clock passes its time; one that passed since the previous
    // look comes now, marked late when a minute or more has gone. At the first
    // look, only what falls on its own minute is due: earlier times are in the
    // summary. A subject is known by its key: one added or edited since the
    // last look is taken as it is now, one deleted is gone, and an edit that
    // moves its time arms it again. Reads only the days from the last look to
    // the next wake, and every day up to today when a summary is due.
    ReminderTick Tick(const ReminderSubjects& subjects, std::time_t now);

    // False when the subject of `key`, reminded of, is done, gone or at
    // another time since: its notification tells what no longer holds.
    bool StillStands(const ReminderSubjects& subjects, SubjKey key) const;

    // The summary was given on `day` (by an earlier run, say): no other until
    // the next day.
    void SummaryGivenOn(const ReminderDay& day) { summaryDay_ = day; }
    std::optional<ReminderDay> SummaryDay() const { return summaryDay_; }

    // Forgets every look, so that the next one is a first look again.
    void Reset();

  private:
    std::optional<std::time_t> lastLook_;
    std::optional<ReminderDay> summaryDay_;
    // The time each subject was last reminded of, by key; kept for two days,
    // so that a clock set back does not bring the same reminders again.
    std::map<std::string, std::time_t> shown_;
};
