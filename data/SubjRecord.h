// The two kinds of subject, their progress state, and the 640-byte record text
// that is the only form in which a subject is stored. The byte layout is
// written down in data/FORMAT.md; all texts are Shift_JIS bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

constexpr std::size_t kRecordSize = 640;
constexpr std::size_t kKeySize = 128;
constexpr std::size_t kTitleLimit = 72;
constexpr std::size_t kContentLimit = 392;

using RecordText = std::array<std::uint8_t, kRecordSize>;
// The key of a record: its first 128 bytes, compared as unsigned bytes.
using SubjKey = std::span<const std::uint8_t, kKeySize>;

inline SubjKey KeyOf(const RecordText& record) {
    return SubjKey(record.data(), kKeySize);
}

// One letter; any other byte read from a file is kept as it is.
enum class Progress : char {
    NotTracked = 'N',
    Open = 'U',
    Done = 'C',
};

// The display text of a progress letter ("管理しない", "未処理", "完了"), or an
// empty text for a letter outside the table.
std::string ProgressText(Progress progress);

struct IndivSubj {
    std::int16_t year = 0;
    std::int16_t month = 0;
    std::int16_t day = 0;
    std::string title;
    std::int16_t hour = 0;
    std::int16_t minute = 0;
    Progress progress = Progress{0};
    std::string content;  // line breaks held as "<br>"
    std::string origin;   // title of the repeating subject it was generated from
    // Derived at every decode from Clock::Now().
    std::int32_t daysLeft = 0;
    std::int32_t overdue = 0;
};

struct RepSubj {
    std::string title;
    std::int16_t yearlyMonth = 0;  // 0 always means unset
    std::int16_t yearlyDay = 0;
    std::int16_t monthlyDay = 0;
    std::int16_t monthlyWeek = 0;
    std::int16_t monthlyWeekday = 0;       // 1 = Monday .. 7 = Sunday
    std::array<std::uint8_t, 7> weekly{};  // Monday .. Sunday, 0 or 1
    std::int16_t hour = 0;
    std::int16_t minute = 0;
    Progress progress = Progress{0};
    std::string content;
};

// Width tables: the field widths of a record text in order, ended by a 0.
extern const int IndivFieldWidths[];
extern const int RepFieldWidths[];

// Builds the record text; removes the trailing blanks of title and origin in
// `subj` itself, as the stored key has none.
RecordText EncodeIndivSubj(IndivSubj& subj);
// Fills every field and works out daysLeft and overdue against Clock::Now().
IndivSubj DecodeIndivSubj(const RecordText& record);
// Only date, title, time and progress; content and origin stay empty and
// daysLeft and overdue 0, so the clock is not consulted.
IndivSubj DecodeIndivHead(const RecordText& record);

// Builds the record text; removes the trailing blanks of title and content in `subj`.
RecordText EncodeRepSubj(RepSubj& subj);
RepSubj DecodeRepSubj(const RecordText& record);
