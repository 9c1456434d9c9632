#include "FindFilter.h"

#include <QLineEdit>

#include "FindBar.h"
#include "SjisCodec.h"
#include "SjisText.h"
#include "SubjListRows.h"
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

FindFilter::FindFilter(QWidget& window, SubjListView& list, std::function<bool()> indivRows)
    : QObject(&window), window_(window), list_(list), indivRows_(std::move(indivRows)) {}

bool FindFilter::IsOpen() const {
    return bar_ != nullptr && bar_->isVisible();
}

void FindFilter::Open() {
    if (bar_ == nullptr) {
        bar_ = new FindBar(&window_);
        connect(bar_, &FindBar::TextChanged, this, &FindFilter::Apply);
        connect(bar_, &FindBar::CloseRequested, this, &FindFilter::Close);
        connect(bar_, &FindBar::Accepted, this, &FindFilter::SelectFirstShown);
    }
    if (!IsOpen()) {
        const int height = bar_->sizeHint().height();
        shift_ = height + kFindBarGap;
        list_.resize(list_.width(), list_.height() - shift_);
        bar_->setGeometry(list_.x(), list_.geometry().bottom() + 1 + kFindBarGap, list_.width(),
                          height);
        bar_->show();
    }
    bar_->Edit()->setFocus();
    bar_->Edit()->selectAll();
}

void FindFilter::Close() {
    if (!IsOpen()) {
        return;
    }
    const bool hadFocus = bar_->isAncestorOf(window_.focusWidget());
    bar_->hide();
    bar_->Edit()->clear();
    list_.resize(list_.width(), list_.height() + shift_);
    shift_ = 0;
    Apply();
    if (hadFocus) {
        list_.setFocus();
    }
}

void FindFilter::SelectFirstShown() {
    list_.setFocus();
    for (int row = 0; row < list_.RowCount(); ++row) {
        if (!list_.isRowHidden(row, QModelIndex())) {
            list_.SelectRow(row);
            break;
        }
    }
}

void FindFilter::Apply() {
    const QString needle = IsOpen() ? bar_->Needle() : QString();
    // Most fills happen with nothing to find and nothing hidden.
    if (needle.isEmpty() && !rowsHidden_) {
        return;
    }
    // The one pass over the rows, each decoded from its record.
    const bool indiv = indivRows_();
    const auto matches = [this, indiv, &needle](int row) {
        const RecordText& record = SubjListRows::RecordOf(list_.RowHandle(row));
        return indiv ? Matches(DecodeIndivSubj(record), needle)
                     : Matches(DecodeRepSubj(record), needle);
    };
    for (int row = 0; row < list_.RowCount(); ++row) {
        const bool hide = !needle.isEmpty() && !matches(row);
        if (list_.isRowHidden(row, QModelIndex()) != hide) {
            list_.setRowHidden(row, QModelIndex(), hide);
        }
    }
    rowsHidden_ = !needle.isEmpty();
    // A hidden row is no row to act on.
    const int mark = list_.SelectionMark();
    if (mark >= 0 && list_.isRowHidden(mark, QModelIndex())) {
        list_.SelectRow(-1);
    }
}
