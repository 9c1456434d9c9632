#include "KeptVersions.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "Clock.h"
#include "FileAccess.h"
#include "LineDiff.h"
#include "VersionDelta.h"

namespace {

std::string BaseName(const std::string& dataFile) {
    return std::filesystem::path(dataFile).filename().string();
}

// `name`, without a folder, in the folder of `file`.
std::string Beside(const std::string& file, const std::string& name) {
    return (std::filesystem::path(file).parent_path() / name).string();
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

// How StoreAgainst left a version.
enum class Stored { AsChanges, Whole, AsBefore };

// The checksums of versions by name, where the files already say them, so
// that a save computes each at most once.
using Checksums = std::map<std::string, std::string>;

// Keeps `version` as its differences from the version `base` where they are
// less than half its size, else whole; AsBefore when either cannot be read or
// the new file not written, and the version is kept as it was.
Stored StoreAgainst(const std::string& dataFile, VersionReader& reader, const KeptVersion& version,
                    const std::string& base, Checksums& checksums) {
    std::string baseBytes;
    std::string bytes;
    if (reader.Read(base, baseBytes, VersionReader::Check::FitAlone) != VersionRead::Read ||
        reader.Read(version.name, bytes) != VersionRead::Read) {
        return Stored::AsBefore;
    }
    std::string& baseChecksum = checksums[base];
    if (baseChecksum.empty()) {
        baseChecksum = VersionChecksum(baseBytes);
    }
    std::string& checksum = checksums[version.name];
    if (checksum.empty()) {
        checksum = VersionChecksum(bytes);
    }
    const TextLines baseLines = SplitLines(baseBytes);
    const TextLines lines = SplitLines(bytes);
    const std::string delta =
        MakeDelta(baseLines, BaseName(base), baseChecksum, lines, BaseName(version.name), checksum);
    // Rebuilt before it takes the place of anything: a difference that did not give the
    // version back would lose it.
    TextLines rebuilt;
    if (delta.size() < bytes.size() / 2 &&
        ApplyDelta(delta, baseLines, rebuilt) == DeltaRead::Read && rebuilt == lines) {
        if (WriteSideFile(version.name + kChangesSuffix, delta, dataFile) != FileWrite::Written) {
            return Stored::AsBefore;
        }
        if (!version.asChanges) {
            // While the whole copy stays, it is the one read, and it holds the same.
            static_cast<void>(DeleteFile(version.name));
        }
        return Stored::AsChanges;
    }
    if (!version.asChanges || WriteSideFile(version.name, bytes, dataFile) != FileWrite::Written) {
        return Stored::AsBefore;
    }
    static_cast<void>(DeleteFile(version.name + kChangesSuffix));
    return Stored::Whole;
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
        std::string_view stamp = std::string_view(name).substr(prefix.size());
        const bool asChanges = stamp.ends_with(kChangesSuffix);
        if (asChanges) {
            stamp.remove_suffix(std::string_view(kChangesSuffix).size());
        }
        const std::optional<std::time_t> savedAt = ParseFileStamp(stamp);
        const std::optional<int> suffix =
            savedAt ? TakenSuffix(stamp.substr(kStampLength)) : std::nullopt;
        if (suffix) {
            const std::string versionName =
                (std::filesystem::path(folder) / name.substr(0, prefix.size() + stamp.size()))
                    .string();
            found.push_back({{versionName, *savedAt, asChanges}, *suffix});
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.version.savedAt != b.version.savedAt) {
            return a.version.savedAt < b.version.savedAt;
        }
        return a.suffix != b.suffix ? a.suffix < b.suffix
                                    : a.version.asChanges < b.version.asChanges;
    });
    std::vector<KeptVersion> versions;
    for (Found& f : found) {
        // A whole copy beside the differences of the same version is one a tidy-up did not
        // finish removing; both hold the same, and the whole one is read.
        if (!versions.empty() && versions.back().name == f.version.name) {
            continue;
        }
        versions.push_back(std::move(f.version));
    }
    return versions;
}

FileWrite KeepVersion(const std::string& dataFile, std::string_view bytes, std::string& keptAs) {
    const std::string folder = VersionsFolderOf(dataFile);
    if (!MakeFolderFor(folder, dataFile)) {
        return FileWrite::Failed;
    }
    const std::time_t savedAt = ModifiedTime(dataFile).value_or(Clock::Now());
    const std::string stem =
        (std::filesystem::path(folder) / (BaseName(dataFile) + "." + FileStamp(savedAt))).string();
    // Versions of one second are told apart by their numbers, so a number up to that of one kept
    // before, in either form, is taken: thinning frees the lowest first, and a newer version
    // under it would be listed before the older ones.
    int highest = 0;
    for (const KeptVersion& version : ListVersions(dataFile)) {
        if (version.name.starts_with(stem)) {
            highest = std::max(highest, TakenSuffix(version.name.substr(stem.size())).value_or(0));
        }
    }
    keptAs = CreateUnderFreeName(stem, bytes, dataFile, [&](const std::string& name) {
        return TakenSuffix(name.substr(stem.size())).value_or(0) <= highest;
    });
    return keptAs.empty() ? FileWrite::Failed : FileWrite::Written;
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

void ThinVersions(const std::string& dataFile, const std::string& newest) {
    const std::vector<KeptVersion> versions = ListVersions(dataFile);
    std::vector<std::time_t> savedAt;
    for (const KeptVersion& version : versions) {
        savedAt.push_back(version.savedAt);
    }
    std::vector<bool> kept = VersionsKept(savedAt, Clock::Now());
    std::map<std::string, std::string> baseOf;  // of each kept as its differences
    Checksums checksums;
    std::set<std::string> going;
    for (std::size_t i = 0; i < versions.size(); ++i) {
        // The version just kept is the one all others are rebuilt from, whatever its date says.
        kept[i] = kept[i] || versions[i].name == newest;
        if (!kept[i]) {
            going.insert(versions[i].name);
        }
        const std::optional<DeltaHeader> header =
            versions[i].asChanges ? VersionReader::HeaderOf(versions[i].name) : std::nullopt;
        if (versions[i].asChanges) {
            baseOf[versions[i].name] = header ? Beside(versions[i].name, header->baseName) : "";
        }
        if (header) {
            // Proven when the version is read. A whole copy's is taken from its bytes: one
            // changed since stays readable as it now is.
            checksums[versions[i].name] = header->checksum;
        }
    }
    VersionReader reader;

    // Whole copies other than the newest (the one the save before kept, and any
    // of older programs), newest first, each against the one before it.
    std::string above = newest;
    for (std::size_t i = versions.size(); i-- > 0;) {
        const KeptVersion& version = versions[i];
        if (kept[i] && !version.asChanges && version.name != newest) {
            if (StoreAgainst(dataFile, reader, version, above, checksums) == Stored::AsChanges) {
                baseOf[version.name] = above;
            }
            above = version.name;
        }
    }

    // One rebuilt from a version that goes is kept against the first above it that stays.
    for (std::size_t i = versions.size(); i-- > 0;) {
        const KeptVersion& version = versions[i];
        const auto base = baseOf.find(version.name);
        if (!kept[i] || base == baseOf.end() || going.count(base->second) == 0) {
            continue;
        }
        std::string staying = base->second;
        for (std::size_t hops = 0; going.count(staying) > 0 && hops < versions.size(); ++hops) {
            const auto next = baseOf.find(staying);
            staying = next == baseOf.end() ? newest : next->second;
        }
        if (going.count(staying) > 0 || staying == version.name) {
            staying = newest;
        }
        switch (StoreAgainst(dataFile, reader, version, staying, checksums)) {
            case Stored::AsChanges:
                base->second = staying;
                break;
            case Stored::Whole:
                baseOf.erase(base);
                break;
            case Stored::AsBefore:
                break;
        }
    }

    // A version that goes and that one that stays is still rebuilt from stays
    // too: it could not be put on another.
    std::set<std::string> needed;
    for (std::size_t i = 0; i < versions.size(); ++i) {
        auto base = kept[i] ? baseOf.find(versions[i].name) : baseOf.end();
        // Up the versions it is rebuilt from, to one met before.
        while (base != baseOf.end() && needed.insert(base->second).second) {
            base = baseOf.find(base->second);
        }
    }
    for (const std::string& name : going) {
        if (needed.count(name) == 0) {
            // One that stays is only a version more, thinned again at the next save.
            static_cast<void>(DeleteFile(name));
            static_cast<void>(DeleteFile(name + kChangesSuffix));
        }
    }
}
