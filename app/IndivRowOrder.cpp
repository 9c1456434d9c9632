#include "IndivRowOrder.h"

#include <QtEndian>
#include <algorithm>
#include <utility>

namespace {

template <typename Number>
Number BigEndianAt(const RecordText& record, std::size_t offset) {
    return qFromBigEndian<Number>(record.data() + offset);
}

// A row's date and its time as numbers that order as their digits do.
std::uint64_t DateOf(const RecordText& record) {
    static_assert(IndivFields::kDay.End() == sizeof(std::uint64_t));
    return BigEndianAt<std::uint64_t>(record, IndivFields::kYear.offset);
}

std::uint32_t TimeOf(const RecordText& record) {
    using namespace IndivFields;
    static_assert(kMinute.offset == kHour.End() &&
                  kMinute.End() - kHour.offset == sizeof(std::uint32_t));
    return BigEndianAt<std::uint32_t>(record, kHour.offset);
}

}  // namespace

// The records lie too far apart for the processor to see the walk coming: the lines that a
// record's date and time lie in are asked for a few rows ahead.
std::vector<IndivRowOrder::Handle> IndivRowOrder::Of(
    const std::vector<const RecordText*>& records) {
    constexpr std::size_t kAhead = 8;
    IndivRowOrder order;
    order.rows_.reserve(records.size());
    for (std::size_t row = 0; row < records.size(); ++row) {
        if (row + kAhead < records.size()) {
            const std::uint8_t* ahead = records[row + kAhead]->data();
            __builtin_prefetch(ahead + IndivFields::kYear.offset);
            __builtin_prefetch(ahead + IndivFields::kHour.offset);
        }
        order.Add(records[row]);
    }
    return order.Take();
}

void IndivRowOrder::Add(const RecordText* record) {
    const std::uint64_t date = DateOf(*record);
    const std::uint32_t time = TimeOf(*record);
    if (date != date_ && !dayTimes_.empty()) {
        CloseDay();
    }
    dayInOrder_ = dayInOrder_ && (dayTimes_.empty() || dayTimes_.back() <= time);
    date_ = date;
    rows_.push_back(record);
    dayTimes_.push_back(time);
}

std::vector<IndivRowOrder::Handle> IndivRowOrder::Take() {
    CloseDay();
    dayStart_ = 0;
    return std::exchange(rows_, {});
}

// The rows of one day come in key order, by title. A day out of order sorts its times, each
// with its place in the day after it, so that equal times keep their order without a stable
// sort's buffer and moves, and without a look at the records again.
void IndivRowOrder::CloseDay() {
    if (!dayInOrder_) {
        keys_.clear();
        for (std::size_t i = 0; i < dayTimes_.size(); ++i) {
            keys_.push_back(std::uint64_t{dayTimes_[i]} << 32 | i);
        }
        std::sort(keys_.begin(), keys_.end());
        const auto first = rows_.begin() + static_cast<std::ptrdiff_t>(dayStart_);
        day_.assign(first, rows_.end());
        auto place = first;
        for (const std::uint64_t key : keys_) {
            *place++ = day_[key & 0xFFFFFFFFu];
        }
    }
    dayTimes_.clear();
    dayInOrder_ = true;
    dayStart_ = rows_.size();
}
