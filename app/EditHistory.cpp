#include "EditHistory.h"

#include <QAction>
#include <QKeySequence>
#include <string_view>
#include <unordered_map>

#include "ChangeCounts.h"

#include "SjisCodec.h"

namespace {

const QString kMergeReason =
    QStringLiteral("他のコンピューターでの変更を取り込んだため、これより前には戻せません");
const QString kNotRecordedReason =
    QStringLiteral("メモリーが足りず記録できなかった変更があるため、これより前には戻せません");
const QString kOldestGoneReason =
    QStringLiteral("古い操作は記録の上限を超えて消えたため、これより前には戻せません");

// The step's own list: the repeating one when it changed that, as the individual subjects it
// changed with it were generated from those.
bool RepStep(const UndoStep& step) {
    return !step.rep.Empty();
}

const ListChange& HomeChange(const UndoStep& step) {
    return RepStep(step) ? step.rep : step.indiv;
}

QString TitleOf(const RecordText& record, bool rep) {
    return SjisToQString(rep ? DecodeRepSubj(record).title : DecodeIndivSubj(record).title);
}

std::string_view KeyView(const RecordText& record) {
    return {reinterpret_cast<const char*>(record.data()), kKeySize};
}

// A change of many subjects by its counts. A subject rewritten was taken out and put in again
// under its key: it counts as changed, as the restore window counts it, and one put back as it
// was counts as nothing.
QString Counted(const char* what, const ListChange& change) {
    std::unordered_map<std::string_view, const RecordText*> taken;
    for (const RecordText& record : change.removed) {
        taken.emplace(KeyView(record), &record);
    }
    ChangeCounts counts;
    for (const RecordText& record : change.added) {
        const auto before = taken.find(KeyView(record));
        if (before == taken.end()) {
            ++counts.added;
            continue;
        }
        counts.changed += *before->second != record ? 1 : 0;
        taken.erase(before);
    }
    counts.removed = static_cast<long long>(taken.size());
    return QString::fromUtf8(what) + QStringLiteral(": ") + CountsText(counts);
}

// A menu text shows '&' only doubled.
QString MenuText(const QString& entry, const UndoStep* step) {
    if (step == nullptr) {
        return entry;
    }
    QString name = QString::fromStdString(step->description);
    return entry + QStringLiteral("「") + name.replace(u'&', QStringLiteral("&&")) +
           QStringLiteral("」");
}

}  // namespace

EditHistory::EditHistory(IndivSubjList& indiv, RepSubjList& rep, QObject* parent, UndoLimit limit)
    : QObject(parent), indiv_(indiv), rep_(rep), history_(limit, kOldestGoneReason.toStdString()) {}

void EditHistory::UseActions(QAction* undo, QAction* redo, QAction* stopReason) {
    undo_ = undo;
    redo_ = redo;
    stopReason_ = stopReason;
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    stopReason_->setEnabled(false);
    Refresh();
}

QString EditHistory::StepText(Command command, const UndoStep& step) {
    const ListChange& home = HomeChange(step);
    const bool rep = RepStep(step);
    const auto titled = [&](const char* verb, const StepRecords& records) {
        return QString::fromUtf8(verb) + QStringLiteral(": ") +
               (records.empty() ? QString() : TitleOf(records.front(), rep));
    };
    switch (command) {
        case Command::Add:
            return titled("追加", home.added);
        case Command::Edit:
            return titled("編集", home.added);
        case Command::Delete:
            return titled("削除", home.removed);
        case Command::Done: {
            const bool done = !home.added.empty() &&
                              DecodeIndivSubj(home.added.front()).progress == Progress::Done;
            return titled(done ? "完了" : "未処理", home.added);
        }
        case Command::Batch:
            return Counted("一括", step.indiv);
        case Command::Restore:
            return Counted("以前の版", home);
        case Command::Import:
            return QStringLiteral("インポート: 個別案件 %1 件、反復案件 %2 件")
                .arg(step.indiv.added.size())
                .arg(step.rep.added.size());
    }
    return {};
}

void EditHistory::CatchUp() {
    if (Changes() != seen_) {
        history_.MarkChanged();
    }
}

QString EditHistory::Run(Command command, const std::function<void()>& change) {
    CatchUp();
    CommandRecording recording(indiv_, rep_);
    change();
    UndoStep step = recording.Step({});
    QString name;
    if (!recording.Complete()) {
        history_.SetBarrier(kNotRecordedReason.toStdString());
        history_.MarkChanged();
    } else {
        name = StepText(command, step);
        step.description = name.toStdString();
        if (!step.Empty()) {
            indivMoves_.Ran(step.indiv, command == Command::Edit);
            repMoves_.Ran(step.rep, command == Command::Edit);
            TellDoneChange(step.indiv, false);
        }
        history_.Record(std::move(step));
        indivMoves_.KeepSteps(history_.StepCount());
        repMoves_.KeepSteps(history_.StepCount());
    }
    Refresh();
    return name;
}

std::optional<EditHistory::Landing> EditHistory::Moved(bool done, const UndoStep* step,
                                                       bool backward) {
    if (!done) {
        return std::nullopt;
    }
    Landing landing{RepStep(*step), std::nullopt, std::nullopt};
    const ListChange& home = HomeChange(*step);
    const StepRecords& putIn = backward ? home.removed : home.added;
    const StepRecords& takenOut = backward ? home.added : home.removed;
    if (putIn.size() == 1) {
        landing.subject = putIn.front();
    } else if (putIn.empty() && takenOut.size() == 1) {
        landing.gone = takenOut.front();
    }
    Refresh();
    return landing;
}

// The step stays in the history while it moves, so a pointer to it holds.
std::optional<EditHistory::Landing> EditHistory::Undo() {
    CatchUp();
    const UndoStep* step = history_.NextUndo();
    const bool done = history_.Undo(indiv_, rep_);
    if (done) {
        indivMoves_.Undone();
        repMoves_.Undone();
        TellDoneChange(step->indiv, true);
    }
    return Moved(done, step, true);
}

std::optional<EditHistory::Landing> EditHistory::Redo() {
    CatchUp();
    const UndoStep* step = history_.NextRedo();
    const bool done = history_.Redo(indiv_, rep_);
    if (done) {
        indivMoves_.Redone();
        repMoves_.Redone();
        TellDoneChange(step->indiv, false);
    }
    return Moved(done, step, false);
}

void EditHistory::TellDoneChange(const ListChange& change, bool backward) {
    if (change.removed.size() != 1 || change.added.size() != 1) {
        return;
    }
    const RecordText& before = backward ? change.added.front() : change.removed.front();
    const RecordText& after = backward ? change.removed.front() : change.added.front();
    const bool wasDone = DecodeIndivSubj(before).progress == Progress::Done;
    const bool done = DecodeIndivSubj(after).progress == Progress::Done;
    if (KeyView(before) == KeyView(after) && done != wasDone) {
        emit DoneChanged(QByteArray(reinterpret_cast<const char*>(after.data()), kKeySize), done);
    }
}

void EditHistory::Saved() {
    history_.MarkSaved();
    indivMoves_.Saved();
    repMoves_.Saved();
    Refresh();
}

void EditHistory::SaveFailed() {
    history_.MarkChanged();
    Refresh();
}

void EditHistory::MergedIn() {
    history_.SetBarrier(kMergeReason.toStdString());
    Refresh();
}

void EditHistory::Refresh() {
    seen_ = Changes();
    if (undo_ != nullptr) {
        undo_->setText(MenuText(QStringLiteral("元に戻す(&U)"), history_.NextUndo()));
        undo_->setEnabled(history_.NextUndo() != nullptr);
        redo_->setText(MenuText(QStringLiteral("やり直し(&R)"), history_.NextRedo()));
        redo_->setEnabled(history_.NextRedo() != nullptr);
        const QString reason = QString::fromStdString(history_.StopReason());
        stopReason_->setText(reason);
        stopReason_->setVisible(!reason.isEmpty());
    }
    emit Changed();
}
