// Start-up measured from outside: with VESKAT_EXIT_AFTER_FIRST_PAINT set in the
// environment, the process ends the moment its subject list has first been
// painted, so that a benchmark can time a whole start; its last line on
// standard error is then "VmHWM: <peak resident KiB> kB", read from the system.
#pragma once

// Does nothing unless the variable is set. Call once the application exists.
void InstallStartUpProbe();

// The same for the reminder agent: with VESKAT_EXIT_AFTER_FIRST_LOOK set, ends
// the process at once, its lines "VmHWM: <peak KiB> kB" and "VmRSS: <resident
// KiB> kB" last on standard error. Call after the agent's first look.
void EndAfterFirstLookIfProbed();
// With VESKAT_REPORT_PEAK set, prints the same "VmHWM:" line: for a
// benchmark of a command that runs without the window, at its end.
void ReportPeakIfAsked();
