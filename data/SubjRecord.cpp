#include "SubjRecord.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>

#include "Clock.h"
#include "SjisText.h"

const int IndivFieldWidths[] = {4, 2, 2, 120, 2, 2, 1, 400, 107, 0};
const int RepFieldWidths[] = {128, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 1, 492, 0};

namespace {

constexpr FieldRule kNumber{FieldForm::Number, 0};
constexpr FieldRule kLetter{FieldForm::Letter, 1};
constexpr FieldRule kKeyText{FieldForm::TrimmedText, kTitleLimit};

// clang-format off
constexpr FieldRule kIndivLoadRules[] = {
    kNumber, kNumber, kNumber,                                      // year, month, day
    kKeyText,                                                       // title
    kNumber, kNumber, kLetter,                                      // hour, minute, progress
    {FieldForm::Text, 400},                                         // content
    kKeyText,                                                       // origin
};
constexpr FieldRule kRepLoadRules[] = {
    kKeyText,                                                       // title
    kNumber, kNumber, kNumber, kNumber, kNumber,                    // yearly and monthly rules
    kNumber, kNumber, kNumber, kNumber, kNumber, kNumber, kNumber,  // weekly, Monday first
    kNumber, kNumber, kLetter,                                      // hour, minute, progress
    {FieldForm::TrimmedText, 492},                                  // content
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

// Writes the record text field by field, each at the offset behind the last.
class RecordWriter {
  public:
    explicit RecordWriter(RecordText& record) : record_(record) { record_.fill(0); }

    // A number zero-padded to `width` digits. One with more digits keeps them
    // all here; the field that follows overwrites the excess.
    void Number(int value, int width) {
        char digits[16];
        int len = std::snprintf(digits, sizeof digits, "%0*d", width, value);
        std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(len), kRecordSize - offset_);
        std::memcpy(record_.data() + offset_, digits, n);
        offset_ += static_cast<std::size_t>(width);
    }

    // A text cut at `limit` bytes, never inside a double-byte character, and
    // zero-padded over the whole width.
    void Text(std::string_view text, FieldForm form, std::size_t limit, int width) {
        const auto w = static_cast<std::size_t>(width);
        std::memset(record_.data() + offset_, 0, w);
        PutField(text, {form, limit}, w, record_.data() + offset_);
        offset_ += w;
    }

    void Letter(Progress progress) { record_[offset_++] = static_cast<std::uint8_t>(progress); }

  private:
    RecordText& record_;
    std::size_t offset_ = 0;
};

// Reads the fields back in the same order.
class RecordReader {
  public:
    explicit RecordReader(const RecordText& record) : record_(record) {}

    std::int16_t Number(int width) {
        const std::uint8_t* field = record_.data() + offset_;
        offset_ += static_cast<std::size_t>(width);
        return ReadNumber(field, static_cast<std::size_t>(width));
    }

    std::string Text(int width) {
        const char* start = reinterpret_cast<const char*>(record_.data() + offset_);
        std::size_t len = strnlen(start, static_cast<std::size_t>(width));
        offset_ += static_cast<std::size_t>(width);
        return std::string(start, len);
    }

    Progress Letter() { return static_cast<Progress>(record_[offset_++]); }

  private:
    const RecordText& record_;
    std::size_t offset_ = 0;
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

std::int32_t OverdueOf(const IndivSubj& subj, const std::tm& local) {
    char nowText[32];
    std::strftime(nowText, sizeof nowText, "%Y%m%d%H%M", &local);
    char dueText[64];
    std::snprintf(dueText, sizeof dueText, "%04d%02d%02d%02d%02d", subj.year, subj.month, subj.day,
                  subj.hour, subj.minute);
    return std::string_view(nowText) > std::string_view(dueText) ? 1 : 0;
}

}  // namespace

RecordText EncodeIndivSubj(IndivSubj& subj) {
    TrimTrailingSpaces(subj.title);
    TrimTrailingSpaces(subj.origin);
    RecordText record;
    RecordWriter w(record);
    w.Number(subj.year, 4);
    w.Number(subj.month, 2);
    w.Number(subj.day, 2);
    w.Text(subj.title, FieldForm::TrimmedText, kTitleLimit, 120);
    w.Number(subj.hour, 2);
    w.Number(subj.minute, 2);
    w.Letter(subj.progress);
    w.Text(subj.content, FieldForm::Text, kContentLimit, 400);
    w.Text(subj.origin, FieldForm::TrimmedText, kTitleLimit, 107);
    return record;
}

IndivSubj DecodeIndivSubj(const RecordText& record) {
    RecordReader r(record);
    IndivSubj subj;
    subj.year = r.Number(4);
    subj.month = r.Number(2);
    subj.day = r.Number(2);
    subj.title = r.Text(120);
    subj.hour = r.Number(2);
    subj.minute = r.Number(2);
    subj.progress = r.Letter();
    subj.content = r.Text(400);
    subj.origin = r.Text(107);
    const std::tm now = LocalTime::Break(Clock::Now());
    subj.daysLeft = DaysLeftOf(subj, now);
    subj.overdue = OverdueOf(subj, now);
    return subj;
}

RecordText EncodeRepSubj(RepSubj& subj) {
    TrimTrailingSpaces(subj.title);
    TrimTrailingSpaces(subj.content);
    RecordText record;
    RecordWriter w(record);
    w.Text(subj.title, FieldForm::TrimmedText, kTitleLimit, 128);
    w.Number(subj.yearlyMonth, 2);
    w.Number(subj.yearlyDay, 2);
    w.Number(subj.monthlyDay, 2);
    w.Number(subj.monthlyWeek, 1);
    w.Number(subj.monthlyWeekday, 1);
    for (std::uint8_t flag : subj.weekly) {
        w.Number(flag, 1);
    }
    w.Number(subj.hour, 2);
    w.Number(subj.minute, 2);
    w.Letter(subj.progress);
    w.Text(subj.content, FieldForm::TrimmedText, kContentLimit, 492);
    return record;
}

RepSubj DecodeRepSubj(const RecordText& record) {
    RecordReader r(record);
    RepSubj subj;
    subj.title = r.Text(128);
    subj.yearlyMonth = r.Number(2);
    subj.yearlyDay = r.Number(2);
    subj.monthlyDay = r.Number(2);
    subj.monthlyWeek = r.Number(1);
    subj.monthlyWeekday = r.Number(1);
    for (std::uint8_t& flag : subj.weekly) {
        flag = static_cast<std::uint8_t>(r.Number(1));
    }
    subj.hour = r.Number(2);
    subj.minute = r.Number(2);
    subj.progress = r.Letter();
    subj.content = r.Text(492);
    return subj;
}
