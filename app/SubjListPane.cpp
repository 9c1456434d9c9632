#include "SubjListPane.h"

#include <QAbstractButton>
#include <algorithm>

#include "ListColumns.h"
#include "SubjListView.h"

namespace {

constexpr ListColumn kIndivColumns[] = {{"日時", "0000/00/00 00:00", false},
                                        {"進捗", "管理しない", false},
                                        {"タイトル", nullptr, true},
                                        {"猶予", "-10000 日", false}};
// The rules say more than a title; they take the room in their list. A title
// opens as wide as fourteen characters, as most are no longer.
constexpr ListColumn kRepColumns[] = {{"タイトル", "請求書と領収書を整理して送る", false},
                                      {"繰り返し", nullptr, true}};

std::size_t IndexOf(SubjListRows::Kind kind) {
    return kind == SubjListRows::Kind::Indiv ? 0 : 1;
}

}  // namespace

SubjListPane::SubjListPane(SubjListView& list, QAbstractButton& indivRadio,
                           QAbstractButton& repRadio, IndivSubjList& indiv, RepSubjList& rep,
                           std::function<void()> modeShown)
    : list_(list),
      indivRadio_(indivRadio),
      repRadio_(repRadio),
      indiv_(indiv),
      rep_(rep),
      modeShown_(std::move(modeShown)),
      find_(list, [this] { return IndivMode(); }),
      overdue_(list, [this] { return IndivMode(); }),
      due_(
          list, [this] { return IndivMode(); }, [this] { AgeRows(); }) {}

SubjListPane::~SubjListPane() {
    list_.ShowRows(nullptr, {});
}

// A new day can bring subjects to tell of, and only a fill would tell of them otherwise.
void SubjListPane::AgeRows() {
    rows_.Aged();
    list_.AllRowsChanged();
    overdue_.Recount();
}

bool SubjListPane::IndivMode() const {
    return indivRadio_.isChecked();
}

bool SubjListPane::RepMode() const {
    return repRadio_.isChecked();
}

std::optional<SubjKind> SubjListPane::Mode() const {
    if (IndivMode()) {
        return SubjKind::Indiv;
    }
    if (RepMode()) {
        return SubjKind::Rep;
    }
    return std::nullopt;
}

QString SubjListPane::Caption() const {
    return IndivMode() ? QStringLiteral("個別案件一覧")
           : RepMode() ? QStringLiteral("反復案件一覧")
                       : QString();
}

void SubjListPane::ShowMode(SubjKind kind) {
    (kind == SubjKind::Indiv ? indivRadio_ : repRadio_).setChecked(true);
    SetupColumns();
    FillList();
}

// Widths the user gave a mode's columns come back when the mode does, where the
// columns' texts fit them.
void SubjListPane::SetupColumns() {
    KeepShownWidths();
    list_.RemoveAllColumns();
    columnsShown_.reset();
    const auto insert = [this](const auto& columns, Kind kind) {
        ShowColumns(list_, columns, keptWidths_[IndexOf(kind)]);
        columnsShown_ = kind;
    };
    if (IndivMode()) {
        insert(kIndivColumns, Kind::Indiv);
    } else if (RepMode()) {
        insert(kRepColumns, Kind::Rep);
    }
    if (const QString caption = Caption(); !caption.isEmpty()) {
        list_.setAccessibleName(caption);
    }
    modeShown_();
}

// The rows are the stored records themselves, so a fill costs a walk over
// the keys, not a row's texts each.
void SubjListPane::FillList(const KeptSelection& keep) {
    const Kind kind = RepMode() ? Kind::Rep : Kind::Indiv;
    rows_.Filled(kind);
    std::vector<SubjRowSource::Handle> rows;
    if (IndivMode() || RepMode()) {
        rows = rows_.RowsOf(IndivMode() ? indiv_.Tree() : rep_.Tree(), kind);
    }
    list_.ShowRows(&rows_, std::move(rows));
    find_.Apply();
    overdue_.ScrollToToday();
    if (const int kept = keep.RowIn(list_, RepMode() ? rep_.Tree() : indiv_.Tree()); kept >= 0) {
        ShowRow(kept);
    }
}

void SubjListPane::SetRow(int index, bool update, const std::string& shownBefore) {
    if (IndivMode()) {
        SetIndivRow(index, update, shownBefore);
    } else if (RepMode()) {
        SetRepRow(index, update);
    }
}

// A rewritten row whose first text changed is placed again, so that the rows
// stay in order for every later insertion.
void SubjListPane::SetIndivRow(int index, bool update, const std::string& shownBefore) {
    const RecordText* stored = indiv_.Stored();
    if (stored != nullptr) {
        rows_.Rewritten(stored);
    }
    if (update && stored != nullptr && DateTimeText(*stored) == shownBefore) {
        list_.RowChanged(index);
        return;
    }
    if (update) {
        list_.RemoveRow(index);
    }
    if (stored != nullptr) {
        list_.InsertRowOf(stored);
    }
}

// The title is the key: a rewrite never moves the row.
void SubjListPane::SetRepRow(int index, bool update) {
    if (update) {
        list_.RowChanged(index);
    } else if (const RecordText* stored = rep_.Stored()) {
        list_.InsertRowOf(stored);
    }
}

// A removed row leaves the find bar's choice of the others as it was, and its place to the row
// after it (or before it, at the end).
void SubjListPane::ShowChange(const RowChange& change) {
    switch (change.kind) {
        case RowChange::Kind::None:
            return;
        case RowChange::Kind::Removed:
            list_.RemoveRow(change.row);
            if (list_.RowCount() > 0) {
                ShowRow(std::min(change.row, list_.RowCount() - 1));
            }
            return;
        case RowChange::Kind::Added:
            SetRow(change.row, false);
            break;
        case RowChange::Kind::Rewritten:
            SetRow(change.row, true, change.shownBefore);
            break;
        case RowChange::Kind::Replaced:
            list_.RemoveRow(change.row);
            SetRow(change.row, false);
            break;
    }
    find_.Apply();
    SelectCurrent();
}

// A step's rows stand on the records it took out and put in, so the list is filled again.
void SubjListPane::ShowLanding(const std::optional<EditHistory::Landing>& landing,
                               const KeptSelection& kept) {
    if (!landing) {
        return;
    }
    const bool otherList = landing->rep != RepMode();
    if (otherList) {
        (landing->rep ? repRadio_ : indivRadio_).setChecked(true);
        SetupColumns();
    }
    if (landing->subject) {
        FillList(KeptSelection::Of(*landing->subject));
    } else if (landing->gone) {
        FillList(KeptSelection::Near(*landing->gone));
    } else {
        FillList(otherList ? KeptSelection{} : kept);
    }
}

void SubjListPane::SelectCurrent() {
    const RecordText* stored = IndivMode() ? indiv_.Stored() : RepMode() ? rep_.Stored() : nullptr;
    if (stored != nullptr) {
        ShowSubjectRow(stored);
    }
}

// A row the find bar hides is shown by closing the bar: the user asked for
// that subject.
int SubjListPane::ShowSubjectRow(const void* stored) {
    int row = 0;
    const int count = list_.RowCount();
    while (row < count && list_.RowHandle(row) != stored) {
        ++row;
    }
    if (row == count) {
        return -1;
    }
    if (list_.RowHidden(row)) {
        find_.Close();
    }
    ShowRow(row);
    return row;
}

void SubjListPane::ShowRow(int row) {
    list_.SelectRow(row);
    list_.scrollTo(list_.model()->index(row, 0));
}

void SubjListPane::UseKeptWidths(std::vector<int> indiv, std::vector<int> rep) {
    keptWidths_[IndexOf(Kind::Indiv)] = std::move(indiv);
    keptWidths_[IndexOf(Kind::Rep)] = std::move(rep);
}

std::vector<int> SubjListPane::KeptWidths(Kind kind) {
    KeepShownWidths();
    return keptWidths_[IndexOf(kind)];
}

void SubjListPane::KeepShownWidths() {
    if (!columnsShown_) {
        return;
    }
    std::vector<int>& widths = keptWidths_[IndexOf(*columnsShown_)];
    widths.clear();
    for (int column = 0; column < list_.ColumnCount(); ++column) {
        widths.push_back(list_.columnWidth(column));
    }
}
