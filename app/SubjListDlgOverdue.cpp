// Open subjects whose day has passed, kept in sight: where the list opens,
// the line "期限切れ N 件" above it, and Ctrl+J, which goes to them.
#include <QAction>
#include <QLabel>
#include <cstdio>

#include "Clock.h"
#include "SubjListDlg.h"
#include "SubjListView.h"

namespace {

constexpr int kLineGap = 2;

// The first of `rows` shown and open, and how many are.
struct OverdueRows {
    int first = -1;
    int count = 0;
};

OverdueRows OpenRowsBefore(const SubjListView& list, int end) {
    OverdueRows overdue;
    for (int row = 0; row < end; ++row) {
        if (!list.isRowHidden(row, QModelIndex()) && SubjListRows::IsOpen(list.RowHandle(row))) {
            overdue.first = overdue.first < 0 ? row : overdue.first;
            ++overdue.count;
        }
    }
    return overdue;
}

}  // namespace

void CSubjListDlg::AddOverdueCommand() {
    auto* jump = new QAction(QStringLiteral("期限切れへ移動"), this);
    jump->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_J));
    jump->setShortcutContext(Qt::WindowShortcut);
    addAction(jump);
    connect(jump, &QAction::triggered, this, &CSubjListDlg::JumpToOverdue);
    // An add, edit or delete changes the count the line gives, not the scroll.
    const auto recount = [this] {
        if (overdueLine_ != nullptr && !overdueLine_->isHidden() && IndivMode()) {
            ShowOverdueLine(OpenRowsBefore(*list_, FirstRowFromToday()).count);
        }
    };
    QAbstractItemModel* rows = list_->model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, recount);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, recount);
    connect(rows, &QAbstractItemModel::dataChanged, this, recount);
}

// Rows stand in the order of their date texts: the first not before today.
int CSubjListDlg::FirstRowFromToday() const {
    const std::tm today = LocalTime::Break(Clock::Now());
    char date[32];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", today.tm_year + 1900, today.tm_mon + 1,
                  today.tm_mday);
    int row = 0;
    int high = list_->RowCount();
    while (row < high) {
        const int middle = (row + high) / 2;
        if (list_->CellSjis(middle, 0) < date) {
            row = middle + 1;
        } else {
            high = middle;
        }
    }
    while (row < list_->RowCount() && list_->isRowHidden(row, QModelIndex())) {
        ++row;
    }
    return row;
}

void CSubjListDlg::ScrollToToday() {
    const int count = list_->RowCount();
    int row = 0;
    OverdueRows overdue;
    if (IndivMode()) {
        row = FirstRowFromToday();
        overdue = OpenRowsBefore(*list_, row);
    }
    while (row < count && list_->isRowHidden(row, QModelIndex())) {
        ++row;
    }
    if (row == count) {
        do {
            --row;
        } while (row >= 0 && list_->isRowHidden(row, QModelIndex()));
    }
    // From the earliest overdue row, today's must still be on the first page.
    const bool bothInView = overdue.first >= 0 && row - overdue.first < list_->RowsInView();
    list_->ScrollRowToTop(bothInView ? overdue.first : row);
    ShowOverdueLine(bothInView ? 0 : overdue.count);
}

// The line takes its height from the list, which moves down under it.
void CSubjListDlg::ShowOverdueLine(int count) {
    if (overdueLine_ == nullptr && count == 0) {
        return;
    }
    if (overdueLine_ == nullptr) {
        overdueLine_ = new QLabel(this);
        overdueLine_->setObjectName(QStringLiteral("overdueLine"));
        overdueLine_->setToolTip(QStringLiteral("Ctrl+J で移動"));
        // Hidden until placed: a child not hidden by name counts as shown.
        overdueLine_->hide();
        // A screen reader reads it before the list, as it stands above it.
        overdueLine_->stackUnder(list_);
    }
    const bool wasShown = !overdueLine_->isHidden();
    const int shift = overdueLine_->sizeHint().height() + kLineGap;
    if (count > 0) {
        overdueLine_->setText(QStringLiteral("期限切れ %1 件").arg(count));
        overdueLine_->setAccessibleDescription(overdueLine_->toolTip());
        if (!wasShown) {
            overdueLine_->setGeometry(list_->x(), list_->y(), list_->width(), shift - kLineGap);
            list_->setGeometry(list_->geometry().adjusted(0, shift, 0, 0));
        }
        overdueLine_->show();
    } else if (wasShown) {
        overdueLine_->hide();
        list_->setGeometry(list_->geometry().adjusted(0, -shift, 0, 0));
    }
}

void CSubjListDlg::JumpToOverdue() {
    if (!IndivMode()) {
        return;
    }
    const int first = OpenRowsBefore(*list_, FirstRowFromToday()).first;
    if (first >= 0) {
        list_->SelectRow(first);
        list_->ScrollRowToTop(first);
        list_->setFocus();
    }
}
