#include "ReminderIndex.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Clock.h"
#include "FieldLine.h"
#include "FileAccess.h"
#include "StoredReminderSubjects.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

std::array<std::uint8_t, 8> DateBytesOf(const RecordText& record) {
    std::array<std::uint8_t, 8> date;
    std::copy_n(record.begin(), date.size(), date.begin());
    return date;
}

// The key of the first subject of a day: its date as the encoder writes it
// and an empty title.
RecordText FirstKeyOf(const ReminderDay& day) {
    IndivSubj subj;
    subj.year = static_cast<std::int16_t>(std::get<0>(day));
    subj.month = static_cast<std::int16_t>(std::get<1>(day));
    subj.day = static_cast<std::int16_t>(std::get<2>(day));
    return EncodeIndivSubj(subj);
}

// Key order: the date bytes, then the title's bytes, a title before every
// longer one it begins.
bool KeyLess(const std::array<std::uint8_t, 8>& aDate, std::string_view aTitle,
             const std::array<std::uint8_t, 8>& bDate, std::string_view bTitle) {
    return aDate != bDate ? aDate < bDate : aTitle < bTitle;
}

std::string_view FieldText(const RecordText& record, RecordField field) {
    const char* start = reinterpret_cast<const char*>(record.data() + field.offset);
    return {start, strnlen(start, field.width)};
}

// A file read whole is given back to the system at once: the agent runs all
// day, and the next read may be hours away.
void GiveBackFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace

struct ReminderIndex::Taken {
    std::vector<Entry> entries;
    std::string texts;

    TextRef Put(std::string_view text) {
        const TextRef ref{static_cast<std::uint32_t>(texts.size()),
                          static_cast<std::uint16_t>(text.size())};
        texts += text;
        return ref;
    }
    std::string_view TextOf(TextRef ref) const {
        return std::string_view(texts).substr(ref.at, ref.size);
    }
    bool KeyLess(const Entry& a, const Entry& b) const {
        return ::KeyLess(a.date, TextOf(a.title), b.date, TextOf(b.title));
    }

    // Key order, the first line of each key, and the done subjects gone, with
    // their titles.
    void SortAndDropDone() {
        std::stable_sort(entries.begin(), entries.end(),
                         [this](const Entry& a, const Entry& b) { return KeyLess(a, b); });
        entries.erase(
            std::unique(entries.begin(), entries.end(),
                        [this](const Entry& a, const Entry& b) { return !KeyLess(a, b); }),
            entries.end());
        std::erase_if(entries, [](const Entry& e) { return e.progress == Progress::Done; });
        Taken kept;
        for (const Entry& entry : entries) {
            Entry copy = entry;
            copy.title = kept.Put(TextOf(entry.title));
            copy.note = kept.Put(TextOf(entry.note));
            kept.entries.push_back(copy);
        }
        *this = std::move(kept);
    }
};

ReminderIndex::ReadResult ReminderIndex::Read(const std::string& fileName, std::time_t now) {
    if (!PathExists(fileName)) {
        entries_.clear();
        texts_.clear();
        return ReadResult::Missing;
    }
    try {
        FileBytes bytes;
        ReadableFile file(fileName);
        if (!file.IsOpen() || !file.ReadAll(bytes)) {
            return ReadResult::Failed;
        }
        const std::tm yesterday = LocalTime::Break(now - 86400);
        const DateBytes notesFrom = DateBytesOf(
            FirstKeyOf({yesterday.tm_year + 1900, yesterday.tm_mon + 1, yesterday.tm_mday}));
        Taken taken;
        if (!Take(bytes.View(), notesFrom, false, taken)) {
            // Out of key order, the done subjects are needed too, to tell
            // which line of a repeated key comes first.
            taken = {};
            static_cast<void>(Take(bytes.View(), notesFrom, true, taken));
            taken.SortAndDropDone();
        }
        taken.entries.shrink_to_fit();
        taken.texts.shrink_to_fit();
        entries_.swap(taken.entries);
        texts_.swap(taken.texts);
    } catch (const std::bad_alloc&) {
        return ReadResult::Failed;
    }
    GiveBackFreedMemory();
    return ReadResult::Read;
}

// A file the program wrote is in key order, and there a line that repeats a
// key follows the first one with it. False at the first line out of order,
// unless `keepDone`.
bool ReminderIndex::Take(std::string_view bytes, const DateBytes& notesFrom, bool keepDone,
                         Taken& taken) {
    RecordText record{};
    RecordText previous{};
    bool first = true;
    LineSplitter lines(bytes);
    std::string_view line;
    static_cast<void>(lines.Next(line));  // the header, whatever it says
    while (lines.Next(line)) {
        if (line.empty()) {
            continue;
        }
        static_cast<void>(TakeFields(line, IndivFieldWidths, record));
        const int order = std::memcmp(record.data(), previous.data(), kKeySize);
        if (!first && order == 0) {
            continue;  // a repeated key: the load keeps the first
        }
        if (!first && order < 0 && !keepDone) {
            return false;
        }
        first = false;
        std::copy_n(record.begin(), kKeySize, previous.begin());
        const IndivSubj head = DecodeIndivHead(record);
        if (head.progress == Progress::Done && !keepDone) {
            continue;
        }
        Entry entry{DateBytesOf(record), head.year,     head.month, head.day, head.hour,
                    head.minute,         head.progress, false,      {},       {}};
        entry.title = taken.Put(head.title);
        const bool timed = head.hour != 0 || head.minute != 0;
        if (timed && head.progress != Progress::Done && entry.date >= notesFrom) {
            entry.note = taken.Put(FirstContentLine(FieldText(record, IndivFields::kContent)));
        }
        taken.entries.push_back(entry);
    }
    return true;
}

bool ReminderIndex::HoldAsDone(SubjKey key) {
    const auto found = Lookup(key);
    if (found == entries_.end()) {
        return false;
    }
    entries_[static_cast<std::size_t>(found - entries_.begin())].heldDone = true;
    return true;
}

bool ReminderIndex::ReleaseHold(SubjKey key) {
    const auto found = Lookup(key);
    if (found == entries_.end() || !found->heldDone) {
        return false;
    }
    entries_[static_cast<std::size_t>(found - entries_.begin())].heldDone = false;
    return true;
}

std::size_t ReminderIndex::HeldBytes() const {
    return entries_.capacity() * sizeof(Entry) + texts_.capacity();
}

std::vector<ReminderIndex::Entry>::const_iterator ReminderIndex::Lookup(SubjKey key) const {
    DateBytes date;
    std::copy_n(key.begin(), date.size(), date.begin());
    const char* titleStart = reinterpret_cast<const char*>(key.data() + date.size());
    const std::string_view title(titleStart, strnlen(titleStart, kKeySize - date.size()));
    const auto found =
        std::lower_bound(entries_.begin(), entries_.end(), 0, [&](const Entry& e, int /*probe*/) {
            return KeyLess(e.date, TextOf(e.title), date, title);
        });
    // A key with bytes after its title's first zero names no subject.
    const bool padded = std::all_of(key.begin() + date.size() + title.size(), key.end(),
                                    [](std::uint8_t b) { return b == 0; });
    if (found == entries_.end() || !padded || found->date != date ||
        TextOf(found->title) != title) {
        return entries_.end();
    }
    return found;
}

bool ReminderIndex::Visit(const Entry& entry, const Visitor& visit) const {
    RecordText key{};
    std::copy(entry.date.begin(), entry.date.end(), key.begin());
    const std::string_view title = TextOf(entry.title);
    std::copy(title.begin(), title.end(), key.begin() + entry.date.size());
    return visit({KeyOf(key), entry.year, entry.month, entry.day, entry.hour, entry.minute,
                  entry.heldDone ? Progress::Done : entry.progress, title});
}

void ReminderIndex::VisitFrom(std::optional<ReminderDay> first, const Visitor& visit) const {
    auto from = entries_.begin();
    if (first) {
        const DateBytes date = DateBytesOf(FirstKeyOf(*first));
        from = std::lower_bound(entries_.begin(), entries_.end(), date,
                                [](const Entry& e, const DateBytes& d) { return e.date < d; });
    }
    for (auto it = from; it != entries_.end(); ++it) {
        if (!Visit(*it, visit)) {
            return;
        }
    }
}

void ReminderIndex::VisitKey(SubjKey key, const Visitor& visit) const {
    const auto found = Lookup(key);
    if (found != entries_.end()) {
        Visit(*found, visit);
    }
}

std::string ReminderIndex::NoteOf(SubjKey key) const {
    const auto found = Lookup(key);
    return found != entries_.end() ? std::string(TextOf(found->note)) : std::string();
}
