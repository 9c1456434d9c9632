// Keeping the servers' passwords out of reach of everyone but the running program:
// its own copies are overwritten when they are let go, and with the server on
// no core dump is written, since Qt, libcurl and OpenSSL keep copies of their
// own that they free without overwriting.
#pragma once

#include "SecretText.h"

struct ConnectSettings;
struct DavSettings;

// With the server on (`settings.ftpMode` 1): marks the process not dumpable,
// so that a crash writes no core file and no other process of the user may
// read its memory; it stays so for the rest of the run. Does nothing with
// the server off. False when the system refused.
[[nodiscard]] bool GuardPasswordMemory(const ConnectSettings& settings);

// The same with CalDAV on (`settings.davMode` 1).
[[nodiscard]] bool GuardPasswordMemory(const DavSettings& settings);
