// One window per user and folder, with real processes of the program: a
// second start on the folder asks the running copy to come forward and ends
// without a window and without a file, while one on another folder runs
// beside it; a window of the earlier version, which took every folder, is
// asked to come forward instead; a copy that was killed does not block the
// next start; and the running copy brings forward its topmost modal dialog,
// restoring a minimised window.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "SingleInstance.h"
#include "SubjApp.h"

namespace {

constexpr int kStartMs = 15000;  // generous for the sanitizer build

// The pid a running copy answers with, or 0 when none answers.
qint64 AnsweringPid(const QString& serverName) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(500)) {
        return 0;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(500)) {
            return 0;
        }
    }
    return socket.readLine().trimmed().toLongLong();
}

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldAskRunningCopyToComeForwardAndEndSilently();
    void shouldEndSecondRealCopyAndLetNextStartAfterKill();
    void shouldDeferToAWindowOfTheEarlierVersion();
    void shouldBringTopmostModalDialogForward();
    void shouldRestoreMinimisedWindow();

  private:
    // A copy of the program in `workDir`, sharing this test's runtime folder.
    std::unique_ptr<QProcess> Start(const QString& workDir, const QByteArray& token = {});
    static QString WindowName(const QString& folder) {
        return SingleInstance::NameFor(SingleInstance::Owner::Window, folder);
    }
    static QString ServerName(const QString& folder) {
        return SingleInstance::ServerPath(WindowName(folder));
    }
    bool WaitUntilAnswering(const QString& folder, qint64 pid);

    std::unique_ptr<QTemporaryDir> runtime_;
    QByteArray previousRuntime_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

void SingleInstanceTest::init() {
    previousRuntime_ = qgetenv("XDG_RUNTIME_DIR");
    runtime_ = std::make_unique<QTemporaryDir>();
    QVERIFY(runtime_->isValid());
    // The lock and the socket live here, so no other run of the tests meets them.
    qputenv("XDG_RUNTIME_DIR", runtime_->path().toLocal8Bit());
    QCOMPARE(SingleInstance::Directory(), runtime_->path());
}

void SingleInstanceTest::cleanup() {
    for (auto& process : processes_) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    processes_.clear();
    qputenv("XDG_RUNTIME_DIR", previousRuntime_);
    runtime_.reset();
}

std::unique_ptr<QProcess> SingleInstanceTest::Start(const QString& workDir,
                                                    const QByteArray& token) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtime_->path());
    if (!token.isEmpty()) {
        env.insert("XDG_ACTIVATION_TOKEN", QString::fromLatin1(token));
    }
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(workDir);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QStringLiteral(VESKAT_EXE), {});
    return process;
}

bool SingleInstanceTest::WaitUntilAnswering(const QString& folder, qint64 pid) {
    QDeadlineTimer deadline(kStartMs);
    while (!deadline.hasExpired()) {
        if (AnsweringPid(ServerName(folder)) == pid) {
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

void SingleInstanceTest::shouldAskRunningCopyToComeForwardAndEndSilently() {
    QTemporaryDir work;
    SingleInstance running(WindowName(work.path()));
    QCOMPARE(running.Claim(), SingleInstance::Role::First);
    QVERIFY(running.Listen());
    QList<QByteArray> requests;
    connect(&running, &SingleInstance::ComeForward, this,
            [&](const QByteArray& token) { requests << token; });

    processes_.push_back(Start(work.path(), "token-from-launcher"));
    QProcess& second = *processes_.back();
    QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, kStartMs);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(requests, QList<QByteArray>{"token-from-launcher"});
    QVERIFY(QDir(work.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));

    // Once the running copy stops answering, a second start still ends silently.
    running.StopListening();
    processes_.push_back(Start(work.path()));
    QProcess& third = *processes_.back();
    QTRY_VERIFY_WITH_TIMEOUT(third.state() == QProcess::NotRunning, kStartMs);
    QCOMPARE(third.exitCode(), 0);
    QCOMPARE(requests.size(), 1);
    QVERIFY(QDir(work.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

void SingleInstanceTest::shouldEndSecondRealCopyAndLetNextStartAfterKill() {
    QTemporaryDir firstDir;
    QTemporaryDir secondDir;
    processes_.push_back(Start(firstDir.path()));
    QProcess& first = *processes_.back();
    QVERIFY(first.waitForStarted(kStartMs));
    QVERIFY(WaitUntilAnswering(firstDir.path(), first.processId()));

    processes_.push_back(Start(firstDir.path()));
    QProcess& second = *processes_.back();
    QVERIFY(second.waitForFinished(kStartMs));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);

    // Another folder has a window of its own.
    processes_.push_back(Start(secondDir.path()));
    QProcess& beside = *processes_.back();
    QVERIFY(beside.waitForStarted(kStartMs));
    QVERIFY(WaitUntilAnswering(secondDir.path(), beside.processId()));
    QCOMPARE(first.state(), QProcess::Running);
    beside.kill();
    QVERIFY(beside.waitForFinished(5000));

    // Killed: its lock file and socket stay behind.
    first.kill();
    QVERIFY(first.waitForFinished(5000));
    QVERIFY(QFile::exists(runtime_->path() + "/" + WindowName(firstDir.path()) + ".lock"));

    processes_.push_back(Start(firstDir.path()));
    QProcess& next = *processes_.back();
    QVERIFY(next.waitForStarted(kStartMs));
    QVERIFY(WaitUntilAnswering(firstDir.path(), next.processId()));
    QCOMPARE(next.state(), QProcess::Running);
}

// A window of the version before took one guard for every folder and knows
// only come-forward: while it runs, a start on any folder brings it forward
// rather than open the same files twice.
void SingleInstanceTest::shouldDeferToAWindowOfTheEarlierVersion() {
    SingleInstance earlier(SingleInstance::EarlierWindowName());
    QCOMPARE(earlier.Claim(), SingleInstance::Role::First);
    QVERIFY(earlier.Listen());
    QList<QByteArray> requests;
    connect(&earlier, &SingleInstance::ComeForward, this,
            [&](const QByteArray& token) { requests << token; });

    QTemporaryDir work;
    processes_.push_back(Start(work.path(), "t2"));
    QProcess& started = *processes_.back();
    QTRY_VERIFY_WITH_TIMEOUT(started.state() == QProcess::NotRunning, kStartMs);
    QCOMPARE(started.exitCode(), 0);
    QCOMPARE(requests, QList<QByteArray>{"t2"});
    QVERIFY(QDir(work.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

void SingleInstanceTest::shouldBringTopmostModalDialogForward() {
    QWidget main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QDialog editor(&main);
    editor.setModal(true);
    editor.show();
    QTRY_COMPARE(QApplication::activeModalWidget(), &editor);
    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &other);

    ActivateRunningWindow(&main, "t1");
    QTRY_COMPARE(QApplication::activeWindow(), &editor);
    QCOMPARE(qgetenv("XDG_ACTIVATION_TOKEN"), QByteArray("t1"));
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

void SingleInstanceTest::shouldRestoreMinimisedWindow() {
    QWidget main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QWidget other;
    other.show();
    other.activateWindow();
    main.showMinimized();
    QTRY_VERIFY(main.isMinimized());

    ActivateRunningWindow(&main, {});
    QVERIFY(!main.isMinimized());
    QVERIFY(main.isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), &main);
}

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
