// Earlier versions of a data file, kept in a folder "versions" beside it: each
// save that changes a file keeps the version it replaces there, dated when
// that version was saved, and thins the folder so that the last few and one a
// day for a month stay while older ones go. The newest is kept whole, as a
// copy of the file; the others as their differences from a newer one (see
// VersionReader.h), so that a save costs what it changed.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "FileAccess.h"
#include "VersionReader.h"

inline constexpr const char* kVersionsFolderName = "versions";
// Thinning keeps the newest this many versions of each file...
inline constexpr std::size_t kRecentVersionsKept = 20;
// ...and the newest of each day for this many days, today included.
inline constexpr int kDailyVersionDays = 30;

struct KeptVersion {
    std::string name;  // with the folder, without kChangesSuffix
    std::time_t savedAt = 0;
    bool asChanges = false;  // its file is `name` with kChangesSuffix added
};

// "versions" in the folder of `dataFile`.
[[nodiscard]] std::string VersionsFolderOf(const std::string& dataFile);

// The versions kept of `dataFile`, oldest first.
[[nodiscard]] std::vector<KeptVersion> ListVersions(const std::string& dataFile);

// Keeps `bytes`, what `dataFile` holds before a save replaces it, whole as
// "versions/<name>.<YYYYMMDD-hhmmss>", dated when the file was last written
// (now when that cannot be told), with "-2", "-3", ... added when the name is
// taken, and with the data file's permissions; `keptAs` is then its name.
// Failed when it could not be kept whole: the save must not go on.
[[nodiscard]] FileWrite KeepVersion(const std::string& dataFile, std::string_view bytes,
                                    std::string& keptAs);

// Which of the versions saved at `savedAt` (oldest first) thinning keeps at
// `now`: the last kRecentVersionsKept, and the newest of each local day of
// the last kDailyVersionDays; and every one dated after `now` (the clock was
// set back since), which does not count among the last.
[[nodiscard]] std::vector<bool> VersionsKept(const std::vector<std::time_t>& savedAt,
                                             std::time_t now);

// Run once the version `newest` is kept: removes the versions of `dataFile`
// that VersionsKept does not keep at Clock::Now() (never `newest`), and keeps
// every other one as its differences from a newer one where that is less than
// half its size. A version that one that stays is rebuilt from goes only once
// that one is kept against another, or whole. Whatever cannot be written or
// removed stays as it was: it costs room, never a version.
void ThinVersions(const std::string& dataFile, const std::string& newest);
