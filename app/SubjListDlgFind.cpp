// Finding subjects in the main window: Ctrl+F opens a find bar below the list
// and the rows narrow to the subjects whose title or content holds its text;
// Esc closes it and every row shows again. Rows are only hidden, never
// removed, so edit and delete still read the rows they act on byte for byte.
#include <QAction>
#include <QLineEdit>

#include "FindBar.h"
#include "SjisCodec.h"
#include "SjisText.h"
#include "SubjListDlg.h"
#include "SubjListView.h"

namespace {

constexpr int kFindBarGap = 6;

bool Holds(const std::string& sjis, const QString& needle) {
    return FindBar::Folded(SjisToQString(sjis)).contains(needle);
}

template <class Subj>
bool Matches(const Subj& subj, const QString& needle) {
    return Holds(subj.title, needle) || Holds(UnescapeLineBreaks(subj.content), needle);
}

}  // namespace

void CSubjListDlg::AddFindCommand() {
    auto* find = new QAction(this);
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::WindowShortcut);
    addAction(find);
    connect(find, &QAction::triggered, this, &CSubjListDlg::OpenFindBar);
}

bool CSubjListDlg::FindBarOpen() const {
    return findBar_ != nullptr && findBar_->isVisible();
}

// The bar goes right below the list; what stood below the list moves down by
// the bar's height and the window grows by as much while the bar is open.
void CSubjListDlg::OpenFindBar() {
    if (findBar_ == nullptr) {
        findBar_ = new FindBar(this);
        connect(findBar_, &FindBar::TextChanged, this, &CSubjListDlg::ApplyFilter);
        connect(findBar_, &FindBar::CloseRequested, this, &CSubjListDlg::CloseFindBar);
        connect(findBar_, &FindBar::Accepted, this, [this] {
            list_->setFocus();
            for (int row = 0; row < list_->RowCount(); ++row) {
                if (!list_->isRowHidden(row, QModelIndex())) {
                    list_->SelectRow(row);
                    break;
                }
            }
        });
    }
    if (!FindBarOpen()) {
        const int height = findBar_->sizeHint().height();
        findShift_ = height + kFindBarGap;
        MoveBelowList(findShift_);
        findBar_->setGeometry(list_->x(), list_->geometry().bottom() + 1 + kFindBarGap,
                              list_->width(), height);
        findBar_->show();
    }
    findBar_->Edit()->setFocus();
    findBar_->Edit()->selectAll();
}

void CSubjListDlg::CloseFindBar() {
    if (!FindBarOpen()) {
        return;
    }
    const bool hadFocus = findBar_->isAncestorOf(focusWidget());
    findBar_->hide();
    findBar_->Edit()->clear();
    MoveBelowList(-findShift_);
    findShift_ = 0;
    ApplyFilter();
    if (hadFocus) {
        list_->setFocus();
    }
}

void CSubjListDlg::MoveBelowList(int shift) {
    const int listBottom = list_->geometry().bottom();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != findBar_ && child->isWindow() == false && child->y() > listBottom) {
            child->move(child->x(), child->y() + shift);
        }
    }
    setFixedSize(width(), height() + shift);
}

void CSubjListDlg::ApplyFilter() {
    const QString needle = FindBarOpen() ? findBar_->Needle() : QString();
    // Most fills happen with nothing to find and nothing hidden.
    if (needle.isEmpty() && !rowsHidden_) {
        return;
    }
    // The one pass over the rows, each decoded from its record.
    const auto matches = [this, &needle](int row) {
        const RecordText& record = SubjListRows::RecordOf(list_->RowHandle(row));
        return IndivMode() ? Matches(DecodeIndivSubj(record), needle)
                           : Matches(DecodeRepSubj(record), needle);
    };
    for (int row = 0; row < list_->RowCount(); ++row) {
        const bool hide = !needle.isEmpty() && !matches(row);
        if (list_->isRowHidden(row, QModelIndex()) != hide) {
            list_->setRowHidden(row, QModelIndex(), hide);
        }
    }
    rowsHidden_ = !needle.isEmpty();
    // A hidden row is no row to act on.
    const int mark = list_->SelectionMark();
    if (mark >= 0 && list_->isRowHidden(mark, QModelIndex())) {
        list_->SelectRow(-1);
    }
}
