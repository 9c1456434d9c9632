// Rebuilds the kept versions in one versions folder. A version kept whole is
// read as it is; one kept as its differences from another (see VersionDelta.h)
// is rebuilt from that one, which may itself be kept so, up to a version kept
// whole. Every version rebuilt is checked against its checksum, so a damaged
// file costs the versions that depend on it and no other, and is named. The
// last version rebuilt is remembered: read newest first, each version costs
// one step.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "VersionDelta.h"

// The ending of a version's file when it is kept as its differences.
inline constexpr const char* kChangesSuffix = ".diff";

enum class [[nodiscard]] VersionRead{
    Read,
    NotRead,   // its file could not be read, or memory ran out
    Damaged,   // its own file is not as it was written
    BaseLost,  // a version it is rebuilt from is damaged, changed or gone
};

class VersionReader {
  public:
    VersionReader() = default;
    VersionReader(const VersionReader&) = delete;
    VersionReader& operator=(const VersionReader&) = delete;

    // How far a version rebuilt from differences is checked.
    enum class Check {
        Checksum,  // against its checksum: exactly as it was kept
        FitAlone,  // every step's lines fit; for a base that another is kept against and
                   // checked by, which then rebuilds from the same bytes
    };

    // The version `name` (its name with the folder, without kChangesSuffix)
    // into `bytes`, exactly as it was kept when Read. On BaseLost,
    // LostVersion() names the version (likewise) whose file is damaged,
    // changed since or gone; `bytes` is then unspecified.
    [[nodiscard]] VersionRead Read(const std::string& name, std::string& bytes,
                                   Check check = Check::Checksum);
    const std::string& LostVersion() const { return lost_; }

    // What the first lines of the file of `name`, kept as its differences,
    // say; nullopt when it is kept whole or they cannot be read.
    [[nodiscard]] static std::optional<DeltaHeader> HeaderOf(const std::string& name);

  private:
    struct Step;

    VersionRead Rebuild(const std::string& name, std::string& bytes, Check check);
    // After a rebuild that did not check out: which file is at fault, found by
    // checking every step against its checksums.
    VersionRead Blame(const std::string& name, const std::string& startName,
                      const std::string& start, const std::vector<Step>& steps);
    VersionRead Lost(const std::string& name, const std::string& at);

    std::string lastName_;
    std::string lastBytes_;
    std::string lost_;
};
