// Where each field of a record text lies, in bytes, for both kinds of subject,
// and the width tables a data file line is split by: the one place these
// numbers are written. data/FORMAT.md shows the same layout as tables.
#pragma once

#include <cstddef>

// The record text and its key, the first bytes of it.
inline constexpr std::size_t kRecordSize = 640;
inline constexpr std::size_t kKeySize = 128;
// The longest texts a record keeps, in bytes: a title or origin, a content.
inline constexpr std::size_t kTitleLimit = 72;
inline constexpr std::size_t kContentLimit = 392;

struct RecordField {
    std::size_t offset;
    std::size_t width;

    constexpr std::size_t End() const { return offset + width; }
    bool operator==(const RecordField&) const = default;
};

// An individual subject, keyed by its date and title.
namespace IndivFields {
inline constexpr RecordField kYear{0, 4};
inline constexpr RecordField kMonth{kYear.End(), 2};
inline constexpr RecordField kDay{kMonth.End(), 2};
inline constexpr RecordField kTitle{kDay.End(), 120};
inline constexpr RecordField kHour{kTitle.End(), 2};
inline constexpr RecordField kMinute{kHour.End(), 2};
inline constexpr RecordField kProgress{kMinute.End(), 1};
inline constexpr RecordField kContent{kProgress.End(), 400};
inline constexpr RecordField kOrigin{kContent.End(), 107};
static_assert(kTitle.End() == kKeySize && kOrigin.End() == kRecordSize);
}  // namespace IndivFields

// A repeating subject, keyed by its title.
namespace RepFields {
inline constexpr RecordField kTitle{0, 128};
inline constexpr RecordField kYearlyMonth{kTitle.End(), 2};
inline constexpr RecordField kYearlyDay{kYearlyMonth.End(), 2};
inline constexpr RecordField kMonthlyDay{kYearlyDay.End(), 2};
inline constexpr RecordField kMonthlyWeek{kMonthlyDay.End(), 1};
inline constexpr RecordField kMonthlyWeekday{kMonthlyWeek.End(), 1};
// Seven flags of one byte each, Monday first.
inline constexpr RecordField kWeekly{kMonthlyWeekday.End(), 7};
constexpr RecordField WeeklyFlag(std::size_t day) {
    return {kWeekly.offset + day, 1};
}
inline constexpr RecordField kHour{kWeekly.End(), 2};
inline constexpr RecordField kMinute{kHour.End(), 2};
inline constexpr RecordField kProgress{kMinute.End(), 1};
inline constexpr RecordField kContent{kProgress.End(), 492};
static_assert(kTitle.End() == kKeySize && kContent.End() == kRecordSize);
}  // namespace RepFields

constexpr int WidthOf(RecordField field) {
    return static_cast<int>(field.width);
}

// Width tables: the widths of a record's fields in order, ended by a 0. A line
// of a data file holds one tab-separated part per width.
inline constexpr int IndivFieldWidths[] = {
    WidthOf(IndivFields::kYear),     WidthOf(IndivFields::kMonth),
    WidthOf(IndivFields::kDay),      WidthOf(IndivFields::kTitle),
    WidthOf(IndivFields::kHour),     WidthOf(IndivFields::kMinute),
    WidthOf(IndivFields::kProgress), WidthOf(IndivFields::kContent),
    WidthOf(IndivFields::kOrigin),   0};
inline constexpr int RepFieldWidths[] = {
    WidthOf(RepFields::kTitle),        WidthOf(RepFields::kYearlyMonth),
    WidthOf(RepFields::kYearlyDay),    WidthOf(RepFields::kMonthlyDay),
    WidthOf(RepFields::kMonthlyWeek),  WidthOf(RepFields::kMonthlyWeekday),
    WidthOf(RepFields::WeeklyFlag(0)), WidthOf(RepFields::WeeklyFlag(1)),
    WidthOf(RepFields::WeeklyFlag(2)), WidthOf(RepFields::WeeklyFlag(3)),
    WidthOf(RepFields::WeeklyFlag(4)), WidthOf(RepFields::WeeklyFlag(5)),
    WidthOf(RepFields::WeeklyFlag(6)), WidthOf(RepFields::kHour),
    WidthOf(RepFields::kMinute),       WidthOf(RepFields::kProgress),
    WidthOf(RepFields::kContent),      0};

constexpr std::size_t TotalWidth(const int* widths) {
    std::size_t total = 0;
    for (; *widths != 0; ++widths) {
        total += static_cast<std::size_t>(*widths);
    }
    return total;
}
static_assert(TotalWidth(IndivFieldWidths) == kRecordSize);
static_assert(TotalWidth(RepFieldWidths) == kRecordSize);
