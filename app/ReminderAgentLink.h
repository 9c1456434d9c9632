// The window's link to the reminder agent of its data folder (veskat
// --remind): what the agent asks over the window's single-instance socket or
// with the arguments it started the window with, turned into the calls the
// window makes; the step an action comes to once the window has looked at its
// subject; the line that tells the agent of a subject marked done; and the
// agent's life with 通知する: started, and at login through its autostart
// entry, or ended. docs/reminders.md shows the lines and the steps.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "FileAccess.h"
#include "ReminderDriver.h"
#include "ReminderRequest.h"

class IndivSubjList;

// What the window finds of the subject an action names.
enum class SubjectStanding {
    Gone,     // no subject has its key now: deleted, or moved to another day or title
    NotDone,  // there, open or not tracked
    Done,     // there, done already
};

// What the window does for an action, once it is not busy.
struct ActionStep {
    bool select = false;     // show and select the subject's row
    bool markDone = false;   // mark it done, as one change that can be undone
    bool tellAgent = false;  // tell the agent it is done, so that it reminds no more
    bool sayGone = false;    // say in one line that the subject is gone, and change nothing

    bool operator==(const ActionStep&) const = default;
};

// The step for `action` on a subject that stands so.
ActionStep StepFor(ReminderAction action, SubjectStanding standing);

// How the subject `key` (its kKeySize key bytes) stands in `subjects`; the
// subject found is left in the list's `current`.
SubjectStanding StandingOf(IndivSubjList& subjects, const QByteArray& key);

// Where the day of the last summary of reminders on `folder` is kept, for its
// window and its agent alike; empty when the user has no state folder.
std::string SummaryDayFileOf(const QString& folder);

class ReminderAgentLink : public QObject {
    Q_OBJECT

  public:
    // The link of the window on `folder`; the agent is `program --remind folder`.
    explicit ReminderAgentLink(const QString& folder, QString program, QObject* parent = nullptr);

    // A request that came over the socket or with the start arguments.
    // Come-forward raises the window; Open and Done raise it and ask for the
    // action; what is meant for the agent is not taken.
    void Take(const ReminderRequest& request);

    // The window marked the subject `key` done and has not saved: the agent
    // holds it done until the file changes. Nothing when no agent listens.
    void TellMarkedDone(const QByteArray& key);
    // The window took back its mark of `key` (undo, or marked open again): the
    // agent reminds of it again as the file has it.
    void TellMarkedOpen(const QByteArray& key);

    // Whether the folder's agent runs and listens.
    bool AgentRuns() const;
    // Starts the agent, to go on after the window ends; false when it could
    // not be started. One that runs already keeps running alone.
    bool StartAgent();

    // 通知する: on makes the autostart entry and starts the agent; off removes
    // the entry and ends the agent. Failed when the entry could not be made
    // or removed (the agent is started or ended all the same).
    FileWrite SetNotify(bool notify);
    // The autostart entry as 通知する says, as the window starts: made again
    // while on (the program may have moved), removed while off.
    FileWrite KeepAutostart(bool notify) const;

    // The data folder, as a full path.
    const QString& Folder() const { return folder_; }

    // The folder's autostart entry.
    std::string AutostartFile() const;

  signals:
    void RaiseRequested(const QByteArray& activationToken);
    void ActionRequested(const QByteArray& key, ReminderAction action);

  private:
    QString folder_;
    QString program_;
};
