// The commands the program runs without its window: the agenda, the
// iCalendar export and the import, and the reminder agent. They are dealt
// with before the widgets' toolkit starts, so they need no display; all but
// the import run beside an open window.
#pragma once

#include <optional>

// When the arguments ask for a command ("--agenda [DAYS] [FOLDER]",
// "--export-ics [--events] FILE [FOLDER]", "--import-ics FILE [FOLDER]",
// "--remind [FOLDER]", "--help" or "-h", which prints the usage in the user's
// language), runs it and gives its exit code: 0 done, 1 the export could not
// be written or the import failed (for --remind, there is no session bus),
// 2 no such folder or arguments the command does not take, 3 the import found
// the window open. An unknown option, a number of days outside 1 to 3660, a
// missing file or an argument too many is named on standard error, in the
// user's language, above the usage. nullopt when they ask for the window
// (with "--reminder-action", main() reads the action). FOLDER is the current
// folder when not given.
std::optional<int> RunCommandLine(int argc, char** argv);
