// Finding subjects in the main window: Ctrl+F opens the find bar (FindFilter)
// and Esc closes it.
#include <QAction>

#include "FindFilter.h"
#include "SubjListDlg.h"

void CSubjListDlg::AddFindCommand() {
    find_ = new FindFilter(*this, *list_, [this] { return IndivMode(); });
    auto* find = new QAction(this);
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::WindowShortcut);
    addAction(find);
    connect(find, &QAction::triggered, this, &CSubjListDlg::OpenFindBar);
}

void CSubjListDlg::OpenFindBar() {
    find_->Open();
}

void CSubjListDlg::CloseFindBar() {
    find_->Close();
}

bool CSubjListDlg::FindBarOpen() const {
    return find_->IsOpen();
}

FindBar* CSubjListDlg::FindBarWidget() const {
    return find_->Bar();
}

void CSubjListDlg::ApplyFilter() {
    find_->Apply();
}
