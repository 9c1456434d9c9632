#include "SubjListRows.h"

#include <utility>

#include "Clock.h"
#include "IndivRowOrder.h"
#include "RuleWords.h"
#include "SjisCodec.h"
#include "StateImages.h"

void SubjListRows::Filled(Kind kind) {
    kind_ = kind;
    filledAt_ = Clock::Now();
    rewrittenAt_.clear();
}

void SubjListRows::Rewritten(Handle row) {
    rewrittenAt_[row] = Clock::Now();
}

void SubjListRows::Aged() {
    Filled(kind_);
}

// A row shows the days left of the moment it was filled, aged or last
// rewritten: the list is told when time has moved them (DueRefresh).
IndivSubj SubjListRows::DecodeAsShown(Handle row) const {
    IndivSubj subj = DecodeIndivHead(RecordOf(row));
    const auto rewritten = rewrittenAt_.find(row);
    DeriveIndivAt(subj, rewritten != rewrittenAt_.end() ? rewritten->second : filledAt_);
    return subj;
}

std::string SubjListRows::Cell(Handle row, int column) const {
    const RecordText& record = RecordOf(row);
    if (kind_ == Kind::Rep) {
        switch (column) {
            case 0:
                return DecodeRepSubj(record).title;
            case 1:
                return RuleSjis(DecodeRepSubj(record));
            default:
                return {};
        }
    }
    switch (column) {
        case 0:
            return DateTimeText(record);
        case 1:
            return ProgressText(DecodeIndivHead(record).progress);
        case 2:
            return DecodeIndivHead(record).title;
        case 3:
            return DaysLeftSjis(DecodeAsShown(row));
        default:
            return {};
    }
}

int SubjListRows::Image(Handle row) const {
    if (kind_ == Kind::Rep) {
        return StateImageOf(DecodeRepSubj(RecordOf(row)).progress, false);
    }
    const IndivSubj subj = DecodeAsShown(row);
    return StateImageOf(subj.progress, subj.overdue != 0);
}

std::vector<SubjRowSource::Handle> SubjListRows::InListOrder(const SubjTree& tree, Kind kind) {
    std::vector<const RecordText*> records;
    tree.AppendInOrder(records);
    if (kind == Kind::Indiv) {
        return IndivRowOrder::Of(records);
    }
    // For repeating subjects the title is the key, and the rest of the key is zeros.
    return {records.begin(), records.end()};
}

void SubjListRows::UseLoaded(std::vector<Handle> rows, std::uint64_t revision) {
    loaded_ = std::move(rows);
    loadedRevision_ = revision;
}

std::vector<SubjRowSource::Handle> SubjListRows::RowsOf(const SubjTree& tree, Kind kind) {
    std::vector<Handle> loaded = std::exchange(loaded_, {});
    if (kind == Kind::Indiv && tree.Revision() == loadedRevision_ && !loaded.empty()) {
        return loaded;
    }
    return InListOrder(tree, kind);
}

int SubjListRows::FirstRowFrom(const SubjListView& list, std::string_view firstSjis) {
    int row = 0;
    int high = list.RowCount();
    while (row < high) {
        const int middle = (row + high) / 2;
        if (list.CellSjis(middle, 0) < firstSjis) {
            row = middle + 1;
        } else {
            high = middle;
        }
    }
    return row;
}

bool SubjListRows::IsOpen(Handle row) {
    return RecordOf(row)[IndivFields::kProgress.offset] ==
           static_cast<std::uint8_t>(Progress::Open);
}

// Worked out as the row is painted, so that a fill costs no more for it.
std::string SubjListRows::RuleSjis(const RepSubj& subj) {
    return SjisFromQString(QString::fromStdString(RuleWords(subj))).value_or(std::string());
}

std::string SubjListRows::DaysLeftSjis(const IndivSubj& subj) {
    return std::to_string(subj.daysLeft) + " \x93\xFA";  // 日
}
