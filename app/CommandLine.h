// The commands the program runs without its window: the agenda, the
// iCalendar export and the reminder agent. They are dealt with before the
// widgets' toolkit starts, so they need no display and run beside an open
// window.
#pragma once

#include <optional>

// When the arguments ask for a command ("--agenda [DAYS] [FOLDER]",
// "--export-ics FILE [FOLDER]", "--remind [FOLDER]", "--help" or "-h", which
// prints the usage in the user's language), runs it and gives its exit code:
// 0 done, 1 the export could not be written (or, for --remind, there is no
// session bus), 2 no such folder or arguments the command does not take.
// nullopt when they ask for the window. FOLDER is the current folder when not
// given.
std::optional<int> RunCommandLine(int argc, char** argv);
