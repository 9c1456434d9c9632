// Reading and rewriting INI files line by line.
#include "IniFile.h"

#include <optional>
#include <string_view>
#include <vector>

#include "SjisText.h"

namespace {

// One line of the file, its line end kept so that untouched lines go back
// exactly as they came.
struct Line {
    std::string text;
    std::string end;
};

// The file as lines. Editors that save as UTF-8 may put a byte-order mark
// before the first line; it is kept apart, so that "[FTP]" behind it is still
// found, and goes back in front of the file when it is written.
struct Text {
    std::string mark;
    std::vector<Line> lines;
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Lines end at CR LF, LF or a lone CR, whichever the file uses.
Text SplitLines(std::string_view bytes) {
    Text text;
    if (bytes.starts_with(kByteOrderMark)) {
        text.mark = kByteOrderMark;
        bytes.remove_prefix(kByteOrderMark.size());
    }
    while (!bytes.empty()) {
        const std::size_t at = bytes.find_first_of("\r\n");
        if (at == std::string_view::npos) {
            text.lines.push_back({std::string(bytes), ""});
            break;
        }
        const std::size_t endLength = bytes.substr(at, 2) == "\r\n" ? 2 : 1;
        text.lines.push_back(
            {std::string(bytes.substr(0, at)), std::string(bytes.substr(at, endLength))});
        bytes.remove_prefix(at + endLength);
    }
    return text;
}

// The end a new line takes: the first one the file uses, CR LF for a file
// without any.
std::string NewLineEnd(const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        if (!line.end.empty()) {
            return line.end;
        }
    }
    return "\r\n";
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Names are ASCII; only ASCII letters fold, so Shift_JIS bytes compare exactly.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

// The name inside "[name]", or nothing for a line that is no section header.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') {
        return std::nullopt;
    }
    std::size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
    line = Trim(line);
    return !line.empty() && line.front() == ';';
}

// Key and value of a "key=value" line.
std::optional<std::pair<std::string_view, std::string_view>> KeyValue(std::string_view line) {
    if (IsComment(line)) {
        return std::nullopt;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    return std::pair{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

// Index of the section's header line, or lines.size() when it is missing.
std::size_t FindSection(const std::vector<Line>& lines, const std::string& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionName(lines[i].text);
        if (name && SameName(*name, section)) {
            return i;
        }
    }
    return lines.size();
}

// One past the section's last line: the next header or the end of the file.
std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t header) {
    std::size_t i = header + 1;
    while (i < lines.size() && !SectionName(lines[i].text)) {
        ++i;
    }
    return i;
}

std::size_t FindKey(const std::vector<Line>& lines, std::size_t header, std::size_t end,
                    const std::string& key) {
    for (std::size_t i = header + 1; i < end; ++i) {
        auto kv = KeyValue(lines[i].text);
        if (kv && SameName(kv->first, key)) {
            return i;
        }
    }
    return end;
}

std::string OneLine(const std::string& value) {
    return value.substr(0, value.find_first_of("\r\n"));
}

// The file keeps its permission bits. Replacing it through a new file would
// get round a read-only INI file, which the user made so to keep it as it is.
FileWrite WriteBytes(const std::string& fileName, const std::string& bytes) {
    if (PathExists(fileName) && !MayWrite(fileName)) {
        return FileWrite::Failed;
    }
    FileReplacement file(fileName);
    return file.Open() && file.Write(bytes) && file.Commit() ? FileWrite::Written
                                                             : FileWrite::Failed;
}

// Sets `key` in `section` to `value` in `lines`: replaces the key's line when
// present, otherwise adds it at the end of the section, creating the section
// when missing. Added lines end with `lineEnd`.
void SetKey(std::vector<Line>& lines, const std::string& lineEnd, const std::string& section,
            const std::string& key, const std::string& value) {
    const Line keyLine{key + "=" + OneLine(value), lineEnd};
    const std::size_t header = FindSection(lines, section);
    if (header == lines.size()) {
        if (!lines.empty() && lines.back().end.empty()) {
            lines.back().end = lineEnd;
        }
        lines.push_back({"[" + section + "]", lineEnd});
        lines.push_back(keyLine);
        return;
    }
    const std::size_t end = SectionEnd(lines, header);
    const std::size_t at = FindKey(lines, header, end, key);
    if (at < end) {
        lines[at].text = keyLine.text;
        return;
    }
    // After the section's last non-blank line, so a blank line that parts it
    // from the next section stays where it is.
    std::size_t insert = end;
    while (insert > header + 1 && Trim(lines[insert - 1].text).empty()) {
        --insert;
    }
    if (lines[insert - 1].end.empty()) {
        lines[insert - 1].end = lineEnd;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert), keyLine);
}

}  // namespace

namespace IniFile {

std::string Read(const std::string& section, const std::string& key, const std::string& fallback,
                 std::size_t bufferSize, const std::string& fileName) {
    std::string value = fallback;
    if (auto bytes = ReadWholeFile(fileName)) {
        const std::vector<Line> lines = SplitLines(*bytes).lines;
        const std::size_t header = FindSection(lines, section);
        if (header < lines.size()) {
            const std::size_t end = SectionEnd(lines, header);
            const std::size_t at = FindKey(lines, header, end, key);
            if (at < end) {
                value = std::string(KeyValue(lines[at].text)->second);
            }
        }
    }
    const std::size_t limit = bufferSize == 0 ? 0 : bufferSize - 1;
    value.resize(SjisPrefixLength(value, limit));
    return value;
}

FileWrite Write(const std::string& section, const std::vector<KeyValuePair>& values,
                const std::string& fileName) {
    std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes && PathExists(fileName)) {
        return FileWrite::Failed;  // there but unreadable: writing would lose what it holds
    }
    Text text = SplitLines(bytes.value_or(std::string()));
    const std::string lineEnd = NewLineEnd(text.lines);
    for (const auto& [key, value] : values) {
        SetKey(text.lines, lineEnd, section, key, value);
    }
    std::string out = text.mark;
    for (const Line& line : text.lines) {
        out += line.text;
        out += line.end;
    }
    return WriteBytes(fileName, out);
}

FileWrite Write(const std::string& section, const std::string& key, const std::string& value,
                const std::string& fileName) {
    return Write(section, {{key, value}}, fileName);
}

}  // namespace IniFile
