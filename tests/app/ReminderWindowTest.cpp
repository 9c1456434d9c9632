// The main window's reminders through python3-dbusmock's notification service
// on a private bus: the summary at start-up; an action picked on the window's
// own notification, on the folder's agent's (over the window's real guard
// socket) or given at the start, taking its one step without an editor and
// closing the notification, or telling of a subject gone; a mark by Space or a
// click on the row, and its undo, reaching the running agent at once; no
// notification of the window's own while the agent runs; the autostart entry
// made or removed at start as 通知する says; 通知する off ending the real
// agent process and removing its autostart entry; and a turn of 通知する:
// nothing sent until turned on, or a choice the file cannot keep.
#include <QAction>
#include <QLineEdit>
#include <QRadioButton>

#include "ConnectSettings.h"
#include "NotificationBus.h"
#include "ReminderAgent.h"
#include "ReminderAgentLink.h"
#include "ReminderLink.h"
#include "ReminderSettings.h"
#include "ResourceIds.h"
#include "SingleInstance.h"
#include "SubjApp.h"
#include "SubjListPane.h"
#include "SubjListView.h"
#include "SubjectKey.h"
#include "WindowTestSupport.h"

namespace {

// The mock numbers its notifications from 1: the summary, then the due subject.
constexpr uint kDueId = 2;

constexpr int kAgentStartMs = 20000;  // the real agent, generous for the sanitizer build

const QString kSubjectGone = QStringLiteral("通知の案件はもう一覧にありません。");

class BusWindow : public CSubjListDlg {
  public:
    BusWindow(MessageService& messages, const NotificationBus& bus)
        : CSubjListDlg(messages), bus_(bus) {}

  protected:
    QDBusConnection ReminderBus() const override { return bus_.Connection(); }

  private:
    const NotificationBus& bus_;
};

QString Folder() {
    return QDir::currentPath();
}

// The folder's agent in this process, on the window's clock, answering on its
// own guard as `veskat --remind` does.
class AgentOnBus {
  public:
    explicit AgentOnBus(const NotificationBus& bus)
        : guard_(SingleInstance::NameFor(SingleInstance::Owner::Agent, Folder())),
          agent_({
              .folder = Folder(),
              .bus = bus.Connection(),
              .summaryDayFile = SummaryDayFileOf(Folder()),
              .windowServer = SingleInstance::ServerPath(
                  SingleInstance::NameFor(SingleInstance::Owner::Window, Folder())),
              .startWindow = [](const QStringList&) { return false; },
              .settleMs = 50,
          }) {}

    bool Start() {
        if (guard_.Claim() != SingleInstance::Role::First || !agent_.Start()) {
            return false;
        }
        QObject::connect(&guard_, &SingleInstance::Requested, &agent_, &ReminderAgent::Take);
        return guard_.Listen();
    }

  private:
    SingleInstance guard_;
    ReminderAgent agent_;
};

// The window as the application object sets it up, on its folder's real
// guard, with `program` as its agent.
struct GuardedWindow {
    GuardedWindow(MessageService& messages, const NotificationBus& bus, const QString& program,
                  const std::optional<ReminderRequest>& started = std::nullopt)
        : window(messages, bus),
          guard(SingleInstance::NameFor(SingleInstance::Owner::Window, Folder())) {
        window.Reminders().UseAgent(std::make_unique<ReminderAgentLink>(Folder(), program));
        QVERIFY(guard.Claim() == SingleInstance::Role::First);
        AnswerOnGuard(window, guard, started);
        window.OnInitDialog();
    }

    BusWindow window;
    SingleInstance guard;
};

// An agent program that cannot be started: the window reminds by itself.
QString NoProgram() {
    return QDir::current().filePath(QStringLiteral("no-such-program"));
}

// The row of the window's list that shows `title`; -1 for none.
int RowOf(CSubjListDlg& window, const QString& title) {
    SubjListView* list = window.ListView();
    for (int row = 0; row < list->RowCount(); ++row) {
        if (list->CellText(row, 2) == title) {
            return row;
        }
    }
    return -1;
}

// How the subject stands in the window's list: "open", "done" or "gone".
QString StandingIn(CSubjListDlg& window, const IndivSubj& subj) {
    IndivSubjList& list = window.IndivList();
    list.current = subj;
    if (list.Find() != StoreResult::Done) {
        return QStringLiteral("gone");
    }
    return list.current.progress == Progress::Done ? QStringLiteral("done")
                                                   : QStringLiteral("open");
}

}  // namespace

class ReminderWindowTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    // The guards, the autostart entries and the summary days of the test's own.
    void initTestCase() {
        QVERIFY(home_.isValid());
        for (const char* name : {"runtime", "config", "state"}) {
            QVERIFY(QDir(home_.path()).mkpath(name));
        }
        QVERIFY(QFile::setPermissions(home_.filePath("runtime"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", home_.filePath("runtime").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", home_.filePath("config").toLocal8Bit());
        qputenv("XDG_STATE_HOME", home_.filePath("state").toLocal8Bit());
    }
    void init() {
        EnterFreshFolder();
        // The clock stands at 2024/05/15 12:30:20: one subject due now, one overdue.
        WriteDataFiles({Indiv(2024, 5, 14, 9, 0, QStringLiteral("昨日"), Progress::Open),
                        Indiv(2024, 5, 15, 12, 30, QStringLiteral("会議"), Progress::Open),
                        Indiv(2024, 5, 20, 8, 0, QStringLiteral("来週"), Progress::Open)},
                       {Rep("rep", Progress::Open)});
    }
    void cleanup() { LeaveFolder(); }

    // Rows: where the action comes from (the window's own notification, the
    // agent's, or the window's start), what it is, and how the subject stands
    // in the window when it comes; then how it stands after, the steps the
    // history took, whether the user was told it is gone, and whether its
    // notification was closed.
    void anActionTakesItsOneStepWithoutAnEditor_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("steps");
        QTest::addColumn<bool>("told");
        QTest::addColumn<bool>("closed");
        QTest::newRow("own 開く") << "own"
                                  << "open"
                                  << "open"
                                  << "open" << 0 << false << false;
        QTest::newRow("own 完了にする") << "own"
                                        << "done"
                                        << "open"
                                        << "done" << 1 << false << true;
        QTest::newRow("agent 完了にする") << "agent"
                                          << "done"
                                          << "open"
                                          << "done" << 1 << false << true;
        QTest::newRow("agent 完了にする, done unsaved") << "agent"
                                                        << "done"
                                                        << "done"
                                                        << "done" << 0 << false << true;
        QTest::newRow("agent 開く, gone unsaved") << "agent"
                                                  << "open"
                                                  << "gone"
                                                  << "gone" << 0 << true << false;
        QTest::newRow("started 完了にする") << "started"
                                            << "done"
                                            << "open"
                                            << "done" << 1 << false << false;
        QTest::newRow("started 完了にする, gone") << "started"
                                                  << "done"
                                                  << "gone"
                                                  << "gone" << 0 << true << false;
    }
    void anActionTakesItsOneStepWithoutAnEditor() {
        QFETCH(QString, way);
        QFETCH(QString, action);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, steps);
        QFETCH(bool, told);
        QFETCH(bool, closed);
        NotificationBus bus(true);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        std::optional<AgentOnBus> agent;
        if (way == "agent") {
            QVERIFY(agent.emplace(bus).Start());
        }
        const IndivSubj due = Indiv(2024, 5, 15, 12, 30, QStringLiteral("会議"), Progress::Open);
        const ReminderAction picked =
            action == "done" ? ReminderAction::Done : ReminderAction::Open;
        std::optional<ReminderRequest> started;
        if (way == "started") {
            started = ReminderRequest::ForAction(picked, KeyOf(due));
        }
        GuardedWindow guarded(messages_, bus, NoProgram(), started);
        BusWindow& window = guarded.window;
        // Changed in the window since the save the agent read.
        IndivSubjList& list = window.IndivList();
        list.current = due;
        if (before == "done") {
            list.current.progress = Progress::Done;
            QCOMPARE(list.Replace(), StoreResult::Done);
        } else if (before == "gone") {
            QCOMPARE(list.Remove(), StoreResult::Done);
        }
        window.Pane().FillList();
        int editorsOpened = 0;
        QTimer editorWatch;
        connect(&editorWatch, &QTimer::timeout, [&editorsOpened] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++editorsOpened;
                dialog->reject();
            }
        });
        editorWatch.start(10);
        window.show();
        const QString caption = window.windowTitle();
        const int rows = window.ListView()->RowCount();
        if (way != "started") {
            QTRY_COMPARE(bus.NotifyCalls().size(), 2u);
            QCOMPARE(bus.NotifyCalls()[1].summary, QStringLiteral("会議"));
            bus.InvokeAction(kDueId, action);
        }

        if (told) {
            QTRY_COMPARE(messages_.Texts(), QStringList{kSubjectGone});
            QCOMPARE(window.windowTitle(), caption);
            QCOMPARE(window.ListView()->RowCount(), rows);
        } else {
            QTRY_VERIFY(window.ListView()->SelectionMark() >= 0);
            const int row = window.ListView()->SelectionMark();
            QCOMPARE(window.ListView()->CellText(row, 2), QStringLiteral("会議"));
            QVERIFY(window.ListView()->selectionModel()->isRowSelected(row));
            QVERIFY(messages_.Texts().isEmpty());
        }
        QCOMPARE(StandingIn(window, due), after);
        if (closed) {
            QTRY_COMPARE(bus.CloseCalls(), std::vector<uint>{kDueId});
        }
        QCOMPARE(editorsOpened, 0);
        QAction* undo = window.MenuAction(MainDialogIds::kUndoMenuId);
        QCOMPARE(undo->isEnabled(), steps == 1);
        if (steps == 1) {
            QVERIFY(window.windowTitle().startsWith(QLatin1Char('*')));
            undo->trigger();
            QCOMPARE(StandingIn(window, due), before);
            QVERIFY(!undo->isEnabled());
            QVERIFY(!window.Unsaved());
        }
    }

    // The window looks at the subjects once it is painted; it must find the agent there.
    void whileTheAgentRunsTheWindowNotifiesNothing() {
        NotificationBus bus(true);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        AgentOnBus agent(bus);
        QVERIFY(agent.Start());
        QTRY_COMPARE(bus.NotifyCalls().size(), 2u);
        GuardedWindow guarded(messages_, bus, NoProgram());
        guarded.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&guarded.window));
        QTest::qWait(500);
        QCOMPARE(bus.NotifyCalls().size(), 2u);
    }

    void notifyOffEndsTheAgentItStartedAndRemovesItsEntry() {
        NotificationBus bus(true);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().toLocal8Bit());
        const ReminderAgentLink probe(Folder(), QStringLiteral(VESKAT_EXE));
        const QString entry = QString::fromStdString(probe.AutostartFile());
        GuardedWindow guarded(messages_, bus, QStringLiteral(VESKAT_EXE));
        QAction* notify = guarded.window.MenuAction(MainDialogIds::kNotifyMenuId);
        // Ends the agent however the test ends.
        const std::shared_ptr<void> endAgent(nullptr, [notify](void*) {
            if (notify->isChecked()) {
                notify->trigger();
                QTest::qWait(500);
            }
        });
        guarded.window.show();
        QTRY_VERIFY_WITH_TIMEOUT(probe.AgentRuns(), kAgentStartMs);

        notify->trigger();
        QVERIFY(!notify->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(!probe.AgentRuns(), 10000);
        QVERIFY(!QFile::exists(entry));
        QVERIFY(messages_.Texts().isEmpty());
    }

    // Rows: how the row is marked done. The subject due now was notified, so
    // the agent closes it at the mark; the later one's hold is let go at the
    // undo, so that at its time it is notified.
    void aMarkAndItsUndoReachTheRunningAgentAtOnce_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("Space") << "space";
        QTest::newRow("click on the state image") << "click";
    }
    void aMarkAndItsUndoReachTheRunningAgentAtOnce() {
        QFETCH(QString, way);
        WriteDataFiles({Indiv(2024, 5, 15, 12, 30, QStringLiteral("会議"), Progress::Open),
                        Indiv(2024, 5, 15, 18, 0, QStringLiteral("夕方"), Progress::Open)},
                       {});
        NotificationBus bus(true);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        AgentOnBus agent(bus);
        QVERIFY(agent.Start());
        QTRY_COMPARE(bus.NotifyCalls().size(), 2u);
        GuardedWindow guarded(messages_, bus, NoProgram());
        BusWindow& window = guarded.window;
        window.show();
        Activate(&window);
        SubjListView* list = window.ListView();
        const auto mark = [&](const QString& title) {
            const int row = RowOf(window, title);
            QVERIFY(row >= 0);
            list->setFocus();
            list->SelectRow(row);
            if (way == "space") {
                QTest::keyClick(list, Qt::Key_Space);
            } else {
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, StateImageOf(*list, row));
            }
        };
        mark(QStringLiteral("会議"));
        QCOMPARE(StandingIn(window, Indiv(2024, 5, 15, 12, 30, QStringLiteral("会議"), {})),
                 QStringLiteral("done"));
        QTRY_COMPARE(bus.CloseCalls(), std::vector<uint>{kDueId});

        mark(QStringLiteral("夕方"));
        QTest::qWait(200);  // the agent holds it done
        folder_->SetClock(LocalTime::Make(2024, 5, 15, 18, 0, 10));
        window.MenuAction(MainDialogIds::kUndoMenuId)->trigger();
        QTRY_COMPARE(bus.NotifyCalls().size(), 3u);
        QVERIFY(bus.NotifyCalls()[2].summary.contains(QStringLiteral("夕方")));
        QVERIFY(messages_.Texts().isEmpty());
    }

    // Rows: 通知する as the setting file says, and whether an entry is there
    // before the start (an old one, from a program since moved); then whether
    // the entry is there once the window is on the screen.
    void theAutostartEntryFollowsTheSettingAtStart_data() {
        QTest::addColumn<bool>("notify");
        QTest::addColumn<bool>("entryBefore");
        QTest::newRow("on, none: made") << true << false;
        QTest::newRow("on, an old one: made again") << true << true;
        QTest::newRow("off, an old one: removed") << false << true;
        QTest::newRow("off, none: none") << false << false;
    }
    void theAutostartEntryFollowsTheSettingAtStart() {
        QFETCH(bool, notify);
        QFETCH(bool, entryBefore);
        QCOMPARE(WriteNotifySetting(notify, kIniFileName), FileWrite::Written);
        const ReminderAgentLink probe(Folder(), NoProgram());
        const QString entry = QString::fromStdString(probe.AutostartFile());
        QFile::remove(entry);
        if (entryBefore) {
            QVERIFY(QDir().mkpath(QFileInfo(entry).path()));
            WriteFile(entry, "[Desktop Entry]\nType=Application\nExec=/old/veskat --remind x\n");
        }
        NotificationBus bus(true);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        GuardedWindow guarded(messages_, bus, NoProgram());
        guarded.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&guarded.window));
        if (notify) {
            QTRY_VERIFY(ReadFile(entry).contains(NoProgram().toUtf8() + " --remind"));
        } else {
            QTest::qWait(300);
            QVERIFY(!QFile::exists(entry));
        }
        QVERIFY(messages_.Texts().isEmpty());
    }

    // Rows: what the setting file is before the start ("off", or a folder
    // where it should be, which cannot be written); then whether 通知する
    // comes ticked, what the user is told at the turn, and how many
    // notifications come once the window is on the screen.
    void aTurnOfNotifyHoldsForTheRun_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<bool>("told");
        QTest::addColumn<uint>("notified");
        QTest::newRow("off: nothing is sent until turned on") << "off" << false << false << 2u;
        // The choice holds for this run; the user learns that the next one starts as before.
        QTest::newRow("a choice the file cannot keep") << "folder" << true << true << 0u;
    }
    void aTurnOfNotifyHoldsForTheRun() {
        QFETCH(QString, setting);
        QFETCH(bool, ticked);
        QFETCH(bool, told);
        QFETCH(uint, notified);
        if (setting == "off") {
            QCOMPARE(WriteNotifySetting(false, kIniFileName), FileWrite::Written);
        } else {
            QVERIFY(QDir::current().mkdir(QStringLiteral("veskat.ini")));
        }
        NotificationBus bus(true);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        BusWindow window(messages_, bus);
        window.OnInitDialog();
        QAction* notify = window.MenuAction(MainDialogIds::kNotifyMenuId);
        QVERIFY(notify->isCheckable());
        QCOMPARE(notify->isChecked(), ticked);
        QTest::qWait(300);
        QCOMPARE(bus.NotifyCalls().size(), 0u);

        notify->trigger();
        QCOMPARE(notify->isChecked(), !ticked);
        if (told) {
            QCOMPARE(messages_.Texts(),
                     QStringList{QStringLiteral("設定を %1 に保存できませんでした。"
                                                "変更はこのセッションの間だけ有効です。")
                                     .arg(QDir::current().absoluteFilePath("veskat.ini"))});
        } else {
            QCOMPARE(ReadNotifySetting(kIniFileName), !ticked);
            QVERIFY(messages_.Texts().isEmpty());
        }
        window.show();
        if (notified > 0) {
            QTRY_COMPARE(bus.NotifyCalls().size(), std::size_t{notified});
        } else {
            QTest::qWait(300);
            QCOMPARE(bus.NotifyCalls().size(), 0u);
        }
    }

  private:
    QTemporaryDir home_;
};

QTEST_MAIN(ReminderWindowTest)
#include "ReminderWindowTest.moc"
