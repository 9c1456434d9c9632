// The computer's time zone as an iCalendar file names and describes it: the
// name for TZID and a VTIMEZONE with the zone's offsets and clock changes, read
// from the same C library conversions that give the batch its days.
#pragma once

#include <ctime>
#include <string>

class IcsLines;

// The zone's name: TZ without its leading ':' when it names a zone, else the
// zone file /etc/localtime links to, else /etc/timezone, else "UTC" for a
// system without any.
std::string SystemZoneName();

// Adds a VTIMEZONE named `name` whose offsets hold from `from` to `to`: one
// sub-component for the offset in force at `from` and one for every change of
// offset up to `to`.
void AddZone(IcsLines& lines, const std::string& name, std::time_t from, std::time_t to);
