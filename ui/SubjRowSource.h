// Where the subject list's rows come from: each row is a handle that only its
// source can read, and the list asks for a row's cells and image only when it
// paints or reads that row, so a list of any length costs nothing per row.
#pragma once

#include <string>

class SubjRowSource {
  public:
    using Handle = const void*;

    virtual ~SubjRowSource() = default;

    // The exact Shift_JIS bytes of the row's cell; column 0 orders the rows.
    virtual std::string Cell(Handle row, int column) const = 0;
    // The row's state image, -1 for none.
    virtual int Image(Handle row) const = 0;
};
