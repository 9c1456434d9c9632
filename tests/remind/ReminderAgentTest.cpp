// The reminder agent in this process with a pinned clock, against the mock
// notification service on a private bus, over a real data folder: reminders
// with no window, a save seen within seconds and the notification of a
// subject since done taken away, the day's summary once a day across runs, an
// action handed to the running window or starting one, and 通知する off
// ending the agent.
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sstream>

#include "NotificationBus.h"
#include "ReminderAgent.h"
#include "ReminderSettings.h"
#include "SubjList.h"
#include "SubjectKey.h"

namespace {

// The mock numbers its notifications from 1 in the order they came.
constexpr uint kSummaryId = 1;
constexpr uint kDueId = 2;

std::time_t At(int hour, int minute, int second) {
    return LocalTime::Make(2026, 12, 7, hour, minute, second);
}

IndivSubj Subj(int hour, int minute, const std::string& title, Progress progress = Progress::Open) {
    IndivSubj subj;
    subj.year = 2026;
    subj.month = 12;
    subj.day = 7;
    subj.hour = static_cast<std::int16_t>(hour);
    subj.minute = static_cast<std::int16_t>(minute);
    subj.title = title;
    subj.progress = progress;
    subj.content = "room 3<br>bring the notes";
    return subj;
}

// A window's single-instance socket as the window answers on it: its process
// id, then "ok" to each line, which it keeps.
class FakeWindow : public QObject {
  public:
    explicit FakeWindow(const QString& name) {
        server_.listen(name);
        connect(&server_, &QLocalServer::newConnection, this, [this] {
            QLocalSocket* socket = server_.nextPendingConnection();
            socket->write("4242\n");
            connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                if (socket->canReadLine()) {
                    lines.push_back(socket->readLine());
                    socket->write("ok\n");
                    socket->disconnectFromServer();
                }
            });
        });
    }
    std::vector<QByteArray> lines;

  private:
    QLocalServer server_;
};

}  // namespace

class ReminderAgentTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void remindsWithNoWindowSeesASaveAndTakesAwayWhatIsDone();
    void anActionGoesToTheRunningWindowOrStartsOne();
    void markedDoneByTheWindowIsTakenAwayAndNotifyOffEndsTheAgent();

  private:
    void Save(const std::vector<IndivSubj>& subjects) const;
    std::unique_ptr<ReminderAgent> Agent(NotificationBus& bus);

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<QTemporaryDir> state_;
    std::time_t now_ = 0;
    std::vector<QStringList> started_;
    std::ostringstream errors_;
};

void ReminderAgentTest::init() {
    qputenv("TZ", "Asia/Tokyo");
    folder_ = std::make_unique<QTemporaryDir>();
    state_ = std::make_unique<QTemporaryDir>();
    started_.clear();
    errors_.str({});
}

// As the window saves: a new file renamed over the old one.
void ReminderAgentTest::Save(const std::vector<IndivSubj>& subjects) const {
    IndivSubjList list;
    for (const IndivSubj& subj : subjects) {
        list.current = subj;
        QCOMPARE(list.Insert(), StoreResult::Done);
    }
    QCOMPARE(list.Save(folder_->filePath(kIndivFileName).toStdString()), StoreResult::Done);
}

std::unique_ptr<ReminderAgent> ReminderAgentTest::Agent(NotificationBus& bus) {
    return std::make_unique<ReminderAgent>(ReminderAgent::Setup{
        .folder = folder_->path(),
        .bus = bus.Connection(),
        .summaryDayFile = state_->filePath(QStringLiteral("veskat/summary")).toStdString(),
        .windowServer = folder_->filePath(QStringLiteral("window.socket")),
        .startWindow =
            [this](const QStringList& arguments) {
                started_.push_back(arguments);
                return true;
            },
        .clock = [this] { return now_; },
        .errors = &errors_,
        .settleMs = 50,
    });
}

void ReminderAgentTest::remindsWithNoWindowSeesASaveAndTakesAwayWhatIsDone() {
    NotificationBus bus(true);
    QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
    const IndivSubj standup = Subj(9, 0, "standup");
    Save({standup, Subj(0, 0, "all day")});
    now_ = At(8, 59, 59);
    {
        auto agent = Agent(bus);
        QVERIFY(agent->Start());
        QTRY_COMPARE(bus.NotifyCalls().size(), 1u);
        QCOMPARE(bus.NotifyCalls()[0].summary, QStringLiteral("今日の案件 2 件、期限切れ 0 件"));
        now_ = At(9, 0, 0);  // its own timer looks a second later
        QTRY_COMPARE_WITH_TIMEOUT(bus.NotifyCalls().size(), 2u, 5000);
        QCOMPARE(bus.NotifyCalls()[1].summary, QStringLiteral("standup"));
        QCOMPARE(bus.NotifyCalls()[1].body, QStringLiteral("2026/12/07 09:00\nroom 3"));

        // The window saves standup done and a subject for this minute.
        QSignalSpy reread(agent.get(), &ReminderAgent::Reread);
        now_ = At(9, 1, 0);
        IndivSubj done = standup;
        done.progress = Progress::Done;
        Save({done, Subj(0, 0, "all day"), Subj(9, 1, "just added")});
        QTRY_COMPARE_WITH_TIMEOUT(reread.size(), 1, 5000);
        QTRY_COMPARE(bus.CloseCalls(), std::vector<uint>{kDueId});
        QTRY_COMPARE(bus.NotifyCalls().size(), 3u);
        QCOMPARE(bus.NotifyCalls()[2].summary, QStringLiteral("just added"));
    }
    // Started again the same day: no second summary, only what comes due.
    {
        now_ = At(9, 1, 59);
        Save({Subj(9, 2, "second run")});
        auto agent = Agent(bus);
        QVERIFY(agent->Start());
        now_ = At(9, 2, 0);
        QTRY_COMPARE_WITH_TIMEOUT(bus.NotifyCalls().size(), 4u, 5000);
        QCOMPARE(bus.NotifyCalls()[3].summary, QStringLiteral("second run"));
    }
    QVERIFY2(errors_.str().empty(), errors_.str().c_str());
}

void ReminderAgentTest::anActionGoesToTheRunningWindowOrStartsOne() {
    NotificationBus bus(true);
    QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
    const IndivSubj standup = Subj(9, 0, "standup");
    Save({standup});
    now_ = At(9, 0, 10);
    auto agent = Agent(bus);
    QVERIFY(agent->Start());
    QTRY_COMPARE(bus.NotifyCalls().size(), 2u);
    const QString keyText = QString::fromLatin1(KeyText(KeyOf(standup)));

    // No window: one is started, told what to do.
    bus.InvokeAction(kDueId, QStringLiteral("done"));
    QTRY_COMPARE(started_.size(), 1u);
    QCOMPARE(started_[0], (QStringList{"--reminder-action", "done", keyText}));

    // A window runs: it is asked, and none is started.
    FakeWindow window(folder_->filePath(QStringLiteral("window.socket")));
    bus.InvokeAction(kDueId, QStringLiteral("open"));
    QTRY_COMPARE(window.lines.size(), 1u);
    QCOMPARE(window.lines[0], "open\t" + keyText.toLatin1() + "\t\n");
    bus.InvokeAction(kSummaryId, QStringLiteral("open"));  // the summary names no subject
    QTest::qWait(300);
    QCOMPARE(window.lines.size(), 1u);
    QCOMPARE(started_.size(), 1u);
}

void ReminderAgentTest::markedDoneByTheWindowIsTakenAwayAndNotifyOffEndsTheAgent() {
    NotificationBus bus(true);
    QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
    const IndivSubj standup = Subj(9, 0, "standup");
    Save({standup, Subj(9, 30, "later")});
    now_ = At(9, 0, 10);
    auto agent = Agent(bus);
    QVERIFY(agent->Start());
    QTRY_COMPARE(bus.NotifyCalls().size(), 2u);

    // Not saved yet: the file still has it open, the agent holds it done.
    agent->Take({ReminderRequest::Kind::MarkedDone, KeyOf(standup), {}});
    QTRY_COMPARE(bus.CloseCalls(), std::vector<uint>{kDueId});

    QSignalSpy ended(agent.get(), &ReminderAgent::Ended);
    const std::string ini = folder_->filePath(QStringLiteral("veskat.ini")).toStdString();
    QCOMPARE(WriteNotifySetting(false, ini), FileWrite::Written);
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 5000);
    now_ = At(9, 30, 0);
    QTest::qWait(1500);
    QCOMPARE(bus.NotifyCalls().size(), 2u);  // nothing more once ended

    // Off, an agent does not start at all.
    auto next = Agent(bus);
    QVERIFY(!next->Start());
}

QTEST_GUILESS_MAIN(ReminderAgentTest)
#include "ReminderAgentTest.moc"
