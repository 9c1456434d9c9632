// The 編集 menu of a history that keeps to a limit: once the oldest steps have gone, undo stops at
// the oldest kept one and the menu says why; a step larger than the whole budget stays undoable
// while it is the latest.
#include <QAction>
#include <QMenu>
#include <QTest>

#include "EditHistory.h"

namespace {

const QString kOldestGone =
    QStringLiteral("古い操作は記録の上限を超えて消えたため、これより前には戻せません");

// Adds subjects "t<first>" .. "t<first + count - 1>" as one command.
void AddAsOne(EditHistory& history, IndivSubjList& indiv, int first, int count) {
    history.Run(EditHistory::Command::Add, [&] {
        for (int n = first; n < first + count; ++n) {
            indiv.current = IndivSubj{};
            indiv.current.year = 2026;
            indiv.current.title = "t" + std::to_string(n);
            static_cast<void>(indiv.Insert());
        }
    });
}

// A history with its menu, as the main window builds it.
struct HistoryWithMenu {
    IndivSubjList indiv;
    RepSubjList rep;
    EditHistory history;
    QMenu menu;
    QAction* undo = menu.addAction(QString());
    QAction* redo = menu.addAction(QString());
    QAction* stop = menu.addAction(QString());

    explicit HistoryWithMenu(UndoLimit limit) : history(indiv, rep, nullptr, limit) {
        history.UseActions(undo, redo, stop);
    }

    int Subjects() const {
        int count = 0;
        indiv.Tree().VisitInOrder([&count](const RecordText&) { return ++count, true; });
        return count;
    }
};

}  // namespace

class EditHistoryTest : public QObject {
    Q_OBJECT

  private slots:
    void undoStopsAtTheOldestKeptStepAndTheMenuSaysWhy() {
        HistoryWithMenu h({std::size_t{64} << 20, 3});
        for (int n = 0; n < 5; ++n) {
            AddAsOne(h.history, h.indiv, n, 1);
        }
        QVERIFY(!h.stop->isVisible());
        for (int n = 0; n < 3; ++n) {
            QVERIFY(h.undo->isEnabled());
            QVERIFY(h.history.Undo().has_value());
        }
        QCOMPARE(h.Subjects(), 2);  // the state at the oldest step kept
        QVERIFY(!h.undo->isEnabled());
        QVERIFY(!h.history.Undo().has_value());
        QVERIFY(h.stop->isVisible());
        QVERIFY(!h.stop->isEnabled());
        QCOMPARE(h.stop->text(), kOldestGone);
        QVERIFY(h.history.Redo().has_value());
        QVERIFY(!h.stop->isVisible());
    }

    void aStepLargerThanTheBudgetStaysUndoableWhileItIsTheLatest() {
        HistoryWithMenu h({16 * kRecordSize, 1000});
        AddAsOne(h.history, h.indiv, 0, 1);
        AddAsOne(h.history, h.indiv, 100, 40);
        QVERIFY(h.undo->isEnabled());
        QVERIFY(h.history.Undo().has_value());
        QCOMPARE(h.Subjects(), 1);
        QCOMPARE(h.stop->text(), kOldestGone);
        QVERIFY(h.history.Redo().has_value());
        AddAsOne(h.history, h.indiv, 200, 1);  // the large step is now the oldest, and goes
        QVERIFY(h.history.Undo().has_value());
        QCOMPARE(h.Subjects(), 41);
        QVERIFY(!h.undo->isEnabled());
        QCOMPARE(h.stop->text(), kOldestGone);
    }
};

QTEST_MAIN(EditHistoryTest)
#include "EditHistoryTest.moc"
