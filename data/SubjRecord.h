// The two kinds of subject, their progress state, and the 640-byte record text
// that is the only form in which a subject is stored. The byte layout is
// defined in data/RecordLayout.h; all texts are Shift_JIS bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

#include "RecordLayout.h"

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

// Appends `value` as "%0*d" prints it with `width`: the sign first, then zeros
// up to the width. Written out by hand, as every encode and every list row
// formats numbers and printf's parsing was most of that work.
void AppendZeroPadded(std::string& out, int value, int width);

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

// "YYYY/MM/DD hh:mm", the date and time of `subj` as the list and the agenda show it.
std::string DateTimeText(const IndivSubj& subj);
// The same straight from an individual subject's record, whose number fields
// hold the digits as the list shows them.
std::string DateTimeText(const RecordText& record);

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

// How the encoder writes a field, and so the form a field read from a file is
// put in: numbers zero-padded to their width, texts cut at their limit, key
// texts without trailing blanks.
enum class FieldForm : std::uint8_t {
    Number,       // "%0*d" of what the field reads as
    Letter,       // one byte as it stands
    Text,         // bytes as they stand, cut at the limit
    TrimmedText,  // the same without trailing blanks
};
struct FieldRule {
    FieldForm form;
    std::size_t limit;  // the most text bytes kept; at most the field's width
};

// The rules of the fields of IndivFieldWidths and RepFieldWidths, in order, where a loader
// specialised for each table can read them as constants.
inline constexpr FieldRule kNumberRule{FieldForm::Number, 0};
inline constexpr FieldRule kLetterRule{FieldForm::Letter, 1};
inline constexpr FieldRule kKeyTextRule{FieldForm::TrimmedText, kTitleLimit};
// clang-format off
inline constexpr FieldRule IndivLoadRules[] = {
    kNumberRule, kNumberRule, kNumberRule,                  // year, month, day
    kKeyTextRule,                                           // title
    kNumberRule, kNumberRule, kLetterRule,                  // hour, minute, progress
    {FieldForm::Text, IndivFields::kContent.width},         // content
    kKeyTextRule,                                           // origin
};
inline constexpr FieldRule RepLoadRules[] = {
    kKeyTextRule,                                           // title
    kNumberRule, kNumberRule, kNumberRule, kNumberRule,     // yearly and monthly rules
    kNumberRule,
    kNumberRule, kNumberRule, kNumberRule, kNumberRule,     // weekly, Monday first
    kNumberRule, kNumberRule, kNumberRule,
    kNumberRule, kNumberRule, kLetterRule,                  // hour, minute, progress
    {FieldForm::TrimmedText, RepFields::kContent.width},    // content
};
// clang-format on
static_assert(std::size(IndivLoadRules) + 1 == std::size(IndivFieldWidths));
static_assert(std::size(RepLoadRules) + 1 == std::size(RepFieldWidths));

// The rules for loading the fields of IndivFieldWidths or RepFieldWidths, in
// order; nullptr for any other table. Titles and origins are cut at the
// encoder's 72 bytes, as Find and the links of generated subjects compare them
// in that form; content keeps its whole width, as it always has.
const FieldRule* LoadRulesOf(const int* widths);

// Writes `text` into the zeroed field of `width` bytes at `field` as `rule`
// says, never splitting a double-byte character; a NUL, tab, CR or LF inside
// the text becomes a blank, as each would end the field or its line when it
// is written. True when the field then holds other bytes than `text`.
[[nodiscard]] bool PutField(std::string_view text, const FieldRule& rule, std::size_t width,
                            std::uint8_t* field);

// Builds the record text; removes the trailing blanks of title and origin in
// `subj` itself, as the stored key has none. Texts are written with PutField.
RecordText EncodeIndivSubj(IndivSubj& subj);
// Fills every field and works out daysLeft and overdue against Clock::Now().
IndivSubj DecodeIndivSubj(const RecordText& record);
// Only date, title, time and progress; content and origin stay empty and
// daysLeft and overdue 0, so the clock is not consulted.
IndivSubj DecodeIndivHead(const RecordText& record);
// What the batch's purge decides on, read from an individual subject's record as DecodeIndivSubj
// reads those fields, without its texts: a walk over most of a large list would otherwise build
// a title for every subject it passes.
struct IndivDayProgress {
    std::int16_t year = 0;
    std::int16_t month = 0;
    std::int16_t day = 0;
    Progress progress = Progress{0};
};
IndivDayProgress DayProgressOf(const RecordText& record);
// Works out daysLeft and overdue as they were at `when`.
void DeriveIndivAt(IndivSubj& subj, std::time_t when);

// Builds the record text; removes the trailing blanks of title and content in `subj`.
RecordText EncodeRepSubj(RepSubj& subj);
RepSubj DecodeRepSubj(const RecordText& record);
