// `veskat --import-ics FILE [FOLDER]`: the subjects of an iCalendar file
// added to a data folder without the window. It holds the single-instance
// lock while it works, so that it never writes beside an open window, and
// writes as a save does: each file replaced safely, its version and backup
// kept, and with the server on its unsent marker left, so that the next
// start-up merges the change with the server's copy.
#pragma once

#include <ostream>
#include <string>

// Exit code when this user's window is open, and nothing was done.
inline constexpr int kCommandWindowOpen = 3;

// Adds the subjects of `fileName` that the lists of `folder` do not hold
// yet, and prints the summary on `out`. Exit codes: 0 done (also when there
// was nothing to add); 1 the file gave nothing (why is told) or a data file
// did not load cleanly, and the data is as it was, or a data file could not
// be written, and that file is as it was; 2 no such folder;
// kCommandWindowOpen. Changes the working folder to `folder`.
int RunIcsImport(const std::string& fileName, const std::string& folder, std::ostream& out,
                 std::ostream& err);
