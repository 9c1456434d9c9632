// The reminders while the program runs: looks at the individual subjects on a
// timer, shows what the scheduler finds due, takes off the screen what no
// longer holds, and hands the actions picked on the notifications to the main
// window, holding them while it is busy.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <ctime>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "Clock.h"
#include "DesktopNotifier.h"
#include "ReminderScheduler.h"
#include "SubjList.h"

class SummaryDayFile;

enum class ReminderAction {
    Open,  // raise the window with the subject selected
    Done,  // mark the subject done
};

// The subject an action names, with only the fields of its key filled (date
// and title): put it in the list's `current` and Find it. An empty subject
// for a key of another length.
IndivSubj SubjOfKey(const QByteArray& key);

class ReminderDriver : public QObject {
    Q_OBJECT

  public:
    using ClockSource = std::function<std::time_t()>;

    // Reads `subjects` (never its `current`) and shows through `notifier`;
    // both must outlive the driver. Starts disabled.
    ReminderDriver(const IndivSubjList& subjects, DesktopNotifier& notifier,
                   ClockSource clock = Clock::Now, QObject* parent = nullptr);
    // The same through any view of the subjects, which must outlive the driver.
    ReminderDriver(const ReminderSubjects& subjects, DesktopNotifier& notifier,
                   ClockSource clock = Clock::Now, QObject* parent = nullptr);
    ~ReminderDriver() override;

    // Keeps the day of the last summary in `summaryDay` (which must outlive
    // the driver; nullptr: in this run alone), so that the summary comes once
    // a day however often the program starts or is switched on. Before
    // SetEnabled(true).
    void KeepSummaryDayIn(SummaryDayFile* summaryDay) { summaryDay_ = summaryDay; }

    // On: looks at once, which gives the day's summary, then on its timer.
    // Off: shows nothing more. Switching on again is a fresh start: a new
    // summary unless one was kept for today, and times that passed while off
    // are not shown. Enable once the lists are loaded.
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }

    // The lists were changed (added, edited, deleted, merged, loaded): look
    // again now, so a subject due this minute is not missed and the
    // notifications of subjects done, deleted or moved are taken away.
    void ListsChanged();

    // While an editor, a question or a transfer is open: actions are held and
    // only RaiseRequested is emitted; leaving busy hands the held ones on in
    // the order they came.
    void SetBusy(bool busy);

    // An action picked elsewhere (on a notification of the reminder agent):
    // handed on or held as one picked on this driver's own notifications.
    void Pick(const QByteArray& key, ReminderAction action);

    // One look now, and the timer set for the next. The timer calls it.
    void Tick();
    // When the next look is due; 0 while disabled.
    std::time_t WakeAt() const { return wakeAt_; }

  signals:
    // The user picked `action` on the notification of the subject `key` (its
    // kKeySize key bytes); the window finds it by those.
    void ActionRequested(const QByteArray& key, ReminderAction action);
    // An action came while busy: only raise the window for now.
    void RaiseRequested();
    // A look was taken, at least once a minute while enabled.
    void Looked();

  private:
    void Wire();
    void OnAction(const QByteArray& key, const QString& action);
    void CloseWhatNoLongerStands();

    std::unique_ptr<ReminderSubjects> ownView_;
    const ReminderSubjects& subjects_;
    DesktopNotifier& notifier_;
    ClockSource clock_;
    ReminderScheduler scheduler_;
    SummaryDayFile* summaryDay_ = nullptr;
    QTimer timer_;
    bool enabled_ = false;
    bool busy_ = false;
    std::time_t wakeAt_ = 0;
    std::vector<std::pair<QByteArray, ReminderAction>> held_;
};
