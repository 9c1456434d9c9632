// The main window's link to the reminders: the notifier on the desktop's bus
// and the driver over the individual list, the 通知する setting, and the busy
// scopes that hold the actions picked on a notification while a command
// runs. With the folder's reminder agent (ReminderAgentLink), the agent alone
// shows the reminders while it runs, and the link starts it, so that they go
// on after the window ends; the window shows them itself when there is no
// agent. Actions picked on the agent's notifications come in as requests and
// are held like the window's own. The window shows what an action asks for.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "FileAccess.h"
#include "ReminderRequest.h"

class DesktopNotifier;
class IndivSubjList;
class QDBusConnection;
class QWidget;
class ReminderAgentLink;
class ReminderDriver;
class SummaryDayFile;

// What came of turning 通知する on or off.
enum class [[nodiscard]] NotifyKept{
    Kept,
    SettingNotWritten,    // the setting file could not be written: the choice holds for this run
    AutostartNotWritten,  // the agent's autostart entry could not be made or removed
};

class ReminderLink : public QObject {
    Q_OBJECT

  public:
    // Held while the window runs an editor, a question, a dialog or a
    // transfer: actions wait until it ends, and the lists are looked at again
    // then, since every command that changes them runs inside one.
    class BusyScope {
      public:
        explicit BusyScope(ReminderLink& link);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

      private:
        ReminderLink& link_;
    };

    // Reminds of the subjects of `subjects`, which must outlive the link, with
    // the setting kept in `iniFile`.
    ReminderLink(const IndivSubjList& subjects, std::string iniFile);
    ~ReminderLink() override;

    // Hands the reminders to the folder's agent through `agent` while it
    // runs, and keeps the day of the last summary where the agent keeps it.
    // Before Start.
    void UseAgent(std::unique_ptr<ReminderAgentLink> agent);
    // The agent's autostart entry; empty without an agent.
    std::string AutostartFile() const;

    // Once the lists are loaded: the notifier on `bus` and the driver, on as
    // the setting says once `firstPainted` has been painted, so that the first
    // look, which reads every subject and may wait on the bus, comes after the
    // window is on the screen. Returns the setting.
    bool Start(const QDBusConnection& bus, QWidget& firstPainted);

    // 通知する: turns the reminders on or off and keeps the choice; with an
    // agent, also its autostart entry, and on starts the agent when none
    // runs, off ends it.
    NotifyKept SetNotify(bool notify);

    // A request the window's single-instance guard took, or the one the
    // window was started with: an action picked on the agent's notification
    // is held until the window is started and not busy, and handed on as
    // ActionRequested.
    void Take(const ReminderRequest& request);
    // The window marked the subject `key` done for an action: the agent
    // reminds of it no more. Nothing without an agent.
    void TellMarkedDone(const QByteArray& key);
    // The window took back a mark of `key` as done: the agent reminds of it
    // again. Nothing without an agent.
    void TellMarkedOpen(const QByteArray& key);

  signals:
    // The user picked `action` on the notification of the subject `key`.
    void ActionRequested(const QByteArray& key, ReminderAction action);
    // An action came while busy: only raise the window for now.
    void RaiseRequested();

  private:
    // The reminders on or off as the window starts, the agent's autostart
    // entry as they are, and the agent started when they are on and none runs.
    void TurnTo(bool notify);
    // The window shows the reminders while 通知する is on and no agent runs;
    // it looks again on a timer, should the agent end or start.
    void ShowUnlessAgentRuns();
    // The agent was just started: the window waits a moment for it to listen.
    void AwaitAgent();

    const IndivSubjList& subjects_;
    std::string iniFile_;
    int busyDepth_ = 0;
    bool notify_ = false;
    // The user chose before the first paint: the setting read no longer holds.
    bool chosen_ = false;
    std::unique_ptr<ReminderAgentLink> agent_;
    std::unique_ptr<SummaryDayFile> summaryDay_;
    QTimer agentLook_;
    std::vector<ReminderRequest> early_;  // taken before Start
    std::unique_ptr<DesktopNotifier> notifier_;
    std::unique_ptr<ReminderDriver> driver_;
};
