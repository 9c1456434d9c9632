// ファイル → インポート (iCalendar)... in the real window, with the real file
// dialog and preview driven as a user would: the preview tells what comes and
// what does not, OK adds it as one step that one undo takes back, キャンセル and
// a file that is no calendar change nothing, and no file is written until
// the user saves.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ImportPreviewDlg.h"
#include "ResourceIds.h"
#include "SjisCodec.h"
#include "WindowTestSupport.h"

using namespace MainDialogIds;

namespace {

const QByteArray kCalendar =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
    "BEGIN:VTODO\r\nUID:1\r\nSUMMARY:\xE6\x96\xB0\xE3\x81\x97\xE3\x81\x84\r\n"  // 新しい
    "DUE;VALUE=DATE:20240520\r\nEND:VTODO\r\n"
    "BEGIN:VEVENT\r\nUID:2\r\nSUMMARY:weekly meeting\r\n"
    "DTSTART:20240101T100000\r\nRRULE:FREQ=WEEKLY;BYDAY=TU\r\nEND:VEVENT\r\n"
    "BEGIN:VTODO\r\nUID:3\r\nSUMMARY:saved\r\nDUE:20240516T090000\r\nEND:VTODO\r\n"
    "BEGIN:VJOURNAL\r\nUID:4\r\nSUMMARY:diary\r\nEND:VJOURNAL\r\n"
    "END:VCALENDAR\r\n";

const QStringList kPreview = {
    QStringLiteral("個別案件 1 件と反復案件 1 件を追加します。"),
    QStringLiteral("既にある案件 1 件は、そのままにします。"),
    QStringLiteral("取り込まない項目 1 件:"),
    QStringLiteral("  ToDo でも予定でもない項目 1 件"),
};

// Polls until a modal dialog of type Dialog is up, then runs `script` on it.
template <class Dialog>
void WhenShown(QObject* context, std::function<void(Dialog&)> script) {
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [timer, script] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            script(*dialog);
        }
    });
    timer->start(10);
}

// Picks `path` in the file dialog, as a user would type it and press Enter.
void ChooseFile(QObject* context, const QString& path) {
    WhenShown<QFileDialog>(context, [path](QFileDialog& dialog) {
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    });
}

struct Lists {
    QStringList indiv;
    QStringList rep;
    bool operator==(const Lists&) const = default;
};

Lists Held(CSubjListDlg& window) {
    Lists lists;
    IndivSubjList& indiv = window.IndivList();
    for (StoreResult r = indiv.First(); r == StoreResult::Done; r = indiv.Next()) {
        lists.indiv << SjisToQString(indiv.current.title);
    }
    RepSubjList& rep = window.RepList();
    for (StoreResult r = rep.First(); r == StoreResult::Done; r = rep.Next()) {
        lists.rep << SjisToQString(rep.current.title);
    }
    return lists;
}

}  // namespace

class ImportMenuTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }
    void init() {
        EnterFreshFolder();
        WriteDataFiles({Indiv(2024, 5, 16, 9, 0, QStringLiteral("saved"), Progress::Open)}, {});
        WriteFile(QStringLiteral("in.ics"), kCalendar);
    }
    void cleanup() { LeaveFolder(); }

    void okAddsEverythingAsOneStepAndWritesNothing();
    void cancelInThePreviewChangesNothing();
    void aFileThatIsNoCalendarIsToldAndChangesNothing();
};

void ImportMenuTest::okAddsEverythingAsOneStepAndWritesNothing() {
    const QByteArray indivBefore = ReadFile(kIndivFileName);
    auto window = OpenWindow(messages_);
    const Lists before = Held(*window);
    QStringList shown;
    ChooseFile(this, QDir::current().filePath(QStringLiteral("in.ics")));
    WhenShown<CImportPreviewDlg>(this, [&](CImportPreviewDlg& preview) {
        shown = preview.SummaryText().split(QLatin1Char('\n'));
        preview.Control<QPushButton>(kIdOk)->click();
    });
    window->MenuAction(kImportIcsMenuId)->trigger();

    QCOMPARE(shown, kPreview);
    QVERIFY(messages_.Texts().isEmpty());
    const Lists imported = {{QStringLiteral("saved"), QStringLiteral("新しい")},
                            {QStringLiteral("weekly meeting")}};
    QCOMPARE(Held(*window), imported);
    QCOMPARE(ReadFile(kIndivFileName), indivBefore);
    QVERIFY(window->windowTitle().startsWith(QLatin1Char('*')));
    QAction* undo = window->MenuAction(kUndoMenuId);
    QCOMPARE(undo->text(),
             QStringLiteral("元に戻す(&U)「インポート: 個別案件 1 件、反復案件 1 件」"));

    // One undo takes all of it back, and one redo brings it again.
    window->OnUndo();
    QCOMPARE(Held(*window), before);
    QVERIFY(!window->Unsaved());
    window->OnRedo();
    QCOMPARE(Held(*window), imported);
    QVERIFY(window->OnSave());
    QVERIFY(ReadFile(kIndivFileName).contains("2024\t05\t20\t\x90\x56\x82\xB5\x82\xA2\t00\t00\tU"));
    QVERIFY(ReadFile(kRepFileName).contains("weekly meeting\t00\t00\t00\t0\t0\t0\t1\t0"));
}

void ImportMenuTest::cancelInThePreviewChangesNothing() {
    auto window = OpenWindow(messages_);
    const Lists before = Held(*window);
    bool previewed = false;
    ChooseFile(this, QDir::current().filePath(QStringLiteral("in.ics")));
    WhenShown<CImportPreviewDlg>(this, [&](CImportPreviewDlg& preview) {
        previewed = true;
        preview.Control<QPushButton>(kIdCancel)->click();
    });
    window->MenuAction(kImportIcsMenuId)->trigger();

    QVERIFY(previewed);
    QCOMPARE(Held(*window), before);
    QVERIFY(!window->Unsaved());
    QVERIFY(!window->MenuAction(kUndoMenuId)->isEnabled());
}

void ImportMenuTest::aFileThatIsNoCalendarIsToldAndChangesNothing() {
    WriteFile(QStringLiteral("notes.ics"), "just some notes\r\n");
    auto window = OpenWindow(messages_);
    const Lists before = Held(*window);
    const QString path = QDir::current().filePath(QStringLiteral("notes.ics"));
    ChooseFile(this, path);
    window->MenuAction(kImportIcsMenuId)->trigger();

    QCOMPARE(
        messages_.Texts(),
        QStringList{path + QStringLiteral(
                               " は iCalendar のファイルではありません。何も追加していません。")});
    QCOMPARE(Held(*window), before);
    QVERIFY(!window->Unsaved());
}

QTEST_MAIN(ImportMenuTest)
#include "ImportMenuTest.moc"
