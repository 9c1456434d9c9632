// The repeating-subject editor driven through its controls: new and edit
// modes, the rules as stored values, the rename that relinks generated
// individual subjects, and the refusals that touch nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "Clock.h"
#include "DialogRepSubj.h"
#include "EditorTestSupport.h"
#include "ScriptedMessageService.h"

using namespace RepEditorIds;

namespace {

const QString kKeyTaken = QStringLiteral("案件は既に存在します。");
const QString kNoRule = QStringLiteral("繰り返しの条件がありません。このまま登録しますか？");

RepSubj Rep(const std::string& title) {
    RepSubj subj;
    subj.title = title;
    subj.hour = 7;
    subj.minute = 45;
    subj.progress = Progress::Open;
    subj.monthlyDay = 15;
    subj.weekly = {0, 1, 0, 0, 1, 0, 0};
    subj.content = "rep<br>content";
    return subj;
}

IndivSubj Generated(int day, const std::string& title, const std::string& origin,
                    Progress progress) {
    IndivSubj subj;
    subj.year = 2024;
    subj.month = 3;
    subj.day = static_cast<std::int16_t>(day);
    subj.title = title;
    subj.origin = origin;
    subj.progress = progress;
    return subj;
}

template <class List, class Subj>
void Store(List& list, const Subj& subj) {
    list.current = subj;
    QCOMPARE(list.Insert(), StoreResult::Done);
}

std::optional<RepSubj> Stored(RepSubjList& list, const std::string& title) {
    list.current = RepSubj{};
    list.current.title = title;
    if (list.Find() != StoreResult::Done) {
        return std::nullopt;
    }
    return list.current;
}

// Title and origin of every individual subject, in key order.
std::vector<std::pair<std::string, std::string>> Origins(IndivSubjList& list) {
    std::vector<std::pair<std::string, std::string>> origins;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        origins.emplace_back(list.current.title, list.current.origin);
    }
    return origins;
}

}  // namespace

class RepEditorTest : public QObject {
    Q_OBJECT

    ScriptedMessageService messages_;
    RepSubjList reps_;
    IndivSubjList indivs_;
    std::optional<ScopedClock> clock_;

    int Edit(const std::string& title, CDialogRepSubj& dialog,
             const std::function<void()>& script) {
        dialog.list = &reps_;
        dialog.indivList = &indivs_;
        reps_.current = RepSubj{};
        reps_.current.title = title;
        return RunDialog(dialog, script);
    }

    void StoreGenerated() {
        Store(indivs_, Generated(1, "A", "A", Progress::Open));
        Store(indivs_, Generated(2, "A", "A", Progress::Done));
        Store(indivs_, Generated(3, "A", "A", Progress::NotTracked));
        Store(indivs_, Generated(4, "other", "other", Progress::Done));
        Store(indivs_, Generated(5, "by hand", "", Progress::Open));
    }

  private slots:
    void init() {
        messages_.Clear();
        Clear(reps_);
        Clear(indivs_);
        clock_.emplace(LocalTime::Make(2024, 3, 5, 12));
    }
    void cleanup() { clock_.reset(); }

    void shouldOpenNewSubjectEmptyAndStoreItsRules() {
        CDialogRepSubj dialog(EditorMode::New, messages_);
        dialog.list = &reps_;
        const int result = RunDialog(dialog, [&] {
            QVERIFY(dialog.Control<QLineEdit>(kTitleEdit)->text().isEmpty());
            QVERIFY(dialog.Control<QPlainTextEdit>(kContentEdit)->toPlainText().isEmpty());
            QCOMPARE(dialog.Control<QComboBox>(kHourList)->currentText(), QStringLiteral("00"));
            QCOMPARE(dialog.Control<QComboBox>(kMinuteList)->currentText(), QStringLiteral("00"));
            QCOMPARE(dialog.Control<QComboBox>(kProgressList)->currentText(),
                     QStringLiteral("管理しない"));
            QCOMPARE(dialog.Control<QComboBox>(kProgressList)->count(), 2);
            for (int id : {kYearlyMonthList, kYearlyDayList, kMonthlyDayList, kMonthlyWeekList,
                           kMonthlyWeekdayList}) {
                QCOMPARE(dialog.Control<QComboBox>(id)->currentText(), QStringLiteral("未"));
            }
            for (int id : kWeekdayBoxes) {
                QVERIFY(!dialog.Control<QCheckBox>(id)->isChecked());
            }
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("ゴミ出し"));
            Choose(dialog.Control<QComboBox>(kHourList), 6);
            Choose(dialog.Control<QComboBox>(kMinuteList), 30);
            Choose(dialog.Control<QComboBox>(kProgressList), 1);
            Choose(dialog.Control<QComboBox>(kYearlyMonthList), 12);
            Choose(dialog.Control<QComboBox>(kYearlyDayList), 31);
            Choose(dialog.Control<QComboBox>(kMonthlyWeekList), 5);
            Choose(dialog.Control<QComboBox>(kMonthlyWeekdayList), 7);                       // 日
            QTest::mouseClick(dialog.Control<QCheckBox>(kWeekdayBoxes[0]), Qt::LeftButton);  // 月
            QTest::mouseClick(dialog.Control<QCheckBox>(kWeekdayBoxes[6]), Qt::LeftButton);  // 日
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        const RepSubj stored = *Stored(reps_, Sjis(QStringLiteral("ゴミ出し")));
        QCOMPARE(stored.hour, 6);
        QCOMPARE(stored.minute, 30);
        QCOMPARE(stored.progress, Progress::Open);
        QCOMPARE(stored.yearlyMonth, 12);
        QCOMPARE(stored.yearlyDay, 31);
        QCOMPARE(stored.monthlyDay, 0);
        QCOMPARE(stored.monthlyWeek, 5);
        QCOMPARE(stored.monthlyWeekday, 7);
        QCOMPARE(stored.weekly, (std::array<std::uint8_t, 7>{1, 0, 0, 0, 0, 0, 1}));
    }

    void shouldRefuseTakenTitleForNewSubject() {
        Store(reps_, Rep("A"));
        CDialogRepSubj dialog(EditorMode::New, messages_);
        dialog.list = &reps_;
        const int result = RunDialog(dialog, [&] {
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("A"));
            Choose(dialog.Control<QComboBox>(kMonthlyDayList), 1);
            PressOk(dialog);
            QVERIFY(dialog.isVisible());
        });
        QCOMPARE(result, kIdCancel);
        QCOMPARE(messages_.Texts(), QStringList{kKeyTaken});
        QCOMPARE(Count(reps_), 1);
        QCOMPARE(Stored(reps_, "A")->monthlyDay, 15);
    }

    // A subject none of whose rules gives a day would never be generated: OK
    // asks first, No by default, and No stores nothing. Edits ask as well.
    void shouldAskBeforeStoringASubjectNoRuleGenerates_data() {
        QTest::addColumn<int>("list");  // a drop-down list to set to its item 1, or 0
        QTest::addColumn<bool>("asked");
        QTest::newRow("no rule") << 0 << true;
        QTest::newRow("a month without its day") << int{kYearlyMonthList} << true;
        QTest::newRow("a day of the month") << int{kMonthlyDayList} << false;
    }
    void shouldAskBeforeStoringASubjectNoRuleGenerates() {
        QFETCH(int, list);
        QFETCH(bool, asked);
        for (const EditorMode mode : {EditorMode::New, EditorMode::Edit}) {
            for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
                init();
                RepSubj before = Rep("A");
                before.monthlyDay = 0;
                before.weekly = {1, 0, 0, 0, 0, 0, 0};
                Store(reps_, before);
                messages_.QueueAnswer(answer);
                CDialogRepSubj dialog(mode, messages_);
                dialog.list = &reps_;
                const int result = Edit("A", dialog, [&] {
                    if (mode == EditorMode::New) {
                        Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("B"));
                    }
                    dialog.Control<QCheckBox>(kWeekdayBoxes[0])->setChecked(false);
                    if (list != 0) {
                        Choose(dialog.Control<QComboBox>(list), 1);
                    }
                    PressOk(dialog);
                });
                const bool stored = !asked || answer == MessageAnswer::Yes;
                QCOMPARE(result, stored ? kIdOk : kIdCancel);
                QCOMPARE(messages_.Texts(), asked ? QStringList{kNoRule} : QStringList{});
                if (asked) {
                    QCOMPARE(messages_.History().front().buttons, MessageButtons::YesNoDefaultNo);
                }
                const RepSubj now = *Stored(reps_, "A");
                QCOMPARE(Count(reps_), mode == EditorMode::New && stored ? 2 : 1);
                QCOMPARE(now.weekly[0], mode == EditorMode::Edit && stored ? 0 : 1);
            }
        }
    }

    void shouldReplaceInPlaceWhenOnlyRulesChange() {
        Store(reps_, Rep("A"));
        StoreGenerated();
        const auto origins = Origins(indivs_);
        CDialogRepSubj dialog(EditorMode::Edit, messages_);
        const int result = Edit("A", dialog, [&] {
            QCOMPARE(dialog.Control<QComboBox>(kHourList)->currentText(), QStringLiteral("07"));
            QCOMPARE(dialog.Control<QComboBox>(kMinuteList)->currentText(), QStringLiteral("45"));
            QCOMPARE(dialog.Control<QComboBox>(kProgressList)->currentText(),
                     QStringLiteral("未処理"));
            QCOMPARE(dialog.Control<QComboBox>(kMonthlyDayList)->currentText(),
                     QStringLiteral("15"));
            QVERIFY(dialog.Control<QCheckBox>(kWeekdayBoxes[1])->isChecked());
            QVERIFY(dialog.Control<QCheckBox>(kWeekdayBoxes[4])->isChecked());
            QCOMPARE(dialog.Control<QPlainTextEdit>(kContentEdit)->toPlainText(),
                     QStringLiteral("rep\ncontent"));
            Choose(dialog.Control<QComboBox>(kMonthlyDayList), 0);
            Choose(dialog.Control<QComboBox>(kMonthlyWeekdayList), 1);  // 月
            QTest::mouseClick(dialog.Control<QCheckBox>(kWeekdayBoxes[1]), Qt::LeftButton);
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QVERIFY(!dialog.KeyChanged());
        const RepSubj stored = *Stored(reps_, "A");
        QCOMPARE(stored.monthlyDay, 0);
        QCOMPARE(stored.monthlyWeekday, 1);
        QCOMPARE(stored.weekly, (std::array<std::uint8_t, 7>{0, 0, 0, 0, 1, 0, 0}));
        QCOMPARE(stored.content, Rep("A").content);
        QCOMPARE(Origins(indivs_), origins);
    }

    void shouldRelinkGeneratedSubjectsOnRename() {
        Store(reps_, Rep("A"));
        StoreGenerated();
        CDialogRepSubj dialog(EditorMode::Edit, messages_);
        const int result = Edit("A", dialog, [&] {
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("B "));
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QVERIFY(dialog.KeyChanged());
        QCOMPARE(reps_.current.title, std::string("B"));
        QCOMPARE(Count(reps_), 1);
        QVERIFY(!Stored(reps_, "A"));
        const RepSubj renamed = *Stored(reps_, "B");
        QCOMPARE(renamed.monthlyDay, 15);
        QCOMPARE(renamed.content, Rep("A").content);
        using Pairs = std::vector<std::pair<std::string, std::string>>;
        QCOMPARE(Origins(indivs_),
                 (Pairs{{"A", "B"}, {"A", "B"}, {"A", "B"}, {"other", "other"}, {"by hand", ""}}));
        // Deleting B later still reaches what A generated: done and not-tracked go.
        static_cast<void>(indivs_.RemoveGenerated("B"));
        QCOMPARE(Origins(indivs_), (Pairs{{"A", "B"}, {"other", "other"}, {"by hand", ""}}));
    }

    void shouldRefuseRenameOntoTakenTitleTouchingNothing() {
        Store(reps_, Rep("A"));
        RepSubj other = Rep("other");
        other.hour = 1;
        Store(reps_, other);
        StoreGenerated();
        const auto origins = Origins(indivs_);
        CDialogRepSubj dialog(EditorMode::Edit, messages_);
        const int result = Edit("A", dialog, [&] {
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("other"));
            Choose(dialog.Control<QComboBox>(kHourList), 20);
            PressOk(dialog);
            QVERIFY(dialog.isVisible());
            QVERIFY(!dialog.KeyChanged());
            QCOMPARE(Origins(indivs_), origins);
            QCOMPARE(Stored(reps_, "other")->hour, 1);
            QCOMPARE(Stored(reps_, "A")->hour, 7);
            // Trying again from the refused state renames A, not "other".
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("C"));
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QCOMPARE(messages_.Texts(), QStringList{kKeyTaken});
        QCOMPARE(Count(reps_), 2);
        QCOMPARE(Stored(reps_, "other")->hour, 1);
        QCOMPARE(Stored(reps_, "C")->hour, 20);
        using Pairs = std::vector<std::pair<std::string, std::string>>;
        QCOMPARE(Origins(indivs_),
                 (Pairs{{"A", "C"}, {"A", "C"}, {"A", "C"}, {"other", "other"}, {"by hand", ""}}));
    }

    void shouldRefuseTitleChangedOnlyByTrailingBlanks() {
        Store(reps_, Rep("A"));
        StoreGenerated();
        const auto origins = Origins(indivs_);
        CDialogRepSubj dialog(EditorMode::Edit, messages_);
        const int result = Edit("A", dialog, [&] {
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("A "));
            PressOk(dialog);
            QVERIFY(dialog.isVisible());
        });
        QCOMPARE(result, kIdCancel);
        QCOMPARE(messages_.Texts(), QStringList{kKeyTaken});
        QCOMPARE(Count(reps_), 1);
        QCOMPARE(Origins(indivs_), origins);
    }

    void shouldKeepBytesOfUntouchedTitleAndRefuseUnencodable() {
        const std::string title = "\x87\x90\xED\x40";
        Store(reps_, Rep(title));
        CDialogRepSubj dialog(EditorMode::Edit, messages_);
        const int result = Edit(title, dialog, [&] {
            Paste(dialog.Control<QPlainTextEdit>(kContentEdit), QStringLiteral("\U0001F600"));
            PressOk(dialog);
            QVERIFY(dialog.isVisible());
            QCOMPARE(messages_.Texts(),
                     QStringList{QStringLiteral("保存できない文字が含まれています。")});
            Retype(dialog.Control<QPlainTextEdit>(kContentEdit), QStringLiteral("ok"));
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QVERIFY(!dialog.KeyChanged());
        QCOMPARE(Count(reps_), 1);
        QCOMPARE(Stored(reps_, title)->content, std::string("ok"));
    }
};

QTEST_MAIN(RepEditorTest)
#include "RepEditorTest.moc"
