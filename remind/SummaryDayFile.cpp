#include "SummaryDayFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string SummaryDayFile::StateFolder() {
    // Relative values are to be ignored, as the base-directory rules say.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return std::string(state) + "/veskat";
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        return {};
    }
    return std::string(home) + "/.local/state/veskat";
}

std::optional<ReminderDay> SummaryDayFile::Read() const {
    const std::optional<std::string> text = ReadWholeFile(fileName_);
    int year = 0;
    int month = 0;
    int day = 0;
    char end = 0;
    if (!text || std::sscanf(text->c_str(), "%d-%d-%d%c", &year, &month, &day, &end) != 4 ||
        end != '\n') {
        return std::nullopt;
    }
    return ReminderDay{year, month, day};
}

FileWrite SummaryDayFile::Write(const ReminderDay& day) const {
    const std::filesystem::path folder = std::filesystem::path(fileName_).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        std::filesystem::create_directories(folder, error);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d\n", std::get<0>(day), std::get<1>(day),
                  std::get<2>(day));
    return WriteSideFile(fileName_, text, fileName_);
}
