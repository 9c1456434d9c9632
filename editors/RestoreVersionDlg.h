// The window of earlier versions: every kept version of one list, oldest
// first as the lists of the program go, the newest chosen, with when it was saved, how many
// subjects it holds and what going back to it would add, remove and change, or which damaged
// file keeps it from being read; OK hands over the chosen one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "KeptVersions.h"
#include "SubjKind.h"
#include "SubjRecord.h"
#include "TemplateDialog.h"
#include "VersionDiff.h"
#include "VersionReader.h"

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
    std::optional<std::vector<RecordText>> ChosenRecords();

  private:
    struct Shown {
        KeptVersion version;
        VersionRead read = VersionRead::NotRead;
        std::string lost;                 // on BaseLost, the version whose file is at fault
        std::optional<VersionDiff> diff;  // none: it could not be read
        int linesNotTaken = 0;
        int linesChanged = 0;
        int dependentsLost = 0;  // versions kept against this one that cannot be read
    };

    // Every version of `dataFile`, compared with `now`, in the order of the rows.
    void LoadVersions(const SubjTree& now, const std::string& dataFile);
    void AddRow(const Shown& shown);
    // The difference of the selected version, under the list.
    void ShowDifference(int row);
    // Why the version of `shown` cannot be read.
    QString NotReadText(const Shown& shown) const;

    SubjKind kind_;
    VersionReader reader_;
    std::vector<Shown> versions_;  // as the rows
    SubjListView* list_;
    QLabel* difference_;
};
