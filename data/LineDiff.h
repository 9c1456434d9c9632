// The lines in which two texts differ, for keeping a version of a data file as
// what sets it apart from a newer one. A line ends after its LF (the last one
// may have none). Lines that occur once on each side are matched first, in the
// longest run that keeps their order, and the stretches between them in turn:
// in a data file every subject's line is one of a kind, so one changed subject
// costs one changed line, and a list of 100 000 is compared in milliseconds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

using TextLines = std::vector<std::string_view>;

// The lines `from` to `from + fromCount` of the old text give way to the lines
// `to` to `to + toCount` of the new one (counted from 0).
struct LineChange {
    std::size_t from = 0;
    std::size_t fromCount = 0;
    std::size_t to = 0;
    std::size_t toCount = 0;
};

// The lines of `text`, each with its LF, pointing into `text`; joined again
// they are `text`.
[[nodiscard]] TextLines SplitLines(std::string_view text);

// The lines put together again into one text.
[[nodiscard]] std::string JoinLines(const TextLines& lines);

// What turns the lines `from` into the lines `to`: changes in order, neither
// touching nor overlapping, and every line outside them is the same on both
// sides. Not always the fewest lines changed: where order was shuffled beyond
// a bounded effort, a stretch is given as changed whole.
[[nodiscard]] std::vector<LineChange> DiffLines(const TextLines& from, const TextLines& to);
