#include "SubjListRows.h"

#include <algorithm>
#include <cstring>

#include "Clock.h"
#include "SubjListDlg.h"

namespace {

void AppendField(std::string& text, const RecordText& record, RecordField field) {
    text.append(reinterpret_cast<const char*>(record.data()) + field.offset, field.width);
}

// The rows of one day come in key order, by title; the list orders them by
// their time, keeping that order among equal times.
void SortDayByTime(std::vector<SubjRowSource::Handle>::iterator first,
                   std::vector<SubjRowSource::Handle>::iterator last) {
    using namespace IndivFields;
    constexpr std::size_t kTimeBytes = kHour.width + kMinute.width;
    static_assert(kMinute.offset == kHour.End());
    const auto earlier = [](SubjRowSource::Handle a, SubjRowSource::Handle b) {
        return std::memcmp(SubjListRows::RecordOf(a).data() + kHour.offset,
                           SubjListRows::RecordOf(b).data() + kHour.offset, kTimeBytes) < 0;
    };
    if (!std::is_sorted(first, last, earlier)) {
        std::stable_sort(first, last, earlier);
    }
}

}  // namespace

void SubjListRows::Filled(Kind kind) {
    kind_ = kind;
    filledAt_ = Clock::Now();
    rewrittenAt_.clear();
}

void SubjListRows::Rewritten(Handle row) {
    rewrittenAt_[row] = Clock::Now();
}

// Nothing refreshes a row by the clock: it shows the days left of the moment
// it was filled or last rewritten, as a row holding its texts would.
IndivSubj SubjListRows::DecodeAsShown(Handle row) const {
    IndivSubj subj = DecodeIndivHead(RecordOf(row));
    const auto rewritten = rewrittenAt_.find(row);
    DeriveIndivAt(subj, rewritten != rewrittenAt_.end() ? rewritten->second : filledAt_);
    return subj;
}

std::string SubjListRows::Cell(Handle row, int column) const {
    const RecordText& record = RecordOf(row);
    if (kind_ == Kind::Rep) {
        return column == 0 ? DecodeRepSubj(record).title : std::string();
    }
    switch (column) {
        case 0:
            return DateTimeSjis(record);
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
        return CSubjListDlg::ProgressImage(DecodeRepSubj(RecordOf(row)).progress, false);
    }
    const IndivSubj subj = DecodeAsShown(row);
    return CSubjListDlg::ProgressImage(subj.progress, subj.overdue != 0);
}

std::vector<SubjRowSource::Handle> SubjListRows::InListOrder(const SubjTree& tree, Kind kind) {
    std::vector<Handle> rows;
    tree.VisitInOrder([&rows](const RecordText& record) {
        rows.push_back(&record);
        return true;
    });
    if (kind == Kind::Rep) {
        return rows;  // the title is the key, and the rest of the key is zeros
    }
    // The date leads the key, so the rows of a day stand together already.
    constexpr std::size_t kDateBytes = IndivFields::kDay.End();
    const auto sameDay = [](Handle a, Handle b) {
        return std::memcmp(RecordOf(a).data(), RecordOf(b).data(), kDateBytes) == 0;
    };
    for (auto day = rows.begin(); day != rows.end();) {
        auto next = day + 1;
        while (next != rows.end() && sameDay(*day, *next)) {
            ++next;
        }
        SortDayByTime(day, next);
        day = next;
    }
    return rows;
}

std::string SubjListRows::DateTimeSjis(const RecordText& record) {
    using namespace IndivFields;
    std::string text;
    text.reserve(16);
    AppendField(text, record, kYear);
    text += '/';
    AppendField(text, record, kMonth);
    text += '/';
    AppendField(text, record, kDay);
    text += ' ';
    AppendField(text, record, kHour);
    text += ':';
    AppendField(text, record, kMinute);
    return text;
}

std::string SubjListRows::DaysLeftSjis(const IndivSubj& subj) {
    return std::to_string(subj.daysLeft) + " \x93\xFA";  // 日
}
