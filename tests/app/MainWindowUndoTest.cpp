// Taking things back in the real window: every command kind undone and redone from the keyboard
// with the files on disk compared after each save, where the selection goes after each, the
// caption's unsaved mark, and the close question that asks only when something is unsaved and
// whose キャンセル keeps the window.
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "DialogIndivSubj.h"
#include "DialogRepSubj.h"
#include "ResourceIds.h"
#include "SubjListDlg.h"
#include "SubjListPane.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

using namespace MainDialogIds;

namespace {

constexpr int kIndivTitle = 1012;

const QString kIndivCaption = QStringLiteral("個別案件一覧");

struct Files {
    QByteArray indiv;
    QByteArray rep;
    bool operator==(const Files&) const = default;
};

Files OnDisk() {
    return {ReadFile(kIndivFileName), ReadFile(kRepFileName)};
}

QPoint StateImageOf(const SubjListView& list, int row) {
    const QRect cell = list.visualRect(list.model()->index(row, 0));
    return {cell.left() + list.iconSize().width() / 2 + 3, cell.center().y()};
}

void Key(CSubjListDlg& window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    Activate(&window);
    QTest::keyClick(window.focusWidget(), key, modifiers);
}

}  // namespace

class MainWindowUndoTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init() {
        EnterFreshFolder();
        IndivSubj generated = Indiv(2024, 5, 21, 9, 0, QStringLiteral("会議"), Progress::Done);
        generated.origin = "weekly";
        WriteDataFiles(
            {Indiv(2024, 5, 20, 9, 0, QStringLiteral("歯医者"), Progress::Open), generated,
             Indiv(2024, 5, 22, 9, 0, QStringLiteral("ゴミ出し"), Progress::Open)},
            {Rep("weekly", Progress::Open)});
    }
    void cleanup() { LeaveFolder(); }

    void everyCommandUndoesAndRedoesOnDisk_data();
    void everyCommandUndoesAndRedoesOnDisk();
    void closeAsksOnlyWhenSomethingIsUnsaved();
    void doubleClickOnTheStateImageTogglesOnce();
    void aStepTheListsNoLongerFitIsRefusedAloud();
    void aSaveThatFailedHalfwayLeavesTheListsUnsaved();
};

void MainWindowUndoTest::everyCommandUndoesAndRedoesOnDisk_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("row");           // selected before the command; -1 none
    QTest::addColumn<QString>("undoText");  // the 編集 menu's entry after the command
    QTest::addColumn<QString>("selected");  // after the command
    QTest::addColumn<QString>("undone");    // selected after undo
    QTest::newRow("add") << "add" << -1 << "元に戻す(&U)「追加: 新規」"
                         << "新規"
                         << "歯医者";
    QTest::newRow("edit") << "edit" << 1 << "元に戻す(&U)「編集: 会議 2」"
                          << "会議 2"
                          << "会議";
    QTest::newRow("delete, the next row selected") << "delete" << 1 << "元に戻す(&U)「削除: 会議」"
                                                   << "ゴミ出し"
                                                   << "会議";
    QTest::newRow("delete at the end, the row before")
        << "delete" << 2 << "元に戻す(&U)「削除: ゴミ出し」"
        << "会議"
        << "ゴミ出し";
    QTest::newRow("done by Space") << "done" << 0 << "元に戻す(&U)「完了: 歯医者」"
                                   << "歯医者"
                                   << "歯医者";
    QTest::newRow("open again by a click on the state image")
        << "click" << 1 << "元に戻す(&U)「未処理: 会議」"
        << "会議"
        << "会議";
    QTest::newRow("batch") << "batch" << 2 << "元に戻す(&U)「一括: 追加 43 件」"
                           << "ゴミ出し"
                           << "ゴミ出し";
    QTest::newRow("repeating subject with its generated ones")
        << "repDelete" << 0 << "元に戻す(&U)「削除: weekly」"
        << ""
        << "weekly";
}

void MainWindowUndoTest::everyCommandUndoesAndRedoesOnDisk() {
    QFETCH(QString, command);
    QFETCH(int, row);
    QFETCH(QString, undoText);
    QFETCH(QString, selected);
    QFETCH(QString, undone);
    const Files start = OnDisk();
    auto window = OpenWindow(messages_);
    Activate(window.get());
    SubjListView* list = window->ListView();
    QAction* undo = window->MenuAction(kUndoMenuId);
    QAction* redo = window->MenuAction(kRedoMenuId);
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    QCOMPARE(window->windowTitle(), kIndivCaption);

    if (command == "repDelete") {
        window->Control<QRadioButton>(kRepRadioId)->click();
    }
    list->setFocus();
    list->SelectRow(row);
    if (command == "add") {
        WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
            Retype(editor.Control<QLineEdit>(kIndivTitle), QStringLiteral("新規"));
            PressOk(editor);
        });
        Key(*window, Qt::Key_N, Qt::ControlModifier);
    } else if (command == "edit") {
        WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
            Retype(editor.Control<QLineEdit>(kIndivTitle), QStringLiteral("会議 2"));
            PressOk(editor);
        });
        Key(*window, Qt::Key_Return);
    } else if (command == "delete" || command == "repDelete") {
        messages_.QueueAnswer(MessageAnswer::Yes);
        Key(*window, Qt::Key_Delete);
    } else if (command == "done") {
        Key(*window, Qt::Key_Space);
    } else if (command == "click") {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, StateImageOf(*list, row));
    } else if (command == "batch") {
        messages_.QueueAnswer(MessageAnswer::Yes);
        window->Control<QPushButton>(kBatchId)->click();
    }
    QCOMPARE(messages_.UnscriptedQuestions(), 0);
    QCOMPARE(undo->text(), undoText);
    QVERIFY(undo->isEnabled() && !redo->isEnabled());
    QCOMPARE(SelectedTitle(*window), selected);
    QVERIFY(window->windowTitle().startsWith(QLatin1Char('*')));

    Key(*window, Qt::Key_S, Qt::ControlModifier);
    const Files done = OnDisk();
    QVERIFY(done != start);
    QVERIFY(!window->windowTitle().startsWith(QLatin1Char('*')));

    // Undone: the list shows it at once, the files of the start come back with the next save.
    Key(*window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(SelectedTitle(*window), undone);
    QVERIFY(window->windowTitle().startsWith(QLatin1Char('*')));
    QVERIFY(!undo->isEnabled());
    QCOMPARE(redo->text(), QString(undoText).replace("元に戻す(&U)", "やり直し(&R)"));
    Key(*window, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(OnDisk() == start);

    // Redone with either key, and undone back to what was saved: no mark.
    Key(*window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(SelectedTitle(*window), selected);
    Key(*window, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!window->windowTitle().startsWith(QLatin1Char('*')));
    Key(*window, Qt::Key_Y, Qt::ControlModifier);
    Key(*window, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(OnDisk() == done);
    QVERIFY(messages_.Texts().size() <= 1);  // the command's own question
}

// With nothing changed the window ends at once and touches no file; with a change, the question
// comes, from the close box as from Ctrl+Q, and キャンセル (as Esc and its close box answer) keeps
// the window and the change.
void MainWindowUndoTest::closeAsksOnlyWhenSomethingIsUnsaved() {
    const Files start = OnDisk();
    const QStringList entries = folder_->Entries();
    {
        auto window = OpenWindow(messages_);
        window->close();
        QVERIFY(!window->isVisible());
        QVERIFY(messages_.Texts().isEmpty());
        QVERIFY(OnDisk() == start);
        // No backup and no version: only the window's place, in the settings.
        QStringList after = folder_->Entries();
        after.removeAll(QStringLiteral("veskat.ini"));
        QCOMPARE(after, entries);
    }
    auto window = OpenWindow(messages_);
    Activate(window.get());
    window->ListView()->setFocus();
    window->ListView()->SelectRow(0);
    Key(*window, Qt::Key_Space);
    const QString caption = QStringLiteral("*") + kIndivCaption;
    QCOMPARE(window->windowTitle(), caption);
    messages_.QueueAnswer(MessageAnswer::Cancel);
    window->close();
    messages_.QueueAnswer(MessageAnswer::Cancel);
    Key(*window, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(messages_.Texts(), QStringList({kSaveQuestion, kSaveQuestion}));
    QCOMPARE(messages_.History().front().buttons, MessageButtons::YesNoCancel);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), caption);
    QCOMPARE(window->ListView()->CellText(0, 1), QStringLiteral("完了"));
    QVERIFY(OnDisk() == start);

    // Enter ends nothing, wherever the focus is.
    window->Control<QRadioButton>(kIndivRadioId)->setFocus();
    Key(*window, Qt::Key_Return);
    QVERIFY(window->isVisible());
    QCOMPARE(messages_.Texts().size(), 2);

    messages_.QueueAnswer(MessageAnswer::Yes);
    window->close();
    QVERIFY(!window->isVisible());
    QVERIFY(ReadFile(kIndivFileName).contains("\tC\t"));
}

// The first click of a double-click on the state image toggles; the second opens the editor.
void MainWindowUndoTest::doubleClickOnTheStateImageTogglesOnce() {
    auto window = OpenWindow(messages_);
    SubjListView* list = window->ListView();
    bool opened = false;
    WhenEditorShown<CDialogIndivSubj>(this, [&opened](CDialogIndivSubj&) { opened = true; });
    // What the desktop sends for a double-click: press, release, double-click, release.
    const QPoint image = StateImageOf(*list, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, image);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, image);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, image);
    QVERIFY(opened);
    QCOMPARE(list->CellText(0, 1), QStringLiteral("完了"));
}

// A subject changed behind the history's back: undo refuses the step whole and says so.
void MainWindowUndoTest::aStepTheListsNoLongerFitIsRefusedAloud() {
    auto window = OpenWindow(messages_);
    Activate(window.get());
    window->ListView()->setFocus();
    window->ListView()->SelectRow(0);
    Key(*window, Qt::Key_Space);
    IndivSubjList& list = window->IndivList();
    list.current = Indiv(2024, 5, 20, 9, 0, QStringLiteral("歯医者"), Progress::Done);
    QCOMPARE(list.Remove(), StoreResult::Done);

    Key(*window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(messages_.Texts().size(), 1);
    QVERIFY(
        messages_.Texts().front().startsWith(QStringLiteral("元に戻すことができませんでした。")));
    // The open subject the step took out is not put back by half an undo.
    list.current = Indiv(2024, 5, 20, 9, 0, QStringLiteral("歯医者"), Progress::Open);
    QVERIFY(list.Stored() == nullptr);
}

// A save that wrote one file and failed on the other leaves neither file as last saved: undoing
// back to that save must still leave something to save, or closing would keep the file written
// halfway, without the subjects the undo brought back.
void MainWindowUndoTest::aSaveThatFailedHalfwayLeavesTheListsUnsaved() {
    const Files start = OnDisk();
    auto window = OpenWindow(messages_);
    Activate(window.get());
    window->Control<QRadioButton>(kRepRadioId)->click();
    window->ListView()->setFocus();
    window->ListView()->SelectRow(0);
    messages_.QueueAnswer(MessageAnswer::Yes);
    Key(*window, Qt::Key_Delete);  // the repeating subject and the done one generated from it
    // The repeating file's backup cannot be written: the individual file is saved, it is not.
    QVERIFY(QDir().mkdir(QString::fromUtf8(kRepFileName) + ".bak"));
    Key(*window, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(messages_.Texts().back().section(QLatin1Char('\n'), 0, 0), kSaveFailed);
    QVERIFY(ReadFile(kIndivFileName) != start.indiv);

    Key(*window, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(window->windowTitle().startsWith(QLatin1Char('*')));
    messages_.QueueAnswer(MessageAnswer::Cancel);
    window->close();
    QVERIFY(window->isVisible());
    QCOMPARE(messages_.Texts().back(), kSaveQuestion);
    QVERIFY(QDir().rmdir(QString::fromUtf8(kRepFileName) + ".bak"));
    messages_.QueueAnswer(MessageAnswer::Yes);
    window->close();
    QVERIFY(OnDisk() == start);
}

QTEST_MAIN(MainWindowUndoTest)
#include "MainWindowUndoTest.moc"
