#include "DueRefresh.h"

#include <algorithm>
#include <limits>
#include <string>

#include "Clock.h"
#include "SubjListRows.h"
#include "SubjListView.h"

namespace {

constexpr std::time_t kLongestWait = 60;

// The first cell of a row dated in the minute of `t`.
std::string MinuteText(std::time_t t) {
    const std::tm local = LocalTime::Break(t);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M", &local);
    return text;
}

std::time_t NextMidnight(std::time_t now) {
    const std::tm local = LocalTime::Break(now);
    return LocalTime::Make(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday + 1);
}

}  // namespace

DueRefresh::DueRefresh(SubjListView& list, std::function<bool()> datedRows,
                       std::function<void()> age)
    : list_(list), datedRows_(std::move(datedRows)), age_(std::move(age)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &DueRefresh::Tick);
    const auto rearm = [this] { Arm(Clock::Now()); };
    QAbstractItemModel* rows = list_.model();
    connect(rows, &QAbstractItemModel::modelReset, this, rearm);
    connect(rows, &QAbstractItemModel::rowsInserted, this, rearm);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, rearm);
    connect(rows, &QAbstractItemModel::dataChanged, this, rearm);
}

// A clock set back turns overdue subjects open again.
void DueRefresh::Tick() {
    const std::time_t now = Clock::Now();
    if (datedRows_() && (now >= changesAt_ || now < lookedAt_)) {
        age_();
    }
    Arm(now);
}

void DueRefresh::Arm(std::time_t now) {
    lookedAt_ = now;
    if (!datedRows_()) {
        changesAt_ = 0;
        timer_.stop();
        return;
    }
    changesAt_ = std::min(NextOverdue(now), NextMidnight(now));
    const std::time_t wait = std::clamp<std::time_t>(changesAt_ - now, 1, kLongestWait);
    timer_.start(static_cast<int>(wait * 1000));
}

// An open subject is overdue once the minute after its own has begun, so one of this minute is
// the first that can still turn. Rows stand in the order of their date texts.
std::time_t DueRefresh::NextOverdue(std::time_t now) const {
    for (int row = SubjListRows::FirstRowFrom(list_, MinuteText(now)); row < list_.RowCount();
         ++row) {
        const SubjRowSource::Handle handle = list_.RowHandle(row);
        if (handle != nullptr && SubjListRows::IsOpen(handle)) {
            const IndivSubj subj = DecodeIndivHead(SubjListRows::RecordOf(handle));
            return LocalTime::Make(subj.year, subj.month, subj.day, subj.hour, subj.minute + 1);
        }
    }
    return std::numeric_limits<std::time_t>::max();
}
