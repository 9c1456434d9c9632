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

KeptSelection KeptSelection::Near(const RecordText& record) {
    KeptSelection kept = Of(record);
    kept.orNeighbour_ = true;
    return kept;
}

// A row's handle is the stored record itself, so the row is the one whose handle Locate gives.
int KeptSelection::RowIn(const SubjListView& view, const SubjTree& tree) const {
    if (!key_) {
        return -1;
    }
    const RecordText* stored = tree.Locate(SubjKey(key_->data(), kKeySize));
    if (stored == nullptr) {
        return orNeighbour_ ? NeighbourIn(view) : -1;
    }
    const int count = view.RowCount();
    for (int row = 0; row < count; ++row) {
        if (view.RowHandle(row) == stored) {
            return row;
        }
    }
    return -1;
}

// The rows stand in the order of their first texts, which is not quite key order (an individual
// subject's time comes before its title there), so every row is looked at.
int KeptSelection::NeighbourIn(const SubjListView& view) const {
    const auto keyOf = [&view](int row) {
        Key key;
        std::copy_n(SubjListRows::RecordOf(view.RowHandle(row)).begin(), kKeySize, key.begin());
        return key;
    };
    int after = -1;
    int before = -1;
    Key afterKey{};
    Key beforeKey{};
    for (int row = 0; row < view.RowCount(); ++row) {
        const Key key = keyOf(row);
        if (key > *key_ && (after < 0 || key < afterKey)) {
            after = row;
            afterKey = key;
        } else if (key < *key_ && (before < 0 || key > beforeKey)) {
            before = row;
            beforeKey = key;
        }
    }
    return after >= 0 ? after : before;
}
