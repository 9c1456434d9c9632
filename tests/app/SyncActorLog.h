// What the randomised sync test and its actor process share: the subjects
// the actor makes, the password of the computers' logins and the logs the
// actor leaves in its working folder.
#pragma once

#include <cstdio>
#include <string>

#include "SubjRecord.h"

inline constexpr const char* kEditsLog = "edits.log";
inline constexpr const char* kMessagesLog = "messages.log";
inline constexpr const char* kSoakPassword = "cpass";
// "件" in Shift_JIS: every title is this and a number, so that a title
// re-encoded as UTF-8 by another program no longer reads the same.
inline constexpr const char* kSoakTitlePrefix = "\x8C\x8F";

inline IndivSubj SoakSubject(int number, const std::string& version) {
    IndivSubj subj;
    subj.year = 2025;
    subj.month = 1;
    subj.day = 1;
    subj.hour = 10;
    subj.title = kSoakTitlePrefix + std::to_string(number);
    subj.progress = Progress::Open;
    subj.content = version;
    return subj;
}

inline std::string SoakTitleNumber(const IndivSubj& subj) {
    return subj.title.substr(std::string(kSoakTitlePrefix).size());
}

// The year of the CalDAV soak's dated subjects: ahead, so that no batch
// purges them.
inline constexpr int kDavSoakYear = 2027;

// "反" in Shift_JIS: the repeating subjects of the CalDAV soak are this and a
// number, weekly on one day, their version in their content.
inline constexpr const char* kSoakRepPrefix = "\x94\xBD";

inline RepSubj SoakRepSubject(int number, const std::string& version) {
    RepSubj subj;
    subj.title = kSoakRepPrefix + std::to_string(number);
    subj.weekly[static_cast<std::size_t>(number % 7)] = 1;
    subj.hour = 9;
    subj.progress = Progress::Open;
    subj.content = version;
    return subj;
}

// Appends `line` to `fileName` and lets it reach the kernel at once, so
// that a kill right after loses none of it.
inline void AppendLine(const char* fileName, const std::string& line) {
    if (std::FILE* out = std::fopen(fileName, "a")) {
        std::fprintf(out, "%s\n", line.c_str());
        std::fclose(out);
    }
}
