// The narrow view of the individual subjects that the reminders read: each
// subject's key, date, time, progress and title, and the first line of its
// content on demand. The window's store gives it (StoredReminderSubjects), and
// so does the agent's light copy of the data file (ReminderIndex), so that the
// scheduler never needs a whole store.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "SubjRecord.h"

// A calendar day: year, month, day.
using ReminderDay = std::tuple<int, int, int>;

// One subject as the reminders see it; what it points to lives for the call
// that hands it out.
struct ReminderItem {
    SubjKey key;  // kKeySize bytes: date and title
    std::int16_t year = 0;
    std::int16_t month = 0;
    std::int16_t day = 0;
    std::int16_t hour = 0;
    std::int16_t minute = 0;
    Progress progress{};
    std::string_view title;  // Shift_JIS, without the key's padding
};

class ReminderSubjects {
  public:
    using Visitor = std::function<bool(const ReminderItem&)>;

    virtual ~ReminderSubjects() = default;

    // Calls `visit` for the subjects dated `first` or later (from the first
    // subject when nullopt), in key order (date, then title), until it returns
    // false. Done subjects may be passed or left out.
    virtual void VisitFrom(std::optional<ReminderDay> first, const Visitor& visit) const = 0;
    // Calls `visit` once for the subject of `key`, when there is one.
    virtual void VisitKey(SubjKey key, const Visitor& visit) const = 0;
    // The first line of the content of the subject of `key`, line breaks
    // undone; empty when it has none or there is no such subject.
    virtual std::string NoteOf(SubjKey key) const = 0;
};
