#include "KeyMoveLog.h"

#include <algorithm>
#include <unordered_set>

namespace {

std::string KeyText(const RecordText& record) {
    return {reinterpret_cast<const char*>(record.data()), kKeySize};
}

KeyBytes BytesOf(const std::string& key) {
    KeyBytes bytes;
    std::copy(key.begin(), key.end(), bytes.begin());
    return bytes;
}

// A key no subject has, and no other stand-in: the date part stays bytes no
// date has, and `number` tells the stand-ins apart from NoSubjectKey.
KeyBytes StandIn(std::size_t number) {
    KeyBytes key = NoSubjectKey();
    key[kKeySize - 1] = static_cast<std::uint8_t>(0xFE - number % 0xFF);
    key[kKeySize - 2] = static_cast<std::uint8_t>(0xFF - number / 0xFF % 0x100);
    return key;
}

// The moves in an order that leaves every subject's item where it belongs
// when applied one after another: a move goes once no other move still has
// to leave its target, and a ring is opened through a stand-in key.
std::vector<KeyMove> Ordered(std::vector<std::pair<std::string, std::string>> pending) {
    std::vector<KeyMove> ordered;
    std::size_t standIns = 0;
    while (!pending.empty()) {
        std::unordered_set<std::string> leaving;
        for (const auto& [from, to] : pending) {
            leaving.insert(from);
        }
        const auto free = std::stable_partition(
            pending.begin(), pending.end(),
            [&](const auto& move) { return leaving.count(move.second) != 0; });
        if (free == pending.end()) {
            auto& ring = pending.front();
            const KeyBytes standIn = StandIn(standIns++);
            ordered.push_back({BytesOf(ring.first), standIn});
            ring.first.assign(reinterpret_cast<const char*>(standIn.data()), kKeySize);
            continue;
        }
        for (auto move = free; move != pending.end(); ++move) {
            ordered.push_back({BytesOf(move->first), BytesOf(move->second)});
        }
        pending.erase(free, pending.end());
    }
    return ordered;
}

}  // namespace

// A key no step touched holds the subject of the last save; one a step
// emptied and that holds a subject again got it from outside the history.
KeyMoveLog::Id KeyMoveLog::IdAt(const std::string& key) {
    const auto known = at_.find(key);
    if (known != at_.end() && known->second != kNone) {
        return known->second;
    }
    const Id id = ++next_;
    if (known == at_.end()) {
        savedAt_.emplace(id, key);
    }
    return id;
}

void KeyMoveLog::Place(const Placed& gone, const Placed& come) {
    for (const auto& [key, id] : gone) {
        at_[key] = kNone;
    }
    for (const auto& [key, id] : come) {
        at_[key] = id;
    }
}

// A record put in under a key the step also took out is the subject that
// was there, rewritten; any other is a new subject, except the edited one.
void KeyMoveLog::Ran(const ListChange& change, bool edit) {
    Frame frame;
    for (const RecordText& record : change.removed) {
        const std::string key = KeyText(record);
        frame.before.emplace_back(key, IdAt(key));
    }
    const bool moved = edit && change.removed.size() == 1 && change.added.size() == 1;
    for (const RecordText& record : change.added) {
        const std::string key = KeyText(record);
        const auto rewritten = std::find_if(frame.before.begin(), frame.before.end(),
                                            [&](const auto& was) { return was.first == key; });
        const Id id = moved                             ? frame.before.front().second
                      : rewritten != frame.before.end() ? rewritten->second
                                                        : ++next_;
        frame.after.emplace_back(key, id);
    }
    Place(frame.before, frame.after);
    done_.push_back(std::move(frame));
    undone_.clear();
}

void KeyMoveLog::Undone() {
    Replay(done_, undone_, false);
}

void KeyMoveLog::Redone() {
    Replay(undone_, done_, true);
}

void KeyMoveLog::Replay(std::deque<Frame>& from, std::deque<Frame>& to, bool forward) {
    if (from.empty()) {
        return;
    }
    const Frame& frame = from.back();
    if (forward) {
        Place(frame.before, frame.after);
    } else {
        Place(frame.after, frame.before);
    }
    to.push_back(std::move(from.back()));
    from.pop_back();
}

void KeyMoveLog::KeepSteps(std::size_t steps) {
    while (!done_.empty() && done_.size() + undone_.size() > steps) {
        done_.pop_front();
    }
}

// An emptied key is forgotten: what a merge put there is the saved subject.
void KeyMoveLog::Saved() {
    savedAt_.clear();
    for (auto entry = at_.begin(); entry != at_.end();) {
        if (entry->second == kNone) {
            entry = at_.erase(entry);
        } else {
            savedAt_.emplace(entry->second, entry->first);
            ++entry;
        }
    }
}

std::vector<KeyMove> KeyMoveLog::Moves() const {
    std::unordered_set<Id> present;
    std::vector<std::pair<std::string, std::string>> pending;
    for (const auto& [key, id] : at_) {
        if (id == kNone) {
            continue;
        }
        present.insert(id);
        const auto saved = savedAt_.find(id);
        if (saved != savedAt_.end() && saved->second != key) {
            pending.emplace_back(saved->second, key);
        }
    }
    std::vector<KeyMove> moves;
    for (const auto& [id, key] : savedAt_) {
        const auto now = at_.find(key);
        if (present.count(id) == 0 && now != at_.end() && now->second != kNone) {
            moves.push_back({BytesOf(key), NoSubjectKey()});
        }
    }
    std::sort(pending.begin(), pending.end());
    for (const KeyMove& move : Ordered(std::move(pending))) {
        moves.push_back(move);
    }
    return moves;
}
