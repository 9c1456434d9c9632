// The main window's commands on one subject: add, edit and delete, each run
// through the editor or the question of its kind, and marking a subject done. A command changes the
// lists and says what happened to the row; showing that is the window's job.
#pragma once

#include <optional>
#include <string>

#include "CalendarDay.h"

#include "SubjList.h"
#include "SubjMerge.h"

class MessageService;
enum class EditorMode;
class SubjListView;
class QWidget;

// What a command did to the row it started from.
struct RowChange {
    enum class Kind {
        None,       // cancelled or refused: the row and the lists are as they were
        Added,      // a new subject is stored; `row` is only a position hint
        Rewritten,  // the subject of `row` changed, its key did not
        Replaced,   // the subject of `row` was stored under another key
        Removed,    // the subject of `row` is gone
    };
    Kind kind = Kind::None;
    int row = -1;
    // The first text `row` read before the command (Rewritten only).
    std::string shownBefore;
};

// How a command changes the progress of an individual subject.
enum class DoneChange {
    Toggle,  // open becomes done and done open; one not tracked stays as it is (None)
    Done,    // open or not tracked becomes done; one done stays as it is (None)
};

class SubjCommands {
  public:
    // Every reference must outlive the commands; `parent` owns their dialogs.
    SubjCommands(IndivSubjList& indiv, RepSubjList& rep, const SubjListView& view,
                 MessageService& messages, QWidget* parent);

    // The new subject, once its editor ends with OK, is in the list's
    // `current` and stored. `position` is the row it was asked at; an
    // individual one's editor opens on `day`, or on today without one.
    [[nodiscard]] RowChange Add(SubjKind kind, int position,
                                const std::optional<CalendarDay>& day = std::nullopt);
    // Edits the subject shown in `row`; nothing for -1. The final subject is
    // in the list's `current`.
    [[nodiscard]] RowChange Edit(SubjKind kind, int row);
    // Asks, then deletes the subject shown in `row` (a repeating one with the
    // individual subjects generated from it that are done or not tracked).
    [[nodiscard]] RowChange Delete(SubjKind kind, int row);
    // Changes the progress of the individual subject shown in `row`. The
    // subject as stored is in the list's `current`.
    [[nodiscard]] RowChange ChangeDone(int row, DoneChange change);

    // The key of the subject shown in `row` into the list's `current`. A row
    // carries no reference to its subject: it is found again by its texts.
    void ReadIndivRow(int row);
    void ReadRepRow(int row);

  private:
    // Runs the editor of `kind`, in edit mode on the subject shown in `row`;
    // true when it ended with OK.
    bool RunEditor(SubjKind kind, EditorMode mode, int row, bool& keyChanged,
                   const std::optional<CalendarDay>& day = std::nullopt);

    IndivSubjList& indiv_;
    RepSubjList& rep_;
    const SubjListView& view_;
    MessageService& messages_;
    QWidget* parent_;
};
