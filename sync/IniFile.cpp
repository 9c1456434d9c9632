// Reading and rewriting INI files line by line.
#include "IniFile.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <cstdio>
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

std::optional<std::string> ReadBytes(const std::string& fileName) {
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        return std::nullopt;
    }
    return bytes;
}

std::vector<Line> SplitLines(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t lf = bytes.find('\n', start);
        std::size_t next = lf == std::string::npos ? bytes.size() : lf + 1;
        std::size_t textEnd = lf == std::string::npos ? bytes.size() : lf;
        if (textEnd > start && bytes[textEnd - 1] == '\r') {
            --textEnd;
        }
        lines.push_back(
            {bytes.substr(start, textEnd - start), bytes.substr(textEnd, next - textEnd)});
        start = next;
    }
    return lines;
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

bool WriteBytes(const std::string& fileName, const std::string& bytes) {
    const QString name = QString::fromLocal8Bit(fileName);
    const QFileInfo info(name);
    // Replacing through a new file would get round a read-only INI file.
    if (info.exists() && !info.isWritable()) {
        return false;
    }
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return file.commit();
}

}  // namespace

namespace IniFile {

std::string Read(const std::string& section, const std::string& key, const std::string& fallback,
                 std::size_t bufferSize, const std::string& fileName) {
    std::string value = fallback;
    if (auto bytes = ReadBytes(fileName)) {
        const std::vector<Line> lines = SplitLines(*bytes);
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

bool Write(const std::string& section, const std::string& key, const std::string& value,
           const std::string& fileName) {
    std::optional<std::string> bytes = ReadBytes(fileName);
    if (!bytes && QFileInfo::exists(QString::fromLocal8Bit(fileName))) {
        return false;  // there but unreadable: writing would lose what it holds
    }
    std::vector<Line> lines = SplitLines(bytes.value_or(std::string()));
    const Line keyLine{key + "=" + OneLine(value), "\r\n"};

    std::size_t header = FindSection(lines, section);
    if (header == lines.size()) {
        if (!lines.empty() && lines.back().end.empty()) {
            lines.back().end = "\r\n";
        }
        lines.push_back({"[" + section + "]", "\r\n"});
        lines.push_back(keyLine);
    } else {
        const std::size_t end = SectionEnd(lines, header);
        const std::size_t at = FindKey(lines, header, end, key);
        if (at < end) {
            lines[at].text = keyLine.text;
        } else {
            // After the section's last non-blank line, so a blank line that
            // parts it from the next section stays where it is.
            std::size_t insert = end;
            while (insert > header + 1 && Trim(lines[insert - 1].text).empty()) {
                --insert;
            }
            if (lines[insert - 1].end.empty()) {
                lines[insert - 1].end = "\r\n";
            }
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert), keyLine);
        }
    }

    std::string out;
    for (const Line& line : lines) {
        out += line.text;
        out += line.end;
    }
    return WriteBytes(fileName, out);
}

}  // namespace IniFile
