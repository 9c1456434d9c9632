#include "SubjRecord.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "Clock.h"
#include "SjisText.h"

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
        int len =
            std::snprintf(digits, sizeof digits, "%0*d", static_cast<int>(field.width), value);
        std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(len), kRecordSize - field.offset);
        std::memcpy(record_.data() + field.offset, digits, n);
    }

    // A text cut at `limit` bytes, never inside a double-byte character, and
    // zero-padded over the whole field.
    void Text(std::string_view text, std::size_t limit, RecordField field) {
        std::size_t n = SjisPrefixLength(text, limit);
        std::memset(record_.data() + field.offset, 0, field.width);
        std::memcpy(record_.data() + field.offset, text.data(), n);
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

    // Like scanf's "%Nd" confined to the field: blanks, a sign, then digits;
    // no digits read as 0.
    std::int16_t Number(RecordField field) {
        std::size_t end = field.End();
        std::size_t i = field.offset;
        while (i < end && record_[i] == ' ') {
            ++i;
        }
        bool negative = false;
        if (i < end && (record_[i] == '-' || record_[i] == '+')) {
            negative = record_[i] == '-';
            ++i;
        }
        int value = 0;
        while (i < end && record_[i] >= '0' && record_[i] <= '9') {
            value = value * 10 + (record_[i] - '0');
            ++i;
        }
        return static_cast<std::int16_t>(negative ? -value : value);
    }

    std::string Text(RecordField field) {
        const char* start = reinterpret_cast<const char*>(record_.data() + field.offset);
        return std::string(start, strnlen(start, field.width));
    }

    Progress Letter(RecordField field) { return static_cast<Progress>(record_[field.offset]); }

  private:
    const RecordText& record_;
};

std::int32_t DaysLeftOf(const IndivSubj& subj, std::time_t now) {
    std::time_t midnight = LocalTime::Make(subj.year, subj.month, subj.day);
    double s = std::difftime(midnight, now);
    auto whole = static_cast<std::int64_t>(s / 86400.0);
    return static_cast<std::int32_t>(whole + (s > 0 ? 1 : 0));
}

std::int32_t OverdueOf(const IndivSubj& subj, std::time_t now) {
    std::tm local = LocalTime::Break(now);
    char nowText[32];
    std::strftime(nowText, sizeof nowText, "%Y%m%d%H%M", &local);
    char dueText[64];
    std::snprintf(dueText, sizeof dueText, "%04d%02d%02d%02d%02d", subj.year, subj.month, subj.day,
                  subj.hour, subj.minute);
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
    w.Text(subj.title, kTitleLimit, kTitle);
    w.Number(subj.hour, kHour);
    w.Number(subj.minute, kMinute);
    w.Letter(subj.progress, kProgress);
    w.Text(subj.content, kContentLimit, kContent);
    w.Text(subj.origin, kTitleLimit, kOrigin);
    return record;
}

IndivSubj DecodeIndivSubj(const RecordText& record) {
    using namespace IndivFields;
    RecordReader r(record);
    IndivSubj subj;
    subj.year = r.Number(kYear);
    subj.month = r.Number(kMonth);
    subj.day = r.Number(kDay);
    subj.title = r.Text(kTitle);
    subj.hour = r.Number(kHour);
    subj.minute = r.Number(kMinute);
    subj.progress = r.Letter(kProgress);
    subj.content = r.Text(kContent);
    subj.origin = r.Text(kOrigin);
    std::time_t now = Clock::Now();
    subj.daysLeft = DaysLeftOf(subj, now);
    subj.overdue = OverdueOf(subj, now);
    return subj;
}

RecordText EncodeRepSubj(RepSubj& subj) {
    using namespace RepFields;
    TrimTrailingSpaces(subj.title);
    TrimTrailingSpaces(subj.content);
    RecordText record;
    RecordWriter w(record);
    w.Text(subj.title, kTitleLimit, kTitle);
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
    w.Text(subj.content, kContentLimit, kContent);
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
