#include "SubjListModel.h"

#include <algorithm>

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
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) {
        return CellText(index.row(), index.column());
    }
    if (role == Qt::DecorationRole && index.column() == 0 && row.image >= 0 &&
        row.image < static_cast<int>(images_.size())) {
        return images_[static_cast<std::size_t>(row.image)];
    }
    // The state shows only as the image; a screen reader says it before the cell.
    if (index.column() == 0 && row.image >= 0 && row.image < imageTexts_.size()) {
        const QString& state = imageTexts_[row.image];
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
        row.cells.resize(std::min<std::size_t>(row.cells.size(), 1));
    }
    endRemoveColumns();
}

void SubjListModel::InsertColumn(int position, const QString& header) {
    position = std::clamp(position, 0, static_cast<int>(headers_.size()));
    beginInsertColumns(QModelIndex(), position, position);
    headers_.insert(position, header);
    if (position > 0) {
        for (Row& row : rows_) {
            if (row.cells.size() > static_cast<std::size_t>(position)) {
                row.cells.insert(row.cells.begin() + position, Cell{});
            }
        }
    }
    endInsertColumns();
}

int SubjListModel::InsertRow(std::string_view firstSjis, const QString& firstText, int image) {
    // Unsigned bytes, so that double-byte texts sort after ASCII ones.
    const auto before = [](std::string_view key, const Row& row) {
        const std::string& other = row.cells.front().sjis;
        return std::lexicographical_compare(
            key.begin(), key.end(), other.begin(), other.end(), [](char a, char b) {
                return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
            });
    };
    const auto place = std::upper_bound(rows_.begin(), rows_.end(), firstSjis, before);
    const int position = static_cast<int>(place - rows_.begin());
    beginInsertRows(QModelIndex(), position, position);
    Row row;
    row.cells.push_back(Cell{std::string(firstSjis), firstText});
    row.image = image;
    rows_.insert(place, std::move(row));
    endInsertRows();
    return position;
}

bool SubjListModel::SetCell(int row, int column, std::string_view sjis, const QString& text) {
    if (!ValidRow(row) || column < 0 || column >= std::max<int>(1, columnCount())) {
        return false;
    }
    std::vector<Cell>& cells = rows_[static_cast<std::size_t>(row)].cells;
    if (cells.size() <= static_cast<std::size_t>(column)) {
        cells.resize(static_cast<std::size_t>(column) + 1);
    }
    cells[static_cast<std::size_t>(column)] = Cell{std::string(sjis), text};
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
    return true;
}

bool SubjListModel::SetImage(int row, int image) {
    if (!ValidRow(row)) {
        return false;
    }
    rows_[static_cast<std::size_t>(row)].image = image;
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed, {Qt::DecorationRole});
    return true;
}

bool SubjListModel::RemoveRow(int row) {
    if (!ValidRow(row)) {
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    return true;
}

void SubjListModel::RemoveAllRows() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

const std::string* SubjListModel::CellSjis(int row, int column) const {
    if (!ValidRow(row) || column < 0) {
        return nullptr;
    }
    const std::vector<Cell>& cells = rows_[static_cast<std::size_t>(row)].cells;
    return static_cast<std::size_t>(column) < cells.size()
               ? &cells[static_cast<std::size_t>(column)].sjis
               : nullptr;
}

QString SubjListModel::CellText(int row, int column) const {
    if (!ValidRow(row) || column < 0) {
        return {};
    }
    const std::vector<Cell>& cells = rows_[static_cast<std::size_t>(row)].cells;
    return static_cast<std::size_t>(column) < cells.size()
               ? cells[static_cast<std::size_t>(column)].text
               : QString();
}

int SubjListModel::Image(int row) const {
    return ValidRow(row) ? rows_[static_cast<std::size_t>(row)].image : -1;
}
