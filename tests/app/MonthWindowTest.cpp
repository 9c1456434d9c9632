// The month pane in the real main window: 表示 → 月表示 and Ctrl+M show and
// hide it and the choice comes back at the next start from veskat.ini (a
// file that cannot keep it is told); it stands beside the list in a wide
// window and above it in a narrow one, taking its room from the list alone;
// every command on the lists shows in it at once; a click on a day selects in
// the list, a double-click or Enter opens the editor on that day, and a row
// selected in the list shows its day in the pane.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "DialogIndivSubj.h"
#include "FindBar.h"
#include "MonthLink.h"
#include "MonthPane.h"
#include "ResourceIds.h"
#include "SjisCodec.h"
#include "SubjListDlg.h"
#include "SubjListPane.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

using namespace MainDialogIds;

namespace {

// The titles of `day` of the month shown, each after a mark of what the pane
// says of it: "+" not generated yet, "✓" done, "!" overdue.
QStringList TitlesOn(const MonthPane& pane, int day) {
    QStringList titles;
    for (const DayEntry& entry : pane.Sheet().days.at(static_cast<std::size_t>(day - 1)).entries) {
        const QString mark = entry.notGenerated                 ? QStringLiteral("+")
                             : entry.progress == Progress::Done ? QStringLiteral("✓")
                             : entry.overdue                    ? QStringLiteral("!")
                                                                : QString();
        titles << mark + SjisToQString(entry.title);
    }
    return titles;
}

// The rectangle the list and what stands with it take together.
QRect ListRoom(CSubjListDlg& window) {
    QRect room = window.ListView()->geometry();
    if (const FindBar* bar = window.Pane().Find().Bar(); bar != nullptr && bar->isVisible()) {
        room |= bar->geometry();
    }
    return room;
}

}  // namespace

class MonthWindowTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init() {
        EnterFreshFolder();
        WriteDataFiles({Indiv(2024, 5, 10, 10, 0, QStringLiteral("会議"), Progress::Open),
                        Indiv(2024, 5, 20, 9, 0, QStringLiteral("歯医者"), Progress::Open),
                        Indiv(2024, 5, 20, 8, 0, QStringLiteral("朝会"), Progress::Open),
                        Indiv(2024, 5, 25, 9, 0, QStringLiteral("締切"), Progress::Open),
                        Indiv(2024, 6, 3, 9, 0, QStringLiteral("報告"), Progress::Open)},
                       {Rep(Sjis(QStringLiteral("日報")), Progress::NotTracked)});
    }
    void cleanup() { LeaveFolder(); }

    void shownStateSurvivesARestart_data();
    void shownStateSurvivesARestart();
    void aChoiceTheFileCannotKeepIsToldAndHolds();
    void standsBesideWhenWideAboveWhenNarrow();
    void everyCommandShowsInThePane();
    void clickOnADaySelectsInTheList_data();
    void clickOnADaySelectsInTheList();
    void listSelectionShowsItsDay();
    void selectedRowStaysInViewAsThePaneOpens();
    void doubleClickAndEnterOpenTheEditorOnTheDay();

  private:
    // The window opened, the pane shown by its menu entry.
    std::unique_ptr<CSubjListDlg> OpenShown() {
        auto window = OpenWindow(messages_);
        window->MenuAction(kMonthPaneMenuId)->trigger();
        return window;
    }
};

void MonthWindowTest::shownStateSurvivesARestart_data() {
    QTest::addColumn<bool>("byKey");
    QTest::newRow("menu") << false;
    QTest::newRow("Ctrl+M") << true;
}

// Each toggle is read back by a window opened afresh on the same file.
void MonthWindowTest::shownStateSurvivesARestart() {
    QFETCH(bool, byKey);
    for (const bool shown : {true, false, true}) {
        auto window = OpenWindow(messages_);
        QAction* toggle = window->MenuAction(kMonthPaneMenuId);
        QVERIFY(toggle->isCheckable());
        QCOMPARE(toggle->isChecked(), !shown);
        QCOMPARE(window->Month().Pane().isVisible(), !shown);
        if (byKey) {
            Activate(window.get());
            QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
        } else {
            toggle->trigger();
        }
        QCOMPARE(window->Month().Pane().isVisible(), shown);
        QCOMPARE(toggle->isChecked(), shown);
        window->OnExitNoSave();
    }
    QVERIFY(ReadFile(QStringLiteral("veskat.ini")).contains("[Window]\r\nmonthPane=1\r\n"));
    QVERIFY(messages_.Texts().isEmpty());
}

void MonthWindowTest::aChoiceTheFileCannotKeepIsToldAndHolds() {
    QVERIFY(QDir::current().mkdir(QStringLiteral("veskat.ini")));
    auto window = OpenShown();
    QVERIFY(window->Month().Pane().isVisible());
    QCOMPARE(messages_.Texts(),
             QStringList{QStringLiteral("設定を %1 に保存できませんでした。"
                                        "変更はこのセッションの間だけ有効です。")
                             .arg(QDir::current().absoluteFilePath("veskat.ini"))});
}

// Across the width and back, the pane shown as the window is resized and the
// find bar open: the pane takes its room from the list and what stands with
// it, nothing else moves, and hidden it gives all of it back.
void MonthWindowTest::standsBesideWhenWideAboveWhenNarrow() {
    auto window = OpenShown();
    window->Pane().Find().Open();
    const MonthPane& pane = window->Month().Pane();
    const QSize narrow = window->size();
    const QSize wide = narrow + QSize(pane.sizeHint().width() + 20, 200);
    auto* radio = window->Control<QRadioButton>(kIndivRadioId);
    QAction* toggle = window->MenuAction(kMonthPaneMenuId);
    for (const QSize& size : {wide, narrow, wide, narrow}) {
        window->resize(size);
        const bool beside = size == wide;
        QCOMPARE(window->Month().Beside(), beside);
        const QRect list = window->ListView()->geometry();
        const QRect bar = window->Pane().Find().Bar()->geometry();
        const QRect shared = pane.geometry() | ListRoom(*window);
        QVERIFY(!pane.geometry().intersects(list) && !pane.geometry().intersects(bar));
        QCOMPARE(bar.x(), list.x());
        QCOMPARE(bar.width(), list.width());
        QVERIFY(bar.top() > list.bottom() && bar.top() - list.bottom() < 8);
        if (beside) {
            QCOMPARE(pane.y(), list.y());
            QCOMPARE(pane.geometry().bottom(), bar.bottom());
            QVERIFY(list.width() >= pane.width() / 2);
        } else {
            QCOMPARE(pane.x(), list.x());
            QCOMPARE(pane.width(), list.width());
            QVERIFY(pane.geometry().bottom() < list.top() && list.height() > pane.height() / 2);
        }
        QVERIFY(radio->geometry().top() > shared.bottom());

        toggle->trigger();
        QVERIFY(!pane.isVisible());
        QCOMPARE(ListRoom(*window), shared);
        QCOMPARE(window->ListView()->y(), shared.y());
        toggle->trigger();
    }
}

// One step after another on the same window, each read back from the pane
// without a word to it.
void MonthWindowTest::everyCommandShowsInThePane() {
    auto window = OpenShown();
    MonthPane& pane = window->Month().Pane();
    SubjListView* list = window->ListView();
    const auto select = [&](const QString& title) {
        for (int row = 0; row < list->RowCount(); ++row) {
            if (list->CellText(row, 2) == title) {
                list->SelectRow(row);
            }
        }
    };
    struct Step {
        const char* name;
        std::function<void()> run;
        int day;
        QStringList titles;
    };
    const Step steps[] = {
        {"as loaded", [] {}, 20, {"朝会", "歯医者", "+日報"}},
        {"done",
         [&] {
             select(QStringLiteral("歯医者"));
             window->OnToggleDone();
         },
         20,
         {"朝会", "✓歯医者", "+日報"}},
        {"deleted",
         [&] {
             select(QStringLiteral("朝会"));
             messages_.QueueAnswer(MessageAnswer::Yes);
             window->OnDelete();
         },
         20,
         {"✓歯医者", "+日報"}},
        {"undone", [&] { window->OnUndo(); }, 20, {"朝会", "✓歯医者", "+日報"}},
        {"redone", [&] { window->OnRedo(); }, 20, {"✓歯医者", "+日報"}},
        {"before the batch", [] {}, 16, {"+日報"}},
        {"batch",
         [&] {
             messages_.QueueAnswer(MessageAnswer::Yes);
             window->OnBatch();
         },
         16,
         {"日報"}},
        {"batch undone", [&] { window->OnUndo(); }, 16, {"+日報"}},
    };
    for (const Step& step : steps) {
        step.run();
        QVERIFY2(pane.Month() == 5, step.name);
        QVERIFY2(TitlesOn(pane, step.day) == step.titles,
                 qPrintable(
                     QStringLiteral("%1: %2").arg(step.name, TitlesOn(pane, step.day).join(','))));
    }
    QCOMPARE(messages_.UnscriptedQuestions(), 0);
}

void MonthWindowTest::clickOnADaySelectsInTheList_data() {
    QTest::addColumn<int>("day");
    QTest::addColumn<bool>("fromRep");
    QTest::addColumn<QString>("selected");
    QTest::newRow("the day's first by time") << 20 << false << QStringLiteral("朝会");
    QTest::newRow("the day's only one") << 10 << false << QStringLiteral("会議");
    QTest::newRow("nearest before") << 12 << false << QStringLiteral("会議");
    QTest::newRow("nearest after") << 17 << false << QStringLiteral("朝会");
    QTest::newRow("nearest next month") << 31 << false << QStringLiteral("報告");
    QTest::newRow("from the repeating list") << 20 << true << QStringLiteral("朝会");
}

void MonthWindowTest::clickOnADaySelectsInTheList() {
    QFETCH(int, day);
    QFETCH(bool, fromRep);
    QFETCH(QString, selected);
    auto window = OpenShown();
    if (fromRep) {
        window->Pane().ShowMode(SubjKind::Rep);
    }
    MonthPane& pane = window->Month().Pane();
    Activate(window.get());
    pane.setFocus();
    QTest::mouseClick(&pane, Qt::LeftButton, Qt::NoModifier, pane.DayRect(day).center());
    QVERIFY(window->Pane().IndivMode());
    QCOMPARE(SelectedTitle(*window), selected);
    // Shown, though the focus stays in the pane: painted in the colour of a
    // selection in the window in front.
    QVERIFY(pane.hasFocus());
    SubjListView* list = window->ListView();
    const QRect row = list->visualRect(list->model()->index(list->SelectionMark(), 2));
    // As the screen has it, so that a list not painted again shows as it was.
    const auto shown = [&] {
        QTest::qWait(20);
        const QPoint at =
            list->viewport()->mapTo(window.get(), QPoint(row.right() - 2, row.center().y()));
        return window->screen()->grabWindow(window->winId()).toImage().pixelColor(at);
    };
    const QColor highlight = list->palette().color(QPalette::Active, QPalette::Highlight);
    QCOMPARE(shown(), highlight);
    // Gone once the focus goes on to a control that is neither.
    window->Control<QRadioButton>(kIndivRadioId)->setFocus();
    QVERIFY(shown() != highlight);
    // The pane keeps the day clicked, whatever day the list found.
    QCOMPARE(pane.MarkedDay(), day);
    QCOMPARE(pane.Month(), 5);
}

// The row selected at the foot of a full list, before the pane takes its room.
void MonthWindowTest::selectedRowStaysInViewAsThePaneOpens() {
    std::vector<IndivSubj> many;
    for (int day = 1; day <= 28; ++day) {
        many.push_back(Indiv(2024, 5, day, 9, 0, QStringLiteral("会議"), Progress::Open));
    }
    WriteDataFiles(many, {});
    auto window = OpenWindow(messages_);
    SubjListView* list = window->ListView();
    const int foot = list->indexAt(list->viewport()->rect().bottomLeft() - QPoint(0, 4)).row();
    QVERIFY(foot > 0);
    list->SelectRow(foot);
    window->MenuAction(kMonthPaneMenuId)->trigger();
    QVERIFY(!window->Month().Beside());
    const QRect row = list->visualRect(list->model()->index(foot, 0));
    QVERIFY(list->viewport()->rect().contains(row));
}

// By the mouse, which makes a row current before it selects it, and by the keys.
void MonthWindowTest::listSelectionShowsItsDay() {
    auto window = OpenShown();
    const MonthPane& pane = window->Month().Pane();
    SubjListView* list = window->ListView();
    struct Row {
        int row;
        int month;
        int day;
    };
    for (const Row& row : {Row{4, 6, 3}, Row{0, 5, 10}, Row{3, 5, 25}}) {
        const QRect cell = list->visualRect(list->model()->index(row.row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(pane.Month(), row.month);
        QCOMPARE(pane.MarkedDay(), row.day);
    }
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(pane.Month(), 6);
    QCOMPARE(pane.MarkedDay(), 3);
}

// The editor comes up on the day and adds there; Enter acts on the marked day.
void MonthWindowTest::doubleClickAndEnterOpenTheEditorOnTheDay() {
    auto window = OpenShown();
    MonthPane& pane = window->Month().Pane();
    QString opened;
    const auto onEditor = [&](bool add) {
        WhenEditorShown<CDialogIndivSubj>(this, [&opened, add](CDialogIndivSubj& editor) {
            opened = editor.Control<QLineEdit>(IndivEditorIds::kYearEdit)->text() + '/' +
                     editor.Control<QComboBox>(IndivEditorIds::kMonthList)->currentText() + '/' +
                     editor.Control<QComboBox>(IndivEditorIds::kDayList)->currentText();
            if (add) {
                Retype(editor.Control<QLineEdit>(IndivEditorIds::kTitleEdit),
                       QStringLiteral("通院"));
                PressOk(editor);
            }
        });
    };
    onEditor(true);
    QTest::mouseDClick(&pane, Qt::LeftButton, Qt::NoModifier, pane.DayRect(22).center());
    QCOMPARE(opened, QStringLiteral("2024/05/22"));
    QCOMPARE(TitlesOn(pane, 22), (QStringList{QStringLiteral("通院"), QStringLiteral("+日報")}));
    QCOMPARE(SelectedTitle(*window), QStringLiteral("通院"));

    window->Pane().ShowMode(SubjKind::Rep);
    Activate(window.get());
    pane.setFocus();
    QTest::keyClick(&pane, Qt::Key_Right);
    onEditor(false);
    QTest::keyClick(&pane, Qt::Key_Return);
    QCOMPARE(opened, QStringLiteral("2024/05/23"));
    QVERIFY(window->Pane().IndivMode());
}

QTEST_MAIN(MonthWindowTest)
#include "MonthWindowTest.moc"
