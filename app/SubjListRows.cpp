#include "SubjListRows.h"

#include <QtEndian>
#include <algorithm>
#include <cstdint>

#include "Clock.h"
#include "RuleWords.h"
#include "SjisCodec.h"
#include "StateImages.h"

namespace {

// What places an individual row, read in one pass over the records as they lie
// in memory: its date and its time as numbers that order as their digits do.
struct RowOrder {
    std::uint64_t date;
    std::uint32_t time;
    SubjRowSource::Handle row;
};

template <typename Number>
Number BigEndianAt(const RecordText& record, std::size_t offset) {
    return qFromBigEndian<Number>(record.data() + offset);
}

RowOrder OrderOf(const RecordText& record) {
    using namespace IndivFields;
    static_assert(kDay.End() == sizeof(std::uint64_t) && kMinute.offset == kHour.End() &&
                  kMinute.End() - kHour.offset == sizeof(std::uint32_t));
    return {BigEndianAt<std::uint64_t>(record, kYear.offset),
            BigEndianAt<std::uint32_t>(record, kHour.offset), &record};
}

// The rows of one day come in key order, by title; the list orders them by
// their time, keeping that order among equal times. A day holds a few rows,
// which an insertion sort puts in order without the buffer a stable sort
// takes for each.
void SortDayByTime(std::vector<RowOrder>::iterator first, std::vector<RowOrder>::iterator last) {
    constexpr std::ptrdiff_t kFewRows = 32;
    const auto earlier = [](const RowOrder& a, const RowOrder& b) { return a.time < b.time; };
    if (last - first > kFewRows) {
        std::stable_sort(first, last, earlier);
        return;
    }
    for (auto next = first + 1; next < last; ++next) {
        const RowOrder row = *next;
        auto place = next;
        for (; place != first && earlier(row, *(place - 1)); --place) {
            *place = *(place - 1);
        }
        *place = row;
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
    if (kind == Kind::Rep) {
        // The title is the key, and the rest of the key is zeros.
        return {records.begin(), records.end()};
    }
    std::vector<RowOrder> order;
    order.reserve(records.size());
    for (const RecordText* record : records) {
        order.push_back(OrderOf(*record));
    }
    // The date leads the key, so the rows of a day stand together already.
    for (auto day = order.begin(); day != order.end();) {
        auto next = day + 1;
        while (next != order.end() && next->date == day->date) {
            ++next;
        }
        SortDayByTime(day, next);
        day = next;
    }
    std::vector<Handle> rows;
    rows.reserve(order.size());
    for (const RowOrder& row : order) {
        rows.push_back(row.row);
    }
    return rows;
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
