// A dated subject built from its fields, for the sync's tests.
#pragma once

#include <cstdint>
#include <string>

#include "SubjRecord.h"

// Title, content and origin in Shift_JIS; daysLeft and overdue not worked out.
inline IndivSubj Dated(const std::string& title, int year, int month, int day, int hour = 0,
                       int minute = 0, Progress progress = Progress::Open,
                       const std::string& content = "", const std::string& origin = "") {
    IndivSubj subj;
    subj.title = title;
    subj.year = static_cast<std::int16_t>(year);
    subj.month = static_cast<std::int16_t>(month);
    subj.day = static_cast<std::int16_t>(day);
    subj.hour = static_cast<std::int16_t>(hour);
    subj.minute = static_cast<std::int16_t>(minute);
    subj.progress = progress;
    subj.content = content;
    subj.origin = origin;
    return subj;
}
