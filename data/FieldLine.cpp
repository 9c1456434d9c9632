#include "FieldLine.h"

#include <algorithm>
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

bool TakeFields(std::string_view line, const int* widths, RecordText& record) {
    record.fill(0);
    const FieldRule* rules = LoadRulesOf(widths);
    bool changed = false;
    bool more = true;  // the line has a field left
    std::size_t pos = 0;
    std::size_t offset = 0;
    for (int i = 0; widths[i] != 0; ++i) {
        const auto width = static_cast<std::size_t>(widths[i]);
        std::string_view field;
        if (more) {
            std::size_t tab = line.find('\t', pos);
            std::size_t end = tab == std::string_view::npos ? line.size() : tab;
            field = line.substr(pos, end - pos);
            more = tab != std::string_view::npos;
            pos = end + 1;
        } else {
            changed = true;  // a save writes every field
        }
        const FieldRule rule = rules != nullptr ? rules[i] : FieldRule{FieldForm::Text, width};
        changed = PutField(field, rule, width, record.data() + offset) || changed;
        offset += width;
    }
    return changed || more;
}

void TrimLineEnd(std::string& line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
}

LineSplitter::LineSplitter(std::string_view bytes)
    : bytes_(bytes), nextCr_(bytes.find('\r')), nextLf_(bytes.find('\n')) {}

std::size_t LineSplitter::Upcoming(char c, std::size_t& cached) const {
    if (cached < pos_) {  // npos is never passed
        cached = bytes_.find(c, pos_);
    }
    return cached;
}

bool LineSplitter::Next(std::string_view& line) {
    if (pos_ >= bytes_.size()) {
        return false;
    }
    const std::size_t cr = Upcoming('\r', nextCr_);
    const std::size_t lf = Upcoming('\n', nextLf_);
    const std::size_t end = std::min({cr, lf, bytes_.size()});
    line = bytes_.substr(pos_, end - pos_);
    const bool crLf = end == cr && end + 1 == lf;
    pos_ = end == bytes_.size() ? end : end + (crLf ? 2 : 1);
    return true;
}
