// Keeps the dated rows of the main window's list true to the clock while the window stays open:
// wakes when the next open subject shown passes its minute, and at midnight, when every row's
// days left move, and then has the rows worked out again. A part of the list pane, which ages
// the rows and recounts the overdue line when told to.
//
// No timer runs each second. Between those times it looks at the clock once a minute at most,
// as the reminders do: a timer counts only the time the computer is awake, so after a sleep, or
// a clock set by hand, the time waited for may long have passed, or not come after all.
#pragma once

#include <QObject>
#include <QTimer>
#include <ctime>
#include <functional>

class SubjListView;

class DueRefresh : public QObject {
    Q_OBJECT

  public:
    // Watches the rows of `list`, which must outlive it; they are dated (individual) subjects
    // while `datedRows` says so, and otherwise nothing is watched. `age` works every row out
    // again as of now. Rows put in, taken out, rewritten or filled anew set the next time.
    DueRefresh(SubjListView& list, std::function<bool()> datedRows, std::function<void()> age);

    // One look at the clock: the rows are aged when their next change has come, or when the
    // clock went back since the last look; then the timer is set for the next. The timer calls
    // it.
    void Tick();
    // When the rows change next by the clock alone: the minute after the earliest open subject
    // not yet overdue, or midnight, whichever comes first; 0 while the rows are undated.
    std::time_t ChangesAt() const { return changesAt_; }

  private:
    void Arm(std::time_t now);
    std::time_t NextOverdue(std::time_t now) const;

    SubjListView& list_;
    std::function<bool()> datedRows_;
    std::function<void()> age_;
    QTimer timer_;
    std::time_t changesAt_ = 0;
    std::time_t lookedAt_ = 0;
};
