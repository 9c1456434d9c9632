#include "ChangeJournal.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>

#include "SubjTree.h"

namespace {

int CompareKeys(const RecordText& a, const RecordText& b) {
    return std::memcmp(a.data(), b.data(), kKeySize);
}

bool KeyLess(const RecordText& a, const RecordText& b) {
    return CompareKeys(a, b) < 0;
}

// The places of `records` in key order, equal keys in the order noted. A command notes its
// records in runs: a walk forward or back, a merge in key order, the batch's walk back followed
// by each repeating subject's days; a run either way is known in one pass, and only a mixed order
// is sorted.
std::vector<std::uint32_t> KeyOrderOf(const StepRecords& records) {
    std::vector<std::uint32_t> order(records.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto less = [&records](std::uint32_t a, std::uint32_t b) {
        return KeyLess(records[a], records[b]);
    };
    if (std::is_sorted(order.begin(), order.end(), less)) {
        return order;
    }
    // Strictly falling, so that turning it round keeps equal keys in the order noted.
    const auto notFalling = [&less](std::uint32_t a, std::uint32_t b) { return !less(b, a); };
    if (std::adjacent_find(order.begin(), order.end(), notFalling) == order.end()) {
        std::reverse(order.begin(), order.end());
        return order;
    }
    std::stable_sort(order.begin(), order.end(), less);
    return order;
}

}  // namespace

namespace {

std::uint64_t KeyHash(const RecordText& record) {
    std::uint64_t hash = 0;
    for (std::size_t at = 0; at < kKeySize; at += sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, record.data() + at, sizeof word);
        hash = (hash + word) * 0x9E3779B97F4A7C15u;
    }
    hash ^= hash >> 32;
    return hash == 0 ? 1 : hash;
}

// Puts `hash` into the table; true when it was there already.
bool Seen(std::vector<std::uint64_t>& table, std::uint64_t hash) {
    const std::size_t mask = table.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        if (table[at] == hash) {
            return true;
        }
        if (table[at] == 0) {
            table[at] = hash;
            return false;
        }
    }
}

}  // namespace

// Room for one more note in `numbers` before the store operation it tells of, so that noting it
// afterwards cannot fail. False when memory ran out, and the journal is then no longer complete.
bool ChangeJournal::MakeRoom(std::vector<std::uint32_t>& numbers) noexcept {
    if (!complete_) {
        return false;  // what is noted no longer makes a net change; it need not take memory
    }
    try {
        if (numbers.size() == numbers.capacity()) {
            numbers.reserve(std::max<std::size_t>(4, 2 * numbers.capacity()));
        }
        if (2 * (notes_ + 1) > keyHashes_.size()) {
            std::vector<std::uint64_t> larger(std::max<std::size_t>(16, 2 * keyHashes_.size()));
            for (const std::uint64_t hash : keyHashes_) {
                if (hash != 0) {
                    static_cast<void>(Seen(larger, hash));  // new to the larger table
                }
            }
            keyHashes_.swap(larger);
        }
        return true;
    } catch (const std::bad_alloc&) {
        complete_ = false;
        return false;
    }
}

void ChangeJournal::Noted(const RecordText& record) noexcept {
    maybeRepeated_ = Seen(keyHashes_, KeyHash(record)) || maybeRepeated_;
    ++notes_;
}

void ChangeJournal::Taken(const RecordText& record) noexcept {
    if (!MakeRoom(takenNumbers_)) {
        return;
    }
    try {
        taken_.push_back(record);
    } catch (const std::bad_alloc&) {
        complete_ = false;
        return;
    }
    takenNumbers_.push_back(notes_);
    Noted(record);
}

void ChangeJournal::Put(const RecordText& record) noexcept {
    if (!MakeRoom(putNumbers_)) {
        return;
    }
    try {
        put_.push_back(record);
    } catch (const std::bad_alloc&) {
        complete_ = false;
        return;
    }
    putNumbers_.push_back(notes_);
    Noted(record);
}

SubjTree::Lent* ChangeJournal::Lending(const SubjTree& tree) noexcept {
    if (!MakeRoom(takenNumbers_)) {
        return nullptr;
    }
    try {
        return taken_.Lending(tree);
    } catch (const std::bad_alloc&) {
        complete_ = false;
        return nullptr;
    }
}

void ChangeJournal::TakenKept(const RecordText* record) noexcept {
    taken_.Lent(record);
    takenNumbers_.push_back(notes_);
    Noted(*record);
}

void ChangeJournal::Replaced(const SubjTree& before,
                             const std::vector<RecordText>& after) noexcept {
    try {
        Walk(before, after);
    } catch (const std::bad_alloc&) {
        complete_ = false;
    }
}

void ChangeJournal::Walk(const SubjTree& before, const std::vector<RecordText>& after) {
    auto next = after.begin();
    before.VisitInOrder([&](const RecordText& old) {
        for (; next != after.end() && KeyLess(*next, old); ++next) {
            Put(*next);
        }
        if (next != after.end() && !KeyLess(old, *next)) {
            if (*next != old) {
                Taken(old);
                Put(*next);
            }
            ++next;
        } else {
            Taken(old);
        }
        return true;
    });
    for (; next != after.end(); ++next) {
        Put(*next);
    }
}

// Both sides in key order, merged; the notes of one key in the order they were made.
std::vector<ChangeJournal::Note> ChangeJournal::InKeyOrder() const {
    const auto notes = [](const StepRecords& records, const std::vector<std::uint32_t>& numbers,
                          bool put) {
        std::vector<Note> side;
        side.reserve(records.size());
        for (const std::uint32_t index : KeyOrderOf(records)) {
            side.push_back({numbers[index], put, index});
        }
        return side;
    };
    const std::vector<Note> taken = notes(taken_, takenNumbers_, false);
    const std::vector<Note> put = notes(put_, putNumbers_, true);
    std::vector<Note> all(taken.size() + put.size());
    std::merge(taken.begin(), taken.end(), put.begin(), put.end(), all.begin(),
               [this](const Note& a, const Note& b) {
                   const int c = CompareKeys(a.put ? put_[a.index] : taken_[a.index],
                                             b.put ? put_[b.index] : taken_[b.index]);
                   return c != 0 ? c < 0 : a.number < b.number;
               });
    return all;
}

// The first note of a key tells what it held before the command: a record taken out was there,
// a record put in (not over another, which comes as taken first) was not. The last tells what it
// holds now.
ListChange ChangeJournal::Net() {
    if (!maybeRepeated_) {
        return {std::move(taken_), std::move(put_)};  // each note is its key's only one
    }
    const std::vector<Note> notes = InKeyOrder();
    std::vector<bool> keepTaken(taken_.size());
    std::vector<bool> keepPut(put_.size());
    const auto recordOf = [this](const Note& note) -> const RecordText& {
        return note.put ? put_[note.index] : taken_[note.index];
    };
    for (std::size_t first = 0; first < notes.size();) {
        std::size_t end = first + 1;
        while (end < notes.size() &&
               CompareKeys(recordOf(notes[first]), recordOf(notes[end])) == 0) {
            ++end;
        }
        const Note& before = notes[first];
        const Note& after = notes[end - 1];
        const bool rewrittenAsItWas =
            !before.put && after.put && taken_[before.index] == put_[after.index];
        if (!rewrittenAsItWas && !before.put) {
            keepTaken[before.index] = true;
        }
        if (!rewrittenAsItWas && after.put) {
            keepPut[after.index] = true;
        }
        first = end;
    }
    taken_.KeepOnly(keepTaken);
    put_.KeepOnly(keepPut);
    return {std::move(taken_), std::move(put_)};
}

ListChange ChangeJournal::TakeNet() noexcept {
    ListChange change;
    if (complete_) {
        try {
            change = Net();
        } catch (const std::bad_alloc&) {
            complete_ = false;
        }
    }
    taken_ = StepRecords();
    put_ = StepRecords();
    takenNumbers_ = {};
    putNumbers_ = {};
    notes_ = 0;
    keyHashes_ = {};
    maybeRepeated_ = false;
    return change;
}
