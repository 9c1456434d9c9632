// The main window without the mouse: Enter and F2 edit the selected row (or
// the focused one when none is selected), Delete deletes it after the
// question, Space marks it done, Ctrl+N and Insert add, Ctrl+S saves,
// all through real key events and checked in the files on disk; and the menu
// a right click opens on a row or on empty space.
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <optional>

#include "DialogIndivSubj.h"
#include "ScriptedMessageService.h"
#include "SubjListDlg.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

namespace {

constexpr int kAddButton = 1004, kTitle = 1012, kContent = 1015;

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

QTEST_MAIN(MainWindowKeysTest)
#include "MainWindowKeysTest.moc"
