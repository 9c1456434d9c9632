#include "SubjRecord.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>
#include <utility>

#include "Clock.h"
#include "SjisText.h"

namespace {

// Like scanf's "%Nd" confined to a field of `width` bytes: blanks, a sign,
// then digits; no digits read as 0.
std::int16_t ReadNumber(const std::uint8_t* field, std::size_t width) {
    std::size_t i = 0;
    while (i < width && field[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < width && (field[i] == '-' || field[i] == '+')) {
        negative = field[i] == '-';
        ++i;
    }
    int value = 0;
    while (i < width && field[i] >= '0' && field[i] <= '9') {
        value = value * 10 + (field[i] - '0');
        ++i;
    }
    return static_cast<std::int16_t>(negative ? -value : value);
}

// A zero byte would end the field when it is written, a tab, CR or LF would end
// the field or the line: each is held as a blank from the start, so that what
// is in memory is what a save writes, and no two keys meet only on saving.
bool IsBlankInField(std::uint8_t b) {
    return b == 0 || b == '\t' || b == '\r' || b == '\n';
}

bool IsDigit(std::uint8_t b) {
    return b >= '0' && b <= '9';
}

}  // namespace

const FieldRule* LoadRulesOf(const int* widths) {
    if (widths == IndivFieldWidths) {
        return IndivLoadRules;
    }
    if (widths == RepFieldWidths) {
        return RepLoadRules;
    }
    return nullptr;
}

bool PutField(std::string_view text, const FieldRule& rule, std::size_t width,
              std::uint8_t* field) {
    const std::size_t limit = rule.form == FieldForm::Number ? width : std::min(rule.limit, width);
    std::size_t n = SjisPrefixLength(text, limit);
    if (n != 0) {  // an empty view may point nowhere
        std::memcpy(field, text.data(), n);
    }
    bool changed = n != text.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (IsBlankInField(field[i])) {
            field[i] = ' ';
            changed = true;
        }
    }
    if (rule.form == FieldForm::TrimmedText) {
        // After the cut as well: a cut that ends in blanks would leave a key
        // that the same subject, trimmed again, never finds.
        while (n > 0 && field[n - 1] == ' ') {
            field[--n] = 0;
            changed = true;
        }
    } else if (rule.form == FieldForm::Number &&
               !(n == width && std::all_of(field, field + n, IsDigit))) {
        // Every number the encoder writes fits its width, so this is the form
        // a save followed by a load gives back.
        char digits[16];
        std::snprintf(digits, sizeof digits, "%0*d", static_cast<int>(width),
                      ReadNumber(field, width));
        const std::size_t len = std::min(std::strlen(digits), width);
        if (len != n || std::memcmp(field, digits, len) != 0) {
            std::memset(field, 0, width);
            std::memcpy(field, digits, len);
            changed = true;
        }
    }
    return changed;
}

std::string ProgressText(Progress progress) {
    switch (progress) {
        case Progress::NotTracked:
            return "\x8A\xC7\x97\x9D\x82\xB5\x82\xC8\x82\xA2";  // 管理しない
        case Progress::Open:
            return "\x96\xA2\x8F\x88\x97\x9D";  // 未処理
        case Progress::Done:
            return "\x8A\xAE\x97\xB9";  // 完了
    }
    return {};
}

namespace {

// What "%0*d" prints, into `out`; returns its length. Written out by hand, as
// every insert, lookup and removal encodes a subject and printf's parsing
// was most of that work.
std::size_t ZeroPadded(int value, int width, char* out) {
    const bool negative = value < 0;
    auto magnitude = negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    char reversed[12];
    int digits = 0;
    do {
        reversed[digits++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    std::size_t len = 0;
    if (negative) {
        out[len++] = '-';
    }
    for (int pad = width - digits - (negative ? 1 : 0); pad > 0; --pad) {
        out[len++] = '0';
    }
    while (digits > 0) {
        out[len++] = reversed[--digits];
    }
    return len;
}

// Writes the record text field by field. The fields are written in record
// order, so that a number too long for its field spills into the next field
// before that field is written over it.
class RecordWriter {
  public:
    explicit RecordWriter(RecordText& record) : record_(record) { record_.fill(0); }

    // A number zero-padded to the field's width. One with more digits keeps
    // them all here; the field that follows overwrites the excess.
    void Number(int value, RecordField field) {
        char digits[16];
        const std::size_t len = ZeroPadded(value, static_cast<int>(field.width), digits);
        const std::size_t n = std::min(len, kRecordSize - field.offset);
        std::memcpy(record_.data() + field.offset, digits, n);
    }

    // A text cut at `limit` bytes, never inside a double-byte character, and
    // zero-padded over the whole field.
    void Text(std::string_view text, FieldForm form, std::size_t limit, RecordField field) {
        std::memset(record_.data() + field.offset, 0, field.width);
        // Whether the text had to change matters to a load only.
        static_cast<void>(
            PutField(text, {form, limit}, field.width, record_.data() + field.offset));
    }

    void Letter(Progress progress, RecordField field) {
        record_[field.offset] = static_cast<std::uint8_t>(progress);
    }

  private:
    RecordText& record_;
};

// Reads the fields back, through the same calls as RecordWriter, so that one
// walk over a kind's fields serves both ways.
class RecordReader {
  public:
    explicit RecordReader(const RecordText& record) : record_(record) {}

    template <typename Int>
    void Number(Int& value, RecordField field) {
        value = static_cast<Int>(ReadNumber(record_.data() + field.offset, field.width));
    }

    // Form and limit are the writer's; a field read holds what was written.
    void Text(std::string& text, FieldForm /*form*/, std::size_t /*limit*/, RecordField field) {
        const char* start = reinterpret_cast<const char*>(record_.data() + field.offset);
        text.assign(start, strnlen(start, field.width));
    }

    void Letter(Progress& progress, RecordField field) {
        progress = static_cast<Progress>(record_[field.offset]);
    }

  private:
    const RecordText& record_;
};

// Each kind's fields in record order, walked by a RecordWriter to encode a
// subject and by a RecordReader to decode one.
template <typename Fields>
void WalkIndivHead(Fields& f, IndivSubj& subj) {
    using namespace IndivFields;
    f.Number(subj.year, kYear);
    f.Number(subj.month, kMonth);
    f.Number(subj.day, kDay);
    f.Text(subj.title, FieldForm::TrimmedText, kTitleLimit, kTitle);
    f.Number(subj.hour, kHour);
    f.Number(subj.minute, kMinute);
    f.Letter(subj.progress, kProgress);
}

template <typename Fields>
void WalkFields(Fields& f, IndivSubj& subj) {
    using namespace IndivFields;
    WalkIndivHead(f, subj);
    f.Text(subj.content, FieldForm::Text, kContentLimit, kContent);
    f.Text(subj.origin, FieldForm::TrimmedText, kTitleLimit, kOrigin);
}

template <typename Fields>
void WalkFields(Fields& f, RepSubj& subj) {
    using namespace RepFields;
    f.Text(subj.title, FieldForm::TrimmedText, kTitleLimit, kTitle);
    f.Number(subj.yearlyMonth, kYearlyMonth);
    f.Number(subj.yearlyDay, kYearlyDay);
    f.Number(subj.monthlyDay, kMonthlyDay);
    f.Number(subj.monthlyWeek, kMonthlyWeek);
    f.Number(subj.monthlyWeekday, kMonthlyWeekday);
    for (std::size_t day = 0; day < subj.weekly.size(); ++day) {
        f.Number(subj.weekly[day], WeeklyFlag(day));
    }
    f.Number(subj.hour, kHour);
    f.Number(subj.minute, kMinute);
    f.Letter(subj.progress, kProgress);
    f.Text(subj.content, FieldForm::TrimmedText, kContentLimit, kContent);
}

template <typename Subj>
RecordText Encoded(Subj& subj) {
    RecordText record;
    RecordWriter w(record);
    WalkFields(w, subj);
    return record;
}

template <typename Subj>
Subj Decoded(const RecordText& record) {
    RecordReader r(record);
    Subj subj;
    WalkFields(r, subj);
    return subj;
}

// Seconds from now to the subject's midnight, both read off the calendar with
// days of 86 400 seconds: a 23- or 25-hour day at a clock change would
// otherwise put a subject one day off around midnight.
std::int32_t DaysLeftOf(const IndivSubj& subj, const std::tm& now) {
    const std::int64_t midnight = LocalTime::CalendarSeconds(subj.year, subj.month, subj.day);
    const std::int64_t s =
        midnight - LocalTime::CalendarSeconds(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
                                              now.tm_hour, now.tm_min, now.tm_sec);
    return static_cast<std::int32_t>(s / 86400 + (s > 0 ? 1 : 0));
}

}  // namespace

void AppendZeroPadded(std::string& out, int value, int width) {
    char digits[16];
    out.append(digits, ZeroPadded(value, std::min(width, 11), digits));
}

namespace {

// "YYYY/MM/DD hh:mm", each of the five numbers, year first, put in by `append`.
template <typename Append>
std::string JoinDateTime(const Append& append) {
    std::string text;
    text.reserve(16);
    append(text, 0);
    text += '/';
    append(text, 1);
    text += '/';
    append(text, 2);
    text += ' ';
    append(text, 3);
    text += ':';
    append(text, 4);
    return text;
}

}  // namespace

std::string DateTimeText(const IndivSubj& subj) {
    const std::pair<int, int> parts[] = {
        {subj.year, 4}, {subj.month, 2}, {subj.day, 2}, {subj.hour, 2}, {subj.minute, 2}};
    return JoinDateTime([&parts](std::string& text, std::size_t part) {
        AppendZeroPadded(text, parts[part].first, parts[part].second);
    });
}

std::string DateTimeText(const RecordText& record) {
    using namespace IndivFields;
    static constexpr RecordField kParts[] = {kYear, kMonth, kDay, kHour, kMinute};
    return JoinDateTime([&record](std::string& text, std::size_t part) {
        text.append(reinterpret_cast<const char*>(record.data()) + kParts[part].offset,
                    kParts[part].width);
    });
}

namespace {

std::int32_t OverdueOf(const IndivSubj& subj, const std::tm& local) {
    char nowText[32];
    std::strftime(nowText, sizeof nowText, "%Y%m%d%H%M", &local);
    std::string dueText;
    for (const auto& [value, width] : {std::pair<int, int>{subj.year, 4},
                                       {subj.month, 2},
                                       {subj.day, 2},
                                       {subj.hour, 2},
                                       {subj.minute, 2}}) {
        AppendZeroPadded(dueText, value, width);
    }
    return std::string_view(nowText) > std::string_view(dueText) ? 1 : 0;
}

}  // namespace

RecordText EncodeIndivSubj(IndivSubj& subj) {
    TrimTrailingSpaces(subj.title);
    TrimTrailingSpaces(subj.origin);
    return Encoded(subj);
}

IndivSubj DecodeIndivHead(const RecordText& record) {
    RecordReader r(record);
    IndivSubj subj;
    WalkIndivHead(r, subj);
    return subj;
}

IndivDayProgress DayProgressOf(const RecordText& record) {
    using namespace IndivFields;
    const auto progress = static_cast<Progress>(record[kProgress.offset]);
    // Nearly every date is the eight digits the encoder writes.
    if (std::all_of(record.begin(), record.begin() + kDay.End(), IsDigit)) {
        const auto digits = [&record](RecordField field) {
            int value = 0;
            for (std::size_t i = field.offset; i < field.End(); ++i) {
                value = value * 10 + (record[i] - '0');
            }
            return static_cast<std::int16_t>(value);
        };
        return {digits(kYear), digits(kMonth), digits(kDay), progress};
    }
    const auto number = [&record](RecordField field) {
        return ReadNumber(record.data() + field.offset, field.width);
    };
    return {number(kYear), number(kMonth), number(kDay), progress};
}

IndivSubj DecodeIndivSubj(const RecordText& record) {
    IndivSubj subj = Decoded<IndivSubj>(record);
    DeriveIndivAt(subj, Clock::Now());
    return subj;
}

void DeriveIndivAt(IndivSubj& subj, std::time_t when) {
    const std::tm now = LocalTime::Break(when);
    subj.daysLeft = DaysLeftOf(subj, now);
    subj.overdue = OverdueOf(subj, now);
}

RecordText EncodeRepSubj(RepSubj& subj) {
    TrimTrailingSpaces(subj.title);
    TrimTrailingSpaces(subj.content);
    return Encoded(subj);
}

RepSubj DecodeRepSubj(const RecordText& record) {
    return Decoded<RepSubj>(record);
}
