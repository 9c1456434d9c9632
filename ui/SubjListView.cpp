#include "SubjListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>
#include <utility>

#include "ImageResource.h"
#include "SjisCodec.h"
#include "StateImages.h"
#include "SubjListModel.h"

namespace {

// The selection shows only while the list has the focus: the text and its
// background already follow the palette, and the state image would otherwise
// keep the selection tint the style gives selected images. A cell too narrow
// for its text shows the whole of it as a tooltip, and no other cell does.
class FocusedSelectionDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip) {
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!text.isEmpty() && sizeHint(option, index).width() > option.rect.width()) {
            QToolTip::showText(event->globalPos(), text, view->viewport(), option.rect);
        } else {
            QToolTip::hideText();
        }
        return true;
    }

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto* list = qobject_cast<const SubjListView*>(option->widget);
        if (list == nullptr) {
            return;
        }
        if (!list->ShowsSelection()) {
            option->state &= ~QStyle::State_Selected;
        } else if (list->isActiveWindow()) {
            // The view paints a list without the focus as in a window in the
            // background, where the selection does not show.
            option->state |= QStyle::State_Active;
        }
    }
};

}  // namespace

SubjListView::SubjListView(QWidget* parent) : QTreeView(parent), model_(new SubjListModel(this)) {
    model_->SetImages(StateImages(), StateImageTexts());
    setModel(model_);
    setItemDelegate(new FocusedSelectionDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(kStateImageSize, kStateImageSize));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    // The selection shows only while the list has the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Inactive, QPalette::Base));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Inactive, QPalette::Text));
    setPalette(colours);
    // The list makes its first row current when it takes the focus by Tab,
    // without selecting it; only a row the user selected may be deleted, so
    // the mark follows the selection (a click sets the current row first).
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!ignoreCurrentChange_ && !selected.isEmpty()) {
                    selectionMark_ = model_->index(selected.indexes().front().row(), 0);
                }
            });
    connect(
        selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex& current, const QModelIndex&) { OnCurrentRowChanged(current); });
}

SubjListView::~SubjListView() = default;

int SubjListView::ColumnCount() const {
    return model_->columnCount();
}

void SubjListView::RemoveAllColumns() {
    model_->RemoveAllColumns();
}

void SubjListView::InsertColumn(int position, const QString& header, int widthPx) {
    position = std::clamp(position, 0, ColumnCount());
    model_->InsertColumn(position, header);
    this->header()->setSectionResizeMode(position, QHeaderView::Interactive);
    setColumnWidth(position, widthPx);
}

void SubjListView::StretchColumn(int column) {
    header()->setSectionResizeMode(column, QHeaderView::Stretch);
}

// Measured as the cell's delegate measures what it needs, which is also where
// it decides that a cell is cut and offers its text as a tooltip.
int SubjListView::WidthToShow(const QString& text, bool withImage) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.text = text;
    option.features |= QStyleOptionViewItem::HasDisplay;
    if (withImage) {
        option.features |= QStyleOptionViewItem::HasDecoration;
        option.decorationSize = iconSize();
    }
    const int cell =
        style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header());
    return std::max(cell, header()->fontMetrics().horizontalAdvance(text) + 2 * margin);
}

int SubjListView::InsertRowSjis(int /*position*/, std::string_view firstSjis, int image) {
    return model_->InsertRow(firstSjis, image);
}

int SubjListView::InsertRow(int /*position*/, const QString& firstText, int image) {
    return model_->InsertRow(SjisFromQString(firstText).value_or(std::string()), image);
}

int SubjListView::RowCount() const {
    return model_->rowCount();
}

bool SubjListView::SetCellSjis(int row, int column, std::string_view sjis) {
    return model_->SetCell(row, column, sjis);
}

bool SubjListView::SetCellText(int row, int column, const QString& text) {
    return model_->SetCell(row, column, SjisFromQString(text).value_or(std::string()));
}

bool SubjListView::SetRowImage(int row, int image) {
    return model_->SetImage(row, image);
}

bool SubjListView::RemoveRow(int row) {
    const bool marked = row >= 0 && row == SelectionMark();
    if (row >= 0 && row < RowCount() && RowHidden(row)) {
        --hiddenRows_;
    }
    // The view moves the current row to a neighbour of a removed one; that
    // neighbour was never chosen by the user and must not become the mark.
    ignoreCurrentChange_ = true;
    const bool removed = model_->RemoveRow(row);
    ignoreCurrentChange_ = false;
    if (marked) {
        selectionModel()->clear();
        selectionMark_ = QPersistentModelIndex();
    }
    return removed;
}

void SubjListView::BeginFill() {
    model_->BeginFill();
}

void SubjListView::EndFill() {
    model_->EndFill();
}

void SubjListView::ShowRows(SubjRowSource* source, std::vector<SubjRowSource::Handle> rows) {
    model_->ShowRows(source, std::move(rows));
    selectionMark_ = QPersistentModelIndex();
    hotRow_ = QPersistentModelIndex();
}

int SubjListView::InsertRowOf(SubjRowSource::Handle row) {
    return model_->InsertHandle(row);
}

bool SubjListView::RowChanged(int row) {
    return model_->RowChanged(row);
}

void SubjListView::AllRowsChanged() {
    model_->AllRowsChanged();
}

SubjRowSource::Handle SubjListView::RowHandle(int row) const {
    return model_->RowHandle(row);
}

void SubjListView::HideRow(int row, bool hide) {
    if (row < 0 || row >= RowCount() || RowHidden(row) == hide) {
        return;
    }
    hiddenRows_ += hide ? 1 : -1;
    setRowHidden(row, QModelIndex(), hide);
}

bool SubjListView::RowHidden(int row) const {
    return hiddenRows_ > 0 && isRowHidden(row, QModelIndex());
}

void SubjListView::reset() {
    QTreeView::reset();
    hiddenRows_ = 0;
}

void SubjListView::RemoveAllRows() {
    model_->RemoveAllRows();
    selectionMark_ = QPersistentModelIndex();
    hotRow_ = QPersistentModelIndex();
}

std::string SubjListView::CellSjis(int row, int column) const {
    return model_->CellSjis(row, column);
}

QString SubjListView::CellText(int row, int column) const {
    return model_->CellText(row, column);
}

int SubjListView::RowImage(int row) const {
    return model_->Image(row);
}

int SubjListView::HotRow() const {
    return hotRow_.isValid() ? hotRow_.row() : -1;
}

int SubjListView::SelectionMark() const {
    return selectionMark_.isValid() ? selectionMark_.row() : -1;
}

int SubjListView::ActiveRow() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        return selected.front().row();
    }
    return hasFocus() && currentIndex().isValid() ? currentIndex().row() : -1;
}

void SubjListView::SelectRow(int row) {
    if (row < 0 || row >= RowCount()) {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
        selectionMark_ = QPersistentModelIndex();
        return;
    }
    setCurrentIndex(model_->index(row, 0));
}

void SubjListView::ScrollRowToTop(int row) {
    topRow_ = row >= 0 && row < RowCount() ? QPersistentModelIndex(model_->index(row, 0))
                                           : QPersistentModelIndex();
    if (topRow_.isValid() && isVisible()) {
        PlaceTopRow(false);
    }
}

// Making the row current before the view has laid out its rows would lay them
// all out at once to find the row's place; after that one layout, which the
// first paint needs anyway, the scroll bar is set as the rows stand.
void SubjListView::PlaceTopRow(bool keepCurrent) {
    const QPersistentModelIndex top = std::exchange(topRow_, QPersistentModelIndex());
    if (!top.isValid()) {
        return;
    }
    executeDelayedItemsLayout();
    if (hiddenRows_ > 0) {
        scrollTo(top, QAbstractItemView::PositionAtTop);
    } else if (verticalScrollMode() == QAbstractItemView::ScrollPerItem) {
        verticalScrollBar()->setValue(top.row());
    } else {
        // Rows all have the first one's height.
        verticalScrollBar()->setValue(top.row() * visualRect(model_->index(0, 0)).height());
    }
    if (!keepCurrent || !currentIndex().isValid()) {
        // The arrow keys start from this row, which is current but not selected.
        selectionModel()->setCurrentIndex(top, QItemSelectionModel::NoUpdate);
    }
}

void SubjListView::ShowSelectionAlongside(QWidget* companion) {
    if (companions_.empty()) {
        // The focus going into or out of a companion changes what the list
        // shows, though the list itself neither gains nor loses it.
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            if (WithCompanion(old) != WithCompanion(now)) {
                viewport()->update();
            }
        });
    }
    companions_.emplace_back(companion);
}

bool SubjListView::WithCompanion(const QWidget* widget) const {
    return widget != nullptr &&
           std::any_of(companions_.begin(), companions_.end(), [widget](const QWidget* companion) {
               return companion != nullptr && companion->isAncestorOf(widget);
           });
}

bool SubjListView::ShowsSelection() const {
    return hasFocus() || WithCompanion(QApplication::focusWidget());
}

// Worked out from the list's own size, as its viewport has none until shown.
int SubjListView::RowsInView() const {
    const int rowHeight =
        std::max(1, sizeHintForRow(0) > 0 ? sizeHintForRow(0) : fontMetrics().height());
    const int height = this->height() - 2 * frameWidth() - header()->sizeHint().height();
    return std::max(0, height / rowHeight);
}

// Until the list is on the screen it has no height to scroll in.
void SubjListView::showEvent(QShowEvent* event) {
    QTreeView::showEvent(event);
    // A row selected before the list was shown stays the current one.
    PlaceTopRow(true);
}

void SubjListView::OnCurrentRowChanged(const QModelIndex& current) {
    if (ignoreCurrentChange_) {
        return;
    }
    if (current.isValid() && selectionModel()->isRowSelected(current.row())) {
        selectionMark_ = model_->index(current.row(), 0);
    }
    emit RowSelectionChanged(current.isValid() ? current.row() : -1);
}

void SubjListView::SetHotRow(int row) {
    hotRow_ = row >= 0 ? QPersistentModelIndex(model_->index(row, 0)) : QPersistentModelIndex();
}

void SubjListView::mouseMoveEvent(QMouseEvent* event) {
    SetHotRow(indexAt(event->position().toPoint()).row());
    QTreeView::mouseMoveEvent(event);
}

void SubjListView::leaveEvent(QEvent* event) {
    SetHotRow(-1);
    QTreeView::leaveEvent(event);
}

void SubjListView::mouseDoubleClickEvent(QMouseEvent* event) {
    const int row = indexAt(event->position().toPoint()).row();
    SetHotRow(row);
    endsDoubleClick_ = true;
    QTreeView::mouseDoubleClickEvent(event);
    emit RowDoubleClicked(row);
}

// The release that ends a double-click is no click of its own: the first one has toggled already.
void SubjListView::mouseReleaseEvent(QMouseEvent* event) {
    const bool second = std::exchange(endsDoubleClick_, false);
    const int row = event->button() == Qt::LeftButton && !second
                        ? StateImageRowAt(event->position().toPoint())
                        : -1;
    QTreeView::mouseReleaseEvent(event);
    if (row >= 0) {
        emit StateImageClicked(row);
    }
}

int SubjListView::StateImageRowAt(const QPoint& pos) const {
    const QModelIndex index = indexAt(pos);
    if (!index.isValid() || index.column() != 0 || RowImage(index.row()) < 0) {
        return -1;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.index = index;
    option.features |= QStyleOptionViewItem::HasDecoration;
    option.decorationSize = iconSize();
    // A pixel or two beside the picture still counts: it is a small target.
    const QRect image = style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
    return image.adjusted(-2, -2, 2, 2).contains(pos) ? index.row() : -1;
}

bool SubjListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave) {
        SetHotRow(-1);
    }
    return QTreeView::viewportEvent(event);
}
