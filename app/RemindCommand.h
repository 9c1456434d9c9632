// `veskat --remind [FOLDER]`: the reminder agent's whole run, with no window.
// One runs per user and folder (its own single-instance guard); it reads the
// folder and never writes it, and ends when 通知する is turned off.
#pragma once

#include <string>

// Runs the agent on `folder` until it is ended; `argc` and `argv` go to the
// toolkit. 0 when it ended as asked, when 通知する is off, or when an agent
// of the folder runs already; 1 without a session bus; 2 when `folder` is no
// folder. With VESKAT_EXIT_AFTER_FIRST_LOOK set it ends after its first look
// at the subjects, its memory on standard error (see StartUpProbe.h).
int RunReminderAgent(int argc, char** argv, const std::string& folder);
