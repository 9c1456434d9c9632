#include "OwnedRowCells.h"

#include <algorithm>
#include <vector>

namespace {

// A row's cells in one string, each as its length in two bytes followed by its
// bytes: one allocation per row, or none for short rows.
struct Row {
    std::string cells;
    std::int8_t image = -1;
};

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

const Row& RowOf(SubjRowSource::Handle row) {
    return *static_cast<const Row*>(row);
}

Row& EditableRowOf(SubjRowSource::Handle row) {
    return *static_cast<Row*>(const_cast<void*>(row));
}

std::int8_t ImageIndex(int image) {
    return static_cast<std::int8_t>(std::clamp(image, -1, 127));
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

}  // namespace

std::string OwnedRowCells::Cell(Handle row, int column) const {
    return std::string(CellAt(RowOf(row).cells, column));
}

bool OwnedRowCells::SortsBefore(std::string_view firstSjis, Handle row) const {
    return firstSjis < CellAt(RowOf(row).cells, 0);
}

int OwnedRowCells::Image(Handle row) const {
    return RowOf(row).image;
}

SubjRowSource::Handle OwnedRowCells::Add(std::string_view firstSjis, int image) {
    auto* row = new Row;
    AppendCell(row->cells, firstSjis);
    row->image = ImageIndex(image);
    return row;
}

void OwnedRowCells::SetCell(Handle row, int column, std::string_view sjis) {
    std::string& cells = EditableRowOf(row).cells;
    if (column == CellCount(cells)) {
        AppendCell(cells, sjis);  // the usual case: a row filled left to right
        return;
    }
    RebuildCells(cells, [&](std::vector<std::string_view>& views) {
        if (views.size() <= static_cast<std::size_t>(column)) {
            views.resize(static_cast<std::size_t>(column) + 1);
        }
        views[static_cast<std::size_t>(column)] = sjis;
    });
}

void OwnedRowCells::SetImage(Handle row, int image) {
    EditableRowOf(row).image = ImageIndex(image);
}

void OwnedRowCells::ColumnInserted(Handle row, int position) {
    if (position == 0) {
        return;
    }
    RebuildCells(EditableRowOf(row).cells, [position](std::vector<std::string_view>& cells) {
        if (cells.size() > static_cast<std::size_t>(position)) {
            cells.insert(cells.begin() + position, std::string_view());
        }
    });
}

void OwnedRowCells::ColumnsRemoved(Handle row) {
    RebuildCells(EditableRowOf(row).cells, [](std::vector<std::string_view>& cells) {
        cells.resize(std::min<std::size_t>(cells.size(), 1));
    });
}

void OwnedRowCells::Drop(Handle row) {
    delete static_cast<const Row*>(row);
}
