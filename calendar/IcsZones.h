// The time zones an iCalendar file's times are written in, and how such a
// time becomes a date and time of the computer's zone. A TZID is looked up
// in the file's own VTIMEZONE definitions first, then among the zones libical
// knows by their IANA names. A time in the computer's own zone is taken as
// written, so that what this program exported comes back as it was, even a
// time that a clock change skips.
#pragma once

#include <libical/ical.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "CalendarDay.h"

// A date and time in the computer's zone, to the minute.
struct LocalMoment {
    CalendarDay day;
    int hour = 0;
    int minute = 0;
};

// How the values of one date property are to be read.
struct TimeBasis {
    enum class Kind {
        Date,   // a day, all day long: 00:00 on that day
        Wall,   // a floating time, or one in the computer's zone: as written
        Zoned,  // a time in `zone`, converted
    };
    Kind kind = Kind::Wall;
    icaltimezone* zone = nullptr;
};

class IcsZones {
  public:
    // `systemZone` is the computer's zone as SystemZoneName gives it.
    explicit IcsZones(std::string systemZone);
    ~IcsZones();
    IcsZones(const IcsZones&) = delete;
    IcsZones& operator=(const IcsZones&) = delete;

    // Takes in the VTIMEZONE `text`; a TZID defined already keeps its first
    // definition. False when `text` is no VTIMEZONE with a TZID.
    bool AddDefinition(std::string_view text);

    // The calendar that holds the definitions. A component read is put in it
    // while its times are read, so that libical finds the zones they name.
    icalcomponent* Calendar() const { return calendar_; }

    // How to read the value of `property` of `component` (which Calendar()
    // holds); nullopt when it names a zone neither the file nor libical knows.
    std::optional<TimeBasis> BasisOf(icalproperty* property, icalcomponent* component) const;

    // `value` (read on `basis`) in the computer's zone.
    static LocalMoment ToLocal(const icaltimetype& value, const TimeBasis& basis);

    // A number that two values standing for the same instant share, and that
    // orders values of one basis: for matching RECURRENCE-ID and EXDATE
    // against the occurrences of a series.
    static std::int64_t InstantOf(const icaltimetype& value, const TimeBasis& basis);

  private:
    bool IsSystemZone(std::string_view tzid, icaltimezone* zone) const;

    std::string systemZone_;
    icalcomponent* calendar_;
};
