#include "SubjCommands.h"

#include <cstdlib>

#include "DeleteDetail.h"
#include "DialogIndivSubj.h"
#include "DialogRepSubj.h"
#include "MessageService.h"
#include "ResourceIds.h"
#include "SubjListView.h"

namespace {

constexpr std::size_t kRowTitleLimit = 80;

const QString kDeleteIndivQuestion = QStringLiteral("案件を削除します。よろしいですか？");
const QString kDeleteRepQuestion = QStringLiteral(
    "「完了済み」または「進捗管理しない」個別案件も同時に削除します。\nよろしいですか？");

std::int16_t NumberAt(const std::string& text, std::size_t from, std::size_t length) {
    return static_cast<std::int16_t>(
        std::atoi(from < text.size() ? text.substr(from, length).c_str() : ""));
}

}  // namespace

SubjCommands::SubjCommands(IndivSubjList& indiv, RepSubjList& rep, const SubjListView& view,
                           MessageService& messages, QWidget* parent)
    : indiv_(indiv), rep_(rep), view_(view), messages_(messages), parent_(parent) {}

void SubjCommands::ReadIndivRow(int row) {
    IndivSubj& subj = indiv_.current;
    const std::string when = view_.CellSjis(row, 0);  // YYYY/MM/DD hh:mm
    subj.year = NumberAt(when, 0, 4);
    subj.month = NumberAt(when, 5, 2);
    subj.day = NumberAt(when, 8, 2);
    subj.hour = NumberAt(when, 11, 2);
    subj.minute = NumberAt(when, 14, 2);
    const std::string progress = view_.CellSjis(row, 1);
    if (progress == ProgressText(Progress::NotTracked)) {
        subj.progress = Progress::NotTracked;
    } else if (progress == ProgressText(Progress::Open)) {
        subj.progress = Progress::Open;
    } else {
        subj.progress = Progress::Done;
    }
    subj.title = view_.CellSjis(row, 2).substr(0, kRowTitleLimit);
}

void SubjCommands::ReadRepRow(int row) {
    rep_.current.title = view_.CellSjis(row, 0).substr(0, kRowTitleLimit);
}

// The editor reads the subject of `row` only once it is set up: it takes
// the list's `current` as the subject to edit when it opens.
bool SubjCommands::RunEditor(SubjKind kind, EditorMode mode, int row, bool& keyChanged,
                             const std::optional<CalendarDay>& day) {
    int result = 0;
    if (kind == SubjKind::Indiv) {
        CDialogIndivSubj dialog(mode, messages_, parent_);
        dialog.list = &indiv_;
        dialog.newDay = day;
        if (mode == EditorMode::Edit) {
            ReadIndivRow(row);
        }
        result = dialog.exec();
        keyChanged = dialog.KeyChanged();
    } else {
        CDialogRepSubj dialog(mode, messages_, parent_);
        dialog.list = &rep_;
        dialog.indivList = &indiv_;
        if (mode == EditorMode::Edit) {
            ReadRepRow(row);
        }
        result = dialog.exec();
        keyChanged = dialog.KeyChanged();
    }
    return result == kIdOk;
}

RowChange SubjCommands::Add(SubjKind kind, int position, const std::optional<CalendarDay>& day) {
    bool keyChanged = false;
    if (!RunEditor(kind, EditorMode::New, -1, keyChanged, day)) {
        return {};
    }
    return {RowChange::Kind::Added, position, {}};
}

// A double-click on empty space opens nothing: there is no subject to edit.
RowChange SubjCommands::Edit(SubjKind kind, int row) {
    if (row < 0) {
        return {};
    }
    std::string shownBefore = view_.CellSjis(row, 0);
    bool keyChanged = false;
    if (!RunEditor(kind, EditorMode::Edit, row, keyChanged)) {
        return {};
    }
    if (keyChanged) {
        return {RowChange::Kind::Replaced, row, {}};
    }
    return {RowChange::Kind::Rewritten, row, std::move(shownBefore)};
}

RowChange SubjCommands::ChangeDone(int row, DoneChange change) {
    if (row < 0) {
        return {};
    }
    ReadIndivRow(row);
    if (indiv_.Find() != StoreResult::Done) {
        return {};
    }
    Progress& progress = indiv_.current.progress;
    if (progress == Progress::Done) {
        if (change != DoneChange::Toggle) {
            return {};
        }
        progress = Progress::Open;
    } else if (progress == Progress::Open || change == DoneChange::Done) {
        progress = Progress::Done;
    } else {
        return {};
    }
    std::string shownBefore = view_.CellSjis(row, 0);
    if (indiv_.Replace() != StoreResult::Done) {
        return {};
    }
    return {RowChange::Kind::Rewritten, row, std::move(shownBefore)};
}

// The row goes either way: a subject no longer stored has no row.
RowChange SubjCommands::Delete(SubjKind kind, int row) {
    if (row < 0) {
        return {};
    }
    const bool indiv = kind == SubjKind::Indiv;
    if (!messages_.AskYes(parent_, indiv ? kDeleteIndivQuestion : kDeleteRepQuestion,
                          DeleteDetail(view_, row, indiv))) {
        return {};
    }
    if (indiv) {
        ReadIndivRow(row);
        static_cast<void>(indiv_.Remove());  // a subject already gone is as good as removed
    } else {
        ReadRepRow(row);
        static_cast<void>(indiv_.RemoveGenerated(rep_.current.title));  // none is fine too
        static_cast<void>(rep_.Remove());  // a subject already gone is as good as removed
    }
    return {RowChange::Kind::Removed, row, {}};
}
