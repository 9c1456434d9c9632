// One resource of a task list as libical reads it: the VCALENDAR and the
// to-do in it, and the few lookups the reading and the patching of a to-do
// share. Only read: a patch splices the server's text (ContentLines.h), as
// libical's writer drops what it does not know. Owns what libical allocated.
#pragma once

#include <libical/ical.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A date and time on the computer's clock, to the minute.
struct WallTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    bool isDate = false;  // a whole day: 00:00

    // Minutes since 1970-01-01 00:00 with every day 1440 of them, for
    // ordering and moving by a distance on the calendar.
    std::int64_t CalendarMinutes() const;
    static WallTime FromCalendarMinutes(std::int64_t minutes, bool isDate);
};

class IcalItem {
  public:
    // Parses `text`; Root() is null when it is no VCALENDAR.
    explicit IcalItem(std::string_view text);
    ~IcalItem();
    IcalItem(const IcalItem&) = delete;
    IcalItem& operator=(const IcalItem&) = delete;

    icalcomponent* Root() const { return root_; }
    // The first VTODO that overrides no date of a series; null when none.
    icalcomponent* Todo() const { return todo_; }
    // True when the calendar holds a VTODO with RECURRENCE-ID.
    bool HasOverrides() const;

    // The date and time of the date property `p` of the to-do in the
    // computer's zone `zoneName`: a date is 00:00, a time in that zone or a
    // floating one is taken as written, one in UTC or another zone (the
    // calendar's definition, else libical's by name) converted. Nullopt when
    // it names a zone nobody defines.
    std::optional<WallTime> WallTimeOf(icalproperty* p, const std::string& zoneName) const;

    // The value of the first property named `name` (an X- property) of the
    // to-do, its escapes undone; nullopt when there is none.
    std::optional<std::string> XText(const char* name) const;

  private:
    icalcomponent* root_ = nullptr;
    icalcomponent* todo_ = nullptr;
};
