// The rows behind SubjListView: per row the exact Shift_JIS bytes of its cells
// and a state image, kept in ascending byte order of the first cell. Texts are
// made only when a cell is painted or read. Internal to the list view.
#pragma once

#include <QAbstractTableModel>
#include <QPixmap>
#include <QStringList>
#include <cstdint>
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

    // Between these two, rows change without a signal each, and the views
    // hear of it once, as a reset. Nesting is not supported.
    void BeginFill();
    void EndFill();

    // Returns the row's position in the order: after all rows whose first
    // bytes are <= `firstSjis`.
    int InsertRow(std::string_view firstSjis, int image);
    bool SetCell(int row, int column, std::string_view sjis);
    bool SetImage(int row, int image);
    bool RemoveRow(int row);
    void RemoveAllRows();

    // The cell's bytes as given; empty when out of range or never set.
    std::string_view CellSjis(int row, int column) const;
    QString CellText(int row, int column) const;
    int Image(int row) const;

  private:
    // A row's cells in one string, each as its length in two bytes followed
    // by its bytes: one allocation per row, or none for short rows.
    struct Row {
        std::string cells;
        std::int8_t image = -1;
    };

    bool ValidRow(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }
    void CellsChanged(int row, int column, int role);

    std::vector<Row> rows_;
    QStringList headers_;
    std::vector<QPixmap> images_;
    QStringList imageTexts_;
    bool filling_ = false;
};
