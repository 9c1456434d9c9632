// The reminder agent's light copy of the individual subjects: read from a
// data file as the window's load would take it, it holds of each subject not
// done its date, time, progress and title, and the first line of the content
// only of those with a time still to come, in key order. A tenth of what the
// window's store holds, for a process that runs all day beside it.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "ReminderSubjects.h"

class ReminderIndex : public ReminderSubjects {
  public:
    enum class [[nodiscard]] ReadResult{
        Read,     // holds what the file holds
        Missing,  // there is no such file: holds nothing, as the window would
        Failed,   // it is no regular file or could not be read: holds what it held
    };

    ReminderIndex() = default;
    ReminderIndex(const ReminderIndex&) = delete;
    ReminderIndex& operator=(const ReminderIndex&) = delete;

    // Reads the data file `fileName` in place of what is held. Each line is
    // taken in the form a load gives it, and of lines repeating a key only
    // the first counts, so that every key held is one the window finds.
    // Notes are kept for the subjects with a time from the day before `now`.
    ReadResult Read(const std::string& fileName, std::time_t now);

    // Holds the subject of `key` as done until the next Read: the window has
    // marked it done and not saved yet. False when none is held.
    bool HoldAsDone(SubjKey key);
    // Lets go of that hold: the subject is as the file has it again. False
    // when none is held as done.
    bool ReleaseHold(SubjKey key);

    // The subjects held: those not done.
    std::size_t Size() const { return entries_.size(); }
    // The bytes held, texts and entries, without what the allocator adds.
    std::size_t HeldBytes() const;

    void VisitFrom(std::optional<ReminderDay> first, const Visitor& visit) const override;
    void VisitKey(SubjKey key, const Visitor& visit) const override;
    std::string NoteOf(SubjKey key) const override;

  private:
    using DateBytes = std::array<std::uint8_t, 8>;

    // A text of texts_; size 0 for none.
    struct TextRef {
        std::uint32_t at = 0;
        std::uint16_t size = 0;
    };
    struct Entry {
        DateBytes date;  // the key's date bytes as stored
        std::int16_t year;
        std::int16_t month;
        std::int16_t day;
        std::int16_t hour;
        std::int16_t minute;
        Progress progress;
        bool heldDone;  // the window marked it done, not saved yet
        TextRef title;
        TextRef note;  // only for a time from the day before the read on
    };
    struct Taken;

    static bool Take(std::string_view bytes, const DateBytes& notesFrom, bool keepDone,
                     Taken& taken);
    std::string_view TextOf(TextRef text) const {
        return std::string_view(texts_).substr(text.at, text.size);
    }
    std::vector<Entry>::const_iterator Lookup(SubjKey key) const;
    bool Visit(const Entry& entry, const Visitor& visit) const;

    std::vector<Entry> entries_;  // in key order, keys distinct
    std::string texts_;           // every title and note, one after the other
};
