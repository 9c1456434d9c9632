// The editors as a new user meets them: a new subject's editor takes typing in
// its title, the repeating editor is filled with the mouse alone (every click
// sent to the window, where the pointer is, as the window system sends it),
// and a repeating subject that would never be generated is asked about first.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include "Clock.h"
#include "DialogIndivSubj.h"
#include "DialogRepSubj.h"
#include "EditorTestSupport.h"
#include "RuleWords.h"
#include "ScriptedMessageService.h"

using namespace RepEditorIds;

namespace {

const QString kNoRule = QStringLiteral("繰り返しの条件がありません。このまま登録しますか？");

// A left click at the centre of `control`, sent to its window rather than to
// the control: whatever lies on top there takes it. A dialog too big for its
// screen scrolls; the user scrolls the control into view first.
void ClickThroughWindow(QWidget* control) {
    for (QWidget* above = control->parentWidget(); above != nullptr;
         above = above->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(above)) {
            area->ensureWidgetVisible(control);
        }
    }
    QWidget* window = control->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                      control->mapTo(window, control->rect().center()));
}

// Opens `list` with a click and clicks item `item` in the list that opens.
void ChooseByMouse(QComboBox* list, int item) {
    ClickThroughWindow(list);
    QAbstractItemView* view = list->view();
    QTRY_VERIFY(view->isVisible());
    const QModelIndex index = list->model()->index(item, 0);
    view->scrollTo(index);
    QWidget* popup = view->window();
    QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, {},
                      view->viewport()->mapTo(popup, view->visualRect(index).center()));
    QTRY_VERIFY(!view->isVisible());
    QCOMPARE(list->currentIndex(), item);
}

}  // namespace

class EditorByMouseTest : public QObject {
    Q_OBJECT

    ScriptedMessageService messages_;
    RepSubjList reps_;
    IndivSubjList indivs_;
    std::optional<ScopedClock> clock_;

    // Stores `subj` and runs `dialog`, made in edit mode, on it.
    int Edit(const RepSubj& subj, CDialogRepSubj& dialog, const std::function<void()>& script) {
        reps_.current = subj;
        if (reps_.Insert() != StoreResult::Done) {
            return -1;
        }
        dialog.list = &reps_;
        dialog.indivList = &indivs_;
        reps_.current = RepTitled(subj.title);
        return RunDialog(dialog, script);
    }

  private slots:
    void initTestCase() {
        // A drop-down list ignores the release of the click that opened it for a
        // double-click's time; a user's next click comes later than a test's.
        QApplication::setDoubleClickInterval(1);
    }
    void init() {
        messages_.Clear();
        Clear(reps_);
        Clear(indivs_);
        clock_.emplace(LocalTime::Make(2024, 3, 5, 12));
    }
    void cleanup() { clock_.reset(); }

    // Ctrl+N, a title typed at once, Enter: the subject is stored under that
    // title, whichever editor opened.
    void newSubjectTakesTypingInItsTitle() {
        CDialogIndivSubj indiv(EditorMode::New, messages_);
        indiv.list = &indivs_;
        QCOMPARE(RunDialog(indiv,
                           [&] {
                               QVERIFY(QTest::qWaitForWindowActive(&indiv));
                               QWidget* focus = QApplication::focusWidget();
                               QCOMPARE(focus, indiv.Control<QWidget>(IndivEditorIds::kTitleEdit));
                               QTest::keyClicks(focus, QStringLiteral("dentist"));
                               QTest::keyClick(focus, Qt::Key_Return);
                           }),
                 kIdOk);
        QCOMPARE(indivs_.current.title, std::string("dentist"));
        QCOMPARE(Count(indivs_), 1);

        CDialogRepSubj rep(EditorMode::New, messages_);
        rep.list = &reps_;
        messages_.QueueAnswer(MessageAnswer::Yes);
        QCOMPARE(RunDialog(rep,
                           [&] {
                               QVERIFY(QTest::qWaitForWindowActive(&rep));
                               QWidget* focus = QApplication::focusWidget();
                               QCOMPARE(focus, rep.Control<QWidget>(kTitleEdit));
                               QTest::keyClicks(focus, QStringLiteral("gym"));
                               QTest::keyClick(focus, Qt::Key_Return);
                           }),
                 kIdOk);
        QVERIFY(StoredUnder(reps_, RepTitled("gym")));
    }

    // Editing opens on OK, so that Enter confirms what the user came to look at.
    void editingStartsOnOk() {
        RepSubj subj = RepTitled("gym");
        subj.monthlyDay = 3;
        CDialogRepSubj dialog(EditorMode::Edit, messages_);
        QCOMPARE(Edit(subj, dialog,
                      [&] {
                          QVERIFY(QTest::qWaitForWindowActive(&dialog));
                          QCOMPARE(QApplication::focusWidget(), dialog.Control<QWidget>(kIdOk));
                          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                      }),
                 kIdOk);
        QVERIFY(!dialog.KeyChanged());
        QVERIFY(messages_.Texts().isEmpty());
    }

    // Every field of the repeating editor from the mouse; only the title is typed.
    void repeatingEditorIsFilledWithTheMouseAlone() {
        CDialogRepSubj dialog(EditorMode::New, messages_);
        dialog.list = &reps_;
        const int result = RunDialog(dialog, [&] {
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            auto* title = dialog.Control<QLineEdit>(kTitleEdit);
            ClickThroughWindow(title);
            QTest::keyClicks(title, QStringLiteral("rules"));
            const std::pair<int, int> choices[] = {
                {kHourList, 6},         {kMinuteList, 45},        {kProgressList, 1},
                {kYearlyMonthList, 12}, {kYearlyDayList, 31},     {kMonthlyDayList, 15},
                {kMonthlyWeekList, 2},  {kMonthlyWeekdayList, 5},
            };
            for (const auto& [id, item] : choices) {
                ChooseByMouse(dialog.Control<QComboBox>(id), item);
            }
            for (int day : {1, 5}) {  // 火, 土
                auto* box = dialog.Control<QCheckBox>(kWeekdayBoxes[static_cast<std::size_t>(day)]);
                ClickThroughWindow(box);
                QVERIFY(box->isChecked());
            }
            ClickThroughWindow(dialog.Control<QPushButton>(kIdOk));
        });
        QCOMPARE(result, kIdOk);
        QVERIFY(messages_.Texts().isEmpty());
        const RepSubj stored = *StoredUnder(reps_, RepTitled("rules"));
        QCOMPARE(stored.progress, Progress::Open);
        QCOMPARE(QString::fromStdString(RuleWords(stored)),
                 QStringLiteral("毎年 12月31日 06:45、毎月 15日 06:45、毎月 第2金曜 06:45、"
                                "毎週 火・土 06:45"));
    }

    // A subject none of whose rules gives a day is asked about before OK stores
    // it; No keeps the dialog open and the list as it was. Rules that give a
    // day are stored without a word.
    void subjectThatIsNeverGeneratedIsAskedAbout_data() {
        QTest::addColumn<int>("list");  // a drop-down list to set, or 0
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("weekday");  // a weekly box to tick, or -1
        QTest::addColumn<bool>("asked");
        QTest::newRow("no rule") << 0 << 0 << -1 << true;
        QTest::newRow("a month without its day") << int{kYearlyMonthList} << 2 << -1 << true;
        QTest::newRow("a week without its weekday") << int{kMonthlyWeekList} << 1 << -1 << true;
        QTest::newRow("a day of the month") << int{kMonthlyDayList} << 1 << -1 << false;
        QTest::newRow("a weekday") << 0 << 0 << 6 << false;
    }
    void subjectThatIsNeverGeneratedIsAskedAbout() {
        QFETCH(int, list);
        QFETCH(int, item);
        QFETCH(int, weekday);
        QFETCH(bool, asked);
        for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
            messages_.Clear();
            Clear(reps_);
            messages_.QueueAnswer(answer);
            CDialogRepSubj dialog(EditorMode::New, messages_);
            dialog.list = &reps_;
            const int result = RunDialog(dialog, [&] {
                Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("note"));
                if (list != 0) {
                    Choose(dialog.Control<QComboBox>(list), item);
                }
                if (weekday >= 0) {
                    dialog.Control<QCheckBox>(kWeekdayBoxes[static_cast<std::size_t>(weekday)])
                        ->click();
                }
                PressOk(dialog);
            });
            const bool stored = !asked || answer == MessageAnswer::Yes;
            QCOMPARE(result, stored ? kIdOk : kIdCancel);
            QCOMPARE(Count(reps_), stored ? 1 : 0);
            QCOMPARE(messages_.Texts(), asked ? QStringList{kNoRule} : QStringList{});
            if (asked) {
                QCOMPARE(messages_.History().front().buttons, MessageButtons::YesNoDefaultNo);
            }
        }
    }

    // An edit that clears the last rule asks too; No leaves the stored rule.
    void editThatClearsTheRulesIsAskedAbout() {
        RepSubj subj = RepTitled("gym");
        subj.weekly = {1, 0, 0, 0, 0, 0, 0};
        CDialogRepSubj dialog(EditorMode::Edit, messages_);
        QCOMPARE(Edit(subj, dialog,
                      [&] {
                          dialog.Control<QCheckBox>(kWeekdayBoxes[0])->click();
                          PressOk(dialog);
                      }),
                 kIdCancel);
        QCOMPARE(messages_.Texts(), QStringList{kNoRule});
        QCOMPARE(StoredUnder(reps_, RepTitled("gym"))->weekly, subj.weekly);
    }
};

QTEST_MAIN(EditorByMouseTest)
#include "EditorByMouseTest.moc"
