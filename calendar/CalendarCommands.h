// The two commands that read the data folder without opening the window:
// the agenda on standard output and the iCalendar export to a file.
#pragma once

#include <ostream>
#include <string>

#include "IcsExport.h"

// Exit codes of the commands.
inline constexpr int kCommandDone = 0;
inline constexpr int kCommandFailed = 1;  // the export file could not be written
inline constexpr int kCommandNoFolder = 2;

// `veskat --agenda`: the agenda of `folder` for `days` days on `out`. Files
// that did not load cleanly are told on `err` and the rest is printed.
int RunAgenda(const std::string& folder, int days, std::ostream& out, std::ostream& err);

// `veskat --export-ics [--events]`: both lists of `folder` as an iCalendar
// file `fileName` of `form` in the computer's time zone.
int RunIcsExport(const std::string& fileName, const std::string& folder, IcsForm form,
                 std::ostream& err);
