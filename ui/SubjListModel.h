// The rows behind SubjListView: a handle per row, kept in ascending byte order
// of the first cell, read through a SubjRowSource only when a cell is painted
// or read. The rows come from a store, or are kept by the model itself with
// their exact Shift_JIS bytes. Internal to the list view.
#pragma once

#include <QAbstractTableModel>
#include <QPixmap>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

#include "OwnedRowCells.h"

class SubjListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    using Handle = SubjRowSource::Handle;

    explicit SubjListModel(QObject* parent = nullptr);
    ~SubjListModel() override;

    // The view asks for every row's index, and whether it has children, as it
    // lays the rows out: both are answered without a call of their own.
    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The state images, and what a screen reader says for each.
    void SetImages(std::vector<QPixmap> images, QStringList texts) {
        images_ = std::move(images);
        imageTexts_ = std::move(texts);
    }

    void RemoveAllColumns();
    // `position` clamped to 0..columnCount(). Cells move with their columns.
    void InsertColumn(int position, const QString& header);

    // Shows exactly `rows` of `source`, which must outlive them, as one reset;
    // they stand in the list's order already (see InsertHandle). nullptr
    // returns to rows the model keeps itself, none at first.
    void ShowRows(SubjRowSource* source, std::vector<Handle> rows);
    // Places a row of the source shown, after all rows whose first cell is <=
    // its own; returns its position.
    int InsertHandle(Handle row);
    // The row's cells or image changed where its source keeps them.
    bool RowChanged(int row);
    // The same for every row at once.
    void AllRowsChanged();
    // The row's handle; nullptr out of range.
    Handle RowHandle(int row) const;

    // Rows the model keeps itself. Between these two, rows change without a
    // signal each, and the views hear of it once, as a reset. Nesting is not
    // supported.
    void BeginFill();
    void EndFill();
    // As InsertHandle; -1 while a store's rows are shown.
    int InsertRow(std::string_view firstSjis, int image);
    // false out of range, or while a store's rows are shown.
    bool SetCell(int row, int column, std::string_view sjis);
    bool SetImage(int row, int image);

    bool RemoveRow(int row);
    void RemoveAllRows();

    // The cell's bytes; empty when out of range or never set.
    std::string CellSjis(int row, int column) const;
    QString CellText(int row, int column) const;
    int Image(int row) const;

  private:
    bool ValidRow(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }
    bool OwnsRows() const { return source_ == &owned_; }
    void CellsChanged(int row, int first, int last, int role);
    void DropAll();

    OwnedRowCells owned_;
    SubjRowSource* source_ = &owned_;
    std::vector<Handle> rows_;
    QStringList headers_;
    std::vector<QPixmap> images_;
    QStringList imageTexts_;
    bool filling_ = false;
};
