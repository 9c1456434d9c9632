// How a kept version of a list differs from the list as it stands: what going
// back to it would add, remove and change, counted by key, with the first few
// subjects of each for the user to recognise the version by.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SubjKind.h"
#include "SubjTree.h"

// How many subjects of each kind of difference are named.
inline constexpr std::size_t kDiffTitlesShown = 3;

struct SubjChanges {
    int count = 0;
    // Shift_JIS: "YYYY/MM/DD title" of a dated subject, the title of a
    // repeating one; at most kDiffTitlesShown, in key order.
    std::vector<std::string> first;
};

struct VersionDiff {
    std::size_t subjects = 0;  // in the version
    SubjChanges added;         // in the version only
    SubjChanges removed;       // in the list only
    SubjChanges changed;       // in both, with other texts
};

// The difference of going from `now` to `version`, both stores of `kind`.
[[nodiscard]] VersionDiff DiffVersion(SubjKind kind, const SubjTree& now, const SubjTree& version);

// A kept version, loaded; `tree` is null when it could not be read or did not
// fit in memory.
struct LoadedVersion {
    std::unique_ptr<SubjTree> tree;
    int linesNotTaken = 0;
    int linesChanged = 0;  // taken, but not as the file had them: a line cut short, say
};

// Loads `bytes`, a version as VersionReader gives it, as the data file it was.
[[nodiscard]] LoadedVersion LoadVersion(SubjKind kind, std::string_view bytes);

// Every record of `tree` in key order: what a list adopts to go back to it.
// Throws std::bad_alloc when they do not fit in memory.
[[nodiscard]] std::vector<RecordText> RecordsInOrder(const SubjTree& tree);
