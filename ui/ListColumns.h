// The columns of a subject list and how wide each opens: wide enough for its
// header and its widest text in the font the desktop gives the list, or as
// wide as the user left it where that is wider. Whatever shows a subject list
// lays its columns out with this.
#pragma once

#include <span>
#include <vector>

class SubjListView;

struct ListColumn {
    const char* header;  // UTF-8
    // The widest text its cells show, UTF-8, each digit standing for the
    // font's widest one; nullptr for a column of free text, which opens as
    // wide as its header asks.
    const char* widest;
    bool stretch;  // takes what the other columns leave of the list's width
};

// The width of each of `columns` in `list`'s fonts, the first with room for
// the state image a subject's row starts with. Where `kept` holds a width
// for every column (as the window last left them), a kept width wins when it
// is wider than the column's texts need; any other `kept` is not used.
std::vector<int> ColumnWidths(const SubjListView& list, std::span<const ListColumn> columns,
                              std::span<const int> kept);

// Replaces the columns of `list` by `columns`, as wide as ColumnWidths gives.
void ShowColumns(SubjListView& list, std::span<const ListColumn> columns,
                 std::span<const int> kept);
