// The three-way merge of a data file with the server's copy of it, for when
// two computers have saved since they last met: each side's changes since the
// base copy are taken, and what both changed differently is kept aside in a
// conflict file of the same format, so that no record is lost.
#pragma once

#include <QString>

#include <string>
#include <vector>

#include "BaseCopy.h"
#include "SubjKind.h"
#include "SubjRecord.h"
#include "SubjTree.h"

// What the user calls the subjects of `kind` (UTF-8): "個別案件" or "反復案件".
const char* KindName(SubjKind kind);

const int* WidthsOf(SubjKind kind);
const char* HeaderOf(SubjKind kind);

enum class MergeStatus {
    // The server's copy equals the base: the other computer saved nothing
    // since; ours stands as it is. Nothing else is filled.
    ServerUnchanged,
    // Three-way merge done; `merged` and `conflicts` are filled.
    Merged,
    // The base is there but cannot serve (unreadable, a folder, not a data
    // file of this kind, or with lines Load did not take): merged as though
    // it were empty, so every record of either side is kept; records deleted
    // since the last exchange come back, but nothing is lost.
    MergedWithoutBase,
    // No base copy yet (the first run with merging): nothing merged; the
    // caller keeps its old behaviour.
    NoBase,
    // Our local file, or the fetched one, cannot be read, is not a data file
    // of this kind (its first line is not the header), or has lines Load did
    // not take: nothing merged, both files are left as they are.
    OursDamaged,
    TheirsDamaged,
};

struct SubjMergeResult {
    SubjKind kind = SubjKind::Indiv;
    MergeStatus status = MergeStatus::NoBase;
    // The merged records in key order, one per key.
    std::vector<RecordText> merged;
    // Theirs of every key both sides changed differently, in key order; ours
    // of those keys is in `merged`.
    std::vector<RecordText> conflicts;
    // Keys whose record in `merged` differs from ours: the other computer's
    // additions, changes and deletions taken in, and records it changed that
    // this computer had deleted (brought back).
    int taken = 0;
    // Keys the other computer deleted while this one changed them: ours kept.
    int keptAgainstDeletion = 0;
    // Ours of the keys the other computer deleted and this one left alone:
    // the deletions taken in, in key order.
    std::vector<RecordText> deleted;
    // How many records ours held.
    std::size_t oursCount = 0;
    // Where `conflicts` were written (KeepConflictsAside); empty until then.
    std::string conflictFile;
};

// Merges three loaded stores of `kind` by key, comparing whole record texts:
// - the same on both sides (unchanged, the same change, both deleted): taken once;
// - changed, added or deleted on one side only: taken from that side;
// - changed differently on both sides: ours kept, theirs to `conflicts`;
// - changed on one side and deleted on the other: the changed record kept,
//   whichever side changed it, since a deletion can be repeated but lost
//   text cannot be typed back.
// So every key of ours or theirs ends in `merged` or `conflicts`, except a key
// one side deleted and the other left as the base had it. Status Merged.
[[nodiscard]] SubjMergeResult MergeSubjTrees(SubjKind kind, const SubjTree& base,
                                             const SubjTree& ours, const SubjTree& theirs);

// The merge of the data file `localFile` (ours) with `fetchedFile`, the
// server's copy just fetched (theirs), from the base copy of `localFile`
// (sync/BaseCopy.h). All three are loaded with SubjTree::Load, as the program
// loads its files. Reads only: neither file nor the base is touched.
// Without a base copy the status is NoBase, unless `withoutBase` asks for
// the merge MergedWithoutBase gives: every record of either side kept.
[[nodiscard]] SubjMergeResult MergeSubjFiles(SubjKind kind, const std::string& localFile,
                                             const std::string& fetchedFile,
                                             bool withoutBase = false);

// Writes `result.conflicts`, when there are any, as a data file of its kind
// named "<localFile>.conflict-YYYYMMDD-hhmmss" (the local time of
// Clock::Now(); "-2", "-3", ... added while that name is taken), never
// replacing an existing file, and sets `result.conflictFile`. Written when
// written or when there was nothing to write. Failed when no file could be
// written: those records of theirs are then nowhere else, so the caller must
// not replace the server's copy.
[[nodiscard]] FileWrite KeepConflictsAside(const std::string& localFile, SubjMergeResult& result);
// The same for any records of `kind` (distinct keys) the caller must not
// lose: the name of the file written, "" when none could be.
[[nodiscard]] std::string SetRecordsAside(SubjKind kind, const std::string& localFile,
                                          const std::vector<RecordText>& records);

// True when the deletions a merge takes in are more than a handful: more
// than 10, and more than a fifth of ours. A server copy that lost part of
// its lines looks just like that.
[[nodiscard]] bool DeletesMany(const SubjMergeResult& result);
// The same rule for `deletions` out of `held` subjects.
[[nodiscard]] bool DeletesMany(std::size_t deletions, std::size_t held);
// Puts the records of `result.deleted` back into `result.merged`, as though
// the other computer had deleted nothing, and empties `deleted`.
void KeepDeleted(SubjMergeResult& result);

// What a server copy is, read as the program would merge it.
enum class [[nodiscard]] CopyCheck{
    Clean,      // a data file of its kind, every line taken unchanged, the last one ended
    Damaged,    // anything else: cut short, not Shift_JIS, lines not taken or changed
    ReEncoded,  // valid UTF-8 with characters beyond ASCII: re-saved by another program
};
// Checks the file `fileName` as a data file of `kind`.
[[nodiscard]] CopyCheck CheckServerCopy(SubjKind kind, const std::string& fileName);

// True when `fileName` is a data file of `kind` that loads with no subject:
// replacing it loses nothing.
[[nodiscard]] bool HoldsNoSubjects(SubjKind kind, const std::string& fileName);

// Writes `records` (distinct keys) as a data file of `kind`, replacing
// `fileName` through SubjTree::Save. Failed: the file is as it was.
[[nodiscard]] FileWrite WriteSubjFile(SubjKind kind, const std::string& fileName,
                                      const std::vector<RecordText>& records);

// The one message that tells the user what the merges of one save or one
// start-up did (null entries and results with nothing to tell are passed
// over), a line for each thing done:
//   他のコンピューターでの個別案件の変更を 3 件取り込みました。
//   食い違った個別案件 1 件は veskat_i.dat.conflict-20261207-093000 に残しました。
// Empty when there is nothing to tell.
QString MergeMessage(const std::vector<const SubjMergeResult*>& results);
