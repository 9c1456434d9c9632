#include "StepRecords.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace {

// Blocks double from one record up to this many, then stay at it: a step of one subject takes
// one record's room, and a command that copies thousands takes blocks of 160 KiB, few enough to
// index and small enough that the last one's spare room does not count.
constexpr std::size_t kLargestBlock = 256;
constexpr std::size_t kGrowingBlocks = std::bit_width(kLargestBlock);  // 1, 2, 4 .. 256
constexpr std::size_t kInGrowingBlocks = 2 * kLargestBlock - 1;

struct Place {
    std::size_t block;
    std::size_t slot;
};

Place PlaceOf(std::size_t i) {
    if (i < kInGrowingBlocks) {
        const std::size_t block = std::bit_width(i + 1) - 1;
        return {block, i + 1 - (std::size_t{1} << block)};
    }
    const std::size_t beyond = i - kInGrowingBlocks;
    return {kGrowingBlocks + beyond / kLargestBlock, beyond % kLargestBlock};
}

std::size_t BlockSlots(std::size_t block) {
    return block < kGrowingBlocks ? std::size_t{1} << block : kLargestBlock;
}

}  // namespace

StepRecords::~StepRecords() {
    GiveBackLent();
}

void StepRecords::GiveBackLent() noexcept {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (lent_[i]) {
            loans_.GiveBack(records_[i]);
        }
    }
}

StepRecords::StepRecords(StepRecords&& other) noexcept
    : records_(std::exchange(other.records_, {})),
      lent_(std::exchange(other.lent_, {})),
      blocks_(std::exchange(other.blocks_, {})),
      copied_(std::exchange(other.copied_, 0)),
      lentCount_(std::exchange(other.lentCount_, 0)),
      loans_(std::exchange(other.loans_, {})) {}

StepRecords& StepRecords::operator=(StepRecords&& other) noexcept {
    if (this != &other) {
        GiveBackLent();
        records_ = std::exchange(other.records_, {});
        lent_ = std::exchange(other.lent_, {});
        blocks_ = std::exchange(other.blocks_, {});
        copied_ = std::exchange(other.copied_, 0);
        lentCount_ = std::exchange(other.lentCount_, 0);
        loans_ = std::exchange(other.loans_, {});
    }
    return *this;
}

namespace {

// Room for one more in `index`, the capacity doubling as it fills.
template <typename Vector>
void RoomForOneMore(Vector& index) {
    if (index.size() == index.capacity()) {
        index.reserve(std::max<std::size_t>(4, 2 * index.capacity()));
    }
}

}  // namespace

// Room for one more record in the index, so that appending it cannot fail.
void StepRecords::MakeRoom() {
    RoomForOneMore(records_);
    RoomForOneMore(lent_);
}

void StepRecords::push_back(const RecordText& record) {
    MakeRoom();
    const Place place = PlaceOf(copied_);
    if (place.block == blocks_.size()) {
        // The blocks' index first: once the block is in it, nothing more can fail.
        RoomForOneMore(blocks_);
        blocks_.push_back(std::make_unique_for_overwrite<RecordText[]>(BlockSlots(place.block)));
    }
    RecordText* copy = &blocks_[place.block][place.slot];
    *copy = record;
    ++copied_;
    records_.push_back(copy);
    lent_.push_back(false);
}

SubjTree::Lent* StepRecords::Lending(const SubjTree& tree) {
    if (!loans_.From(tree)) {
        return nullptr;
    }
    MakeRoom();
    return &loans_;
}

void StepRecords::Lent(const RecordText* record) noexcept {
    records_.push_back(record);
    lent_.push_back(true);
    ++lentCount_;
}

void StepRecords::KeepOnly(const std::vector<bool>& keep) noexcept {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (keep[i]) {
            records_[kept] = records_[i];
            lent_[kept] = lent_[i];
            ++kept;
        } else if (lent_[i]) {
            loans_.GiveBack(records_[i]);
            --lentCount_;
        }
    }
    records_.resize(kept);
    lent_.resize(kept);
}

std::size_t StepRecords::HeldBytes() const {
    std::size_t slots = 0;
    for (std::size_t block = 0; block < blocks_.size(); ++block) {
        slots += BlockSlots(block);
    }
    static const std::size_t kLentBytes = SubjTree::Lent::BytesEach();
    return slots * sizeof(RecordText) + lentCount_ * kLentBytes +
           records_.capacity() * sizeof(records_[0]) + lent_.capacity() / 8 +
           blocks_.capacity() * sizeof(blocks_[0]);
}

bool StepRecords::operator==(const StepRecords& other) const {
    return size() == other.size() && std::equal(begin(), end(), other.begin());
}
