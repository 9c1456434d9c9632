// The window of earlier versions: every kept version of one list, oldest
// first as the lists of the program go, the newest chosen, with when it was saved, how many
// subjects it holds and what going back to it would add, remove and change; OK hands over the
// chosen one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "KeptVersions.h"
#include "SubjKind.h"
#include "SubjRecord.h"
#include "TemplateDialog.h"
#include "VersionDiff.h"

class QLabel;
class SubjListView;
class SubjTree;

class CRestoreVersionDlg : public TemplateDialog {
    Q_OBJECT

  public:
    // Lists the versions kept of `dataFile`, a file of `kind`, each compared
    // with `now`, the list as it stands.
    CRestoreVersionDlg(SubjKind kind, const SubjTree& now, const std::string& dataFile,
                       QWidget* parent = nullptr);

    int VersionCount() const { return static_cast<int>(versions_.size()); }
    SubjListView* VersionList() const { return list_; }

    // The subjects of the version chosen, in key order; nullopt when none is
    // chosen or it can no longer be read whole.
    std::optional<std::vector<RecordText>> ChosenRecords() const;

  private:
    struct Shown {
        KeptVersion version;
        std::optional<VersionDiff> diff;  // none: it could not be read
        int linesNotTaken = 0;
        int linesChanged = 0;
    };

    // Every version of `dataFile`, compared with `now`, in the order of the rows.
    void LoadVersions(const SubjTree& now, const std::string& dataFile);
    void AddRow(const Shown& shown);
    // The difference of the selected version, under the list.
    void ShowDifference(int row);

    SubjKind kind_;
    std::vector<Shown> versions_;  // as the rows
    SubjListView* list_;
    QLabel* difference_;
};
