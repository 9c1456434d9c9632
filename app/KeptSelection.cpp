#include "KeptSelection.h"

#include <algorithm>

#include "SubjListRows.h"
#include "SubjListView.h"
#include "SubjTree.h"

KeptSelection KeptSelection::Of(const SubjListView& view) {
    const int row = view.SelectionMark();
    const SubjRowSource::Handle handle = row >= 0 ? view.RowHandle(row) : nullptr;
    return handle != nullptr ? Of(SubjListRows::RecordOf(handle)) : KeptSelection{};
}

KeptSelection KeptSelection::Of(const RecordText& record) {
    KeptSelection kept;
    kept.key_.emplace();
    std::copy_n(record.begin(), kKeySize, kept.key_->begin());
    return kept;
}

// A row's handle is the stored record itself, so the row is the one whose handle Locate gives.
int KeptSelection::RowIn(const SubjListView& view, const SubjTree& tree) const {
    if (!key_) {
        return -1;
    }
    const RecordText* stored = tree.Locate(SubjKey(key_->data(), kKeySize));
    if (stored == nullptr) {
        return -1;
    }
    const int count = view.RowCount();
    for (int row = 0; row < count; ++row) {
        if (view.RowHandle(row) == stored) {
            return row;
        }
    }
    return -1;
}
