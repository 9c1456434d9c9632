// The main window's report-style subject list: fixed-width columns, rows in ascending byte order
// of their first cell's Shift_JIS text, a state image per row, full-row single selection, a hot
// row and a selection mark. A cell keeps the exact bytes it was given, to be read back as they
// are; a state image is spoken as the state it shows. A cell cut short shows its whole text as
// a tooltip.
#pragma once

#include <QPointer>
#include <QTreeView>
#include <string>
#include <string_view>
#include <vector>

#include "SubjRowSource.h"

class SubjListModel;

class SubjListView : public QTreeView {
    Q_OBJECT

  public:
    explicit SubjListView(QWidget* parent = nullptr);
    ~SubjListView() override;

    // Columns. Removing them keeps no rows' texts beyond the first column.
    int ColumnCount() const;
    void RemoveAllColumns();
    // Inserts a left-aligned column at `position` (clamped to 0..ColumnCount())
    // with `header` and `widthPx`. Header clicks do nothing.
    void InsertColumn(int position, const QString& header, int widthPx);
    // The column takes what the others leave of the list's width, as the list
    // grows and shrinks; the user no longer sizes it.
    void StretchColumn(int column);
    // The width a column needs to show a cell holding `text` uncut, with the
    // state image before it when `withImage` (as cells of column 0 have), and
    // `text` as its header.
    int WidthToShow(const QString& text, bool withImage = false) const;

    // Rows. `position` is ignored for the order: the row goes after every row
    // whose first text is byte-wise less than or equal to `firstSjis` and
    // before the others. Returns the row's position. `image` indexes the
    // state images (0..3), -1 for none. These rows keep their texts; while a
    // store's rows are shown (ShowRows) inserting and setting one fails (-1,
    // false).
    int InsertRowSjis(int position, std::string_view firstSjis, int image);
    // The same with a program text (dates, numbers); it is stored as its
    // Shift_JIS bytes (empty if it has none).
    int InsertRow(int position, const QString& firstText, int image);
    int RowCount() const;
    // false when `row` is out of range. Nothing moves when column 0 changes:
    // the caller removes and inserts the row again to re-sort it.
    bool SetCellSjis(int row, int column, std::string_view sjis);
    bool SetCellText(int row, int column, const QString& text);
    bool SetRowImage(int row, int image);
    bool RemoveRow(int row);
    void RemoveAllRows();
    // A fill between these two is shown once, at EndFill, instead of row by
    // row; the selection and the hot row are cleared. Row positions returned
    // meanwhile are as usual.
    void BeginFill();
    void EndFill();

    // Rows of a store, read through `source` only when they are painted or
    // read: exactly `rows` are shown, all at once as a fill is, in the order
    // the rows above keep (the caller sorts them, which costs it far less than
    // placing them one by one). `source` must outlive them, and a row must
    // leave the list before or as soon as its handle stops reading its row.
    // nullptr returns to rows kept with their texts, none at first.
    void ShowRows(SubjRowSource* source, std::vector<SubjRowSource::Handle> rows);
    // Places a row of the source shown, as InsertRowSjis does; returns its position.
    int InsertRowOf(SubjRowSource::Handle row);
    // The source rewrote the row's cells or image; false when `row` is out of range.
    bool RowChanged(int row);
    // The source rewrote every row's cells and images, without moving any: one change.
    void AllRowsChanged();
    // The row's handle; nullptr out of range.
    SubjRowSource::Handle RowHandle(int row) const;
    // Hides or shows `row`, as setRowHidden does, counting the rows hidden,
    // so that a pass over every row asks the view about each only while some
    // are. Use only these two for hiding rows.
    void HideRow(int row, bool hide);
    bool RowHidden(int row) const;

    // The exact bytes given for the cell; empty for a cell never set or out of range.
    std::string CellSjis(int row, int column) const;
    // The cell as shown.
    QString CellText(int row, int column) const;
    // The row's image index, -1 for none or out of range.
    int RowImage(int row) const;

    // The row under the mouse pointer, or -1.
    int HotRow() const;
    // The row last selected (kept when the focus leaves the list, moved with
    // the row by insertions and removals above it), or -1; -1 again once that
    // row is removed or all rows are.
    int SelectionMark() const;
    // The row the keyboard acts on: the selected row, or with none selected the
    // current row while the list has the focus (the row its focus ring
    // outlines, as after Tab into the list); -1 when neither.
    int ActiveRow() const;
    // Selects `row` (-1 clears the selection) and makes it the selection mark.
    void SelectRow(int row);
    // Scrolls so that `row` stands at the top (as far as the rows below allow)
    // and makes it the current row without selecting it (unless a row is
    // current by then), now or when the list is first shown. Nothing for a row
    // out of range.
    void ScrollRowToTop(int row);
    // The selection shows while `companion` (the find bar, the month pane),
    // or a widget inside it, has the focus too.
    void ShowSelectionAlongside(QWidget* companion);
    bool ShowsSelection() const;
    // How many whole rows the list shows at its present size.
    int RowsInView() const;

  signals:
    // A double-click in the list; `row` is the row under the pointer, -1 for
    // empty space. Enter is left to the dialog.
    void RowDoubleClicked(int row);
    // The selected row changed; `row` is the new one or -1.
    void RowSelectionChanged(int row);
    // A left click on the state image of `row`; the click selects the row as well.
    void StateImageClicked(int row);

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The view shows every row again.
    void reset() override;

  private:
    // Whether `widget` is a companion of ShowSelectionAlongside or inside one.
    bool WithCompanion(const QWidget* widget) const;
    void SetHotRow(int row);
    // The scroll and current row ScrollRowToTop asked for, with the rows laid
    // out once; a current row stays so while `keepCurrent`.
    void PlaceTopRow(bool keepCurrent);
    // The row whose state image stands at `pos` in the viewport, or -1.
    int StateImageRowAt(const QPoint& pos) const;
    void OnCurrentRowChanged(const QModelIndex& current);

    SubjListModel* model_;
    QPersistentModelIndex hotRow_;
    QPersistentModelIndex selectionMark_;
    QPersistentModelIndex topRow_;
    std::vector<QPointer<QWidget>> companions_;
    // Never fewer than the rows the view hides: a row it lets go of by
    // itself (as its column goes) only costs a pass the ask.
    int hiddenRows_ = 0;
    bool ignoreCurrentChange_ = false;
    bool endsDoubleClick_ = false;
};
