// The rows a subject list keeps itself when no store lies behind it: each
// row's cells as the exact bytes given, and its state image. Internal to the
// list's model.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "SubjRowSource.h"

class OwnedRowCells : public SubjRowSource {
  public:
    std::string Cell(Handle row, int column) const override;
    int Image(Handle row) const override;
    bool SortsBefore(std::string_view firstSjis, Handle row) const override;

    // A new row holding only its first cell; the list places it.
    Handle Add(std::string_view firstSjis, int image);
    // Sets the cell, filling the cells before it with empty ones.
    void SetCell(Handle row, int column, std::string_view sjis);
    void SetImage(Handle row, int image);
    // A column inserted at `position`: the row's cells from there move right.
    void ColumnInserted(Handle row, int position);
    // The columns were removed: the row keeps only its first cell, which orders it.
    void ColumnsRemoved(Handle row);
    // Frees a row that has left the list.
    void Drop(Handle row);
};
