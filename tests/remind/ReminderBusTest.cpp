// The reminders through a real notification service on a private bus: what
// the service is asked to show, the actions it reports coming back to the
// window as the subject's key (held while the window is busy), and a desktop
// without a service giving one line on standard error and nothing else.
#include <QSignalSpy>
#include <QTest>
#include <sstream>

#include "DesktopNotifier.h"
#include "NotificationBus.h"
#include "ReminderDriver.h"

Q_DECLARE_METATYPE(ReminderAction)

namespace {

const QStringList kSubjectActions{QStringLiteral("open"), QStringLiteral("開く"),
                                  QStringLiteral("done"), QStringLiteral("完了にする")};

// The mock numbers its notifications from 1 in the order they came.
constexpr uint kSummaryId = 1;
constexpr uint kDueId = 2;

std::time_t At(int hour, int minute, int second) {
    return LocalTime::Make(2026, 12, 7, hour, minute, second);
}

void Add(IndivSubjList& list, int hour, int minute, const std::string& title,
         const std::string& content = "") {
    list.current = IndivSubj{};
    list.current.year = 2026;
    list.current.month = 12;
    list.current.day = 7;
    list.current.hour = static_cast<std::int16_t>(hour);
    list.current.minute = static_cast<std::int16_t>(minute);
    list.current.title = title;
    list.current.progress = Progress::Open;
    list.current.content = content;
    QCOMPARE(list.Insert(), StoreResult::Done);
}

QByteArray KeyOf(IndivSubj subj) {
    const RecordText record = EncodeIndivSubj(subj);
    return QByteArray(reinterpret_cast<const char*>(record.data()), kKeySize);
}

}  // namespace

class ReminderBusTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { qRegisterMetaType<ReminderAction>(); }

    void showsTheSummaryAndEachSubjectOnTimeWithItsActions() {
        NotificationBus bus(true);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        IndivSubjList list;
        Add(list, 0, 0, "\x89\xEF\x8B\x63");  // 会議, all day
        Add(list, 10, 30, "call <A&B>", "extension 12<br>ask for Ito");
        std::time_t now = At(10, 29, 59);
        DesktopNotifier notifier(bus.Connection());
        ReminderDriver driver(list, notifier, [&now] { return now; });

        driver.SetEnabled(true);
        QTRY_COMPARE(bus.NotifyCalls().size(), 1u);
        QCOMPARE(driver.WakeAt(), At(10, 30, 0));
        now = At(10, 30, 0);  // the driver's own timer looks a second later
        QTRY_COMPARE_WITH_TIMEOUT(bus.NotifyCalls().size(), 2u, 5000);

        const auto calls = bus.NotifyCalls();
        QCOMPARE(calls[0].appName, QStringLiteral("veskat"));
        QCOMPARE(calls[0].summary, QStringLiteral("今日の案件 2 件、期限切れ 0 件"));
        QCOMPARE(calls[0].body, QStringLiteral("会議\ncall &lt;A&amp;B&gt;"));
        QCOMPARE(calls[0].actions, QStringList());
        QCOMPARE(calls[1].appName, QStringLiteral("veskat"));
        QCOMPARE(calls[1].summary, QStringLiteral("call <A&B>"));
        QCOMPARE(calls[1].body, QStringLiteral("2026/12/07 10:30\nextension 12"));
        QCOMPARE(calls[1].actions, kSubjectActions);

        // Switched off, nothing more comes; on again, a new summary.
        driver.SetEnabled(false);
        Add(list, 10, 31, "later");
        now = At(10, 31, 0);
        driver.ListsChanged();
        now = At(10, 32, 0);
        driver.SetEnabled(true);
        QTRY_COMPARE(bus.NotifyCalls().size(), 3u);
        QCOMPARE(bus.NotifyCalls()[2].summary, QStringLiteral("今日の案件 3 件、期限切れ 0 件"));
        QTest::qWait(300);
        QCOMPARE(bus.NotifyCalls().size(), 3u);
    }

    void anActionReachesTheWindowAsTheSubjectsKeyAndWaitsWhileBusy() {
        NotificationBus bus(true);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        IndivSubjList list;
        Add(list, 9, 0, "standup");
        const QByteArray key = KeyOf(list.current);
        std::time_t now = At(9, 0, 10);
        DesktopNotifier notifier(bus.Connection());
        ReminderDriver driver(list, notifier, [&now] { return now; });
        QSignalSpy requested(&driver, &ReminderDriver::ActionRequested);
        QSignalSpy raised(&driver, &ReminderDriver::RaiseRequested);
        driver.SetEnabled(true);
        QTRY_COMPARE(bus.NotifyCalls().size(), 2u);

        bus.InvokeAction(kDueId, QStringLiteral("done"));
        QTRY_COMPARE(requested.size(), 1);
        QCOMPARE(requested[0][0].toByteArray(), key);
        QCOMPARE(requested[0][1].value<ReminderAction>(), ReminderAction::Done);
        // The window finds the subject by the key without touching it before.
        list.current = SubjOfKey(key);
        QCOMPARE(list.Find(), StoreResult::Done);
        QCOMPARE(list.current.title, std::string("standup"));
        QCOMPARE(list.current.hour, std::int16_t{9});

        driver.SetBusy(true);
        bus.InvokeAction(kDueId, QStringLiteral("open"));
        QTRY_COMPARE(raised.size(), 1);
        QCOMPARE(requested.size(), 1);
        driver.SetBusy(false);
        QCOMPARE(requested.size(), 2);
        QCOMPARE(requested[1][0].toByteArray(), key);
        QCOMPARE(requested[1][1].value<ReminderAction>(), ReminderAction::Open);

        // The summary has no subject, and a closed notification none any more.
        bus.InvokeAction(kSummaryId, QStringLiteral("open"));
        bus.Close(kDueId);
        bus.InvokeAction(kDueId, QStringLiteral("open"));
        bus.InvokeAction(kDueId + 1, QStringLiteral("open"));  // another program's
        QTest::qWait(300);
        QCOMPARE(requested.size(), 2);
        QCOMPARE(raised.size(), 1);
    }

    void withoutAServiceOneLineOnStandardErrorAndNothingElse() {
        NotificationBus bus(false);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        IndivSubjList list;
        Add(list, 0, 0, "all day");
        Add(list, 8, 0, "eight");
        Add(list, 8, 1, "one past");
        std::time_t now = At(7, 0, 0);
        std::ostringstream errors;
        DesktopNotifier notifier(bus.Connection(), errors);
        ReminderDriver driver(list, notifier, [&now] { return now; });
        driver.SetEnabled(true);
        QTRY_VERIFY(!errors.str().empty());
        now = At(8, 0, 0);
        driver.Tick();
        now = At(8, 1, 0);
        driver.Tick();
        QTest::qWait(300);
        const std::string said = errors.str();
        QCOMPARE(std::count(said.begin(), said.end(), '\n'), 1);
        QVERIFY(said.starts_with("veskat: no desktop notification service answers"));

        // No session bus at all: the same single line.
        std::ostringstream noBus;
        DesktopNotifier alone(
            QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                          QStringLiteral("no-bus")),
            noBus);
        alone.Show(QStringLiteral("a"), QStringLiteral("b"));
        alone.Show(QStringLiteral("c"), QStringLiteral("d"), "key");
        const std::string saidAlone = noBus.str();
        QCOMPARE(std::count(saidAlone.begin(), saidAlone.end(), '\n'), 1);
        QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
    }
};

QTEST_GUILESS_MAIN(ReminderBusTest)
#include "ReminderBusTest.moc"
