// A private D-Bus session bus for a test, with a notification service on it
// when asked: python3-dbusmock's notification_daemon template, which records
// every call and emits the signals the test asks for.
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>
#include <utility>
#include <vector>

class NotificationBus {
  public:
    // Starts dbus-daemon; with `withService`, the mock service too. Check
    // Error() before use.
    explicit NotificationBus(bool withService);
    ~NotificationBus();
    NotificationBus(const NotificationBus&) = delete;
    NotificationBus& operator=(const NotificationBus&) = delete;

    // What went wrong in starting, or empty.
    QString Error() const { return error_; }
    // A connection of the program's side to the bus.
    QDBusConnection Connection() const;
    // The bus's address, for DBUS_SESSION_BUS_ADDRESS of a process started on it.
    QString Address() const { return address_; }

    // One Notify call the service received, its arguments as sent.
    struct Notified {
        QString appName;
        QString summary;
        QString body;
        QStringList actions;
    };
    std::vector<Notified> NotifyCalls() const;
    // The ids of the CloseNotification calls the service received, in order.
    std::vector<uint> CloseCalls() const;
    // The service emits ActionInvoked or NotificationClosed for notification `id`.
    void InvokeAction(uint id, const QString& action) const;
    void Close(uint id) const;

  private:
    void StartService();
    // Every call the service received: its method and arguments.
    std::vector<std::pair<QString, QVariantList>> Calls() const;
    void Emit(const QString& name, const QString& signature, const QVariantList& args) const;

    QTemporaryDir folder_;
    QProcess daemon_;
    QProcess service_;
    QString address_;
    QString connectionName_;
    QString error_;
};
