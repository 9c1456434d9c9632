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

FindFilter::FindFilter(SubjListView& list, std::function<bool()> indivRows)
    : list_(list), indivRows_(std::move(indivRows)) {}

bool FindFilter::IsOpen() const {
    return bar_ != nullptr && bar_->isVisible();
}

void FindFilter::Open() {
    if (bar_ == nullptr) {
        bar_ = new FindBar(list_.parentWidget());
        connect(bar_, &FindBar::TextChanged, this, &FindFilter::Apply);
        connect(bar_, &FindBar::CloseRequested, this, &FindFilter::Close);
        connect(bar_, &FindBar::Stepped, this, &FindFilter::Step);
        list_.ShowSelectionAlongside(bar_);
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
    const bool hadFocus = bar_->isAncestorOf(list_.window()->focusWidget());
    bar_->hide();
    bar_->Edit()->clear();
    list_.resize(list_.width(), list_.height() + shift_);
    shift_ = 0;
    Apply();
    if (hadFocus) {
        list_.setFocus();
    }
}

void FindFilter::Step(bool forward) {
    const int count = list_.RowCount();
    const int from = list_.SelectionMark();
    for (int i = 1; i <= count; ++i) {
        const int start = from < 0 ? (forward ? -1 : count) : from;
        const int row = ((start + (forward ? i : -i)) % count + count) % count;
        if (!list_.RowHidden(row)) {
            list_.SelectRow(row);
            list_.scrollTo(list_.model()->index(row, 0));
            return;
        }
    }
}

void FindFilter::Apply() {
    const QString needle = IsOpen() ? bar_->Needle() : QString();
    // Most fills happen with nothing to find and nothing hidden.
    if (needle.isEmpty() && !rowsHidden_) {
        if (bar_ != nullptr) {
            bar_->ShowHits(-1);
        }
        return;
    }
    // The one pass over the rows, each decoded from its record.
    const bool indiv = indivRows_();
    const auto matches = [this, indiv, &needle](int row) {
        const RecordText& record = SubjListRows::RecordOf(list_.RowHandle(row));
        return indiv ? Matches(DecodeIndivSubj(record), needle)
                     : Matches(DecodeRepSubj(record), needle);
    };
    int hits = 0;
    for (int row = 0; row < list_.RowCount(); ++row) {
        const bool hide = !needle.isEmpty() && !matches(row);
        hits += hide ? 0 : 1;
        list_.HideRow(row, hide);
    }
    rowsHidden_ = !needle.isEmpty();
    if (bar_ != nullptr) {
        bar_->ShowHits(rowsHidden_ ? hits : -1);
    }
    // A hidden row is no row to act on.
    const int mark = list_.SelectionMark();
    if (mark >= 0 && list_.RowHidden(mark)) {
        list_.SelectRow(-1);
    }
}
