// Where the subject list's rows come from: each row is a handle that only its
// source can read, and the list asks for a row's cells and image only when it
// paints or reads that row, so a list of any length costs nothing per row.
#pragma once

#include <string>
#include <string_view>

class SubjRowSource {
  public:
    using Handle = const void*;

    virtual ~SubjRowSource() = default;

    // The exact Shift_JIS bytes of the row's cell; column 0 orders the rows.
    virtual std::string Cell(Handle row, int column) const = 0;
    // The row's state image, -1 for none.
    virtual int Image(Handle row) const = 0;
    // Whether `firstSjis` sorts before the row's first cell, bytes compared as
    // unsigned; a source may answer without building the cell.
    virtual bool SortsBefore(std::string_view firstSjis, Handle row) const {
        return firstSjis < std::string_view(Cell(row, 0));
    }
};
