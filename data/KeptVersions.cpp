#include "KeptVersions.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

#include "Clock.h"
#include "FileAccess.h"

namespace {

std::string BaseName(const std::string& dataFile) {
    return std::filesystem::path(dataFile).filename().string();
}

// The place of a version among those with the same stamp: 1 for the plain
// name, n for the name with "-n" added.
std::optional<int> TakenSuffix(std::string_view rest) {
    if (rest.empty()) {
        return 1;
    }
    if (rest.size() < 2 || rest.size() > 5 || rest[0] != '-') {
        return std::nullopt;
    }
    int n = 0;
    for (const char c : rest.substr(1)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        n = n * 10 + (c - '0');
    }
    return n;
}

// Days since 1970 of the local calendar date of `t`.
std::int64_t LocalDay(std::time_t t) {
    const std::tm local = LocalTime::Break(t);
    return LocalTime::CalendarSeconds(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) /
           86400;
}

}  // namespace

std::string VersionsFolderOf(const std::string& dataFile) {
    return (std::filesystem::path(dataFile).parent_path() / kVersionsFolderName).string();
}

std::vector<KeptVersion> ListVersions(const std::string& dataFile) {
    constexpr std::size_t kStampLength = 15;  // YYYYMMDD-hhmmss
    const std::string folder = VersionsFolderOf(dataFile);
    const std::string prefix = BaseName(dataFile) + ".";
    struct Found {
        KeptVersion version;
        int suffix;
    };
    std::vector<Found> found;
    for (const std::string& name : RegularFilesIn(folder)) {
        if (!name.starts_with(prefix)) {
            continue;
        }
        const std::string_view stamp = std::string_view(name).substr(prefix.size());
        const std::optional<std::time_t> savedAt = ParseFileStamp(stamp);
        const std::optional<int> suffix =
            savedAt ? TakenSuffix(stamp.substr(kStampLength)) : std::nullopt;
        if (suffix) {
            found.push_back({{(std::filesystem::path(folder) / name).string(), *savedAt}, *suffix});
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.version.savedAt != b.version.savedAt ? a.version.savedAt < b.version.savedAt
                                                      : a.suffix < b.suffix;
    });
    std::vector<KeptVersion> versions;
    for (Found& f : found) {
        versions.push_back(std::move(f.version));
    }
    return versions;
}

std::string KeepVersion(const std::string& dataFile, std::string_view bytes) {
    const std::string folder = VersionsFolderOf(dataFile);
    if (!MakeFolderFor(folder, dataFile)) {
        return {};
    }
    const std::time_t savedAt = ModifiedTime(dataFile).value_or(Clock::Now());
    const std::string stem =
        (std::filesystem::path(folder) / (BaseName(dataFile) + "." + FileStamp(savedAt))).string();
    return CreateUnderFreeName(stem, bytes, dataFile);
}

std::vector<bool> VersionsKept(const std::vector<std::time_t>& savedAt, std::time_t now) {
    const std::size_t count = savedAt.size();
    std::vector<bool> kept(count, false);
    const std::int64_t today = LocalDay(now);
    std::set<std::int64_t> daysKept;
    std::size_t newer = 0;  // versions passed that were saved by now
    for (std::size_t i = count; i-- > 0;) {
        // One dated after now was saved before the clock was set back: how old it is cannot be
        // told, and it must not push those saved since out of the newest.
        if (savedAt[i] > now) {
            kept[i] = true;
            continue;
        }
        const std::int64_t day = LocalDay(savedAt[i]);
        const bool recent = ++newer <= kRecentVersionsKept;
        const bool newestOfItsDay = today - day < kDailyVersionDays && daysKept.insert(day).second;
        kept[i] = recent || newestOfItsDay;
    }
    return kept;
}

void ThinVersions(const std::string& dataFile) {
    const std::vector<KeptVersion> versions = ListVersions(dataFile);
    std::vector<std::time_t> savedAt;
    for (const KeptVersion& version : versions) {
        savedAt.push_back(version.savedAt);
    }
    const std::vector<bool> kept = VersionsKept(savedAt, Clock::Now());
    for (std::size_t i = 0; i < versions.size(); ++i) {
        if (!kept[i]) {
            // One that stays is only a version more, thinned again at the next save.
            static_cast<void>(DeleteFile(versions[i].fileName));
        }
    }
}
