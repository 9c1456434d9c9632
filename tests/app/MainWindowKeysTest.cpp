// The main window without the mouse: Enter and F2 edit the selected row (or
// the focused one when none is selected), Delete deletes it after the
// question, Space marks it done, Ctrl+N and Insert add, Ctrl+S saves,
// all through real key events and checked in the files on disk; the menu
// a right click opens on a row or on empty space; and every way out, which
// asks only while something is unsaved and is never a single key.
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <optional>

#include "DialogIndivSubj.h"
#include "ScriptedMessageService.h"
#include "SubjListDlg.h"
#include "SubjListPane.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

namespace {

constexpr int kAddButton = 1004, kTitle = 1012, kContent = 1015;

const QString kDiscardQuestion = QStringLiteral("保存していない変更を破棄して終了しますか？");

QByteArray IndivLine(const char* date, const QString& title, const char* rest) {
    return QByteArray(date) + '\t' + Sjis(title).c_str() + '\t' + rest + "\r\n";
}

// The popup the window opened, closed again; nullptr when none came up.
QMenu* TakePopup() {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu != nullptr) {
        menu->close();
    }
    return menu;
}

QStringList Texts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator()) {
            texts << action->text() + QLatin1Char('|') + action->shortcut().toString();
        }
    }
    return texts;
}

void RightClick(SubjListView* list, const QPoint& at) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
}

}  // namespace

class MainWindowKeysTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init() {
        EnterFreshFolder();
        WriteDataFiles({Indiv(2024, 5, 20, 9, 0, QStringLiteral("歯医者"), Progress::Open),
                        Indiv(2024, 5, 21, 9, 0, QStringLiteral("会議"), Progress::Open),
                        Indiv(2024, 5, 22, 9, 0, QStringLiteral("ゴミ出し"), Progress::Open)},
                       {});
    }
    void cleanup() { LeaveFolder(); }

    void shouldAddEditDeleteAndSaveFromTheKeyboard();
    void rightClickOffersTheRowsCommandsOrTheWindowsMenu();
    void everyWayOutAsksOnlyWhatItMust_data();
    void everyWayOutAsksOnlyWhatItMust();

  private:
    std::unique_ptr<CSubjListDlg> OpenActiveWindow() {
        auto window = OpenWindow(messages_);
        Activate(window.get());
        return window;
    }
};

void MainWindowKeysTest::shouldAddEditDeleteAndSaveFromTheKeyboard() {
    auto window = OpenActiveWindow();
    SubjListView* list = window->ListView();
    QCOMPARE(window->MenuAction(157)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));

    // Tab into the list makes a row current without selecting it: Enter opens
    // that row, and Delete asks about it; nothing ends the window.
    list->setFocus(Qt::TabFocusReason);
    QCOMPARE(list->ActiveRow(), 0);
    WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
        QCOMPARE(editor.Control<QLineEdit>(kTitle)->text(), QStringLiteral("歯医者"));
    });
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(window->isVisible());
    Activate(window.get());
    list->setFocus(Qt::TabFocusReason);
    messages_.QueueAnswer(MessageAnswer::No);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->RowCount(), 3);
    QCOMPARE(messages_.Texts().size(), 1);
    messages_.Clear();

    // Down selects the next row; Enter edits it.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->SelectionMark(), 1);
    WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
        QCOMPARE(editor.Control<QLineEdit>(kTitle)->text(), QStringLiteral("会議"));
        Retype(editor.Control<QPlainTextEdit>(kContent), QStringLiteral("enter"));
        PressOk(editor);
    });
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(messages_.Texts().isEmpty());

    // F2 edits the selected row wherever the focus is.
    Activate(window.get());
    auto* add = window->Control<QPushButton>(kAddButton);
    add->setFocus();
    WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
        QCOMPARE(editor.Control<QPlainTextEdit>(kContent)->toPlainText(), QStringLiteral("enter"));
        Retype(editor.Control<QPlainTextEdit>(kContent), QStringLiteral("f2"));
        PressOk(editor);
    });
    QTest::keyClick(add, Qt::Key_F2);

    // Delete asks; Yes removes the selected row.
    Activate(window.get());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->SelectionMark(), 0);
    messages_.QueueAnswer(MessageAnswer::Yes);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(messages_.Texts(), QStringList{QStringLiteral("案件を削除します。よろしいですか？")});
    QCOMPARE(list->RowCount(), 2);

    // Ctrl+N adds; Insert opens the same editor.
    WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
        Retype(editor.Control<QLineEdit>(kTitle), QStringLiteral("新規"));
        PressOk(editor);
    });
    QTest::keyClick(list, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(list->RowCount(), 3);
    Activate(window.get());
    bool opened = false;
    WhenEditorShown<CDialogIndivSubj>(this, [&opened](CDialogIndivSubj&) { opened = true; });
    QTest::keyClick(list, Qt::Key_Insert);
    QVERIFY(opened);
    QCOMPARE(list->RowCount(), 3);
    Activate(window.get());

    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(messages_.Texts().size(), 1);
    QCOMPARE(ReadFile(kIndivFileName),
             QByteArray("_VESKAT_I_DAT_VER_1_2_\r\n") +
                 IndivLine("2024\t05\t15", QStringLiteral("新規"), "00\t00\tN\t\t") +
                 IndivLine("2024\t05\t21", QStringLiteral("会議"), "09\t00\tU\tf2\t") +
                 IndivLine("2024\t05\t22", QStringLiteral("ゴミ出し"), "09\t00\tU\t\t"));
}

void MainWindowKeysTest::rightClickOffersTheRowsCommandsOrTheWindowsMenu() {
    auto window = OpenActiveWindow();
    SubjListView* list = window->ListView();
    const QPoint onRow2 = list->visualRect(list->model()->index(2, 2)).center();
    RightClick(list, onRow2);
    QMenu* menu = TakePopup();
    QVERIFY(menu != nullptr);
    QCOMPARE(Texts(*menu), QStringList({"編集(&E)|F2", "削除(&D)|Del", "完了 ⇔ 未処理(&C)|Space"}));
    QCOMPARE(list->SelectionMark(), 2);
    WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
        QCOMPARE(editor.Control<QLineEdit>(kTitle)->text(), QStringLiteral("ゴミ出し"));
    });
    menu->actions().front()->trigger();
    menu->actions().back()->trigger();
    QCOMPARE(list->CellText(2, 1), QStringLiteral("完了"));
    messages_.QueueAnswer(MessageAnswer::Yes);
    menu->actions()[1]->trigger();
    QCOMPARE(list->RowCount(), 2);
    QCOMPARE(list->CellText(1, 2), QStringLiteral("会議"));

    RightClick(list, QPoint(5, list->viewport()->height() - 3));
    menu = TakePopup();
    QVERIFY(menu != nullptr);
    QCOMPARE(menu, window->SystemMenu());
}

void MainWindowKeysTest::everyWayOutAsksOnlyWhatItMust_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("unsaved");  // a subject marked done first
    QTest::addColumn<int>("answer");    // to the one question; 0 for none asked
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<bool>("written");
    const int yes = int(MessageAnswer::Yes), no = int(MessageAnswer::No);
    const int cancel = int(MessageAnswer::Cancel);
    QTest::newRow("Esc, saved") << "esc" << false << 0 << "" << false << false;
    QTest::newRow("Esc, unsaved") << "esc" << true << 0 << "" << false << false;
    QTest::newRow("Esc closes the find bar, then nothing")
        << "escFind" << true << 0 << "" << false << false;
    QTest::newRow("Ctrl+Q, saved") << "ctrlQ" << false << 0 << "" << true << false;
    QTest::newRow("Ctrl+Q, はい") << "ctrlQ" << true << yes << kSaveQuestion << true << true;
    QTest::newRow("Alt+F4, いいえ") << "altF4" << true << no << kSaveQuestion << true << false;
    QTest::newRow("Alt+F4, キャンセル")
        << "altF4" << true << cancel << kSaveQuestion << false << false;
    QTest::newRow("close box, saved") << "closeBox" << false << 0 << "" << true << false;
    QTest::newRow("system menu's Close, キャンセル")
        << "systemClose" << true << cancel << kSaveQuestion << false << false;
    QTest::newRow("保存しないで終了, saved") << "noSave" << false << 0 << "" << true << false;
    QTest::newRow("保存しないで終了, はい")
        << "noSave" << true << yes << kDiscardQuestion << true << false;
    QTest::newRow("保存しないで終了, いいえ")
        << "noSave" << true << no << kDiscardQuestion << false << false;
}

void MainWindowKeysTest::everyWayOutAsksOnlyWhatItMust() {
    QFETCH(QString, way);
    QFETCH(bool, unsaved);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(bool, ends);
    QFETCH(bool, written);
    const QByteArray before = ReadFile(kIndivFileName);
    auto window = OpenActiveWindow();
    SubjListView* list = window->ListView();
    list->setFocus();
    if (unsaved) {
        list->SelectRow(0);
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(window->Unsaved());
    }
    if (answer != 0) {
        messages_.QueueAnswer(MessageAnswer(answer));
    }

    if (way == "esc") {
        QTest::keyClick(list, Qt::Key_Escape);
        QTest::keyClick(list, Qt::Key_Escape);
    } else if (way == "escFind") {
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(window->Pane().Find().IsOpen());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!window->Pane().Find().IsOpen());
        QTest::keyClick(list, Qt::Key_Escape);
    } else if (way == "ctrlQ") {
        QTest::keyClick(list, Qt::Key_Q, Qt::ControlModifier);
    } else if (way == "altF4") {
        QTest::keyClick(list, Qt::Key_F4, Qt::AltModifier);
    } else if (way == "closeBox") {
        window->close();
    } else if (way == "systemClose") {
        const QList<QAction*> entries = window->SystemMenu()->actions();
        const auto close = std::find_if(entries.begin(), entries.end(), [](const QAction* entry) {
            return entry->text() == QStringLiteral("閉じる(&C)");
        });
        QVERIFY(close != entries.end());
        QCOMPARE((*close)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        (*close)->trigger();
    } else if (way == "noSave") {
        window->MenuAction(MainDialogIds::kExitNoSaveMenuId)->trigger();
    }

    QCOMPARE(messages_.Texts(), question.isEmpty() ? QStringList() : QStringList{question});
    if (question == kDiscardQuestion) {
        QCOMPARE(messages_.History().back().buttons, MessageButtons::YesNoDefaultNo);
    }
    QCOMPARE(messages_.PendingAnswers(), std::size_t{0});
    QCOMPARE(window->isVisible(), !ends);
    if (ends) {
        QCOMPARE(window->result(), int(kIdCancel));
    }
    // Staying keeps the change in the list; only はい to the save question writes it.
    QCOMPARE(ReadFile(kIndivFileName) != before, written);
    if (!ends && unsaved) {
        QCOMPARE(list->CellText(0, 1), QStringLiteral("完了"));
        QVERIFY(window->Unsaved());
    }
}

QTEST_MAIN(MainWindowKeysTest)
#include "MainWindowKeysTest.moc"
