// The main window's link to the reminders: the notifier on the desktop's bus
// and the driver over the individual list, the 通知する setting, and the busy
// scopes that hold the actions picked on a notification while a command
// runs. The window shows what an action asks for.
#pragma once

#include <QByteArray>
#include <QObject>

#include <memory>
#include <string>

#include "FileAccess.h"

class DesktopNotifier;
class IndivSubjList;
class QDBusConnection;
class QWidget;
class ReminderDriver;
enum class ReminderAction;

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

    // Once the lists are loaded: the notifier on `bus` and the driver, on as
    // the setting says once `firstPainted` has been painted, so that the first
    // look, which reads every subject and may wait on the bus, comes after the
    // window is on the screen. Returns the setting.
    bool Start(const QDBusConnection& bus, QWidget& firstPainted);

    // 通知する: turns the reminders on or off and keeps the choice. Failed
    // when the file could not be written: the choice holds for this run only.
    FileWrite SetNotify(bool notify);

  signals:
    // The user picked `action` on the notification of the subject `key`.
    void ActionRequested(const QByteArray& key, ReminderAction action);
    // An action came while busy: only raise the window for now.
    void RaiseRequested();

  private:
    const IndivSubjList& subjects_;
    std::string iniFile_;
    int busyDepth_ = 0;
    // The user chose before the first paint: the setting read no longer holds.
    bool chosen_ = false;
    std::unique_ptr<DesktopNotifier> notifier_;
    std::unique_ptr<ReminderDriver> driver_;
};
