#include "LineDiff.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>

namespace {

using LineId = std::uint32_t;

// Numbers the distinct lines of both sides: a table of open addressing sized
// once for every line, as a node for each of 100 000 lines would cost more
// than the comparison itself.
class LineIds {
  public:
    explicit LineIds(std::size_t lines) {
        std::size_t size = 16;
        while (size < 2 * lines) {
            size *= 2;
        }
        slots_.assign(size, kEmpty);
        lines_.reserve(lines);
    }

    LineId Of(std::string_view line) {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = std::hash<std::string_view>{}(line)&mask;; at = (at + 1) & mask) {
            if (slots_[at] == kEmpty) {
                slots_[at] = static_cast<LineId>(lines_.size());
                lines_.push_back(line);
                return slots_[at];
            }
            if (lines_[slots_[at]] == line) {
                return slots_[at];
            }
        }
    }

    std::size_t Count() const { return lines_.size(); }

  private:
    static constexpr LineId kEmpty = ~LineId{0};
    std::vector<LineId> slots_;
    std::vector<std::string_view> lines_;  // by id
};

// A stretch of both sides still to be matched: lines [a, aEnd) and [b, bEnd).
struct Stretch {
    std::size_t a, aEnd, b, bEnd;
};

// Matches the lines of two sides given as ids (equal lines, equal ids).
class PatienceMatcher {
  public:
    PatienceMatcher(std::vector<LineId> a, std::vector<LineId> b, std::size_t ids)
        : a_(std::move(a)), b_(std::move(b)), countA_(ids), countB_(ids), placeB_(ids) {
        // Shuffled input can make every stretch yield a single anchor; past this many line
        // visits the stretches left are taken as changed whole, which is still a true answer.
        budget_ = 32 * (a_.size() + b_.size()) + 1024;
    }

    // Pairs (line of a, line of b) that are equal, ascending on both sides.
    std::vector<std::pair<std::size_t, std::size_t>> Match() {
        std::vector<Stretch> pending{{0, a_.size(), 0, b_.size()}};
        while (!pending.empty()) {
            Stretch s = pending.back();
            pending.pop_back();
            MatchStretch(s, pending);
        }
        std::sort(matches_.begin(), matches_.end());
        return std::move(matches_);
    }

  private:
    void MatchStretch(Stretch s, std::vector<Stretch>& pending) {
        while (s.a < s.aEnd && s.b < s.bEnd && a_[s.a] == b_[s.b]) {
            matches_.emplace_back(s.a++, s.b++);
        }
        while (s.a < s.aEnd && s.b < s.bEnd && a_[s.aEnd - 1] == b_[s.bEnd - 1]) {
            matches_.emplace_back(--s.aEnd, --s.bEnd);
        }
        const std::size_t work = (s.aEnd - s.a) + (s.bEnd - s.b);
        if (s.a == s.aEnd || s.b == s.bEnd || work > budget_) {
            return;
        }
        budget_ -= work;
        const std::vector<std::pair<std::size_t, std::size_t>> anchors = UniqueAnchors(s);
        std::size_t a = s.a;
        std::size_t b = s.b;
        for (const auto& [i, j] : anchors) {
            matches_.emplace_back(i, j);
            pending.push_back({a, i, b, j});
            a = i + 1;
            b = j + 1;
        }
        if (!anchors.empty()) {
            pending.push_back({a, s.aEnd, b, s.bEnd});
        }
    }

    // The lines found once on each side of `s`, in the longest chain that
    // ascends on both sides.
    std::vector<std::pair<std::size_t, std::size_t>> UniqueAnchors(const Stretch& s) {
        for (std::size_t i = s.a; i < s.aEnd; ++i) {
            ++countA_[a_[i]];
        }
        for (std::size_t j = s.b; j < s.bEnd; ++j) {
            ++countB_[b_[j]];
            placeB_[b_[j]] = j;
        }
        std::vector<std::pair<std::size_t, std::size_t>> candidates;
        for (std::size_t i = s.a; i < s.aEnd; ++i) {
            const LineId id = a_[i];
            if (countA_[id] == 1 && countB_[id] == 1) {
                candidates.emplace_back(i, placeB_[id]);
            }
        }
        for (std::size_t i = s.a; i < s.aEnd; ++i) {
            countA_[a_[i]] = 0;
        }
        for (std::size_t j = s.b; j < s.bEnd; ++j) {
            countB_[b_[j]] = 0;
        }
        return LongestAscending(candidates);
    }

    // Patience sorting: the longest run of `candidates` (ascending on the
    // first side) that also ascends on the second.
    static std::vector<std::pair<std::size_t, std::size_t>> LongestAscending(
        const std::vector<std::pair<std::size_t, std::size_t>>& candidates) {
        std::vector<std::size_t> tops;  // index of the candidate on top of each pile
        std::vector<std::size_t> below(candidates.size());
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            const auto pile = std::lower_bound(
                tops.begin(), tops.end(), candidates[k].second,
                [&](std::size_t top, std::size_t j) { return candidates[top].second < j; });
            below[k] = pile == tops.begin() ? k : *(pile - 1);
            if (pile == tops.end()) {
                tops.push_back(k);
            } else {
                *pile = k;
            }
        }
        std::vector<std::pair<std::size_t, std::size_t>> run;
        if (tops.empty()) {
            return run;
        }
        for (std::size_t k = tops.back();; k = below[k]) {
            run.push_back(candidates[k]);
            if (below[k] == k) {
                break;
            }
        }
        std::reverse(run.begin(), run.end());
        return run;
    }

    std::vector<LineId> a_;
    std::vector<LineId> b_;
    std::vector<std::uint32_t> countA_;
    std::vector<std::uint32_t> countB_;
    std::vector<std::size_t> placeB_;
    std::vector<std::pair<std::size_t, std::size_t>> matches_;
    std::size_t budget_;
};

}  // namespace

TextLines SplitLines(std::string_view text) {
    TextLines lines;
    while (!text.empty()) {
        const void* end = std::memchr(text.data(), '\n', text.size());
        const std::size_t length =
            end == nullptr
                ? text.size()
                : static_cast<std::size_t>(static_cast<const char*>(end) - text.data()) + 1;
        lines.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

std::string JoinLines(const TextLines& lines) {
    std::size_t size = 0;
    for (const std::string_view line : lines) {
        size += line.size();
    }
    std::string text;
    text.reserve(size);
    for (const std::string_view line : lines) {
        text += line;
    }
    return text;
}

std::vector<LineChange> DiffLines(const TextLines& from, const TextLines& to) {
    // Most saves change a few neighbouring lines: the lines before and after
    // them are passed by comparing bytes, and only the rest are given ids.
    std::size_t head = 0;
    while (head < from.size() && head < to.size() && from[head] == to[head]) {
        ++head;
    }
    std::size_t tail = 0;
    while (tail < from.size() - head && tail < to.size() - head &&
           from[from.size() - 1 - tail] == to[to.size() - 1 - tail]) {
        ++tail;
    }
    LineIds ids((from.size() - head - tail) + (to.size() - head - tail));
    const auto idsOf = [&](const TextLines& lines) {
        std::vector<LineId> out;
        out.reserve(lines.size() - head - tail);
        for (std::size_t i = head; i < lines.size() - tail; ++i) {
            out.push_back(ids.Of(lines[i]));
        }
        return out;
    };
    std::vector<LineId> a = idsOf(from);
    std::vector<LineId> b = idsOf(to);
    const std::size_t idCount = ids.Count();

    std::vector<LineChange> changes;
    std::size_t i = 0;  // the next line of each side not yet accounted for
    std::size_t j = 0;
    const auto changeUpTo = [&](std::size_t matchA, std::size_t matchB) {
        if (matchA > i || matchB > j) {
            changes.push_back({head + i, matchA - i, head + j, matchB - j});
        }
        i = matchA + 1;
        j = matchB + 1;
    };
    for (const auto& [matchA, matchB] :
         PatienceMatcher(std::move(a), std::move(b), idCount).Match()) {
        changeUpTo(matchA, matchB);
    }
    const std::size_t restA = from.size() - head - tail;
    const std::size_t restB = to.size() - head - tail;
    if (restA > i || restB > j) {
        changes.push_back({head + i, restA - i, head + j, restB - j});
    }
    return changes;
}
