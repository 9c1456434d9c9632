#include "SubjRecord.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "Clock.h"
#include "SjisText.h"

const int IndivFieldWidths[] = {4, 2, 2, 120, 2, 2, 1, 400, 107, 0};
const int RepFieldWidths[] = {128, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 1, 492, 0};

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

// Writes the record text field by field, each at the offset behind the last.
class RecordWriter {
  public:
    explicit RecordWriter(RecordText& record) : record_(record) { record_.fill(0); }

    // A number zero-padded to `width` digits. One with more digits keeps them
    // all here; the field that follows overwrites the excess.
    void Number(int value, int width) {
        char digits[16];
        std::size_t len = ZeroPadded(value, width, digits);
        std::size_t n = std::min(len, kRecordSize - offset_);
        std::memcpy(record_.data() + offset_, digits, n);
        offset_ += static_cast<std::size_t>(width);
    }

    // A text cut at `limit` bytes, never inside a double-byte character, and
    // zero-padded over the whole width.
    void Text(std::string_view text, std::size_t limit, int width) {
        std::size_t n = SjisPrefixLength(text, limit);
        std::memset(record_.data() + offset_, 0, static_cast<std::size_t>(width));
        std::memcpy(record_.data() + offset_, text.data(), n);
        offset_ += static_cast<std::size_t>(width);
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

    // Like scanf's "%Nd" confined to the field: blanks, a sign, then digits;
    // no digits read as 0.
    std::int16_t Number(int width) {
        std::size_t end = offset_ + static_cast<std::size_t>(width);
        std::size_t i = offset_;
        offset_ = end;
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
    TrimTrailingSpaces(subj.title);
    TrimTrailingSpaces(subj.origin);
    RecordText record;
    RecordWriter w(record);
    w.Number(subj.year, 4);
    w.Number(subj.month, 2);
    w.Number(subj.day, 2);
    w.Text(subj.title, kTitleLimit, 120);
    w.Number(subj.hour, 2);
    w.Number(subj.minute, 2);
    w.Letter(subj.progress);
    w.Text(subj.content, kContentLimit, 400);
    w.Text(subj.origin, kTitleLimit, 107);
    return record;
}

namespace {

// The fields up to the progress letter; `r` is left at the content.
IndivSubj ReadIndivHead(RecordReader& r) {
    IndivSubj subj;
    subj.year = r.Number(4);
    subj.month = r.Number(2);
    subj.day = r.Number(2);
    subj.title = r.Text(120);
    subj.hour = r.Number(2);
    subj.minute = r.Number(2);
    subj.progress = r.Letter();
    return subj;
}

}  // namespace

IndivSubj DecodeIndivHead(const RecordText& record) {
    RecordReader r(record);
    return ReadIndivHead(r);
}

IndivSubj DecodeIndivSubj(const RecordText& record) {
    RecordReader r(record);
    IndivSubj subj = ReadIndivHead(r);
    subj.content = r.Text(400);
    subj.origin = r.Text(107);
    std::time_t now = Clock::Now();
    subj.daysLeft = DaysLeftOf(subj, now);
    subj.overdue = OverdueOf(subj, now);
    return subj;
}

RecordText EncodeRepSubj(RepSubj& subj) {
    TrimTrailingSpaces(subj.title);
    TrimTrailingSpaces(subj.content);
    RecordText record;
    RecordWriter w(record);
    w.Text(subj.title, kTitleLimit, 128);
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
    w.Text(subj.content, kContentLimit, 492);
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
