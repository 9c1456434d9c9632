// Copies of a data file kept beside it, so that neither the lines a load could
// not take nor the version a save replaces are ever lost: a dated copy of a
// file that did not load cleanly, and one ".bak" generation behind every save.
#pragma once

#include <string>
#include <string_view>

#include "FileAccess.h"

// The name of the previous version a save keeps: "<data file>.bak".
inline constexpr const char* kBackupSuffix = ".bak";

// Copies the regular file `fileName` unchanged to "<fileName>.<YYYYMMDD-hhmmss>"
// (local time of Clock::Now()), or to that name with "-2", "-3", ... added when
// it is taken: an existing file is never written over. Written, and `copy` is
// the copy's name; Failed when `fileName` is not a regular file or the copy
// could not be made whole (no part of one is left behind).
[[nodiscard]] FileWrite KeepDatedCopy(const std::string& fileName, std::string& copy);

// Run before a save replaces `fileName`: keeps its present bytes as
// "<fileName>.bak", replacing the previous backup only once the new one is
// complete. Written when kept, or when there is nothing to keep (no regular
// file of that name); Failed when the file could not be read or the backup not
// written (the old backup stays).
[[nodiscard]] FileWrite KeepBackup(const std::string& fileName);
// The same when its present bytes are already at hand.
[[nodiscard]] FileWrite KeepBackup(const std::string& fileName, std::string_view bytes);
// The same when `sameBytes` is a file that holds exactly `bytes` and stays
// so (a kept version): the backup is another name of that file where the
// file system allows it, so that nothing more is written.
[[nodiscard]] FileWrite KeepBackup(const std::string& fileName, std::string_view bytes,
                                   const std::string& sameBytes);
