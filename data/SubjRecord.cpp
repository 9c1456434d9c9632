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

constexpr FieldRule kNumber{FieldForm::Number, 0};
constexpr FieldRule kLetter{FieldForm::Letter, 1};
constexpr FieldRule kKeyText{FieldForm::TrimmedText, kTitleLimit};

// clang-format off
constexpr FieldRule kIndivLoadRules[] = {
    kNumber, kNumber, kNumber,                                      // year, month, day
    kKeyText,                                                       // title
    kNumber, kNumber, kLetter,                                      // hour, minute, progress
    {FieldForm::Text, IndivFields::kContent.width},                 // content
    kKeyText,                                                       // origin
};
constexpr FieldRule kRepLoadRules[] = {
    kKeyText,                                                       // title
    kNumber, kNumber, kNumber, kNumber, kNumber,                    // yearly and monthly rules
    kNumber, kNumber, kNumber, kNumber, kNumber, kNumber, kNumber,  // weekly, Monday first
    kNumber, kNumber, kLetter,                                      // hour, minute, progress
    {FieldForm::TrimmedText, RepFields::kContent.width},            // content
};
// clang-format on
static_assert(std::size(kIndivLoadRules) + 1 == std::size(IndivFieldWidths));
static_assert(std::size(kRepLoadRules) + 1 == std::size(RepFieldWidths));

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
        return kIndivLoadRules;
    }
    if (widths == RepFieldWidths) {
        return kRepLoadRules;
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
        PutField(text, {form, limit}, field.width, record_.data() + field.offset);
    }

    void Letter(Progress progress, RecordField field) {
        record_[field.offset] = static_cast<std::uint8_t>(progress);
    }

  private:
    RecordText& record_;
};

// Reads the fields back.
class RecordReader {
  public:
    explicit RecordReader(const RecordText& record) : record_(record) {}

    std::int16_t Number(RecordField field) {
        return ReadNumber(record_.data() + field.offset, field.width);
    }

    std::string Text(RecordField field) {
        const char* start = reinterpret_cast<const char*>(record_.data() + field.offset);
        return std::string(start, strnlen(start, field.width));
    }

    Progress Letter(RecordField field) { return static_cast<Progress>(record_[field.offset]); }

  private:
    const RecordText& record_;
};

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
    using namespace IndivFields;
    TrimTrailingSpaces(subj.title);
    TrimTrailingSpaces(subj.origin);
    RecordText record;
    RecordWriter w(record);
    w.Number(subj.year, kYear);
    w.Number(subj.month, kMonth);
    w.Number(subj.day, kDay);
    w.Text(subj.title, FieldForm::TrimmedText, kTitleLimit, kTitle);
    w.Number(subj.hour, kHour);
    w.Number(subj.minute, kMinute);
    w.Letter(subj.progress, kProgress);
    w.Text(subj.content, FieldForm::Text, kContentLimit, kContent);
    w.Text(subj.origin, FieldForm::TrimmedText, kTitleLimit, kOrigin);
    return record;
}

namespace {

// The fields up to the progress letter.
IndivSubj ReadIndivHead(RecordReader& r) {
    using namespace IndivFields;
    IndivSubj subj;
    subj.year = r.Number(kYear);
    subj.month = r.Number(kMonth);
    subj.day = r.Number(kDay);
    subj.title = r.Text(kTitle);
    subj.hour = r.Number(kHour);
    subj.minute = r.Number(kMinute);
    subj.progress = r.Letter(kProgress);
    return subj;
}

}  // namespace

IndivSubj DecodeIndivHead(const RecordText& record) {
    RecordReader r(record);
    return ReadIndivHead(r);
}

IndivSubj DecodeIndivSubj(const RecordText& record) {
    using namespace IndivFields;
    RecordReader r(record);
    IndivSubj subj = ReadIndivHead(r);
    subj.content = r.Text(kContent);
    subj.origin = r.Text(kOrigin);
    DeriveIndivAt(subj, Clock::Now());
    return subj;
}

void DeriveIndivAt(IndivSubj& subj, std::time_t when) {
    const std::tm now = LocalTime::Break(when);
    subj.daysLeft = DaysLeftOf(subj, now);
    subj.overdue = OverdueOf(subj, now);
}

RecordText EncodeRepSubj(RepSubj& subj) {
    using namespace RepFields;
    TrimTrailingSpaces(subj.title);
    TrimTrailingSpaces(subj.content);
    RecordText record;
    RecordWriter w(record);
    w.Text(subj.title, FieldForm::TrimmedText, kTitleLimit, kTitle);
    w.Number(subj.yearlyMonth, kYearlyMonth);
    w.Number(subj.yearlyDay, kYearlyDay);
    w.Number(subj.monthlyDay, kMonthlyDay);
    w.Number(subj.monthlyWeek, kMonthlyWeek);
    w.Number(subj.monthlyWeekday, kMonthlyWeekday);
    for (std::size_t day = 0; day < subj.weekly.size(); ++day) {
        w.Number(subj.weekly[day], WeeklyFlag(day));
    }
    w.Number(subj.hour, kHour);
    w.Number(subj.minute, kMinute);
    w.Letter(subj.progress, kProgress);
    w.Text(subj.content, FieldForm::TrimmedText, kContentLimit, kContent);
    return record;
}

RepSubj DecodeRepSubj(const RecordText& record) {
    using namespace RepFields;
    RecordReader r(record);
    RepSubj subj;
    subj.title = r.Text(kTitle);
    subj.yearlyMonth = r.Number(kYearlyMonth);
    subj.yearlyDay = r.Number(kYearlyDay);
    subj.monthlyDay = r.Number(kMonthlyDay);
    subj.monthlyWeek = r.Number(kMonthlyWeek);
    subj.monthlyWeekday = r.Number(kMonthlyWeekday);
    for (std::size_t day = 0; day < subj.weekly.size(); ++day) {
        subj.weekly[day] = static_cast<std::uint8_t>(r.Number(WeeklyFlag(day)));
    }
    subj.hour = r.Number(kHour);
    subj.minute = r.Number(kMinute);
    subj.progress = r.Letter(kProgress);
    subj.content = r.Text(kContent);
    return subj;
}
