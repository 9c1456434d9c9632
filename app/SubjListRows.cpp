#include "SubjListRows.h"

#include <QtEndian>
#include <algorithm>
#include <cstdint>

#include "Clock.h"
#include "RuleWords.h"
#include "SjisCodec.h"
#include "StateImages.h"

namespace {

template <typename Number>
Number BigEndianAt(const RecordText& record, std::size_t offset) {
    return qFromBigEndian<Number>(record.data() + offset);
}

// A row's date and its time as numbers that order as their digits do.
std::uint64_t DateOf(const RecordText* record) {
    static_assert(IndivFields::kDay.End() == sizeof(std::uint64_t));
    return BigEndianAt<std::uint64_t>(*record, IndivFields::kYear.offset);
}

std::uint32_t TimeOf(const RecordText* record) {
    using namespace IndivFields;
    static_assert(kMinute.offset == kHour.End() &&
                  kMinute.End() - kHour.offset == sizeof(std::uint32_t));
    return BigEndianAt<std::uint32_t>(*record, kHour.offset);
}

using RecordIt = std::vector<const RecordText*>::iterator;

// Asks for the lines of the row `kAhead` places on that its date and time lie in, so that a
// walk over every row reads them from the cache: the records lie too far apart for the
// processor to see the walk coming.
void PrefetchAhead(RecordIt row, RecordIt end) {
    constexpr std::ptrdiff_t kAhead = 8;
    if (end - row > kAhead) {
        const std::uint8_t* record = (*(row + kAhead))->data();
        __builtin_prefetch(record + IndivFields::kYear.offset);
        __builtin_prefetch(record + IndivFields::kHour.offset);
    }
}

// The rows of one day come in key order, by title; the list orders them by
// their time, keeping that order among equal times. A day of a few rows takes
// an insertion sort; a larger one sorts its times, each with its place in the
// day after it, so that equal times keep their order without a stable sort's
// buffer and moves.
void SortDayByTime(RecordIt first, RecordIt last, std::vector<std::uint64_t>& keys,
                   std::vector<const RecordText*>& day) {
    constexpr std::ptrdiff_t kFewRows = 32;
    if (last - first <= kFewRows) {
        for (auto next = first + 1; next < last; ++next) {
            const RecordText* row = *next;
            const std::uint32_t time = TimeOf(row);
            auto place = next;
            for (; place != first && time < TimeOf(*(place - 1)); --place) {
                *place = *(place - 1);
            }
            *place = row;
        }
        return;
    }
    day.assign(first, last);
    keys.clear();
    for (std::size_t i = 0; i < day.size(); ++i) {
        keys.push_back(std::uint64_t{TimeOf(day[i])} << 32 | i);
    }
    std::sort(keys.begin(), keys.end());
    for (const std::uint64_t key : keys) {
        *first++ = day[key & 0xFFFFFFFFu];
    }
}

}  // namespace

void SubjListRows::Filled(Kind kind) {
    kind_ = kind;
    filledAt_ = Clock::Now();
    rewrittenAt_.clear();
}

void SubjListRows::Rewritten(Handle row) {
    rewrittenAt_[row] = Clock::Now();
}

void SubjListRows::Aged() {
    Filled(kind_);
}

// A row shows the days left of the moment it was filled, aged or last
// rewritten: the list is told when time has moved them (DueRefresh).
IndivSubj SubjListRows::DecodeAsShown(Handle row) const {
    IndivSubj subj = DecodeIndivHead(RecordOf(row));
    const auto rewritten = rewrittenAt_.find(row);
    DeriveIndivAt(subj, rewritten != rewrittenAt_.end() ? rewritten->second : filledAt_);
    return subj;
}

std::string SubjListRows::Cell(Handle row, int column) const {
    const RecordText& record = RecordOf(row);
    if (kind_ == Kind::Rep) {
        switch (column) {
            case 0:
                return DecodeRepSubj(record).title;
            case 1:
                return RuleSjis(DecodeRepSubj(record));
            default:
                return {};
        }
    }
    switch (column) {
        case 0:
            return DateTimeText(record);
        case 1:
            return ProgressText(DecodeIndivHead(record).progress);
        case 2:
            return DecodeIndivHead(record).title;
        case 3:
            return DaysLeftSjis(DecodeAsShown(row));
        default:
            return {};
    }
}

int SubjListRows::Image(Handle row) const {
    if (kind_ == Kind::Rep) {
        return StateImageOf(DecodeRepSubj(RecordOf(row)).progress, false);
    }
    const IndivSubj subj = DecodeAsShown(row);
    return StateImageOf(subj.progress, subj.overdue != 0);
}

std::vector<SubjRowSource::Handle> SubjListRows::InListOrder(const SubjTree& tree, Kind kind) {
    std::vector<const RecordText*> records;
    tree.AppendInOrder(records);
    if (kind == Kind::Indiv) {
        // The date leads the key, so the rows of a day stand together already;
        // only a day whose times are out of order is sorted.
        std::vector<std::uint64_t> keys;
        std::vector<const RecordText*> day;
        for (auto first = records.begin(); first != records.end();) {
            const std::uint64_t date = DateOf(*first);
            std::uint32_t time = TimeOf(*first);
            bool inOrder = true;
            auto next = first + 1;
            for (; next != records.end() && DateOf(*next) == date; ++next) {
                PrefetchAhead(next, records.end());
                const std::uint32_t nextTime = TimeOf(*next);
                inOrder = inOrder && time <= nextTime;
                time = nextTime;
            }
            if (!inOrder) {
                SortDayByTime(first, next, keys, day);
            }
            first = next;
        }
    }
    // For repeating subjects the title is the key, and the rest of the key is zeros.
    return {records.begin(), records.end()};
}

int SubjListRows::FirstRowFrom(const SubjListView& list, std::string_view firstSjis) {
    int row = 0;
    int high = list.RowCount();
    while (row < high) {
        const int middle = (row + high) / 2;
        if (list.CellSjis(middle, 0) < firstSjis) {
            row = middle + 1;
        } else {
            high = middle;
        }
    }
    return row;
}

bool SubjListRows::IsOpen(Handle row) {
    return RecordOf(row)[IndivFields::kProgress.offset] ==
           static_cast<std::uint8_t>(Progress::Open);
}

// Worked out as the row is painted, so that a fill costs no more for it.
std::string SubjListRows::RuleSjis(const RepSubj& subj) {
    return SjisFromQString(QString::fromStdString(RuleWords(subj))).value_or(std::string());
}

std::string SubjListRows::DaysLeftSjis(const IndivSubj& subj) {
    return std::to_string(subj.daysLeft) + " \x93\xFA";  // 日
}
