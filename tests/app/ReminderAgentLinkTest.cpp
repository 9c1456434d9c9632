// The window's side of the reminder agent with the real `--remind` process on
// a private bus: 通知する on writes the folder's autostart entry, whose Exec
// line gives back the folder however it is spelt, and starts the agent; off
// ends the agent and removes the entry.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "../remind/NotificationBus.h"
#include "ReminderAgentLink.h"

class ReminderAgentLinkTest : public QObject {
    Q_OBJECT

  private slots:
    void notifyOnStartsTheAgentWithItsEntryAndOffEndsBoth();
};

void ReminderAgentLinkTest::notifyOnStartsTheAgentWithItsEntryAndOffEndsBoth() {
    NotificationBus bus(true);
    QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
    QTemporaryDir home;
    for (const char* name : {"runtime", "config", "state", "my \"schedule\" $HOME"}) {
        QVERIFY(QDir(home.path()).mkpath(name));
    }
    QVERIFY(QFile::setPermissions(home.filePath("runtime"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // The agent started from here inherits these.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.filePath("runtime").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_STATE_HOME", home.filePath("state").toLocal8Bit());
    const QString folder = home.filePath("my \"schedule\" $HOME");
    ReminderAgentLink link(folder, QStringLiteral(VESKAT_EXE));
    QVERIFY(!link.AgentRuns());

    QCOMPARE(link.SetNotify(true), FileWrite::Written);
    QTRY_VERIFY_WITH_TIMEOUT(link.AgentRuns(), 20000);
    std::ifstream entry(link.AutostartFile());
    std::stringstream text;
    text << entry.rdbuf();
    QVERIFY(text.str().starts_with("[Desktop Entry]\n"));
    QVERIFY2(text.str().find("\nExec=" VESKAT_EXE " --remind \"" + home.path().toStdString() +
                             "/my \\\\\"schedule\\\\\" \\\\$HOME\"\n") != std::string::npos,
             text.str().c_str());

    QCOMPARE(link.SetNotify(false), FileWrite::Written);
    QTRY_VERIFY_WITH_TIMEOUT(!link.AgentRuns(), 10000);
    QVERIFY(!QFile::exists(QString::fromStdString(link.AutostartFile())));
    // Off twice is no failure.
    QCOMPARE(link.SetNotify(false), FileWrite::Written);
}

QTEST_GUILESS_MAIN(ReminderAgentLinkTest)
#include "ReminderAgentLinkTest.moc"
