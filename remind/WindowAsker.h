// The reminder agent's way to the window of its folder: an action picked on
// one of the agent's notifications goes to the running window over the
// window's single-instance socket; when no window listens there, the program
// is started with the action as its arguments, and the new window takes it.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "ReminderRequest.h"

class WindowAsker : public QObject {
    Q_OBJECT

  public:
    // Starts the window with `arguments`; false when it could not be started.
    using Starter = std::function<bool(const QStringList& arguments)>;

    enum class Way {
        Taken,    // the running window took it
        Started,  // no window ran: one was started with it
        Failed,   // a window did not take it in time, or none could be started
    };
    Q_ENUM(Way)

    // The window listens as `windowServer` (a full path); `start` starts one.
    WindowAsker(QString windowServer, Starter start, QObject* parent = nullptr);

    // Hands `request` (Open or Done) to the window; Asked tells how it went.
    void Ask(const ReminderRequest& request);

  signals:
    void Asked(const ReminderRequest& request, WindowAsker::Way way);

  private:
    QString windowServer_;
    Starter start_;
};
