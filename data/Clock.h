// The current time as the subject data sees it: days left, the overdue flag and
// the batch's window are all measured from here. The program uses the real time;
// tests pin it with ScopedClock.
#pragma once

#include <cstdint>
#include <ctime>

namespace Clock {

// Seconds since the epoch: the real time unless a ScopedClock is in force.
std::time_t Now();

}  // namespace Clock

// Pins Clock::Now() to a fixed instant while it lives.
class ScopedClock {
  public:
    explicit ScopedClock(std::time_t fixed);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

    void Set(std::time_t fixed);

  private:
    bool hadPrevious_;
    std::time_t previous_;
};

// Local time helpers shared by the decoder and the batch.
namespace LocalTime {

// The instant of a local date and time; the calendar normalises out-of-range
// fields (31 February becomes early March) and picks the daylight-saving state.
std::time_t Make(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// The local calendar fields of an instant.
std::tm Break(std::time_t t);

// Seconds from 1970-01-01 00:00:00 to a date and time on the calendar, every
// day taken as 86 400 seconds: the difference of two such values counts
// calendar days, whatever the clocks did in between. Out-of-range months and
// days carry over as in Make.
std::int64_t CalendarSeconds(int year, int month, int day, int hour = 0, int minute = 0,
                             int second = 0);

// Names the system's zone file in TZ when TZ is unset. Without it the C library
// checks the zone file again on every conversion, and every subject read
// converts twice; call it first thing in main(), before any thread starts.
void ReadZoneOnce();

}  // namespace LocalTime
