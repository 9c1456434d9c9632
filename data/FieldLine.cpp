#include "FieldLine.h"

#include <cstring>

#include "SjisText.h"

std::string JoinFields(const RecordText& record, const int* widths) {
    std::string line;
    AppendFields(record, widths, line);
    return line;
}

void AppendFields(const RecordText& record, const int* widths, std::string& out) {
    const std::size_t start = out.size();
    std::size_t offset = 0;
    for (const int* w = widths; *w != 0; ++w) {
        const auto width = static_cast<std::size_t>(*w);
        const char* field = reinterpret_cast<const char*>(record.data() + offset);
        std::size_t len = strnlen(field, width);
        const std::size_t at = out.size();
        out.append(field, len);
        for (std::size_t i = at; i < out.size(); ++i) {
            char& c = out[i];
            if (c == '\t' || c == '\r' || c == '\n') {
                c = ' ';
            }
        }
        out += '\t';
        offset += width;
    }
    if (out.size() > start) {
        out.pop_back();
    }
}

RecordText SplitFields(std::string_view line, const int* widths) {
    RecordText record{};
    std::size_t offset = 0;
    std::size_t pos = 0;
    for (const int* w = widths; *w != 0 && pos <= line.size(); ++w) {
        const auto width = static_cast<std::size_t>(*w);
        std::size_t tab = line.find('\t', pos);
        std::size_t end = tab == std::string_view::npos ? line.size() : tab;
        std::string_view field = line.substr(pos, end - pos);
        std::size_t n = SjisPrefixLength(field, width);
        std::memcpy(record.data() + offset, field.data(), n);
        offset += width;
        if (tab == std::string_view::npos) {
            break;
        }
        pos = tab + 1;
    }
    return record;
}

void TrimLineEnd(std::string& line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
}
