// The base copy beside each data file: "<file>.base" holds the bytes last
// known to equal the server's copy of that file, so that a merge can tell
// what this computer and the other one each changed since they last met.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "FileAccess.h"

inline constexpr const char* kBaseSuffix = ".base";

// "<dataFile>.base".
std::string BaseFileName(const std::string& dataFile);

// What reading a whole file found.
enum class [[nodiscard]] FileRead{
    Read,        // every byte is in `bytes`
    Missing,     // no entry of that name
    Unreadable,  // something is there (a folder, a file without permission) but cannot be read
};

// Reads `fileName` whole into `bytes` (emptied unless the result is Read).
[[nodiscard]] FileRead ReadFileBytes(const std::string& fileName, std::string& bytes);

// The base copy of `dataFile`. Missing means no exchange with the server has
// been recorded yet (the first run with merging); Unreadable means a base is
// there but cannot serve, and a merge must not trust it.
struct BaseCopy {
    FileRead state = FileRead::Missing;
    std::string bytes;  // the whole base when state is Read
};
[[nodiscard]] BaseCopy ReadBaseCopy(const std::string& dataFile);

// Replaces the base copy of `dataFile` with `bytes` through QSaveFile: the
// new copy appears whole or not at all. Failed: the old base (if any) is
// left as it was. A stale base makes a later merge bring back what was
// deleted since it, so a failure is for the user to hear of.
[[nodiscard]] FileWrite WriteBaseCopy(const std::string& dataFile, std::string_view bytes);

// WriteBaseCopy with the bytes of `sourceFile`: the file just fetched from
// the server or just sent to it. Failed when the source cannot be read or the
// base cannot be written; the old base stays.
[[nodiscard]] FileWrite WriteBaseCopyFrom(const std::string& dataFile,
                                          const std::string& sourceFile);

// The server file a base copy belongs to. A base of another server file says
// nothing about this one's changes, so it is no base.
struct BaseOrigin {
    std::string host;
    std::int32_t port = 0;
    std::string user;
    std::string path;
    // The server file's generation (ServerLock::ReadGeneration): a new one
    // means its content was replaced without a merge, and no base knows it.
    std::string generation;
};

// "<dataFile>.base.origin": the record of the server file the base came from.
std::string BaseOriginFileName(const std::string& dataFile);

// WriteBaseCopyFrom, then the record that it came from `origin`. The base
// goes first: a record left from before only makes the next start forget it.
[[nodiscard]] FileWrite WriteBaseCopyOf(const std::string& dataFile, const std::string& sourceFile,
                                        const BaseOrigin& origin);

// What became of a base copy checked against the server file it must belong to.
enum class [[nodiscard]] BaseOwner{
    Ours,        // no base, or one of `origin` (a base without a record counts as such)
    Forgotten,   // a base of another server file was removed
    NotRemoved,  // a base of another server file is still there: no merge may use it
};

// Removes the base copy of `dataFile` when its record names another server
// file than `origin`. A base without a record was written before bases had
// one and counts as belonging to `origin`.
[[nodiscard]] BaseOwner ForgetBaseOfOtherServer(const std::string& dataFile,
                                                const BaseOrigin& origin);
