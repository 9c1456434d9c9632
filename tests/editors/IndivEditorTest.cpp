// The individual-subject editor driven through its controls: new and edit
// modes, the move to a new key, the refusals that keep the dialog open, the
// hidden origin, and texts kept byte for byte when the user leaves them alone.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <optional>

#include "Clock.h"
#include "DialogIndivSubj.h"
#include "EditorTestSupport.h"
#include "MemoryGone.h"
#include "ScriptedMessageService.h"

using namespace IndivEditorIds;

namespace {

const QString kKeyTaken = QStringLiteral("案件は既に存在します。");
const QString kNoMemory = QStringLiteral("メモリーが足りないため、案件を登録できませんでした。");

IndivSubj Subj(int year, int month, int day, const std::string& title) {
    IndivSubj subj;
    subj.year = static_cast<std::int16_t>(year);
    subj.month = static_cast<std::int16_t>(month);
    subj.day = static_cast<std::int16_t>(day);
    subj.title = title;
    subj.hour = 9;
    subj.minute = 30;
    subj.progress = Progress::Open;
    return subj;
}

void Store(IndivSubjList& list, const IndivSubj& subj) {
    list.current = subj;
    QCOMPARE(list.Insert(), StoreResult::Done);
}

// The stored subject with the key of `key`, or nullopt.
std::optional<IndivSubj> Stored(IndivSubjList& list, const IndivSubj& key) {
    list.current = key;
    if (list.Find() != StoreResult::Done) {
        return std::nullopt;
    }
    return list.current;
}

}  // namespace

class IndivEditorTest : public QObject {
    Q_OBJECT

    ScriptedMessageService messages_;
    IndivSubjList list_;
    std::optional<ScopedClock> clock_;

    // Runs `dialog`, made in edit mode, on the subject with the key of `key`.
    int Edit(const IndivSubj& key, CDialogIndivSubj& dialog, const std::function<void()>& script) {
        dialog.list = &list_;
        list_.current = IndivSubj{};
        list_.current.year = key.year;
        list_.current.month = key.month;
        list_.current.day = key.day;
        list_.current.title = key.title;
        return RunDialog(dialog, script);
    }

  private slots:
    void init() {
        messages_.Clear();
        Clear(list_);
        clock_.emplace(LocalTime::Make(2024, 3, 5, 14, 30));
    }
    void cleanup() { clock_.reset(); }

    void shouldOpenNewSubjectOnTodayAtMidnightAndInsertIt() {
        CDialogIndivSubj dialog(EditorMode::New, messages_);
        dialog.list = &list_;
        const int result = RunDialog(dialog, [&] {
            QCOMPARE(dialog.Control<QLineEdit>(kYearEdit)->text(), QStringLiteral("2024"));
            QCOMPARE(dialog.Control<QComboBox>(kMonthList)->currentText(), QStringLiteral("03"));
            QCOMPARE(dialog.Control<QComboBox>(kDayList)->currentText(), QStringLiteral("05"));
            QCOMPARE(dialog.Control<QComboBox>(kHourList)->currentText(), QStringLiteral("00"));
            QCOMPARE(dialog.Control<QComboBox>(kMinuteList)->currentText(), QStringLiteral("00"));
            QVERIFY(dialog.Control<QLineEdit>(kTitleEdit)->text().isEmpty());
            QVERIFY(dialog.Control<QPlainTextEdit>(kContentEdit)->toPlainText().isEmpty());
            QCOMPARE(dialog.Control<QComboBox>(kProgressList)->currentText(),
                     QStringLiteral("管理しない"));

            Choose(dialog.Control<QComboBox>(kDayList), 6);
            Choose(dialog.Control<QComboBox>(kHourList), 8);
            Choose(dialog.Control<QComboBox>(kMinuteList), 15);
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("歯医者"));
            auto* content = dialog.Control<QPlainTextEdit>(kContentEdit);
            Retype(content, QStringLiteral("一行目"));
            QTest::keyClick(content, Qt::Key_Return);
            Type(content, QStringLiteral("<br>三行目"));
            Choose(dialog.Control<QComboBox>(kProgressList), 1);
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QVERIFY(messages_.History().empty());
        const std::optional<IndivSubj> stored =
            Stored(list_, Subj(2024, 3, 7, Sjis(QStringLiteral("歯医者"))));
        QVERIFY(stored);
        QCOMPARE(stored->hour, 8);
        QCOMPARE(stored->minute, 15);
        QCOMPARE(stored->progress, Progress::Open);
        QCOMPARE(stored->content, Sjis(QStringLiteral("一行目<br><br>三行目")));
        QVERIFY(stored->origin.empty());
        QCOMPARE(stored->daysLeft, 2);
    }

    void shouldRefuseTakenKeyAndStayOpenThenAcceptAnotherDate() {
        Store(list_, Subj(2024, 3, 5, "dup"));
        CDialogIndivSubj dialog(EditorMode::New, messages_);
        dialog.list = &list_;
        const int result = RunDialog(dialog, [&] {
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("dup"));
            PressOk(dialog);
            QVERIFY(dialog.isVisible());
            QCOMPARE(messages_.Texts(), QStringList{kKeyTaken});
            QCOMPARE(dialog.Control<QLineEdit>(kTitleEdit)->text(), QStringLiteral("dup"));
            Choose(dialog.Control<QComboBox>(kDayList), 5);
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QCOMPARE(Count(list_), 2);
        QCOMPARE(list_.current.day, 6);
        QVERIFY(Stored(list_, Subj(2024, 3, 6, "dup")));
    }

    // Out of memory is no taken key: the user is told what is wrong, and once memory is back
    // the same OK stores what was typed.
    void shouldSayMemoryRanOutAndStoreOnceItIsBack() {
        std::optional<MemoryGone> gone(std::in_place);
        // The nodes the list keeps in reserve go first.
        int filled = 0;
        do {
            list_.current = Subj(2024, 3, 5, "fill " + std::to_string(filled++));
        } while (list_.Insert() != StoreResult::OutOfMemory);
        CDialogIndivSubj dialog(EditorMode::New, messages_);
        dialog.list = &list_;
        const int result = RunDialog(dialog, [&] {
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("歯医者"));
            PressOk(dialog);
            QVERIFY(dialog.isVisible());
            QCOMPARE(messages_.Texts(), QStringList{kNoMemory});
            gone.reset();
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QVERIFY(Stored(list_, Subj(2024, 3, 5, Sjis(QStringLiteral("歯医者")))));
    }

    void shouldAddNothingWhenCancelledAfterRefusal() {
        Store(list_, Subj(2024, 3, 5, "dup"));
        CDialogIndivSubj dialog(EditorMode::New, messages_);
        dialog.list = &list_;
        const int result = RunDialog(dialog, [&] {
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("dup"));
            Choose(dialog.Control<QComboBox>(kProgressList), 2);
            PressOk(dialog);
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QCOMPARE(result, kIdCancel);
        QCOMPARE(Count(list_), 1);
        QCOMPARE(Stored(list_, Subj(2024, 3, 5, "dup"))->progress, Progress::Open);
    }

    void shouldReplaceInPlaceWhenOnlyTimeContentOrProgressChange() {
        IndivSubj subj = Subj(2024, 4, 1, Sjis(QStringLiteral("会議")));
        subj.content = "first<BR>second";
        subj.origin = Sjis(QStringLiteral("週次"));
        Store(list_, subj);
        CDialogIndivSubj dialog(EditorMode::Edit, messages_);
        const int result = Edit(subj, dialog, [&] {
            QCOMPARE(dialog.Control<QLineEdit>(kYearEdit)->text(), QStringLiteral("2024"));
            QCOMPARE(dialog.Control<QComboBox>(kMonthList)->currentText(), QStringLiteral("04"));
            QCOMPARE(dialog.Control<QComboBox>(kHourList)->currentText(), QStringLiteral("09"));
            QCOMPARE(dialog.Control<QComboBox>(kProgressList)->currentText(),
                     QStringLiteral("未処理"));
            QCOMPARE(dialog.Control<QPlainTextEdit>(kContentEdit)->toPlainText(),
                     QStringLiteral("first\nsecond"));
            QCOMPARE(dialog.origin, subj.origin);
            Choose(dialog.Control<QComboBox>(kHourList), 17);
            Choose(dialog.Control<QComboBox>(kProgressList), 2);
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QVERIFY(!dialog.KeyChanged());
        QCOMPARE(Count(list_), 1);
        const IndivSubj stored = *Stored(list_, subj);
        QCOMPARE(stored.hour, 17);
        QCOMPARE(stored.progress, Progress::Done);
        QCOMPARE(stored.content, subj.content);  // untouched: "<BR>" stays as it was
        QCOMPARE(stored.origin, subj.origin);
    }

    void shouldMoveToNewKeyKeepingOrigin() {
        IndivSubj subj = Subj(2024, 4, 1, "old");
        subj.origin = "weekly";
        subj.content = "note";
        Store(list_, subj);
        CDialogIndivSubj dialog(EditorMode::Edit, messages_);
        const int result = Edit(subj, dialog, [&] {
            Choose(dialog.Control<QComboBox>(kMonthList), 4);
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("new  "));
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QVERIFY(dialog.KeyChanged());
        // `current` is the subject as stored: trailing blanks gone, days left worked out.
        const IndivSubj current = list_.current;
        QCOMPARE(Count(list_), 1);
        QVERIFY(!Stored(list_, subj));
        QCOMPARE(current.title, std::string("new"));
        QCOMPARE(current.month, 5);
        QCOMPARE(current.origin, subj.origin);
        QCOMPARE(current.content, subj.content);
        QCOMPARE(current.daysLeft, 57);
        QVERIFY(Stored(list_, Subj(2024, 5, 1, "new")));
    }

    void shouldRefuseMoveOntoAnotherSubjectAndNeverRemoveIt() {
        const IndivSubj a = Subj(2024, 4, 1, "A");
        IndivSubj b = Subj(2024, 4, 2, "A");
        b.content = "B's own";
        Store(list_, a);
        Store(list_, b);
        CDialogIndivSubj dialog(EditorMode::Edit, messages_);
        const int result = Edit(a, dialog, [&] {
            Choose(dialog.Control<QComboBox>(kDayList), 1);
            PressOk(dialog);
            QVERIFY(dialog.isVisible());
            QVERIFY(!dialog.KeyChanged());
            QCOMPARE(messages_.Texts(), QStringList{kKeyTaken});
            // A second try from the refused state moves A, and only A.
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("C"));
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QVERIFY(dialog.KeyChanged());
        QCOMPARE(Count(list_), 2);
        QVERIFY(!Stored(list_, a));
        QCOMPARE(Stored(list_, b)->content, b.content);
        QVERIFY(Stored(list_, Subj(2024, 4, 2, "C")));
    }

    void shouldRefuseTitleChangedOnlyByTrailingBlanks() {
        const IndivSubj subj = Subj(2024, 4, 1, "same");
        Store(list_, subj);
        CDialogIndivSubj dialog(EditorMode::Edit, messages_);
        const int result = Edit(subj, dialog, [&] {
            auto* title = dialog.Control<QLineEdit>(kTitleEdit);
            title->setFocus();
            title->end(false);
            Type(title, QStringLiteral("  "));
            Choose(dialog.Control<QComboBox>(kHourList), 1);
            PressOk(dialog);
            QVERIFY(dialog.isVisible());
        });
        QCOMPARE(result, kIdCancel);
        QCOMPARE(messages_.Texts(), QStringList{kKeyTaken});
        QCOMPARE(Count(list_), 1);
        QCOMPARE(Stored(list_, subj)->hour, 9);
    }

    void shouldKeepStoredBytesOfUntouchedTexts() {
        // 0xED40 and 0x8790 decode to characters that encode again elsewhere
        // (0xFA5C, 0x81E0); the key must not move because the user opened it.
        const std::string title = "\xED\x40\x87\x90 title";
        IndivSubj subj = Subj(2024, 4, 1, title);
        subj.content = "\xED\x40<br>x";
        Store(list_, subj);
        CDialogIndivSubj dialog(EditorMode::Edit, messages_);
        int result = Edit(subj, dialog, [&] {
            Choose(dialog.Control<QComboBox>(kMinuteList), 1);
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QVERIFY(!dialog.KeyChanged());
        QCOMPARE(list_.current.title, title);
        QCOMPARE(Stored(list_, subj)->content, subj.content);
        QCOMPARE(Stored(list_, subj)->minute, 1);

        // Changing the content alone re-encodes the content and keeps the title's bytes.
        CDialogIndivSubj again(EditorMode::Edit, messages_);
        result = Edit(subj, again, [&] {
            auto* content = again.Control<QPlainTextEdit>(kContentEdit);
            content->setFocus();
            content->moveCursor(QTextCursor::End);
            Type(content, QStringLiteral("y"));
            PressOk(again);
        });
        QCOMPARE(result, kIdOk);
        QVERIFY(!again.KeyChanged());
        QCOMPARE(Count(list_), 1);
        QCOMPARE(Stored(list_, subj)->content, std::string("\xFA\x5C<br>xy"));
    }

    void shouldRefuseTextShiftJisCannotHoldAndMapLookAlikes() {
        const IndivSubj subj = Subj(2024, 4, 1, "plain");
        Store(list_, subj);
        CDialogIndivSubj dialog(EditorMode::Edit, messages_);
        const int result = Edit(subj, dialog, [&] {
            Paste(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("x\U0001F600"));
            Choose(dialog.Control<QComboBox>(kHourList), 3);
            PressOk(dialog);
            QVERIFY(dialog.isVisible());
            QCOMPARE(messages_.Texts(),
                     QStringList{QStringLiteral("保存できない文字が含まれています。")});
            QCOMPARE(messages_.History()[0].buttons, MessageButtons::Ok);
            Retype(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("plain"));
            Paste(dialog.Control<QPlainTextEdit>(kContentEdit), QStringLiteral("한국"));
            PressOk(dialog);
            QVERIFY(dialog.isVisible());
            // The wave dash and minus of other desktops have code page 932 forms.
            Retype(dialog.Control<QPlainTextEdit>(kContentEdit), QStringLiteral("1\u301C2\u2212"));
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QCOMPARE(messages_.Texts().size(), 2);
        QCOMPARE(Count(list_), 1);
        QCOMPARE(Stored(list_, subj)->content, std::string("1\x81\x60"
                                                           "2\x81\x7C"));
        QCOMPARE(Stored(list_, subj)->hour, 3);
    }

    void shouldRefuseUnencodableWithoutTouchingTheList() {
        const IndivSubj subj = Subj(2024, 4, 1, "keep");
        Store(list_, subj);
        CDialogIndivSubj dialog(EditorMode::Edit, messages_);
        const int result = Edit(subj, dialog, [&] {
            Choose(dialog.Control<QComboBox>(kDayList), 9);
            Paste(dialog.Control<QLineEdit>(kTitleEdit), QStringLiteral("\u00E9\u4E2D"));
            PressOk(dialog);
        });
        QCOMPARE(result, kIdCancel);
        QCOMPARE(Count(list_), 1);
        QCOMPARE(Stored(list_, subj)->hour, 9);
        QCOMPARE(list_.current.day, 1);
    }

    void shouldKeepYearToFourDigits() {
        CDialogIndivSubj dialog(EditorMode::New, messages_);
        dialog.list = &list_;
        const int result = RunDialog(dialog, [&] {
            auto* year = dialog.Control<QLineEdit>(kYearEdit);
            Retype(year, QStringLiteral("12x3456"));
            QCOMPARE(year->text(), QStringLiteral("1234"));
            Retype(year, QString());
            PressOk(dialog);
        });
        QCOMPARE(result, kIdOk);
        QCOMPARE(list_.current.year, 0);
    }
};

QTEST_MAIN(IndivEditorTest)
#include "IndivEditorTest.moc"
