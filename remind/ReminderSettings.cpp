#include "ReminderSettings.h"

#include "IniFile.h"

namespace {

constexpr const char* kSection = "Reminders";
constexpr const char* kKey = "notify";
constexpr const char* kOff = "FALSE";

}  // namespace

bool ReadNotifySetting(const std::string& iniFile) {
    return IniFile::Read(kSection, kKey, "TRUE", 10, iniFile) != kOff;
}

FileWrite WriteNotifySetting(bool notify, const std::string& iniFile) {
    return IniFile::Write(kSection, kKey, notify ? "TRUE" : kOff, iniFile);
}
