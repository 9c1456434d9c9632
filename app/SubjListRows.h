// The main window's rows as handles to the records its subject lists store:
// a row's cells and image are worked out from its record only when the list
// paints or reads it, and a whole list is put in the view's order by reading
// just the record bytes that order it.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "SubjListView.h"
#include "SubjRecord.h"
#include "SubjTree.h"

class SubjListRows : public SubjRowSource {
  public:
    enum class Kind { Indiv, Rep };

    // A fill of `kind`: days left and overdue images are those of now, for
    // every row, until the list is filled again or the row is rewritten.
    void Filled(Kind kind);
    // The row was added or rewritten: its days left and image are those of now.
    void Rewritten(Handle row);
    // Time passed: every row's days left and image are those of now, as after a fill.
    void Aged();

    // Individual rows: date and time, progress, title, days left; repeating
    // rows: the title, the rules in words.
    std::string Cell(Handle row, int column) const override;
    int Image(Handle row) const override;

    // Every record of `tree` as a row of `kind`, in the list's order: by the
    // first column's bytes, equal ones in key order, as placing them one by
    // one in key order would leave them.
    static std::vector<Handle> InListOrder(const SubjTree& tree, Kind kind);
    // Individual rows put in the list's order as their store was loaded (IndivRowOrder), valid
    // while the store's revision is `revision`: the next RowsOf takes them instead of reading
    // every record again, when its store still holds just what was loaded.
    void UseLoaded(std::vector<Handle> rows, std::uint64_t revision);
    // InListOrder, or the rows of UseLoaded where they still hold; those go either way.
    std::vector<Handle> RowsOf(const SubjTree& tree, Kind kind);
    // Whether the individual row's subject is open (未処理), read from its record alone.
    static bool IsOpen(Handle row);
    // The first row of `list` whose first cell is not before `firstSjis` (a date
    // "YYYY/MM/DD", or a date and time), found by halving, as the rows stand in
    // the order of those cells; RowCount() when there is none. Hidden rows count.
    static int FirstRowFrom(const SubjListView& list, std::string_view firstSjis);
    static const RecordText& RecordOf(Handle row) { return *static_cast<const RecordText*>(row); }
    // The last column: "<days> 日".
    static std::string DaysLeftSjis(const IndivSubj& subj);
    // The second column of a repeating row (RuleWords).
    static std::string RuleSjis(const RepSubj& subj);

  private:
    IndivSubj DecodeAsShown(Handle row) const;

    Kind kind_ = Kind::Indiv;
    std::time_t filledAt_ = 0;
    // The rows added or rewritten since the fill; a handle of a row removed
    // meanwhile is only ever read again once it is shown, and marked, anew.
    std::unordered_map<Handle, std::time_t> rewrittenAt_;
    std::vector<Handle> loaded_;
    std::uint64_t loadedRevision_ = 0;
};
