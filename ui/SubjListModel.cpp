#include "SubjListModel.h"

#include <algorithm>

#include "SjisCodec.h"

SubjListModel::SubjListModel(QObject* parent) : QAbstractTableModel(parent) {}

SubjListModel::~SubjListModel() {
    DropAll();
}

QModelIndex SubjListModel::index(int row, int column, const QModelIndex& parent) const {
    const bool inside =
        !parent.isValid() && ValidRow(row) && column >= 0 && column < headers_.size();
    return inside ? createIndex(row, column) : QModelIndex();
}

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
    if (index.column() != 0 || (role != Qt::DecorationRole && role != Qt::AccessibleTextRole &&
                                role != Qt::AccessibleDescriptionRole)) {
        return {};
    }
    const int image = Image(index.row());
    if (role == Qt::DecorationRole && image >= 0 && image < static_cast<int>(images_.size())) {
        return images_[static_cast<std::size_t>(image)];
    }
    // The state shows only as the image; a screen reader says it before the cell.
    if (image >= 0 && image < imageTexts_.size()) {
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
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

void SubjListModel::RemoveAllColumns() {
    if (headers_.isEmpty()) {
        return;
    }
    beginRemoveColumns(QModelIndex(), 0, static_cast<int>(headers_.size()) - 1);
    headers_.clear();
    if (OwnsRows()) {
        for (Handle row : rows_) {
            owned_.ColumnsRemoved(row);
        }
    }
    endRemoveColumns();
}

void SubjListModel::InsertColumn(int position, const QString& header) {
    position = std::clamp(position, 0, static_cast<int>(headers_.size()));
    beginInsertColumns(QModelIndex(), position, position);
    headers_.insert(position, header);
    if (OwnsRows()) {
        for (Handle row : rows_) {
            owned_.ColumnInserted(row, position);
        }
    }
    endInsertColumns();
}

void SubjListModel::ShowRows(SubjRowSource* source, std::vector<Handle> rows) {
    beginResetModel();
    DropAll();
    source_ = source != nullptr ? source : &owned_;
    rows_ = std::move(rows);
    endResetModel();
}

int SubjListModel::InsertHandle(Handle row) {
    // Strings compare their bytes as unsigned, so double-byte texts sort after
    // ASCII ones.
    const std::string first = source_->Cell(row, 0);
    const auto before = [this](const std::string& key, Handle other) {
        return source_->SortsBefore(key, other);
    };
    const auto place = std::upper_bound(rows_.begin(), rows_.end(), first, before);
    const int position = static_cast<int>(place - rows_.begin());
    if (!filling_) {
        beginInsertRows(QModelIndex(), position, position);
    }
    rows_.insert(place, row);
    if (!filling_) {
        endInsertRows();
    }
    return position;
}

bool SubjListModel::RowChanged(int row) {
    if (!ValidRow(row)) {
        return false;
    }
    CellsChanged(row, 0, std::max(0, columnCount() - 1), Qt::DisplayRole);
    CellsChanged(row, 0, 0, Qt::DecorationRole);
    return true;
}

void SubjListModel::AllRowsChanged() {
    const QModelIndex from = index(0, 0);
    const QModelIndex to = index(rowCount() - 1, columnCount() - 1);
    if (!filling_ && from.isValid() && to.isValid()) {
        emit dataChanged(from, to, {Qt::DisplayRole, Qt::DecorationRole});
    }
}

SubjListModel::Handle SubjListModel::RowHandle(int row) const {
    return ValidRow(row) ? rows_[static_cast<std::size_t>(row)] : nullptr;
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
    return OwnsRows() ? InsertHandle(owned_.Add(firstSjis, image)) : -1;
}

bool SubjListModel::SetCell(int row, int column, std::string_view sjis) {
    if (!OwnsRows() || !ValidRow(row) || column < 0 || column >= std::max<int>(1, columnCount())) {
        return false;
    }
    owned_.SetCell(rows_[static_cast<std::size_t>(row)], column, sjis);
    CellsChanged(row, column, column, Qt::DisplayRole);
    return true;
}

bool SubjListModel::SetImage(int row, int image) {
    if (!OwnsRows() || !ValidRow(row)) {
        return false;
    }
    owned_.SetImage(rows_[static_cast<std::size_t>(row)], image);
    CellsChanged(row, 0, 0, Qt::DecorationRole);
    return true;
}

void SubjListModel::CellsChanged(int row, int first, int last, int role) {
    // A first cell set before any column exists has no index to name.
    const QModelIndex from = index(row, first);
    const QModelIndex to = index(row, last);
    if (!filling_ && from.isValid() && to.isValid()) {
        emit dataChanged(from, to, {role});
    }
}

bool SubjListModel::RemoveRow(int row) {
    if (!ValidRow(row)) {
        return false;
    }
    if (!filling_) {
        beginRemoveRows(QModelIndex(), row, row);
    }
    const Handle gone = rows_[static_cast<std::size_t>(row)];
    rows_.erase(rows_.begin() + row);
    if (OwnsRows()) {
        owned_.Drop(gone);
    }
    if (!filling_) {
        endRemoveRows();
    }
    return true;
}

void SubjListModel::RemoveAllRows() {
    if (filling_) {
        DropAll();
        return;
    }
    beginResetModel();
    DropAll();
    endResetModel();
}

// A store's rows are only handles; its source may be gone already when the
// model goes.
void SubjListModel::DropAll() {
    if (OwnsRows()) {
        for (Handle row : rows_) {
            owned_.Drop(row);
        }
    }
    rows_.clear();
}

std::string SubjListModel::CellSjis(int row, int column) const {
    if (!ValidRow(row) || column < 0) {
        return {};
    }
    return source_->Cell(rows_[static_cast<std::size_t>(row)], column);
}

QString SubjListModel::CellText(int row, int column) const {
    return SjisToQString(CellSjis(row, column));
}

int SubjListModel::Image(int row) const {
    return ValidRow(row) ? source_->Image(rows_[static_cast<std::size_t>(row)]) : -1;
}
