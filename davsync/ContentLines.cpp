#include "ContentLines.h"

#include <cctype>

namespace {

std::string Unfolded(std::string_view raw) {
    std::string line;
    line.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r') {
            continue;
        }
        if (raw[i] == '\n') {
            ++i;  // the blank or tab that opens the continuation
            continue;
        }
        line += raw[i];
    }
    return line;
}

}  // namespace

ContentLines::ContentLines(std::string_view text) {
    int depth = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        // A line ends at a line end not followed by a blank or tab.
        std::size_t end = start;
        for (;;) {
            end = text.find('\n', end);
            if (end == std::string_view::npos || end + 1 >= text.size() ||
                (text[end + 1] != ' ' && text[end + 1] != '\t')) {
                break;
            }
            ++end;
        }
        std::string_view raw =
            text.substr(start, end == std::string_view::npos ? end : end - start);
        start = end == std::string_view::npos ? text.size() : end + 1;
        while (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        if (raw.empty()) {
            continue;
        }
        Line line;
        line.raw = std::string(raw);
        const std::string unfolded = Unfolded(raw);
        const std::size_t nameEnd = unfolded.find_first_of(";:");
        for (const char c : unfolded.substr(0, nameEnd)) {
            line.name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (const std::size_t colon = unfolded.find(':'); colon != std::string::npos) {
            line.value = unfolded.substr(colon + 1);
        }
        if (line.name == "BEGIN" || line.name == "END") {
            for (char& c : line.value) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
        }
        if (line.name == "END") {
            --depth;
        }
        line.depth = depth;
        if (line.name == "BEGIN") {
            ++depth;
        }
        lines_.push_back(std::move(line));
    }
}

std::string ContentLines::Text() const {
    std::string text;
    for (const Line& line : lines_) {
        // The folds keep their own line ends, which may have lost the CR.
        for (const char c : line.raw) {
            if (c == '\n' && (text.empty() || text.back() != '\r')) {
                text += '\r';
            }
            text += c;
        }
        text += "\r\n";
    }
    return text;
}

int ContentLines::FindComponent(std::string_view name, std::string_view without) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].depth != 1 || lines_[i].name != "BEGIN" || lines_[i].value != name) {
            continue;
        }
        const std::size_t end = EndOf(i);
        bool has = false;
        for (std::size_t j = i + 1; j < end; ++j) {
            has = has || (lines_[j].depth == 2 && lines_[j].name == without);
        }
        if (!has) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::size_t ContentLines::EndOf(std::size_t begin) const {
    for (std::size_t i = begin + 1; i < lines_.size(); ++i) {
        if (lines_[i].depth == lines_[begin].depth && lines_[i].name == "END") {
            return i;
        }
    }
    return lines_.size();
}
