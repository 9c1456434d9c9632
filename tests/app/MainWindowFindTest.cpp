// Finding subjects and opening on today in the main window: the find bar
// narrows the rows by title or content, full-width and half-width alike, the
// rows it shows are edited and deleted by their exact bytes, a batch keeps the
// filter and Esc ends it; the list opens scrolled to today, selecting nothing,
// and its rows and overdue line follow the clock while the window is open.
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <optional>

#include "DialogIndivSubj.h"
#include "FindBar.h"
#include "ScriptedMessageService.h"
#include "SubjListDlg.h"
#include "SubjListPane.h"
#include "SubjListRows.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

namespace {

constexpr int kTitle = 1012, kContent = 1015, kRepRadio = 1006, kIndivRadio = 1005;

// The titles of the rows shown, top to bottom.
QStringList ShownTitles(const SubjListView& list, int column = 2) {
    QStringList titles;
    for (int row = 0; row < list.RowCount(); ++row) {
        if (!list.isRowHidden(row, QModelIndex())) {
            titles << list.CellText(row, column);
        }
    }
    return titles;
}

IndivSubj WithContent(IndivSubj subj, const QString& content) {
    subj.content = Sjis(content);
    return subj;
}

// The row standing at the top of the list's viewport.
int TopRow(const SubjListView& list) {
    return list.indexAt(QPoint(2, 2)).row();
}

}  // namespace

class MainWindowFindTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init() { EnterFreshFolder(); }
    void cleanup() { LeaveFolder(); }

    void findBarNarrowsEditsDeletesAndCloses();
    void listOpensOnToday();
    void listOpensOnTodaysRowCurrentAtAnySize_data();
    void listOpensOnTodaysRowCurrentAtAnySize();
    void listOpensOnTheLastSubjectWhenAllArePast();
    void listOpensOnOverdueSubjectsOrTellsOfThem();
    void kanaOfEitherKindFindEachOtherAndEnterStepsThroughHits();
    void rowsFollowTheClockWhileTheWindowIsOpen();
};

void MainWindowFindTest::findBarNarrowsEditsDeletesAndCloses() {
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, QStringLiteral("ＡＢＣ社と打合せ"), Progress::Open),
                    WithContent(Indiv(2024, 5, 21, 9, 0, QStringLiteral("会議"), Progress::Open),
                                QStringLiteral("議題<br>abc の件")),
                    Indiv(2024, 5, 22, 9, 0, QStringLiteral("ゴミ出し"), Progress::Done),
                    Indiv(2024, 5, 23, 9, 0, QStringLiteral("ｶﾀｶﾅ"), Progress::NotTracked)},
                   {});
    auto window = OpenWindow(messages_);
    Activate(window.get());
    SubjListView* list = window->ListView();
    const int closedHeight = window->height();
    const QRect radioPlace = window->Control<QRadioButton>(kIndivRadio)->geometry();

    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(window->Pane().Find().IsOpen());
    FindBar* bar = window->Pane().Find().Bar();
    QLineEdit* field = bar->Edit();
    QCOMPARE(QApplication::focusWidget(), field);
    QVERIFY(bar->geometry().top() > list->geometry().bottom());
    QVERIFY(window->Control<QRadioButton>(kIndivRadio)->geometry().top() >
            bar->geometry().bottom());
    QCOMPARE(window->height() - closedHeight,
             window->Control<QRadioButton>(kIndivRadio)->y() - radioPlace.y());

    // Half-width letters find full-width ones and content, in any case.
    Type(field, QStringLiteral("aBc"));
    QCOMPARE(ShownTitles(*list), QStringList({"ＡＢＣ社と打合せ", "会議"}));
    Retype(field, QStringLiteral("ＡＢＣ"));
    QCOMPARE(ShownTitles(*list), QStringList({"ＡＢＣ社と打合せ", "会議"}));
    Retype(field, QStringLiteral("カタ"));
    QCOMPARE(ShownTitles(*list), QStringList({"ｶﾀｶﾅ"}));
    Retype(field, QStringLiteral("件"));
    QCOMPARE(ShownTitles(*list), QStringList({"会議"}));

    // Enter in the field selects the first row shown, and the field keeps
    // the focus; Enter in the list edits it.
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), field);
    QCOMPARE(list->SelectionMark(), 1);
    WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
        QCOMPARE(editor.Control<QLineEdit>(kTitle)->text(), QStringLiteral("会議"));
        Retype(editor.Control<QPlainTextEdit>(kContent), QStringLiteral("件名を変えた"));
        PressOk(editor);
    });
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(ShownTitles(*list), QStringList({"会議"}));

    // A batch refills the list and keeps the filter.
    Retype(field, QStringLiteral("ゴミ"));
    messages_.QueueAnswer(MessageAnswer::Yes);
    window->OnBatch();
    QCOMPARE(ShownTitles(*list), QStringList({"ゴミ出し"}));

    // Delete acts on the row shown, found by its own bytes.
    Activate(window.get());
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(list->CellText(list->SelectionMark(), 2), QStringLiteral("ゴミ出し"));
    list->setFocus();
    messages_.QueueAnswer(MessageAnswer::Yes);
    QTest::keyClick(list, Qt::Key_Delete);
    QVERIFY(ShownTitles(*list).isEmpty());

    // Esc closes the bar without asking anything; every row shows again.
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(!window->Pane().Find().IsOpen());
    QCOMPARE(window->height(), closedHeight);
    QCOMPARE(window->Control<QRadioButton>(kIndivRadio)->geometry(), radioPlace);
    QCOMPARE(ShownTitles(*list), QStringList({"ＡＢＣ社と打合せ", "会議", "ｶﾀｶﾅ"}));
    QCOMPARE(messages_.Texts().size(), 2);  // the batch and the delete question

    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    const QByteArray saved = ReadFile(kIndivFileName);
    QVERIFY(saved.contains(Sjis(QStringLiteral("会議\t09\t00\tU\t件名を変えた")).c_str()));
    QVERIFY(!saved.contains(Sjis(QStringLiteral("ゴミ出し")).c_str()));
    QVERIFY(saved.contains(Sjis(QStringLiteral("ｶﾀｶﾅ")).c_str()));
}

// Today is 2024/05/15 12:30: the subject of today at 08:00 is the first one
// dated today or later, whatever its time.
void MainWindowFindTest::listOpensOnToday() {
    std::vector<IndivSubj> subjects;
    for (int day = 1; day <= 28; ++day) {
        for (int month : {3, 4}) {
            subjects.push_back(
                Indiv(2024, month, day, 10, 0, QStringLiteral("過去"), Progress::Done));
        }
    }
    // Done: nothing overdue draws the list back (see the next test).
    subjects.push_back(Indiv(2024, 5, 14, 23, 0, QStringLiteral("昨日"), Progress::Done));
    subjects.push_back(Indiv(2024, 5, 15, 8, 0, QStringLiteral("今朝"), Progress::Open));
    for (int day = 16; day <= 31; ++day) {
        subjects.push_back(Indiv(2024, 5, day, 10, 0, QStringLiteral("これから"), Progress::Open));
    }
    subjects.push_back(Indiv(2024, 7, 1, 10, 0, QStringLiteral("最後"), Progress::Open));
    WriteDataFiles(subjects, {Rep("r", Progress::Open)});
    auto window = OpenWindow(messages_);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    SubjListView* list = window->ListView();
    const int today = 57;
    QCOMPARE(list->CellText(today, 2), QStringLiteral("今朝"));
    QCOMPARE(TopRow(*list), today);
    QVERIFY(list->selectionModel()->selectedRows().isEmpty());
    QCOMPARE(list->SelectionMark(), -1);

    // A mode switch scrolls again: the repeating list from its top, then back.
    list->scrollToTop();
    window->Control<QRadioButton>(kRepRadio)->click();
    QCOMPARE(TopRow(*list), 0);
    window->Control<QRadioButton>(kIndivRadio)->click();
    QCOMPARE(TopRow(*list), today);
    QVERIFY(list->selectionModel()->selectedRows().isEmpty());

    // The find bar keeps the scroll on the first row shown from today on.
    Activate(window.get());
    window->Pane().Find().Open();
    Type(window->Pane().Find().Bar()->Edit(), QStringLiteral("過去"));
    window->Pane().FillList();
    QCOMPARE(list->CellText(TopRow(*list), 2), QStringLiteral("過去"));
}

void MainWindowFindTest::listOpensOnTodaysRowCurrentAtAnySize_data() {
    QTest::addColumn<int>("past");
    QTest::addColumn<int>("coming");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("today only") << 0 << 1;
    QTest::newRow("a page") << 10 << 10;
    QTest::newRow("many") << 2500 << 2500;
}

// Today is 2024/05/15: `past` done subjects a day apart before it, `coming`
// open ones from it on. Today's row stands at the top, current but not
// selected, so the arrow keys start from it.
void MainWindowFindTest::listOpensOnTodaysRowCurrentAtAnySize() {
    QFETCH(int, past);
    QFETCH(int, coming);
    const QDate today(2024, 5, 15);
    std::vector<IndivSubj> subjects;
    for (int day = -past; day < coming; ++day) {
        const QDate date = today.addDays(day);
        subjects.push_back(Indiv(date.year(), date.month(), date.day(), 10, 0,
                                 QStringLiteral("件%1").arg(day),
                                 day < 0 ? Progress::Done : Progress::Open));
    }
    WriteDataFiles(subjects, {});
    auto window = OpenWindow(messages_);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    SubjListView* list = window->ListView();
    QCOMPARE(list->RowCount(), past + coming);
    QVERIFY(list->selectionModel()->selectedRows().isEmpty());
    if (coming == 0) {
        QVERIFY(!list->currentIndex().isValid());
        return;
    }
    QCOMPARE(list->currentIndex().row(), past);
    QCOMPARE(list->CellText(past, 2), QStringLiteral("件0"));
    QVERIFY(list->viewport()->rect().contains(list->visualRect(list->currentIndex())));
    if (coming >= list->RowsInView()) {
        QCOMPARE(TopRow(*list), past);
    }
    if (coming > 1) {
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->SelectionMark(), past + 1);
    }
}

void MainWindowFindTest::listOpensOnTheLastSubjectWhenAllArePast() {
    std::vector<IndivSubj> subjects;
    for (int day = 1; day <= 28; ++day) {
        for (int month : {1, 2, 3}) {
            subjects.push_back(
                Indiv(2023, month, day, 10, 0, QStringLiteral("過去"), Progress::Done));
        }
    }
    WriteDataFiles(subjects, {});
    auto window = OpenWindow(messages_);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    SubjListView* list = window->ListView();
    const QRect last = list->visualRect(list->model()->index(list->RowCount() - 1, 0));
    QVERIFY(TopRow(*list) > 0);
    QVERIFY(list->viewport()->rect().contains(last));
}

// Two months of done subjects, then today and after; `open` adds open ones.
void MainWindowFindTest::listOpensOnOverdueSubjectsOrTellsOfThem() {
    const auto open = [this](const std::vector<IndivSubj>& overdue) {
        std::vector<IndivSubj> subjects = overdue;
        for (int day = 1; day <= 28; ++day) {
            for (int month : {3, 4}) {
                subjects.push_back(
                    Indiv(2024, month, day, 10, 0, QStringLiteral("過去"), Progress::Done));
            }
        }
        for (int day = 15; day <= 31; ++day) {
            subjects.push_back(
                Indiv(2024, 5, day, 10, 0, QStringLiteral("これから"), Progress::Open));
        }
        WriteDataFiles(subjects, {});
        auto window = OpenWindow(messages_);
        Activate(window.get());
        return window;
    };
    {
        // Yesterday's open subject and today's first both show.
        auto window = open({Indiv(2024, 5, 14, 9, 0, QStringLiteral("昨日"), Progress::Open)});
        SubjListView* list = window->ListView();
        QCOMPARE(list->CellText(TopRow(*list), 2), QStringLiteral("昨日"));
        const int today = TopRow(*list) + 1;
        QCOMPARE(list->CellText(today, 0), QStringLiteral("2024/05/15 10:00"));
        QVERIFY(
            list->viewport()->rect().contains(list->visualRect(list->model()->index(today, 0))));
        QCOMPARE(ListLineText(*window), QString());
    }
    // One open since March: too far up to show with today; the line tells of
    // both, and Ctrl+J goes to the earliest.
    auto window = open({Indiv(2024, 3, 1, 9, 0, QStringLiteral("三月"), Progress::Open),
                        Indiv(2024, 5, 14, 9, 0, QStringLiteral("昨日"), Progress::Open)});
    SubjListView* list = window->ListView();
    QCOMPARE(list->CellText(TopRow(*list), 0), QStringLiteral("2024/05/15 10:00"));
    QCOMPARE(ListLineText(*window), QStringLiteral("期限切れ 2 件"));
    const QRect linePlace = window->findChild<QLabel*>(QStringLiteral("overdueLine"))->geometry();
    QCOMPARE(linePlace.left(), list->x());
    QVERIFY(linePlace.bottom() < list->geometry().top());
    QVERIFY(linePlace.top() > window->findChild<QMenuBar*>()->geometry().bottom());
    QTest::keyClick(window.get(), Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(list->SelectionMark(), 0);
    QCOMPARE(list->CellText(0, 2), QStringLiteral("三月"));
    QCOMPARE(TopRow(*list), 0);
    // Deleting it leaves one to tell of.
    messages_.QueueAnswer(MessageAnswer::Yes);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(ListLineText(*window), QStringLiteral("期限切れ 1 件"));
}

void MainWindowFindTest::kanaOfEitherKindFindEachOtherAndEnterStepsThroughHits() {
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, QStringLiteral("ごみ出し"), Progress::Open),
                    Indiv(2024, 5, 21, 9, 0, QStringLiteral("会議"), Progress::Open),
                    Indiv(2024, 5, 22, 9, 0, QStringLiteral("ゴミ箱"), Progress::Open),
                    Indiv(2024, 5, 23, 9, 0, QStringLiteral("粗大ｺﾞﾐ"), Progress::Open),
                    Indiv(2024, 5, 24, 9, 0, QStringLiteral("ヴァイオリン"), Progress::Open)},
                   {});
    auto window = OpenWindow(messages_);
    Activate(window.get());
    SubjListView* list = window->ListView();
    window->Pane().Find().Open();
    QLineEdit* field = window->Pane().Find().Bar()->Edit();
    auto* hits = window->Pane().Find().Bar()->findChild<QLabel*>(QStringLiteral("findHits"));
    const QStringList rubbish{"ごみ出し", "ゴミ箱", "粗大ｺﾞﾐ"};
    for (const char* typed : {"ごみ", "ゴミ", "ｺﾞﾐ", "ゴミ"}) {
        Retype(field, QString::fromUtf8(typed));
        QCOMPARE(ShownTitles(*list), rubbish);
        QCOMPARE(hits->text(), QStringLiteral("3 件"));
        QVERIFY(hits->isVisible());
    }
    Retype(field, QStringLiteral("ゔぁい"));
    QCOMPARE(ShownTitles(*list), QStringList({"ヴァイオリン"}));
    QCOMPARE(hits->text(), QStringLiteral("1 件"));
    Retype(field, QStringLiteral("ごみ"));

    // Enter steps forward through the rows shown, round from the last;
    // Shift+Enter steps back.
    const auto selected = [list] { return list->CellText(list->SelectionMark(), 2); };
    for (const char* next : {"ごみ出し", "ゴミ箱", "粗大ｺﾞﾐ", "ごみ出し"}) {
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(selected(), QString::fromUtf8(next));
    }
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(selected(), QStringLiteral("粗大ｺﾞﾐ"));
    QCOMPARE(QApplication::focusWidget(), field);
    QVERIFY(list->ShowsSelection());

    field->clear();
    QVERIFY(!hits->isVisible());
}

// What each row shows of the clock, by title: its image and its days left.
QStringList ClockCells(const SubjListView& list) {
    QStringList cells;
    for (int row = 0; row < list.RowCount(); ++row) {
        if (list.CellText(row, 1) != QStringLiteral("完了")) {
            cells << list.CellText(row, 2) + QLatin1Char(' ') +
                         QString::number(list.RowImage(row)) + QLatin1Char(' ') +
                         list.CellText(row, 3);
        }
    }
    return cells;
}

// Open (image 1) turns overdue (3) the minute after the subject's own; days left move at
// midnight. The window wakes for those times only, and a clock set back or a sleep that
// skipped them is caught up with at the next look.
void MainWindowFindTest::rowsFollowTheClockWhileTheWindowIsOpen() {
    std::vector<IndivSubj> subjects;
    for (int day = 1; day <= 28; ++day) {
        subjects.push_back(Indiv(2024, 4, day, 10, 0, QStringLiteral("過去"), Progress::Done));
    }
    subjects.push_back(Indiv(2024, 3, 1, 9, 0, QStringLiteral("三月"), Progress::Open));
    subjects.push_back(Indiv(2024, 5, 15, 12, 45, QStringLiteral("歯医者"), Progress::Open));
    subjects.push_back(Indiv(2024, 5, 15, 12, 50, QStringLiteral("済み"), Progress::Done));
    subjects.push_back(Indiv(2024, 5, 15, 18, 0, QStringLiteral("夕方"), Progress::Open));
    subjects.push_back(Indiv(2024, 5, 16, 9, 0, QStringLiteral("明日"), Progress::Open));
    WriteDataFiles(subjects, {});
    auto window = OpenWindow(messages_);
    SubjListView* list = window->ListView();
    DueRefresh& due = window->Pane().Due();
    QCOMPARE(ClockCells(*list),
             QStringList({"三月 3 -75 日", "歯医者 1 0 日", "夕方 1 0 日", "明日 1 1 日"}));
    QCOMPARE(ListLineText(*window), QStringLiteral("期限切れ 1 件"));
    QCOMPARE(due.ChangesAt(), LocalTime::Make(2024, 5, 15, 12, 46));

    folder_->SetClock(LocalTime::Make(2024, 5, 15, 12, 46));
    due.Tick();
    QCOMPARE(ClockCells(*list),
             QStringList({"三月 3 -75 日", "歯医者 3 0 日", "夕方 1 0 日", "明日 1 1 日"}));
    QCOMPARE(due.ChangesAt(), LocalTime::Make(2024, 5, 15, 18, 1));

    // A look before that time changes nothing; a clock set back undoes what had passed.
    folder_->SetClock(LocalTime::Make(2024, 5, 15, 12, 47));
    due.Tick();
    QCOMPARE(list->RowImage(SubjListRows::FirstRowFrom(*list, "2024/05/15 12:45")), 3);
    folder_->SetClock(LocalTime::Make(2024, 5, 15, 12, 40));
    due.Tick();
    QCOMPARE(ClockCells(*list),
             QStringList({"三月 3 -75 日", "歯医者 1 0 日", "夕方 1 0 日", "明日 1 1 日"}));

    // A night's sleep: the next look finds a new day, and the line counts what it made overdue.
    folder_->SetClock(LocalTime::Make(2024, 5, 16, 8, 0));
    due.Tick();
    QCOMPARE(ClockCells(*list),
             QStringList({"三月 3 -76 日", "歯医者 3 -1 日", "夕方 3 -1 日", "明日 1 0 日"}));
    QCOMPARE(ListLineText(*window), QStringLiteral("期限切れ 3 件"));
    QCOMPARE(due.ChangesAt(), LocalTime::Make(2024, 5, 16, 9, 1));

    // Undated rows have nothing to wait for.
    window->Control<QRadioButton>(kRepRadio)->click();
    QCOMPARE(due.ChangesAt(), std::time_t{0});
}

QTEST_MAIN(MainWindowFindTest)
#include "MainWindowFindTest.moc"
