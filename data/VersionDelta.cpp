#include "VersionDelta.h"

#include <QByteArrayView>
#include <QCryptographicHash>

#include <algorithm>
#include <cstddef>
#include <optional>

#include "LineDiff.h"

namespace {

// The lines around each change that `patch` checks its place by.
constexpr std::size_t kContextLines = 3;

constexpr std::string_view kFirstLine = "veskat kept version ";
constexpr std::string_view kAgainst = ", as its differences from ";
constexpr std::string_view kBaseChecksumLine = "base blake2b-256 ";
constexpr std::string_view kChecksumLine = "blake2b-256 ";
constexpr std::string_view kBaseLine = "--- ";
constexpr std::string_view kVersionLine = "+++ ";
constexpr std::string_view kNoLineEnd = "\\ No newline at end of file\n";
constexpr std::size_t kChecksumLength = 64;

// A hunk header's numbers for lines [start, start + count): an empty range is
// named by the line before it, as `diff` names it.
std::string Range(std::size_t start, std::size_t count) {
    return std::to_string(count == 0 ? start : start + 1) + "," + std::to_string(count);
}

void AppendLine(std::string& out, char mark, std::string_view line) {
    out += mark;
    out += line;
    if (line.back() != '\n') {
        out += '\n';
        out += kNoLineEnd;
    }
}

// Reads a text from its start, a line at a time.
class DeltaCursor {
  public:
    explicit DeltaCursor(std::string_view text) : rest_(text) {}

    bool AtEnd() const { return rest_.empty(); }
    bool NextStartsWith(std::string_view prefix) const { return rest_.starts_with(prefix); }

    // The next line with its LF; nullopt when the text ends without one.
    std::optional<std::string_view> Line() {
        const std::size_t end = rest_.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view line = rest_.substr(0, end + 1);
        rest_.remove_prefix(end + 1);
        return line;
    }

    // The rest of the next line after `prefix`, without its LF; nullopt when it
    // does not start so.
    std::optional<std::string_view> Field(std::string_view prefix) {
        if (!NextStartsWith(prefix)) {
            return std::nullopt;
        }
        const std::optional<std::string_view> line = Line();
        if (!line) {
            return std::nullopt;
        }
        return line->substr(prefix.size(), line->size() - prefix.size() - 1);
    }

  private:
    std::string_view rest_;
};

bool IsChecksum(std::string_view text) {
    return text.size() == kChecksumLength && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

DeltaRead ReadHeader(DeltaCursor& cursor, DeltaHeader& header) {
    const std::optional<std::string_view> first = cursor.Field(kFirstLine);
    const std::optional<std::string_view> baseChecksum = cursor.Field(kBaseChecksumLine);
    const std::optional<std::string_view> checksum = cursor.Field(kChecksumLine);
    const std::optional<std::string_view> base = cursor.Field(kBaseLine);
    const std::optional<std::string_view> version = cursor.Field(kVersionLine);
    if (!first || !baseChecksum || !checksum || !base || !version || base->empty() ||
        !IsChecksum(*baseChecksum) || !IsChecksum(*checksum) ||
        *first != std::string(*version) + std::string(kAgainst) + std::string(*base)) {
        return DeltaRead::Damaged;
    }
    header = {std::string(*base), std::string(*baseChecksum), std::string(*checksum)};
    return DeltaRead::Read;
}

// "<start>,<count>" of a hunk header, turned into the index of its first line.
std::optional<std::size_t> ReadNumber(std::string_view& text) {
    constexpr std::size_t kMaxDigits = 12;
    std::size_t digits = 0;
    std::size_t value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        value = value * 10 + static_cast<std::size_t>(text[digits] - '0');
        ++digits;
    }
    if (digits == 0 || digits > kMaxDigits) {
        return std::nullopt;
    }
    text.remove_prefix(digits);
    return value;
}

struct HunkRange {
    std::size_t start = 0;  // index of its first line
    std::size_t count = 0;
};

std::optional<HunkRange> ReadRange(std::string_view& text, char sign) {
    if (text.empty() || text[0] != sign) {
        return std::nullopt;
    }
    text.remove_prefix(1);
    const std::optional<std::size_t> start = ReadNumber(text);
    if (!start || text.empty() || text[0] != ',') {
        return std::nullopt;
    }
    text.remove_prefix(1);
    const std::optional<std::size_t> count = ReadNumber(text);
    if (!count || (*count > 0 && *start == 0)) {
        return std::nullopt;
    }
    return HunkRange{*count == 0 ? *start : *start - 1, *count};
}

// Applies one hunk at the cursor; `baseAt` is the next base line not yet
// taken into `version`.
bool ApplyHunk(DeltaCursor& cursor, const TextLines& base, std::size_t& baseAt,
               TextLines& version) {
    std::optional<std::string_view> header = cursor.Field("@@ ");
    if (!header) {
        return false;
    }
    const std::optional<HunkRange> from = ReadRange(*header, '-');
    if (!header->starts_with(" ")) {
        return false;
    }
    header->remove_prefix(1);
    const std::optional<HunkRange> to = ReadRange(*header, '+');
    if (!from || !to || *header != " @@" || from->start < baseAt ||
        from->start + from->count > base.size()) {
        return false;
    }
    version.insert(version.end(), base.begin() + static_cast<std::ptrdiff_t>(baseAt),
                   base.begin() + static_cast<std::ptrdiff_t>(from->start));
    baseAt = from->start;
    if (version.size() != to->start) {
        return false;
    }
    std::size_t fromLeft = from->count;
    std::size_t toLeft = to->count;
    while (fromLeft > 0 || toLeft > 0) {
        const std::optional<std::string_view> line = cursor.Line();
        if (!line || line->size() < 2) {
            return false;
        }
        std::string_view text = line->substr(1);
        if (cursor.NextStartsWith("\\")) {
            static_cast<void>(cursor.Line());  // the line-end mark, just seen
            text.remove_suffix(1);
        }
        const char mark = (*line)[0];
        const bool old = mark == ' ' || mark == '-';
        const bool added = mark == ' ' || mark == '+';
        if ((!old && !added) || (old && (fromLeft == 0 || base[baseAt] != text)) ||
            (added && toLeft == 0)) {
            return false;
        }
        if (old) {
            --fromLeft;
            ++baseAt;
        }
        if (added) {
            --toLeft;
            version.push_back(text);
        }
    }
    return true;
}

}  // namespace

std::string VersionChecksum(std::string_view bytes) {
    return QCryptographicHash::hash(
               QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
               QCryptographicHash::Blake2b_256)
        .toHex()
        .toStdString();
}

std::string MakeDelta(std::string_view base, const std::string& baseName, std::string_view version,
                      const std::string& versionName, std::string baseChecksum,
                      std::string checksum) {
    if (baseChecksum.empty()) {
        baseChecksum = VersionChecksum(base);
    }
    if (checksum.empty()) {
        checksum = VersionChecksum(version);
    }
    return MakeDelta(SplitLines(base), baseName, baseChecksum, SplitLines(version), versionName,
                     checksum);
}

std::string MakeDelta(const TextLines& from, const std::string& baseName,
                      const std::string& baseChecksum, const TextLines& to,
                      const std::string& versionName, const std::string& checksum) {
    std::vector<LineChange> changes = DiffLines(from, to);
    if (changes.empty() && !from.empty()) {
        // `patch` takes a difference without a hunk for no difference at all: the first line
        // given for itself keeps the way back by hand the same for every version.
        changes.push_back({0, 1, 0, 1});
    }
    std::string out = std::string(kFirstLine) + versionName + std::string(kAgainst) + baseName +
                      "\n" + std::string(kBaseChecksumLine) + baseChecksum + "\n" +
                      std::string(kChecksumLine) + checksum + "\n" + std::string(kBaseLine) +
                      baseName + "\n" + std::string(kVersionLine) + versionName + "\n";
    for (std::size_t first = 0; first < changes.size();) {
        // Changes closer than twice the context share one hunk, as in `diff -u`.
        std::size_t last = first;
        while (last + 1 < changes.size() &&
               changes[last + 1].from - (changes[last].from + changes[last].fromCount) <=
                   2 * kContextLines) {
            ++last;
        }
        const LineChange& head = changes[first];
        const LineChange& tail = changes[last];
        const std::size_t fromStart = head.from - std::min(kContextLines, head.from);
        const std::size_t toStart = head.to - (head.from - fromStart);
        const std::size_t tailEnd = tail.from + tail.fromCount;
        const std::size_t fromEnd = std::min(from.size(), tailEnd + kContextLines);
        const std::size_t toEnd = tail.to + tail.toCount + (fromEnd - tailEnd);
        out += "@@ -" + Range(fromStart, fromEnd - fromStart) + " +" +
               Range(toStart, toEnd - toStart) + " @@\n";
        std::size_t at = fromStart;
        for (std::size_t k = first; k <= last; ++k) {
            const LineChange& change = changes[k];
            for (; at < change.from; ++at) {
                AppendLine(out, ' ', from[at]);
            }
            for (std::size_t i = 0; i < change.fromCount; ++i) {
                AppendLine(out, '-', from[change.from + i]);
            }
            for (std::size_t i = 0; i < change.toCount; ++i) {
                AppendLine(out, '+', to[change.to + i]);
            }
            at = change.from + change.fromCount;
        }
        for (; at < fromEnd; ++at) {
            AppendLine(out, ' ', from[at]);
        }
        first = last + 1;
    }
    return out;
}

DeltaRead ReadDeltaHeader(std::string_view delta, DeltaHeader& header) {
    DeltaCursor cursor(delta);
    return ReadHeader(cursor, header);
}

DeltaRead ApplyDelta(std::string_view delta, const TextLines& base, TextLines& version) {
    DeltaCursor cursor(delta);
    DeltaHeader header;
    if (ReadHeader(cursor, header) != DeltaRead::Read) {
        return DeltaRead::Damaged;
    }
    version.clear();
    version.reserve(base.size() + 16);
    std::size_t baseAt = 0;
    while (!cursor.AtEnd()) {
        if (!ApplyHunk(cursor, base, baseAt, version)) {
            return DeltaRead::Damaged;
        }
    }
    version.insert(version.end(), base.begin() + static_cast<std::ptrdiff_t>(baseAt), base.end());
    return DeltaRead::Read;
}

DeltaRead ApplyDelta(std::string_view delta, std::string_view base, std::string& version) {
    TextLines lines;
    if (ApplyDelta(delta, SplitLines(base), lines) != DeltaRead::Read) {
        return DeltaRead::Damaged;
    }
    version = JoinLines(lines);
    return DeltaRead::Read;
}
