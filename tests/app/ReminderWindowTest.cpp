// The main window's reminders through python3-dbusmock's notification service
// on a private bus: the summary at start-up, an action on a due subject
// selecting its row (from the repeating list too; 完了にする opening its
// editor), and 設定 → 通知する off sending nothing until turned on.
#include <QAction>
#include <QLineEdit>
#include <QRadioButton>

#include "ConnectSettings.h"
#include "DialogIndivSubj.h"
#include "NotificationBus.h"
#include "ReminderSettings.h"
#include "ResourceIds.h"
#include "SubjListPane.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

namespace {

// The mock numbers its notifications from 1: the summary, then the due subject.
constexpr uint kDueId = 2;

class BusWindow : public CSubjListDlg {
  public:
    BusWindow(MessageService& messages, const NotificationBus& bus)
        : CSubjListDlg(messages), bus_(bus) {}

  protected:
    QDBusConnection ReminderBus() const override { return bus_.Connection(); }

  private:
    const NotificationBus& bus_;
};

}  // namespace

class ReminderWindowTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init() {
        EnterFreshFolder();
        // The clock stands at 2024/05/15 12:30:20: one subject due now, one overdue.
        WriteDataFiles({Indiv(2024, 5, 14, 9, 0, QStringLiteral("昨日"), Progress::Open),
                        Indiv(2024, 5, 15, 12, 30, QStringLiteral("会議"), Progress::Open),
                        Indiv(2024, 5, 20, 8, 0, QStringLiteral("来週"), Progress::Open)},
                       {Rep("rep", Progress::Open)});
    }
    void cleanup() { LeaveFolder(); }

    void anActionSelectsTheDueSubjectsRow_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("edited");  // the title in the editor it opened
        QTest::newRow("開く") << "open"
                              << "";
        QTest::newRow("完了にする") << "done"
                                    << "会議";
    }
    void anActionSelectsTheDueSubjectsRow() {
        QFETCH(QString, action);
        QFETCH(QString, edited);
        NotificationBus bus(true);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        BusWindow window(messages_, bus);
        window.OnInitDialog();
        window.show();
        QTRY_COMPARE(bus.NotifyCalls().size(), 2u);
        QCOMPARE(bus.NotifyCalls()[0].summary, QStringLiteral("今日の案件 1 件、期限切れ 1 件"));
        QCOMPARE(bus.NotifyCalls()[1].summary, QStringLiteral("会議"));

        // The repeating list is shown when the action comes.
        window.Control<QRadioButton>(MainDialogIds::kRepRadioId)->click();
        QVERIFY(window.Pane().RepMode());
        // The editor opens inside the wait for the action, and is closed from there.
        QString editedTitle;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&editedTitle] {
            if (auto* editor = qobject_cast<CDialogIndivSubj*>(QApplication::activeModalWidget())) {
                editedTitle = editor->Control<QLineEdit>(IndivEditorIds::kTitleEdit)->text();
                editor->reject();
            }
        });
        closer.start(10);
        bus.InvokeAction(kDueId, action);
        QTRY_VERIFY(window.Pane().IndivMode());
        QTRY_COMPARE(editedTitle, edited);
        const int row = window.ListView()->SelectionMark();
        QCOMPARE(window.ListView()->CellText(row, 2), QStringLiteral("会議"));
        QVERIFY(window.ListView()->selectionModel()->isRowSelected(row));
    }

    void turnedOffNothingIsSentUntilTurnedOn() {
        QCOMPARE(WriteNotifySetting(false, kIniFileName), FileWrite::Written);
        NotificationBus bus(true);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        BusWindow window(messages_, bus);
        window.OnInitDialog();
        QAction* notify = window.MenuAction(MainDialogIds::kNotifyMenuId);
        QVERIFY(notify->isCheckable() && !notify->isChecked());
        QTest::qWait(300);
        QCOMPARE(bus.NotifyCalls().size(), 0u);

        notify->trigger();
        QVERIFY(ReadNotifySetting(kIniFileName));
        QTRY_COMPARE(bus.NotifyCalls().size(), 2u);
    }

    // The choice holds for this run; the user learns that the next one starts as before.
    void aChoiceTheFileCannotKeepIsToldAndHoldsForNow() {
        QVERIFY(QDir::current().mkdir(QStringLiteral("veskat.ini")));
        NotificationBus bus(true);
        QVERIFY2(bus.Error().isEmpty(), qPrintable(bus.Error()));
        BusWindow window(messages_, bus);
        window.OnInitDialog();
        QAction* notify = window.MenuAction(MainDialogIds::kNotifyMenuId);
        notify->trigger();
        QVERIFY(!notify->isChecked());
        QCOMPARE(messages_.Texts(),
                 QStringList{QStringLiteral("設定を %1 に保存できませんでした。"
                                            "変更はこのセッションの間だけ有効です。")
                                 .arg(QDir::current().absoluteFilePath("veskat.ini"))});
        window.show();
        QTest::qWait(300);
        QCOMPARE(bus.NotifyCalls().size(), 0u);
    }
};

QTEST_MAIN(ReminderWindowTest)
#include "ReminderWindowTest.moc"
