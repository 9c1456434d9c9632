#include "FieldLine.h"

#include <cstring>

#include "SjisText.h"

std::string JoinFields(const RecordText& record, const int* widths) {
    std::string line;
    line.reserve(kRecordSize);
    std::size_t offset = 0;
    for (const int* w = widths; *w != 0; ++w) {
        const auto width = static_cast<std::size_t>(*w);
        const char* field = reinterpret_cast<const char*>(record.data() + offset);
        std::size_t len = strnlen(field, width);
        for (std::size_t i = 0; i < len; ++i) {
            char c = field[i];
            line += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
        }
        line += '\t';
        offset += width;
    }
    if (!line.empty()) {
        line.pop_back();
    }
    return line;
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
