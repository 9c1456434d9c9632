// The property the iCalendar reader is fuzzed for, shared by the fuzz target
// and by the test that runs its seed corpus in every build: whatever bytes a
// file holds, reading them either gives a reason and no subject at all, or
// subjects that a record holds exactly as they were read (a date the
// calendar has, a time of day, a known progress, texts within their limits
// and whole characters), all of which go into empty lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The zone the property reads in: one with clock changes.
inline constexpr char kIcsPropertyZone[] = "Europe/Berlin";

// Every way the property fails for a file of these bytes, read in
// kIcsPropertyZone (which TZ must name); empty when it holds.
std::vector<std::string> CheckIcsRead(const std::uint8_t* data, std::size_t size);
