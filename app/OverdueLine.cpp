#include "OverdueLine.h"

#include <QLabel>
#include <cstdio>

#include "Clock.h"
#include "SubjListRows.h"
#include "SubjListView.h"

namespace {

constexpr int kLineGap = 2;
const QString kJumpKey = QStringLiteral("Ctrl+J で移動");

// The first of `rows` shown and open, and how many are.
struct OverdueRows {
    int first = -1;
    int count = 0;
};

OverdueRows OpenRowsBefore(const SubjListView& list, int end) {
    // The records lie too far apart for the processor to see the walk coming.
    constexpr int kAhead = 8;
    OverdueRows overdue;
    for (int row = 0; row < end; ++row) {
        if (row + kAhead < end) {
            __builtin_prefetch(&SubjListRows::RecordOf(
                list.RowHandle(row + kAhead))[IndivFields::kProgress.offset]);
        }
        if (!list.RowHidden(row) && SubjListRows::IsOpen(list.RowHandle(row))) {
            overdue.first = overdue.first < 0 ? row : overdue.first;
            ++overdue.count;
        }
    }
    return overdue;
}

}  // namespace

// An add, edit or delete changes the count the line gives, not the scroll.
OverdueLine::OverdueLine(SubjListView& list, std::function<bool()> datedRows)
    : list_(list), datedRows_(std::move(datedRows)) {
    const auto recount = [this] {
        if (count_ > 0 && datedRows_()) {
            Show(OpenRowsBefore(list_, FirstRowFromToday()).count);
        }
    };
    QAbstractItemModel* rows = list_.model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, recount);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, recount);
    connect(rows, &QAbstractItemModel::dataChanged, this, recount);
}

int OverdueLine::FirstRowFromToday() const {
    const std::tm today = LocalTime::Break(Clock::Now());
    char date[32];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", today.tm_year + 1900, today.tm_mon + 1,
                  today.tm_mday);
    int row = SubjListRows::FirstRowFrom(list_, date);
    while (row < list_.RowCount() && list_.RowHidden(row)) {
        ++row;
    }
    return row;
}

void OverdueLine::ScrollToToday() {
    const int count = list_.RowCount();
    int row = 0;
    OverdueRows overdue;
    if (datedRows_()) {
        row = FirstRowFromToday();
        overdue = OpenRowsBefore(list_, row);
    }
    while (row < count && list_.RowHidden(row)) {
        ++row;
    }
    if (row == count) {
        do {
            --row;
        } while (row >= 0 && list_.RowHidden(row));
    }
    // From the earliest overdue row, today's must still be on the first page.
    const bool bothInView = overdue.first >= 0 && row - overdue.first < list_.RowsInView();
    list_.ScrollRowToTop(bothInView ? overdue.first : row);
    Show(bothInView ? 0 : overdue.count);
}

void OverdueLine::Show(int count) {
    count_ = count;
    Put();
}

void OverdueLine::Tell(const QString& what) {
    note_ = what;
    Put();
}

void OverdueLine::EndTelling() {
    if (!note_.isEmpty()) {
        note_.clear();
        Put();
    }
}

// The line takes its height from the list, which moves down under it.
void OverdueLine::Put() {
    const bool telling = !note_.isEmpty();
    if (line_ == nullptr && count_ == 0 && !telling) {
        return;
    }
    if (line_ == nullptr) {
        line_ = new QLabel(list_.parentWidget());
        line_->setObjectName(QStringLiteral("overdueLine"));
        // Hidden until placed: a child not hidden by name counts as shown.
        line_->hide();
        // A screen reader reads it before the list, as it stands above it.
        line_->stackUnder(&list_);
    }
    const bool wasShown = !line_->isHidden();
    const int shift = line_->sizeHint().height() + kLineGap;
    if (telling || count_ > 0) {
        line_->setText(telling ? note_ : QStringLiteral("期限切れ %1 件").arg(count_));
        line_->setToolTip(telling ? QString() : kJumpKey);
        line_->setAccessibleDescription(line_->toolTip());
        if (!wasShown) {
            line_->setGeometry(list_.x(), list_.y(), list_.width(), shift - kLineGap);
            list_.setGeometry(list_.geometry().adjusted(0, shift, 0, 0));
        }
        line_->show();
    } else if (wasShown) {
        line_->hide();
        list_.setGeometry(list_.geometry().adjusted(0, -shift, 0, 0));
    }
}

// As after a fill, the line stays away while the earliest of them is in sight.
void OverdueLine::Recount() {
    if (!datedRows_()) {
        return;
    }
    const OverdueRows overdue = OpenRowsBefore(list_, FirstRowFromToday());
    const bool inSight = overdue.first >= 0 && list_.viewport()->rect().intersects(list_.visualRect(
                                                   list_.model()->index(overdue.first, 0)));
    Show(count_ > 0 || !inSight ? overdue.count : 0);
}

void OverdueLine::Jump() {
    if (!datedRows_()) {
        return;
    }
    const int first = OpenRowsBefore(list_, FirstRowFromToday()).first;
    if (first >= 0) {
        list_.SelectRow(first);
        list_.ScrollRowToTop(first);
        list_.setFocus();
    }
}
