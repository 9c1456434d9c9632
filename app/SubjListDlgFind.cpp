// Finding subjects in the main window: Ctrl+F opens a find bar below the list
// and the rows narrow to the subjects whose title or content holds its text;
// Esc closes it and every row shows again. Rows are only hidden, never
// removed, so edit and delete still read the rows they act on byte for byte.
#include <QAction>
#include <QLineEdit>
#include <unordered_set>

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
    // The key of every matching subject as its row shows it.
    std::unordered_set<std::string> matching;
    if (!needle.isEmpty() && IndivMode()) {
        for (StoreResult r = indivList_.First(); r == StoreResult::Done; r = indivList_.Next()) {
            const IndivSubj& subj = indivList_.current;
            if (Matches(subj, needle)) {
                matching.insert(DateTimeSjis(subj) + '\t' + subj.title);
            }
        }
    } else if (!needle.isEmpty() && RepMode()) {
        for (StoreResult r = repList_.First(); r == StoreResult::Done; r = repList_.Next()) {
            if (Matches(repList_.current, needle)) {
                matching.insert(repList_.current.title);
            }
        }
    }
    for (int row = 0; row < list_->RowCount(); ++row) {
        bool hide = false;
        if (!needle.isEmpty()) {
            const std::string key = IndivMode()
                                        ? list_->CellSjis(row, 0) + '\t' + list_->CellSjis(row, 2)
                                        : list_->CellSjis(row, 0);
            hide = !matching.contains(key);
        }
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
