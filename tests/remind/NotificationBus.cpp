#include "NotificationBus.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QTest>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kMock = QStringLiteral("org.freedesktop.DBus.Mock");

// A session bus that lets anyone own and call anything, and knows no services
// to start of its own: a notification service installed on the machine must
// not answer in place of the mock.
constexpr const char* kBusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

constexpr int kStartTimeoutMs = 15000;

void Stop(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
        }
    }
}

}  // namespace

NotificationBus::NotificationBus(bool withService) {
    static int connections = 0;
    connectionName_ = QStringLiteral("notification-bus-%1").arg(++connections);
    const QString config = folder_.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(kBusConfig) < 0) {
        error_ = QStringLiteral("cannot write ") + config;
        return;
    }
    file.close();
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(kStartTimeoutMs) || !daemon_.waitForReadyRead(kStartTimeoutMs)) {
        error_ = QStringLiteral("dbus-daemon did not start (package dbus-daemon)");
        return;
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    if (withService) {
        StartService();
    }
}

NotificationBus::~NotificationBus() {
    QDBusConnection::disconnectFromBus(connectionName_);
    Stop(service_);
    Stop(daemon_);
}

void NotificationBus::StartService() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
    service_.setProcessEnvironment(environment);
    service_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service_.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                    QStringLiteral("notification_daemon")});
    const bool owned = QTest::qWaitFor(
        [this] {
            return service_.state() == QProcess::NotRunning ||
                   Connection().interface()->isServiceRegistered(kService).value();
        },
        kStartTimeoutMs);
    if (!owned || service_.state() == QProcess::NotRunning) {
        error_ = QStringLiteral("the mock notification service did not start (python3-dbusmock)");
    }
}

QDBusConnection NotificationBus::Connection() const {
    return QDBusConnection::connectToBus(address_, connectionName_);
}

std::vector<std::pair<QString, QVariantList>> NotificationBus::Calls() const {
    const QDBusMessage reply = Connection().call(
        QDBusMessage::createMethodCall(kService, kPath, kMock, QStringLiteral("GetCalls")));
    std::vector<std::pair<QString, QVariantList>> calls;
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return calls;
    }
    // a(tsav): when, method, arguments.
    const auto logged = reply.arguments().at(0).value<QDBusArgument>();
    logged.beginArray();
    while (!logged.atEnd()) {
        quint64 when = 0;
        QString method;
        QVariantList args;
        logged.beginStructure();
        logged >> when >> method >> args;
        logged.endStructure();
        calls.emplace_back(method, args);
    }
    logged.endArray();
    return calls;
}

std::vector<NotificationBus::Notified> NotificationBus::NotifyCalls() const {
    std::vector<Notified> notified;
    for (const auto& [method, args] : Calls()) {
        if (method == QLatin1String("Notify") && args.size() == 8) {
            notified.push_back({args[0].toString(), args[3].toString(), args[4].toString(),
                                args[5].toStringList()});
        }
    }
    return notified;
}

std::vector<uint> NotificationBus::CloseCalls() const {
    std::vector<uint> closed;
    for (const auto& [method, args] : Calls()) {
        if (method == QLatin1String("CloseNotification") && args.size() == 1) {
            closed.push_back(args[0].toUInt());
        }
    }
    return closed;
}

void NotificationBus::InvokeAction(uint id, const QString& action) const {
    Emit(QStringLiteral("ActionInvoked"), QStringLiteral("us"),
         {QVariant::fromValue(QDBusVariant(id)), QVariant::fromValue(QDBusVariant(action))});
}

void NotificationBus::Close(uint id) const {
    Emit(QStringLiteral("NotificationClosed"), QStringLiteral("uu"),
         {QVariant::fromValue(QDBusVariant(id)), QVariant::fromValue(QDBusVariant(2u))});
}

void NotificationBus::Emit(const QString& name, const QString& signature,
                           const QVariantList& args) const {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kMock, QStringLiteral("EmitSignal"));
    call << kService << name << signature << QVariant::fromValue(args);
    Connection().call(call);
}
