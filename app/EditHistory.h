// The main window's history of commands and its 編集 menu: each command that changes the subject
// lists is one step with a name, taken back by 元に戻す and made again by やり直し; the menu says
// what each would do, or why undo stops at a merge. It also knows whether anything is unsaved.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "KeyMoveLog.h"
#include "SubjList.h"
#include "UndoHistory.h"

class QAction;

class EditHistory : public QObject {
    Q_OBJECT

  public:
    enum class Command { Add, Edit, Delete, Done, Batch, Restore, Import };
    // Where a step taken back or made again is to be seen: the list it concerns (the repeating
    // one when it changed that); in it the one subject the step put in, or else the one it took
    // out. A step of many subjects names none: the selection stays where it was.
    struct Landing {
        bool rep = false;
        std::optional<RecordText> subject;
        std::optional<RecordText> gone;
    };

    // The history keeps to `limit`; once an old step has gone, the menu says so where undo stops.
    EditHistory(IndivSubjList& indiv, RepSubjList& rep, QObject* parent = nullptr,
                UndoLimit limit = {});

    // The 編集 menu's entries: undo, redo, and the disabled one that says why undo stops. Their
    // texts, enabling and keys are kept up to date from here on.
    void UseActions(QAction* undo, QAction* redo, QAction* stopReason);

    // Runs `change`, watching the lists, and records what it did as one step of `command`;
    // nothing when it changed nothing. Returns what it did in the words of the menu (StepText,
    // "一括: 変更なし" for nothing); empty when memory ran out to record it.
    QString Run(Command command, const std::function<void()>& change);
    // Takes back the latest step, or makes the latest undone one again; none when nothing was
    // done (no such step, or the lists no longer hold what it expects).
    std::optional<Landing> Undo();
    std::optional<Landing> Redo();
    // Whether the menu offers a step to take back or to make again.
    bool CanUndo() const { return history_.NextUndo() != nullptr; }
    bool CanRedo() const { return history_.NextRedo() != nullptr; }

    // The lists are what the data files now hold.
    void Saved();
    // A save failed, perhaps after writing one of the files: no step is known to be what both
    // files hold, so the lists stay unsaved until a save succeeds, whatever is undone meanwhile.
    void SaveFailed();
    // A save took in another computer's changes: undo stops here.
    void MergedIn();
    // Also true after a change made to the lists outside Run, Undo and Redo.
    bool Unsaved() const { return history_.Unsaved() || Changes() != seen_; }

    // The subjects the steps in effect moved to another key since the last save (Saved), for
    // the CalDAV state; a save that failed keeps them for the next.
    SubjMoves KeyMoves() const { return {indivMoves_.Moves(), repMoves_.Moves()}; }

    // The name of a step as the menu shows it: "追加: <title>", "一括: 削除 12 件、追加 30 件",
    // "以前の版: 削除 3 件、変更 1 件" (CountsText), "インポート: 個別案件 40 件、反復案件 2 件".
    static QString StepText(Command command, const UndoStep& step);

  signals:
    // What the menu offers, or Unsaved(), may have changed.
    void Changed();
    // A step, or its undo or redo, rewrote one dated subject under its key (`key`, its kKeySize
    // bytes) from not done to done (`done`) or back: for the copies of the subjects kept apart
    // from the lists, such as the reminder agent's.
    void DoneChanged(const QByteArray& key, bool done);

  private:
    std::optional<Landing> Moved(bool done, const UndoStep* step, bool backward);
    void TellDoneChange(const ListChange& change, bool backward);
    void Refresh();
    std::uint64_t Changes() const { return indiv_.Changes() + rep_.Changes(); }
    // A change made outside the history since it last looked: unsaved until the next save.
    void CatchUp();

    IndivSubjList& indiv_;
    RepSubjList& rep_;
    UndoHistory history_;
    // One log per list, each given every step so that undo finds its frames where it left them.
    KeyMoveLog indivMoves_;
    KeyMoveLog repMoves_;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QAction* stopReason_ = nullptr;
    std::uint64_t seen_ = 0;  // Changes() as the history last left the lists
};
