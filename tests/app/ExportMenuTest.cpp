// ファイル → エクスポート (iCalendar)... and (iCalendar 予定)...: the lists as
// the window holds them, unsaved changes included, go to the file the user
// picks, as to-dos or as events; cancelling writes
// nothing, and a file that cannot be written is told. Real files in a fresh
// folder, on the offscreen platform, with the file dialog's answer scripted.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "SjisCodec.h"
#include "WindowTestSupport.h"

namespace {

class ScriptedExportWindow : public CSubjListDlg {
  public:
    using CSubjListDlg::CSubjListDlg;
    QString answer;
    int asked = 0;

  protected:
    QString AskExportFileName() override {
        ++asked;
        return answer;
    }
};

// The entry of the ファイル menu with `text`, or nullptr.
QAction* FileMenuEntry(QWidget& window, const QString& text) {
    auto* bar = window.findChild<QMenuBar*>();
    if (bar == nullptr || bar->actions().isEmpty() || bar->actions().front()->menu() == nullptr) {
        return nullptr;
    }
    for (QAction* action : bar->actions().front()->menu()->actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace

class ExportMenuTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init() { EnterFreshFolder(); }
    void cleanup() { LeaveFolder(); }

    void shouldExportTheListsAsTheyStandToTheFileChosen_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QStringList>("told");
        const QString todos = QStringLiteral("エクスポート (iCalendar)...");
        const QString events = QStringLiteral("エクスポート (iCalendar 予定)...");
        QTest::newRow("to-dos") << todos << "out.ics" << true << QStringList();
        QTest::newRow("events") << events << "out.ics" << true << QStringList();
        QTest::newRow("cancelled") << todos << "" << false << QStringList();
        QTest::newRow("no such folder")
            << events << "missing/out.ics" << false
            << QStringList{QStringLiteral("missing/out.ics に書き込めませんでした。")};
    }
    void shouldExportTheListsAsTheyStandToTheFileChosen() {
        QFETCH(QString, entry);
        QFETCH(QString, answer);
        QFETCH(bool, written);
        QFETCH(QStringList, told);
        WriteDataFiles({Indiv(2024, 5, 20, 9, 0, QStringLiteral("保存済み"), Progress::Open)}, {});
        const QStringList before = folder_->Entries();
        const QByteArray saved = ReadFile(kIndivFileName);

        auto window = OpenWindow<ScriptedExportWindow>(messages_);
        window->answer = answer;
        window->IndivList().current =
            Indiv(2024, 5, 21, 7, 30, QStringLiteral("未保存の案件"), Progress::Done);
        QCOMPARE(window->IndivList().Insert(), StoreResult::Done);
        QAction* action = FileMenuEntry(*window, entry);
        QVERIFY(action != nullptr);
        action->trigger();

        QCOMPARE(window->asked, 1);
        QCOMPARE(messages_.Texts(), told);
        QCOMPARE(ReadFile(kIndivFileName), saved);
        const QByteArray ics = ReadFile("out.ics");
        QCOMPARE(!ics.isEmpty(), written);
        QCOMPARE(folder_->Entries().size(), before.size() + (written ? 1 : 0));
        if (written && entry.contains(QStringLiteral("予定"))) {
            QVERIFY(!ics.contains("BEGIN:VTODO"));
            QVERIFY(ics.contains("SUMMARY:保存済み\r\nX-VESKAT-PROGRESS:U\r\n"));
            QVERIFY(ics.contains("SUMMARY:未保存の案件\r\nX-VESKAT-PROGRESS:C\r\n"));
            QVERIFY(ics.contains("DTSTART;TZID="));
        } else if (written) {
            QVERIFY(!ics.contains("BEGIN:VEVENT"));
            QVERIFY(ics.contains("SUMMARY:保存済み\r\n"));
            QVERIFY(ics.contains("SUMMARY:未保存の案件\r\nSTATUS:COMPLETED\r\n"));
            QVERIFY(ics.contains(":20240521T073000\r\n"));
        }
    }
};

QTEST_MAIN(ExportMenuTest)
#include "ExportMenuTest.moc"
