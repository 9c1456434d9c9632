// The reminders' one setting, 通知する, kept in "veskat.ini" in a section of
// its own ("Reminders", key "notify") so that the connection settings' section
// is never rewritten for it. Reminders are on unless the file says otherwise.
#pragma once

#include <string>

#include "FileAccess.h"

// False only when the key holds "FALSE"; a missing file, section or key, or
// any other value, leaves reminders on.
bool ReadNotifySetting(const std::string& iniFile);

// Writes "TRUE" or "FALSE"; every other line of the file stays as it was.
// Failed: the file is as it was.
FileWrite WriteNotifySetting(bool notify, const std::string& iniFile);
