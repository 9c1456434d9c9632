// The rows behind SubjListView: per cell the exact Shift_JIS bytes and the
// text shown, per row a state image; rows kept in ascending byte order of the
// first cell, placed by binary search. Internal to the list view.
#pragma once

#include <QAbstractTableModel>
#include <QPixmap>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

class SubjListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit SubjListModel(QObject* parent = nullptr);

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

    // Returns the row's position in the order: after all rows whose first
    // bytes are <= `firstSjis`.
    int InsertRow(std::string_view firstSjis, const QString& firstText, int image);
    bool SetCell(int row, int column, std::string_view sjis, const QString& text);
    bool SetImage(int row, int image);
    bool RemoveRow(int row);
    void RemoveAllRows();

    // nullptr when out of range or never set.
    const std::string* CellSjis(int row, int column) const;
    QString CellText(int row, int column) const;
    int Image(int row) const;

  private:
    struct Cell {
        std::string sjis;
        QString text;
    };
    struct Row {
        std::vector<Cell> cells;  // cells[0] is the sort key; shorter when never set
        int image = -1;
    };

    bool ValidRow(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }

    std::vector<Row> rows_;
    QStringList headers_;
    std::vector<QPixmap> images_;
    QStringList imageTexts_;
};
