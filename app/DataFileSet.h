// The main window's two data files and the subject lists read from them:
// loading at start-up, where a file that did not load cleanly is copied aside
// before anything can replace it; writing at a save, each file behind its
// unsent marker and a backup of the version it replaces; and taking in the
// records a merge with another computer's save wrote to a file.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "SubjList.h"
#include "SubjMerge.h"

class LoadAhead;

class DataFileSet {
  public:
    // Puts the marker that says `fileName` holds changes the server has not
    // got on the disk; false when it could not, and the file must stay as it is.
    using MarkUnsent = std::function<bool(const char* fileName)>;

    DataFileSet() = default;
    DataFileSet(const DataFileSet&) = delete;
    DataFileSet& operator=(const DataFileSet&) = delete;

    IndivSubjList& Indiv() { return indiv_; }
    RepSubjList& Rep() { return rep_; }

    // Loads both files from the working folder into the empty lists. A missing
    // file is an empty list. For each file that did not load cleanly, one
    // notice for the user saying what was lost or changed and where the
    // original was kept; none when both loaded cleanly. A file `ahead` loaded
    // already, unchanged since, is taken from it.
    [[nodiscard]] QStringList Load(LoadAhead* ahead = nullptr);

    // Replaces each file whose bytes its list would change, once `markUnsent`
    // has put its marker on the disk and the version it replaces is kept in
    // the versions folder and as "<file>.bak"; a file the list would not
    // change is not touched. True when both are as their lists; false when
    // either was left as it was (the other may have been replaced). A file
    // left because its version could not be kept adds a line for the user to
    // `notices`.
    [[nodiscard]] bool Write(const MarkUnsent& markUnsent, QStringList* notices = nullptr);

    // Makes the list of `kind` hold `records` (an earlier version the user
    // went back to); nothing is written. False when they do not fit in
    // memory, and the list stays as it was.
    [[nodiscard]] bool Restore(SubjKind kind, const std::vector<RecordText>& records);

    // Makes the list of `kind` hold `records`, which a merge has written to its
    // file. False when they do not fit in memory: the list stays as it was, and
    // Write leaves that file alone from then on, since the older list written
    // over the merge would send the other computer's new subjects back as
    // deletions.
    [[nodiscard]] bool Adopt(SubjKind kind, const std::vector<RecordText>& records);

  private:
    IndivSubjList indiv_;
    RepSubjList rep_;
    bool notAdopted_[2] = {};  // by SubjKind
};
