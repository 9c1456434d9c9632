#include "VersionReader.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <vector>

#include "FileAccess.h"
#include "LineDiff.h"

struct VersionReader::Step {
    std::string name;
    std::string delta;
    DeltaHeader header;
};

namespace {

std::string Beside(const std::string& name, const std::string& other) {
    return (std::filesystem::path(name).parent_path() / other).string();
}

}  // namespace

VersionRead VersionReader::Read(const std::string& name, std::string& bytes, Check check) {
    lost_.clear();
    try {
        return Rebuild(name, bytes, check);
    } catch (const std::bad_alloc&) {
        lastName_.clear();
        lastBytes_ = std::string();
        return VersionRead::NotRead;
    }
}

std::optional<DeltaHeader> VersionReader::HeaderOf(const std::string& name) {
    if (IsRegularFile(name)) {
        return std::nullopt;
    }
    const std::optional<std::string> delta = ReadWholeFile(name + kChangesSuffix);
    DeltaHeader header;
    if (!delta || ReadDeltaHeader(*delta, header) != DeltaRead::Read) {
        return std::nullopt;
    }
    return header;
}

VersionRead VersionReader::Lost(const std::string& name, const std::string& at) {
    if (at == name) {
        return VersionRead::Damaged;
    }
    lost_ = at;
    return VersionRead::BaseLost;
}

VersionRead VersionReader::Rebuild(const std::string& name, std::string& bytes, Check check) {
    // Up from `name` to a version at hand: the one read last, or one kept whole.
    std::vector<Step> steps;
    std::string at = name;
    std::string start;
    for (;;) {
        if (at == lastName_) {
            start = std::move(lastBytes_);
            lastName_.clear();
            break;
        }
        if (IsRegularFile(at)) {
            std::optional<std::string> whole = ReadWholeFile(at);
            if (!whole) {
                return VersionRead::NotRead;
            }
            start = std::move(*whole);
            break;
        }
        std::optional<std::string> delta = ReadWholeFile(at + kChangesSuffix);
        if (!delta) {
            return at == name || PathExists(at + kChangesSuffix) ? VersionRead::NotRead
                                                                 : Lost(name, at);
        }
        Step step{at, std::move(*delta), {}};
        if (ReadDeltaHeader(step.delta, step.header) != DeltaRead::Read) {
            return Lost(name, at);
        }
        const std::string base = Beside(at, step.header.baseName);
        const bool loops = base == at || std::any_of(steps.begin(), steps.end(),
                                                     [&](const Step& s) { return s.name == base; });
        if (loops) {
            return Lost(name, at);
        }
        steps.push_back(std::move(step));
        at = base;
    }

    if (steps.empty()) {
        lastName_ = name;
        lastBytes_ = std::move(start);
        bytes = lastBytes_;
        return VersionRead::Read;
    }
    // Down again, step by step, over lines that point into `start` and the differences, so
    // that no byte is copied before the end. Only the version asked for is checked: had any
    // step before it gone wrong, its lines or its checksum would not fit.
    TextLines current = SplitLines(start);
    TextLines next;
    bool fits = true;
    for (std::size_t k = steps.size(); fits && k-- > 0;) {
        fits = ApplyDelta(steps[k].delta, current, next) == DeltaRead::Read;
        current.swap(next);
    }
    std::string rebuilt = fits ? JoinLines(current) : std::string();
    const bool checked = check == Check::Checksum;
    if (!fits || (checked && VersionChecksum(rebuilt) != steps.front().header.checksum)) {
        return Blame(name, at, start, steps);
    }
    // One not checked may be rebuilt from all the same: those are checked, and a fault in
    // it is found by Blame and named.
    lastName_ = name;
    lastBytes_ = std::move(rebuilt);
    bytes = lastBytes_;
    return VersionRead::Read;
}

VersionRead VersionReader::Blame(const std::string& name, const std::string& startName,
                                 const std::string& start, const std::vector<Step>& steps) {
    lastName_.clear();
    lastBytes_ = std::string();
    TextLines current = SplitLines(start);
    std::string checksum = VersionChecksum(start);
    TextLines next;
    for (std::size_t k = steps.size(); k-- > 0;) {
        const Step& step = steps[k];
        // A version is proven by its own checksum; the one of its base only tells, when it
        // cannot be rebuilt, whether the base is what it was made from.
        const bool baseAsMade = checksum == step.header.baseChecksum;
        const bool applied = ApplyDelta(step.delta, current, next) == DeltaRead::Read;
        if (applied) {
            current.swap(next);
            checksum = VersionChecksum(JoinLines(current));
        }
        if (!applied || checksum != step.header.checksum) {
            const std::string& base = k + 1 == steps.size() ? startName : steps[k + 1].name;
            return Lost(name, baseAsMade ? step.name : base);
        }
    }
    return VersionRead::Damaged;
}
