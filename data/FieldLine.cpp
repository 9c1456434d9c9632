#include "FieldLine.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHighs = 0x8080808080808080u;
constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7Fu;

// Nonzero when a byte of `word` is below 14, where NUL, LF and CR lie (and the tab, which the
// caller has raised out of the way first).
constexpr std::uint64_t AnyLow(std::uint64_t word) {
    return (word - kOnes * 14) & ~word & kHighs;
}

// The high bit of each byte of `word` that is zero, and of no other: no carry crosses a byte.
constexpr std::uint64_t ZeroBytes(std::uint64_t word) {
    return ~(((word & kLows) + kLows) | word | kLows);
}

bool Blanked(char c) {
    return c == '\0' || c == '\r' || c == '\n';
}

// The tabs of a line from left to right, each byte looked at once and eight at a time: the tabs
// of the last word read wait as bits until they are asked for, so a field of two bytes costs no
// read of its own. Bytes that PutField blanks (NUL, CR, LF) are noted on the way.
class TabScan {
  public:
    explicit TabScan(std::string_view line) : line_(line) {}

    // Where the next tab stands; the line's size when none is left.
    std::size_t Next() {
        while (tabs_ == 0) {
            if (!ReadWord()) {
                return line_.size();
            }
        }
        const std::size_t at = word_ + static_cast<std::size_t>(std::countr_zero(tabs_) / 8);
        tabs_ &= tabs_ - 1;
        return at;
    }
    // True when a byte to blank lies among those read so far, which may go past the field just
    // found: a field then has its own bytes looked at.
    bool SawBlanked() const { return low_ != 0; }

  private:
    bool ReadWord() {
        word_ = next_;
        if (word_ + sizeof(std::uint64_t) <= line_.size()) {
            std::uint64_t word;
            std::memcpy(&word, line_.data() + word_, sizeof word);
            if constexpr (std::endian::native == std::endian::big) {
                word = __builtin_bswap64(word);
            }
            tabs_ = ZeroBytes(word ^ (kOnes * '\t'));
            // A tab turned into 0x19 is no longer low; a control byte that needs no blank may
            // still be taken for one, and only costs its field a look at each of its bytes.
            low_ |= AnyLow(word | (tabs_ >> 3));
            next_ = word_ + sizeof(std::uint64_t);
            return true;
        }
        if (word_ == line_.size()) {
            return false;
        }
        for (std::size_t at = word_; at < line_.size(); ++at) {  // the last few bytes one by one
            const std::uint64_t bit = std::uint64_t{0x80} << (8 * (at - word_));
            tabs_ |= line_[at] == '\t' ? bit : 0;
            low_ |= Blanked(line_[at]) ? 1 : 0;
        }
        next_ = line_.size();
        return true;
    }

    std::string_view line_;
    std::size_t word_ = 0;  // where the word of `tabs_` starts
    std::size_t next_ = 0;  // where the next word starts
    std::uint64_t tabs_ = 0;
    std::uint64_t low_ = 0;  // nonzero once a byte to blank may have been read
};

// Two copies of kSize bytes that overlap: every length from kSize to twice it, with no call.
template <std::size_t kSize>
void CopyOverlapping(std::uint8_t* to, const char* from, std::size_t n) {
    std::memcpy(to, from, kSize);
    std::memcpy(to + n - kSize, from + n - kSize, kSize);
}

// memcpy for the few bytes most fields hold, which a call would cost more than the copy.
[[gnu::always_inline]] inline void CopyBytes(std::uint8_t* to, std::string_view bytes) {
    const char* from = bytes.data();
    const std::size_t n = bytes.size();
    if (n >= 32) {
        std::memcpy(to, from, n);
    } else if (n >= 16) {
        CopyOverlapping<16>(to, from, n);
    } else if (n >= 8) {
        CopyOverlapping<8>(to, from, n);
    } else if (n >= 4) {
        CopyOverlapping<4>(to, from, n);
    } else if (n >= 2) {
        CopyOverlapping<2>(to, from, n);
    } else if (n == 1) {
        *to = static_cast<std::uint8_t>(*from);
    }
}

// True when `text` goes into its field byte for byte, as PutField would put it: nothing cut,
// nothing blanked, a number already in the encoder's digits, a key text without trailing blanks.
[[gnu::always_inline]] inline bool KeptAsItStands(std::string_view text, bool blanks,
                                                  const FieldRule& rule, std::size_t width) {
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

// Takes the fields of a line one after another into a record, each in the form a load gives it.
// Most fields of a file the program wrote are in that form already: those are copied as they
// stand, and only the others go through PutField. The line is read once for its tabs.
class FieldTaker {
  public:
    FieldTaker(std::string_view line, RecordText& record)
        : line_(line), tabs_(line), record_(record) {}

    // The next field, of `width` bytes in the record; inlined, so that a table's constant widths
    // and rules settle each test at compile time.
    [[gnu::always_inline]] void Take(std::size_t width, const FieldRule& rule) {
        std::string_view field;
        bool blanks = false;
        if (more_) {
            const std::size_t end = tabs_.Next();
            field = line_.substr(pos_, end - pos_);
            blanks = tabs_.SawBlanked() && std::any_of(field.begin(), field.end(), Blanked);
            more_ = end < line_.size();
            pos_ = end + 1;
        } else {
            changed_ = true;  // a save writes every field
        }
        if (KeptAsItStands(field, blanks, rule, width)) {
            CopyBytes(record_.data() + offset_, field);
        } else {
            changed_ = PutField(field, rule, width, record_.data() + offset_) || changed_;
        }
        offset_ += width;
    }
    // True when a save would write the line back with other bytes.
    bool Changed() const { return changed_ || more_; }

  private:
    std::string_view line_;
    TabScan tabs_;
    RecordText& record_;
    bool changed_ = false;
    bool more_ = true;  // the line has a field left
    std::size_t pos_ = 0;
    std::size_t offset_ = 0;
};

// Where each field of a line ends, when the line is in the form a save writes: one part per
// field, and no byte that PutField blanks. Sixteen bytes are looked at a step for both; the last
// step reads the sixteen bytes that end the line, overlapping the one before, so that no byte is
// looked at on its own. False for any other line, which then goes field by field.
template <std::size_t kFields>
bool FindFieldEnds(std::string_view line, std::array<std::size_t, kFields>& ends) {
#if defined(__SSE2__)
    const std::size_t size = line.size();
    if (size < sizeof(__m128i)) {
        return false;  // too short for a record the program wrote; field by field
    }
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i nul = _mm_setzero_si128();
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    std::size_t found = 0;
    for (std::size_t at = 0; at < size; at += sizeof(__m128i)) {
        std::size_t from = at;
        unsigned seen = 0xFFFF;  // the bytes of this step not looked at before
        if (at + sizeof(__m128i) > size) {
            from = size - sizeof(__m128i);
            seen = (0xFFFFu << (at - from)) & 0xFFFF;
        }
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + from));
        const __m128i blanked =
            _mm_or_si128(_mm_cmpeq_epi8(chunk, nul),
                         _mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)));
        if ((static_cast<unsigned>(_mm_movemask_epi8(blanked)) & seen) != 0) {
            return false;
        }
        for (unsigned tabs =
                 static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, tab))) & seen;
             tabs != 0; tabs &= tabs - 1) {
            if (found + 1 == kFields) {
                return false;  // a part beyond the table
            }
            ends[found++] = from + static_cast<std::size_t>(std::countr_zero(tabs));
        }
    }
    if (found + 1 != kFields) {
        return false;  // a field missing
    }
    ends[found] = size;
    return true;
#else
    static_cast<void>(line);
    static_cast<void>(ends);
    return false;
#endif
}

template <const int* kWidths>
constexpr std::size_t OffsetOf(std::size_t field) {
    std::size_t offset = 0;
    for (std::size_t i = 0; i < field; ++i) {
        offset += static_cast<std::size_t>(kWidths[i]);
    }
    return offset;
}

// One field of a line whose field ends are known, into its place in the record.
template <const int* kWidths, const FieldRule* kRules, std::size_t kField, std::size_t kFields>
[[gnu::always_inline]] inline bool TakeKnownField(std::string_view line,
                                                  const std::array<std::size_t, kFields>& ends,
                                                  RecordText& record) {
    constexpr auto kWidth = static_cast<std::size_t>(kWidths[kField]);
    constexpr std::size_t kOffset = OffsetOf<kWidths>(kField);
    const std::size_t start = kField == 0 ? 0 : ends[kField - 1] + 1;
    const std::string_view field(line.data() + start, ends[kField] - start);
    if (KeptAsItStands(field, false, kRules[kField], kWidth)) {
        CopyBytes(record.data() + kOffset, field);
        return false;
    }
    return PutField(field, kRules[kField], kWidth, record.data() + kOffset);
}

template <const int* kWidths, const FieldRule* kRules, std::size_t... kField>
bool TakeFieldsOf(std::string_view line, RecordText& record, std::index_sequence<kField...>) {
    constexpr std::size_t kFields = sizeof...(kField);
    std::array<std::size_t, kFields> ends;
    if (FindFieldEnds(line, ends)) {
        return (TakeKnownField<kWidths, kRules, kField>(line, ends, record) | ...);
    }
    FieldTaker taker(line, record);
    (taker.Take(static_cast<std::size_t>(kWidths[kField]), kRules[kField]), ...);
    return taker.Changed();
}

}  // namespace

bool TakeFields(std::string_view line, const int* widths, RecordText& record) {
    record.fill(0);
    return TakeFieldsIntoZeroed(line, widths, record);
}

bool TakeFieldsIntoZeroed(std::string_view line, const int* widths, RecordText& record) {
    if (widths == IndivFieldWidths) {
        return TakeFieldsOf<IndivFieldWidths, IndivLoadRules>(
            line, record, std::make_index_sequence<std::size(IndivLoadRules)>{});
    }
    if (widths == RepFieldWidths) {
        return TakeFieldsOf<RepFieldWidths, RepLoadRules>(
            line, record, std::make_index_sequence<std::size(RepLoadRules)>{});
    }
    FieldTaker taker(line, record);
    for (const int* w = widths; *w != 0; ++w) {
        const auto width = static_cast<std::size_t>(*w);
        taker.Take(width, FieldRule{FieldForm::Text, width});
    }
    return taker.Changed();
}

void TrimLineEnd(std::string& line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
}

LineSplitter::LineSplitter(std::string_view bytes) : bytes_(bytes) {}

#if defined(__SSE2__)
// Sixteen bytes a step, CR and LF compared at once: lines of a few dozen bytes take two or three
// steps, where a library search for each of the two costs a call and its set-up per line.
std::size_t LineSplitter::LineEnd() const {
    const char* const start = bytes_.data();
    const std::size_t size = bytes_.size();
    std::size_t at = pos_;
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; at + sizeof(__m128i) <= size; at += sizeof(__m128i)) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(start + at));
        const int ends =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)));
        if (ends != 0) {
            return at + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(ends)));
        }
    }
    while (at < size && start[at] != '\r' && start[at] != '\n') {
        ++at;
    }
    return at;
}
#else
std::size_t LineSplitter::LineEnd() const {
    std::size_t at = pos_;
    while (at < bytes_.size() && bytes_[at] != '\r' && bytes_[at] != '\n') {
        ++at;
    }
    return at;
}
#endif

bool LineSplitter::Next(std::string_view& line) {
    if (pos_ >= bytes_.size()) {
        return false;
    }
    const std::size_t end = LineEnd();
    line = bytes_.substr(pos_, end - pos_);
    const bool crLf = end + 1 < bytes_.size() && bytes_[end] == '\r' && bytes_[end + 1] == '\n';
    pos_ = end == bytes_.size() ? end : end + (crLf ? 2 : 1);
    return true;
}
