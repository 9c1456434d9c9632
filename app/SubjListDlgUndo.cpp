// The main window's history: every command that changes the lists runs watched and becomes one
// step, which 編集 → 元に戻す takes back and やり直し makes again, shown at once with its subject
// selected; and the caption's mark while anything is unsaved.
#include <QRadioButton>

#include "MessageService.h"
#include "SubjListDlg.h"
#include "SubjListView.h"

namespace {

// A step is refused whole when the lists no longer hold what it expects or memory runs out
// halfway; the user must not take the silence for success.
const QString kStepRefused = QStringLiteral(
    "%1ことができませんでした。一覧は変わっていません。\n"
    "メモリーが足りないか、一覧がこの操作の後に別の方法で変わっています。");

}  // namespace

void CSubjListDlg::OnUndo() {
    StepHistory(true);
}

void CSubjListDlg::OnRedo() {
    StepHistory(false);
}

// A step's rows stand on the records it took out and put in, so the list is filled again; the
// selection is taken before that, while its row's record is still there.
void CSubjListDlg::StepHistory(bool back) {
    const BusyScope busy(*this);
    const KeptSelection kept = KeptSelection::Of(*list_);
    const bool offered = back ? history_->CanUndo() : history_->CanRedo();
    const std::optional<EditHistory::Landing> landing = back ? history_->Undo() : history_->Redo();
    if (offered && !landing) {
        messages_.Inform(
            this, kStepRefused.arg(back ? QStringLiteral("元に戻す") : QStringLiteral("やり直す")));
    }
    ShowLanding(landing, kept);
}

void CSubjListDlg::ShowLanding(const std::optional<EditHistory::Landing>& landing,
                               const KeptSelection& kept) {
    if (!landing) {
        return;
    }
    const bool otherList = landing->rep != RepMode();
    if (otherList) {
        (landing->rep ? repRadio_ : indivRadio_)->setChecked(true);
        SetupColumns();
    }
    if (landing->subject) {
        FillList(KeptSelection::Of(*landing->subject));
    } else if (landing->gone) {
        FillList(KeptSelection::Near(*landing->gone));
    } else {
        FillList(otherList ? KeptSelection{} : kept);
    }
}

void CSubjListDlg::SelectCurrent() {
    const RecordText* stored = IndivMode() ? indivList_.Stored()
                               : RepMode() ? repList_.Stored()
                                           : nullptr;
    if (stored != nullptr) {
        ShowSubjectRow(stored);
    }
}

void CSubjListDlg::ShowRow(int row) {
    list_->SelectRow(row);
    list_->scrollTo(list_->model()->index(row, 0));
}
