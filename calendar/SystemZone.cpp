#include "SystemZone.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "Clock.h"
#include "IcsText.h"

namespace {

// The part of a zone file's path after ".../zoneinfo/", or "" when there is none.
std::string ZoneOfPath(const std::string& path) {
    static constexpr std::string_view kMarker = "zoneinfo/";
    const std::size_t at = path.rfind(kMarker);
    return at == std::string::npos ? std::string() : path.substr(at + kMarker.size());
}

std::string LinkedZone(const char* link) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(link, error);
    return error ? std::string() : ZoneOfPath(target.string());
}

std::string ZoneOfEtcTimezone() {
    std::ifstream file("/etc/timezone");
    std::string name;
    std::getline(file, name);
    return name;
}

struct Offset {
    long seconds = 0;
    bool daylight = false;
    std::string abbreviation;

    bool operator==(const Offset& other) const {
        return seconds == other.seconds && daylight == other.daylight;
    }
};

Offset OffsetAt(std::time_t t) {
    const std::tm local = LocalTime::Break(t);
    return {local.tm_gmtoff, local.tm_isdst > 0, local.tm_zone != nullptr ? local.tm_zone : ""};
}

// "+0930", "-0500", "+103000" for an offset with seconds.
std::string OffsetText(long seconds) {
    std::string text = seconds < 0 ? "-" : "+";
    const long magnitude = seconds < 0 ? -seconds : seconds;
    const auto two = [&text](long value) {
        text += static_cast<char>('0' + value / 10);
        text += static_cast<char>('0' + value % 10);
    };
    two(magnitude / 3600);
    two(magnitude / 60 % 60);
    if (magnitude % 60 != 0) {
        two(magnitude % 60);
    }
    return text;
}

// Local date and time of instant `t` at `offset` seconds from UTC.
std::string LocalText(std::time_t t, long offset) {
    const std::time_t shifted = t + offset;
    std::tm broken{};
    gmtime_r(&shifted, &broken);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%S", &broken);
    return text;
}

void AddOnset(IcsLines& lines, std::time_t at, const Offset& before, const Offset& after) {
    const char* kind = after.daylight ? "DAYLIGHT" : "STANDARD";
    lines.Add("BEGIN", kind);
    // An onset is written in the local time that was in force before it.
    lines.Add("DTSTART", LocalText(at, before.seconds));
    lines.Add("TZOFFSETFROM", OffsetText(before.seconds));
    lines.Add("TZOFFSETTO", OffsetText(after.seconds));
    if (!after.abbreviation.empty()) {
        lines.Add("TZNAME", IcsEscapeText(after.abbreviation));
    }
    lines.Add("END", kind);
}

// The first second in (`low`, `high`] whose offset differs from low's.
std::time_t ChangeBetween(std::time_t low, std::time_t high) {
    const Offset first = OffsetAt(low);
    while (high - low > 1) {
        const std::time_t middle = low + (high - low) / 2;
        (OffsetAt(middle) == first ? low : high) = middle;
    }
    return high;
}

}  // namespace

std::string SystemZoneName() {
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
        std::string name = tz[0] == ':' ? tz + 1 : tz;
        if (name.empty() || name[0] != '/') {
            return name;
        }
        if (std::string zone = ZoneOfPath(name); !zone.empty()) {
            return zone;
        }
        if (std::string zone = LinkedZone(name.c_str()); !zone.empty()) {
            return zone;
        }
    }
    if (std::string zone = LinkedZone("/etc/localtime"); !zone.empty()) {
        return zone;
    }
    if (std::string zone = ZoneOfEtcTimezone(); !zone.empty()) {
        return zone;
    }
    return "UTC";
}

void AddZone(IcsLines& lines, const std::string& name, std::time_t from, std::time_t to) {
    lines.Add("BEGIN", "VTIMEZONE");
    lines.Add("TZID", IcsEscapeText(name));
    Offset current = OffsetAt(from);
    AddOnset(lines, from, current, current);
    // Clocks change at most a few times a year, never twice within six hours.
    constexpr std::time_t kStep = 6 * 3600;
    for (std::time_t t = from; t < to; t += kStep) {
        const std::time_t next = t + kStep;
        if (const Offset after = OffsetAt(next); !(after == current)) {
            const std::time_t at = ChangeBetween(t, next);
            const Offset changed = OffsetAt(at);
            AddOnset(lines, at, current, changed);
            current = changed;
        }
    }
    lines.Add("END", "VTIMEZONE");
}
