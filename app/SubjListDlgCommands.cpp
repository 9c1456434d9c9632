// The main window's commands on one subject: add, edit (double-click, F2,
// Enter on the selected row) and delete. A row carries no reference to its subject; it is found
// again by reading the row's exact bytes back into the key fields of `current`.
#include <cstdlib>
#include <string>

#include "DeleteDetail.h"
#include "DialogIndivSubj.h"
#include "DialogRepSubj.h"
#include "MessageService.h"
#include "ResourceIds.h"
#include "SubjListDlg.h"
#include "SubjListView.h"

namespace {

constexpr std::size_t kRowTitleLimit = 80;

std::int16_t NumberAt(const std::string& text, std::size_t from, std::size_t length) {
    return static_cast<std::int16_t>(
        std::atoi(from < text.size() ? text.substr(from, length).c_str() : ""));
}

}  // namespace

void CSubjListDlg::ReadIndivRow(int row) {
    IndivSubj& subj = indivList_.current;
    const std::string when = list_->CellSjis(row, 0);  // YYYY/MM/DD hh:mm
    subj.year = NumberAt(when, 0, 4);
    subj.month = NumberAt(when, 5, 2);
    subj.day = NumberAt(when, 8, 2);
    subj.hour = NumberAt(when, 11, 2);
    subj.minute = NumberAt(when, 14, 2);
    const std::string progress = list_->CellSjis(row, 1);
    if (progress == ProgressText(Progress::NotTracked)) {
        subj.progress = Progress::NotTracked;
    } else if (progress == ProgressText(Progress::Open)) {
        subj.progress = Progress::Open;
    } else {
        subj.progress = Progress::Done;
    }
    subj.title = list_->CellSjis(row, 2).substr(0, kRowTitleLimit);
}

void CSubjListDlg::ReadRepRow(int row) {
    repList_.current.title = list_->CellSjis(row, 0).substr(0, kRowTitleLimit);
}

void CSubjListDlg::OnAdd() {
    const BusyScope busy(*this);
    const int position = std::max(list_->HotRow(), 0);
    int result = 0;
    if (IndivMode()) {
        CDialogIndivSubj dialog(EditorMode::New, messages_, this);
        dialog.list = &indivList_;
        result = dialog.exec();
    } else if (RepMode()) {
        CDialogRepSubj dialog(EditorMode::New, messages_, this);
        dialog.list = &repList_;
        result = dialog.exec();
    }
    if (result == kIdOk) {
        SetRow(position, false);
        ApplyFilter();
    }
}

void CSubjListDlg::OnEdit() {
    EditRow(list_->HotRow());
}

void CSubjListDlg::OnEditSelected() {
    EditRow(list_->SelectionMark());
}

// A double-click on empty space opens nothing: there is no subject to edit.
void CSubjListDlg::EditRow(int row) {
    if (row < 0) {
        return;
    }
    const BusyScope busy(*this);
    int result = 0;
    bool keyChanged = false;
    const std::string shownBefore = list_->CellSjis(row, 0);
    if (IndivMode()) {
        CDialogIndivSubj dialog(EditorMode::Edit, messages_, this);
        dialog.list = &indivList_;
        ReadIndivRow(row);
        result = dialog.exec();
        keyChanged = dialog.KeyChanged();
    } else if (RepMode()) {
        CDialogRepSubj dialog(EditorMode::Edit, messages_, this);
        dialog.list = &repList_;
        dialog.indivList = &indivList_;
        ReadRepRow(row);
        result = dialog.exec();
        keyChanged = dialog.KeyChanged();
    }
    if (result != kIdOk) {
        return;
    }
    if (keyChanged) {
        list_->RemoveRow(row);
        SetRow(row, false);
    } else {
        SetRow(row, true, shownBefore);
    }
    ApplyFilter();
}

void CSubjListDlg::OnDelete() {
    const int row = list_->SelectionMark();
    if (row < 0) {
        return;
    }
    const BusyScope busy(*this);
    if (IndivMode()) {
        if (!messages_.AskYes(this, QString::fromUtf8("案件を削除します。よろしいですか？"),
                              DeleteDetail(*list_, row, true))) {
            return;
        }
        ReadIndivRow(row);
        // The row goes either way: a subject no longer stored has no row.
        static_cast<void>(indivList_.Remove());
        list_->RemoveRow(row);
    } else if (RepMode()) {
        if (!messages_.AskYes(this,
                              QString::fromUtf8("「完了済み」または「進捗管理しない」個別案件も"
                                                "同時に削除します。\nよろしいですか？"),
                              DeleteDetail(*list_, row, false))) {
            return;
        }
        ReadRepRow(row);
        static_cast<void>(indivList_.RemoveGenerated(repList_.current.title));
        static_cast<void>(repList_.Remove());
        list_->RemoveRow(row);
    }
}
