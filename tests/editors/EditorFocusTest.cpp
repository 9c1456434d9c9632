// Where the editors take the keyboard as they open, also where the screen is
// too small for them and they scroll: a new subject in its title, so that
// Ctrl+N, a title and Enter store that title; an edit on OK.
#include <QTest>

#include "DialogIndivSubj.h"
#include "DialogRepSubj.h"
#include "EditorTestSupport.h"
#include "ScriptedMessageService.h"

class EditorFocusTest : public QObject {
    Q_OBJECT

    ScriptedMessageService messages_;
    IndivSubjList indivs_;
    RepSubjList reps_;

    // Opens `dialog`, types "gym" and Enter wherever the focus is, and gives
    // the exec() result; `focused` is where the focus was.
    int TypeAtOnce(SubjEditorDlg& dialog, QWidget*& focused) {
        return RunDialog(dialog, [&] {
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            focused = QApplication::focusWidget();
            QTest::keyClicks(focused, QStringLiteral("gym"));
            QTest::keyClick(focused, Qt::Key_Return);
        });
    }

  private slots:
    void newSubjectStartsInItsTitle() {
        QWidget* focused = nullptr;
        CDialogIndivSubj indiv(EditorMode::New, messages_);
        indiv.list = &indivs_;
        QCOMPARE(TypeAtOnce(indiv, focused), kIdOk);
        QCOMPARE(focused, indiv.Control<QWidget>(IndivEditorIds::kTitleEdit));
        QCOMPARE(indivs_.current.title, std::string("gym"));

        CDialogRepSubj rep(EditorMode::New, messages_);
        rep.list = &reps_;
        messages_.QueueAnswer(MessageAnswer::Yes);  // it has no rule yet
        QCOMPARE(TypeAtOnce(rep, focused), kIdOk);
        QCOMPARE(focused, rep.Control<QWidget>(RepEditorIds::kTitleEdit));
        QCOMPARE(reps_.current.title, std::string("gym"));
    }

    void editStartsOnOk() {
        reps_.current = RepSubj{};
        reps_.current.title = "walk";
        reps_.current.monthlyDay = 3;
        QCOMPARE(reps_.Insert(), StoreResult::Done);
        CDialogRepSubj dialog(EditorMode::Edit, messages_);
        dialog.list = &reps_;
        QWidget* focused = nullptr;
        QCOMPARE(TypeAtOnce(dialog, focused), kIdOk);
        QCOMPARE(focused, dialog.Control<QWidget>(kIdOk));
        QCOMPARE(reps_.current.title, std::string("walk"));
    }
};

QTEST_MAIN(EditorFocusTest)
#include "EditorFocusTest.moc"
