// The real `veskat --remind FOLDER` process with no window, against the mock
// notification service on a private bus: a subject due this minute notified,
// a second agent of the folder ending at once, the window's save of it done
// taking the notification away, and 通知する off ending the agent.
#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "NotificationBus.h"
#include "ReminderSettings.h"
#include "SubjList.h"

namespace {

constexpr int kStartMs = 20000;  // generous for the sanitizer build

}  // namespace

class ReminderProcessTest : public QObject {
    Q_OBJECT

  private slots:
    void remindsWithNoWindowUntilNotifyIsTurnedOff();

  private:
    QProcess* Start(const QString& folder);

    NotificationBus* bus_ = nullptr;
    QTemporaryDir home_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

QProcess* ReminderProcessTest::Start(const QString& folder) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus_->Address());
    env.insert("XDG_RUNTIME_DIR", home_.filePath("runtime"));
    env.insert("XDG_STATE_HOME", home_.filePath("state"));
    env.insert("XDG_CONFIG_HOME", home_.filePath("config"));
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(QStringLiteral(VESKAT_EXE), {QStringLiteral("--remind"), folder});
    processes_.push_back(std::move(process));
    return processes_.back().get();
}

void ReminderProcessTest::remindsWithNoWindowUntilNotifyIsTurnedOff() {
    NotificationBus bus(true);
    QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
    bus_ = &bus;
    QVERIFY(QDir().mkpath(home_.filePath("runtime")));
    QVERIFY(QFile::setPermissions(home_.filePath("runtime"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QTemporaryDir folder;
    // A subject of this very minute is due at the agent's first look; leave
    // it time to start within the minute.
    while (QTime::currentTime().second() >= 40) {
        QTest::qWait(500);
    }
    const QDateTime now = QDateTime::currentDateTime();
    IndivSubjList list;
    list.current.year = static_cast<std::int16_t>(now.date().year());
    list.current.month = static_cast<std::int16_t>(now.date().month());
    list.current.day = static_cast<std::int16_t>(now.date().day());
    list.current.hour = static_cast<std::int16_t>(now.time().hour());
    list.current.minute = static_cast<std::int16_t>(now.time().minute());
    if (list.current.hour == 0 && list.current.minute == 0) {
        list.current.minute = 1;  // 00:00 is all day; the test waits a minute then
    }
    list.current.title = "due now";
    list.current.progress = Progress::Open;
    QCOMPARE(list.Insert(), StoreResult::Done);
    const std::string file = folder.filePath(kIndivFileName).toStdString();
    QCOMPARE(list.Save(file), StoreResult::Done);

    QProcess* agent = Start(folder.path());
    QVERIFY(agent->waitForStarted(kStartMs));
    QTRY_VERIFY_WITH_TIMEOUT(bus.NotifyCalls().size() >= 2u, 70000);
    QCOMPARE(bus.NotifyCalls()[1].summary, QStringLiteral("due now"));

    // One agent a folder: a second one ends at once, the first goes on.
    QProcess* second = Start(folder.path());
    QVERIFY(second->waitForFinished(kStartMs));
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(agent->state(), QProcess::Running);

    // The window saves it done: the notification goes.
    list.current.progress = Progress::Done;
    QCOMPARE(list.Replace(), StoreResult::Done);
    QCOMPARE(list.Save(file), StoreResult::Done);
    QTRY_COMPARE_WITH_TIMEOUT(bus.CloseCalls(), std::vector<uint>{2}, 10000);

    QCOMPARE(WriteNotifySetting(false, folder.filePath("veskat.ini").toStdString()),
             FileWrite::Written);
    QVERIFY(agent->waitForFinished(10000));
    QCOMPARE(agent->exitStatus(), QProcess::NormalExit);
    QCOMPARE(agent->exitCode(), 0);
    // It wrote nothing into the data folder.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"veskat.ini", QString::fromLatin1(kIndivFileName)}));
    QVERIFY(QFile::exists(home_.filePath("state/veskat")));
    bus_ = nullptr;
}

QTEST_GUILESS_MAIN(ReminderProcessTest)
#include "ReminderProcessTest.moc"
