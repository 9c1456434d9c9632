// The main window's list pane: the list view showing the subjects of the mode
// the two radio buttons choose, its columns with the widths the user gave
// them, and what a command did to a row, shown at once. It owns the find bar,
// the overdue line and what keeps the rows true to the clock, which work on
// the same rows. It only shows the lists; the commands change them.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "DueRefresh.h"
#include "EditHistory.h"
#include "FindFilter.h"
#include "KeptSelection.h"
#include "OverdueLine.h"
#include "SubjCommands.h"
#include "SubjList.h"
#include "SubjListRows.h"

class QAbstractButton;
class SubjListView;

class SubjListPane {
  public:
    using Kind = SubjListRows::Kind;

    // Shows `indiv` or `rep` in `list` as `indivRadio` or `repRadio` is
    // checked; each must outlive the pane. `modeShown` runs once the columns
    // of a mode are up, so that what names the mode can follow it.
    SubjListPane(SubjListView& list, QAbstractButton& indivRadio, QAbstractButton& repRadio,
                 IndivSubjList& indiv, RepSubjList& rep, std::function<void()> modeShown);
    // The view lets go of the rows, which read the lists.
    ~SubjListPane();
    SubjListPane(const SubjListPane&) = delete;
    SubjListPane& operator=(const SubjListPane&) = delete;

    // The mode is the checked radio button; neither checked is neither mode.
    bool IndivMode() const;
    bool RepMode() const;
    std::optional<SubjKind> Mode() const;
    // "個別案件一覧" or "反復案件一覧"; empty while neither mode is checked.
    QString Caption() const;

    // Checks the radio button of `kind`, then its columns and all its rows.
    void ShowMode(SubjKind kind);
    // The columns of the mode, each as wide as the user left it when that
    // mode was last shown, here or in an earlier run.
    void SetupColumns();
    // All rows again from the list of the mode, with the subject `keep` selected and in view
    // when it is still stored; otherwise the list opens on today (OverdueLine).
    void FillList(const KeptSelection& keep = {});
    // Shows the mode's stored subject with `current`'s key: a new row (update
    // false; `index` is only a position hint, the order places the row) or a
    // rewrite of row `index`, whose first text read `shownBefore` before it.
    void SetRow(int index, bool update, const std::string& shownBefore = {});
    // What a command did to its row; the subject added or changed is selected and in view.
    void ShowChange(const RowChange& change);
    // The lists after undo or redo: the list the step concerns, its subject
    // selected, else `kept` when the list shown stays the same.
    void ShowLanding(const std::optional<EditHistory::Landing>& landing, const KeptSelection& kept);
    // Selects and shows the row of the stored subject `stored`, closing the
    // find bar when it hides that row; -1 when no row shows it.
    int ShowSubjectRow(const void* stored);

    // The widths kept for each mode's columns, left to right; a list that does
    // not fit the mode's columns keeps none.
    void UseKeptWidths(std::vector<int> indiv, std::vector<int> rep);
    // The same, with the widths of the columns on show as they are now.
    std::vector<int> KeptWidths(Kind kind);

    FindFilter& Find() { return find_; }
    SubjListRows& Rows() { return rows_; }
    OverdueLine& Overdue() { return overdue_; }
    DueRefresh& Due() { return due_; }

  private:
    void SetIndivRow(int index, bool update, const std::string& shownBefore);
    void SetRepRow(int index, bool update);
    // Selects and shows the row of the mode's stored subject with `current`'s key.
    void SelectCurrent();
    // Selects `row` and scrolls it into view.
    void ShowRow(int row);
    // The widths of the columns on show into keptWidths_.
    void KeepShownWidths();
    // Every row's days left and image as of now, and the overdue line recounted.
    void AgeRows();

    SubjListView& list_;
    QAbstractButton& indivRadio_;
    QAbstractButton& repRadio_;
    IndivSubjList& indiv_;
    RepSubjList& rep_;
    std::function<void()> modeShown_;
    SubjListRows rows_;
    FindFilter find_;
    OverdueLine overdue_;
    DueRefresh due_;
    // The mode whose columns the list shows; none before the first setup.
    std::optional<Kind> columnsShown_;
    std::vector<int> keptWidths_[2];  // by Kind
};
