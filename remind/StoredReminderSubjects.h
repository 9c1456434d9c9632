// The reminders' view of the window's store: the individual list's records
// read where they lie, from the first day a look asks for, never copied whole.
#pragma once

#include "ReminderSubjects.h"
#include "SubjTree.h"

class StoredReminderSubjects : public ReminderSubjects {
  public:
    // Reads `subjects`, which must outlive the view; every change to it is
    // seen at the next call.
    explicit StoredReminderSubjects(const SubjTree& subjects) : subjects_(subjects) {}

    void VisitFrom(std::optional<ReminderDay> first, const Visitor& visit) const override;
    void VisitKey(SubjKey key, const Visitor& visit) const override;
    std::string NoteOf(SubjKey key) const override;

  private:
    const SubjTree& subjects_;
};

// The first line of a subject's content as a notification shows it: line
// breaks undone, and only what comes before the first of them.
std::string FirstContentLine(std::string_view escapedContent);
