// One to-do (VTODO) or event (VEVENT) of an iCalendar file as what this
// program keeps: a dated subject, a series of dates, or an override of one
// date of a series (RECURRENCE-ID), or the reason it gives none. The file
// walk (IcsImport.h) and a server's items one by one both read through here;
// what a series finally becomes is settled with the others of its title
// (IcsSeriesGroups.h).
#pragma once

#include <libical/ical.h>

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "CalendarDay.h"
#include "SubjRecord.h"

class IcsZones;

// Why an item of a file gives no subject.
enum class SkipReason {
    NotSubject,     // neither a to-do nor an event (a journal entry, free/busy time)
    NoDate,         // a to-do without DUE or DTSTART, an event without DTSTART
    UnknownZone,    // a time in a zone neither the file defines nor libical knows
    Broken,         // a date, rule or text libical could not read, or no item at all
    OutOfRange,     // a date outside the years 1 to 9999
    TooLarge,       // longer than any item a calendar program writes
    NoDayInWindow,  // a series none of whose dates falls in the days imported
    TooManyDates,   // a series with more dates than could be looked through
};
inline constexpr std::size_t kSkipReasons = 8;

// The texts a subject could not take whole, counted by subject.
struct TextLosses {
    int standIns = 0;     // with a character Shift_JIS has no form for
    int titlesCut = 0;    // a title over its 72 bytes
    int contentsCut = 0;  // a content over its 392 bytes

    void Add(const TextLosses& other) {
        standIns += other.standIns;
        titlesCut += other.titlesCut;
        contentsCut += other.contentsCut;
    }
};

// The days a series is read over, as day numbers (DayNumber) from `today`:
// the batch's window before and after today, and the year beyond it over
// which a series is compared with the rule that would stand for it.
struct ImportWindow {
    CalendarDay today;
    std::int64_t todayNumber = 0;
    std::int64_t first = 0;     // the earliest day a series gives a dated subject on
    std::int64_t last = 0;      // the last day of the batch's window
    std::int64_t checkEnd = 0;  // the last day a rule is compared over

    // The window of the local day of `now`.
    static ImportWindow At(std::time_t now);
};

// One date of a series in the computer's zone: the day (DayNumber) and the
// minute of the day of its due time, and the instant of its start as
// IcsZones::InstantOf gives it, by which RECURRENCE-ID and EXDATE name it.
struct SeriesDate {
    std::int64_t day = 0;
    int minute = 0;
    std::int64_t recurrence = 0;
};

// A recurring item: its texts, progress and time as a repeating subject
// holds them, and its dates from ImportWindow::first to checkEnd, in order.
struct IcsSeries {
    std::string uid;
    RepSubj rep;
    // The rule is one of the four a repeating subject holds, without COUNT,
    // UNTIL or INTERVAL, and stands in `rep`; whether it gives exactly the
    // dates is settled with the item's overrides.
    bool ruled = false;
    std::vector<SeriesDate> dates;
    TextLosses losses;
};

// A RECURRENCE-ID item: one date of the series `uid` as it is instead.
struct IcsOverride {
    std::string uid;
    std::int64_t recurrence = 0;     // the date it stands for, as SeriesDate::recurrence
    std::int64_t recurrenceDay = 0;  // that date's day in the computer's zone (DayNumber)
    bool cancelled = false;          // an event taken off that date: no subject
    IndivSubj subject;               // unless cancelled
};

struct ItemReading {
    enum class Kind { Skipped, Dated, Series, Override };
    Kind kind = Kind::Skipped;
    SkipReason reason = SkipReason::Broken;  // Skipped
    IndivSubj dated;                         // Dated
    IcsSeries series;                        // Series
    IcsOverride override;                    // Override
    TextLosses losses;                       // of `dated` or the override's subject
};

// Reads the item `component`, a VTODO or VEVENT that `zones.Calendar()`
// holds, over `window`. The date and time are its DUE (a to-do without one:
// its DTSTART) or its DTSTART (an event), in the computer's zone; 00:00 for
// an all-day date.
ItemReading ReadIcsComponent(icalcomponent* component, const IcsZones& zones,
                             const ImportWindow& window);

// The same for the text of one item, "BEGIN:VTODO" to "END:VTODO" (or
// VEVENT), whose zones `zones` holds.
ItemReading ReadIcsItem(std::string_view text, IcsZones& zones, const ImportWindow& window);
