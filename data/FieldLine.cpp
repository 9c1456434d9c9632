#include "FieldLine.h"

#include <algorithm>
#include <bit>
#include <cstdint>
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

namespace {

// Where a field of a line ends, and whether it holds a byte that no field keeps as it stands.
struct FieldSpan {
    std::size_t end;  // the tab after it, or the line's end
    bool blanks;      // a NUL, CR or LF before that, which PutField turns into a blank
};

constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHighs = 0x8080808080808080u;

// The high bit of each byte of `word` that is zero; exact up to the lowest one, which is all a
// scan needs.
constexpr std::uint64_t ZeroBytes(std::uint64_t word) {
    return (word - kOnes) & ~word & kHighs;
}

bool EndsOrBlanks(char c, bool& blanks) {
    blanks = blanks || c == '\0' || c == '\r' || c == '\n';
    return c == '\t';
}

// One look at each byte, eight at a time: the tab that ends the field and any byte to blank
// before it are found together.
FieldSpan ScanField(std::string_view line, std::size_t from) {
    bool blanks = false;
    std::size_t at = from;
    for (; at + sizeof(std::uint64_t) <= line.size(); at += sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, line.data() + at, sizeof word);
        if constexpr (std::endian::native == std::endian::big) {
            word = __builtin_bswap64(word);
        }
        const std::uint64_t tabs = ZeroBytes(word ^ (kOnes * '\t'));
        const std::uint64_t odd =
            ZeroBytes(word) | ZeroBytes(word ^ (kOnes * '\r')) | ZeroBytes(word ^ (kOnes * '\n'));
        if (tabs != 0) {
            const int tab = std::countr_zero(tabs);
            blanks = blanks || (odd != 0 && std::countr_zero(odd) < tab);
            return {at + static_cast<std::size_t>(tab / 8), blanks};
        }
        blanks = blanks || odd != 0;
    }
    for (; at < line.size(); ++at) {
        if (EndsOrBlanks(line[at], blanks)) {
            break;
        }
    }
    return {at, blanks};
}

// True when `text` goes into its field byte for byte, as PutField would put it: nothing cut,
// nothing blanked, a number already in the encoder's digits, a key text without trailing blanks.
bool KeptAsItStands(std::string_view text, bool blanks, const FieldRule& rule, std::size_t width) {
    if (blanks) {
        return false;
    }
    switch (rule.form) {
        case FieldForm::Number:
            return text.size() == width && std::all_of(text.begin(), text.end(),
                                                       [](char c) { return c >= '0' && c <= '9'; });
        case FieldForm::TrimmedText:
            return text.size() <= std::min(rule.limit, width) &&
                   (text.empty() || text.back() != ' ');
        case FieldForm::Letter:
        case FieldForm::Text:
            return text.size() <= std::min(rule.limit, width);
    }
    return false;
}

}  // namespace

// Most fields of a file the program wrote are already in the form a load gives them: those are
// copied as they stand, and only the others go through PutField.
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
        bool blanks = false;
        if (more) {
            const FieldSpan span = ScanField(line, pos);
            field = line.substr(pos, span.end - pos);
            blanks = span.blanks;
            more = span.end < line.size();
            pos = span.end + 1;
        } else {
            changed = true;  // a save writes every field
        }
        const FieldRule rule = rules != nullptr ? rules[i] : FieldRule{FieldForm::Text, width};
        if (KeptAsItStands(field, blanks, rule, width)) {
            if (!field.empty()) {
                std::memcpy(record.data() + offset, field.data(), field.size());
            }
        } else {
            changed = PutField(field, rule, width, record.data() + offset) || changed;
        }
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
