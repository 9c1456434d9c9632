#include "SubjListModel.h"

#include <algorithm>

#include "SjisCodec.h"

namespace {

// A cell longer than this keeps only its first bytes; the list shows dates,
// progress words, titles and day counts, all far shorter.
constexpr std::size_t kMaxCellBytes = 0xFFFF;

std::size_t LengthAt(const std::string& cells, std::size_t at) {
    return static_cast<unsigned char>(cells[at]) |
           static_cast<std::size_t>(static_cast<unsigned char>(cells[at + 1])) << 8;
}

void AppendCell(std::string& cells, std::string_view sjis) {
    sjis = sjis.substr(0, kMaxCellBytes);
    cells.push_back(static_cast<char>(sjis.size() & 0xFF));
    cells.push_back(static_cast<char>(sjis.size() >> 8));
    cells.append(sjis);
}

// The cells one by one; `visit` returns false to stop.
template <typename Visit>
void ForEachCell(const std::string& cells, Visit visit) {
    for (std::size_t at = 0; at + 2 <= cells.size();) {
        const std::size_t length = LengthAt(cells, at);
        if (!visit(std::string_view(cells).substr(at + 2, length))) {
            return;
        }
        at += 2 + length;
    }
}

std::string_view CellAt(const std::string& cells, int column) {
    std::string_view found;
    int index = 0;
    ForEachCell(cells, [&](std::string_view cell) {
        if (index++ == column) {
            found = cell;
            return false;
        }
        return true;
    });
    return found;
}

int CellCount(const std::string& cells) {
    int count = 0;
    ForEachCell(cells, [&](std::string_view) { return ++count, true; });
    return count;
}

// The row's cells rebuilt by `edit`, which gets the cells as a list of views
// into the old string and may change that list.
template <typename Edit>
void RebuildCells(std::string& cells, Edit edit) {
    std::vector<std::string_view> views;
    ForEachCell(cells, [&](std::string_view cell) { return views.push_back(cell), true; });
    edit(views);
    std::string rebuilt;
    for (std::string_view cell : views) {
        AppendCell(rebuilt, cell);
    }
    cells = std::move(rebuilt);
}

}  // namespace

SubjListModel::SubjListModel(QObject* parent) : QAbstractTableModel(parent) {}

int SubjListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SubjListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant SubjListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !ValidRow(index.row())) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return CellText(index.row(), index.column());
    }
    const int image = Image(index.row());
    if (role == Qt::DecorationRole && index.column() == 0 && image >= 0 &&
        image < static_cast<int>(images_.size())) {
        return images_[static_cast<std::size_t>(image)];
    }
    // The state shows only as the image; a screen reader says it before the cell.
    if (index.column() == 0 && image >= 0 && image < imageTexts_.size()) {
        const QString& state = imageTexts_[image];
        if (role == Qt::AccessibleDescriptionRole) {
            return state;
        }
        if (role == Qt::AccessibleTextRole) {
            return state + QLatin1Char(' ') + CellText(index.row(), 0);
        }
    }
    return {};
}

QVariant SubjListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headers_.size()) {
        return headers_[section];
    }
    return {};
}

Qt::ItemFlags SubjListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void SubjListModel::RemoveAllColumns() {
    if (headers_.isEmpty()) {
        return;
    }
    beginRemoveColumns(QModelIndex(), 0, static_cast<int>(headers_.size()) - 1);
    headers_.clear();
    // The first cell stays: it is what the row is ordered by.
    for (Row& row : rows_) {
        RebuildCells(row.cells, [](std::vector<std::string_view>& cells) {
            cells.resize(std::min<std::size_t>(cells.size(), 1));
        });
    }
    endRemoveColumns();
}

void SubjListModel::InsertColumn(int position, const QString& header) {
    position = std::clamp(position, 0, static_cast<int>(headers_.size()));
    beginInsertColumns(QModelIndex(), position, position);
    headers_.insert(position, header);
    if (position > 0) {
        for (Row& row : rows_) {
            RebuildCells(row.cells, [position](std::vector<std::string_view>& cells) {
                if (cells.size() > static_cast<std::size_t>(position)) {
                    cells.insert(cells.begin() + position, std::string_view());
                }
            });
        }
    }
    endInsertColumns();
}

void SubjListModel::BeginFill() {
    beginResetModel();
    filling_ = true;
}

void SubjListModel::EndFill() {
    filling_ = false;
    endResetModel();
}

int SubjListModel::InsertRow(std::string_view firstSjis, int image) {
    // string_view compares bytes as unsigned, so double-byte texts sort after
    // ASCII ones.
    const auto before = [](std::string_view key, const Row& row) {
        return key < CellAt(row.cells, 0);
    };
    const auto place = std::upper_bound(rows_.begin(), rows_.end(), firstSjis, before);
    const int position = static_cast<int>(place - rows_.begin());
    Row row;
    AppendCell(row.cells, firstSjis);
    row.image = static_cast<std::int8_t>(std::clamp(image, -1, 127));
    if (!filling_) {
        beginInsertRows(QModelIndex(), position, position);
    }
    rows_.insert(place, std::move(row));
    if (!filling_) {
        endInsertRows();
    }
    return position;
}

bool SubjListModel::SetCell(int row, int column, std::string_view sjis) {
    if (!ValidRow(row) || column < 0 || column >= std::max<int>(1, columnCount())) {
        return false;
    }
    std::string& cells = rows_[static_cast<std::size_t>(row)].cells;
    const int count = CellCount(cells);
    if (column == count) {
        AppendCell(cells, sjis);  // the usual case: a row filled left to right
    } else {
        RebuildCells(cells, [&](std::vector<std::string_view>& views) {
            if (views.size() <= static_cast<std::size_t>(column)) {
                views.resize(static_cast<std::size_t>(column) + 1);
            }
            views[static_cast<std::size_t>(column)] = sjis;
        });
    }
    CellsChanged(row, column, Qt::DisplayRole);
    return true;
}

bool SubjListModel::SetImage(int row, int image) {
    if (!ValidRow(row)) {
        return false;
    }
    rows_[static_cast<std::size_t>(row)].image =
        static_cast<std::int8_t>(std::clamp(image, -1, 127));
    CellsChanged(row, 0, Qt::DecorationRole);
    return true;
}

void SubjListModel::CellsChanged(int row, int column, int role) {
    // A first cell set before any column exists has no index to name.
    const QModelIndex changed = index(row, column);
    if (!filling_ && changed.isValid()) {
        emit dataChanged(changed, changed, {role});
    }
}

bool SubjListModel::RemoveRow(int row) {
    if (!ValidRow(row)) {
        return false;
    }
    if (!filling_) {
        beginRemoveRows(QModelIndex(), row, row);
    }
    rows_.erase(rows_.begin() + row);
    if (!filling_) {
        endRemoveRows();
    }
    return true;
}

void SubjListModel::RemoveAllRows() {
    if (filling_) {
        rows_.clear();
        return;
    }
    beginResetModel();
    rows_.clear();
    endResetModel();
}

std::string_view SubjListModel::CellSjis(int row, int column) const {
    if (!ValidRow(row) || column < 0) {
        return {};
    }
    return CellAt(rows_[static_cast<std::size_t>(row)].cells, column);
}

QString SubjListModel::CellText(int row, int column) const {
    return SjisToQString(CellSjis(row, column));
}

int SubjListModel::Image(int row) const {
    return ValidRow(row) ? rows_[static_cast<std::size_t>(row)].image : -1;
}
