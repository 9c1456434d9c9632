// An iCalendar file brought into the subject lists: read whole first, item by
// item (IcsItem.h) with its series settled at the end (IcsSeriesGroups.h), so
// that nothing is added from a file that turns out cut short or malformed;
// then compared with the lists, so that a subject already there stays as it
// is; then added. The memory used grows with the subjects the file gives, not
// with the file.
#pragma once

#include <array>
#include <ctime>
#include <istream>
#include <string>
#include <vector>

#include "IcsItem.h"
#include "SubjList.h"

class IcsSeriesGroups;

// Why a file gives nothing at all.
enum class IcsFileProblem {
    None,
    Unreadable,    // it could not be opened or read
    NotICalendar,  // it does not start as an iCalendar file
    CutShort,      // it ends inside its calendar
    Malformed,     // an END that closes nothing open, or text outside the calendar
    LineTooLong,   // a line longer than any writer makes
};

class IcsImport {
  public:
    // Reads `in` (which must be able to go back to where it stands) as it
    // stands at `now` in the zone named `zoneName`, the computer's.
    static IcsImport Read(std::istream& in, std::time_t now, const std::string& zoneName);
    // The file `fileName`, read as above.
    static IcsImport ReadFile(const std::string& fileName, std::time_t now,
                              const std::string& zoneName);

    IcsFileProblem Problem() const { return problem_; }
    // The line of the file the problem was found at, from 1.
    int ProblemLine() const { return problemLine_; }

    // Leaves out every subject whose key `indiv` or `rep` holds already, or
    // that an earlier subject of the file has, and counts them. The lists
    // keep their subjects; their `current` is left undefined.
    void LeaveOutPresent(IndivSubjList& indiv, RepSubjList& rep);
    // Inserts the subjects not left out. False when memory ran out, after
    // the subjects inserted until then.
    [[nodiscard]] bool AddTo(IndivSubjList& indiv, RepSubjList& rep) const;

    const std::vector<IndivSubj>& Dated() const { return indiv_; }
    const std::vector<RepSubj>& Repeating() const { return rep_; }
    int SeriesExpanded() const { return seriesExpanded_; }
    int DatedFromSeries() const { return datedFromSeries_; }
    int AlreadyThere() const { return alreadyThere_; }
    int Skipped(SkipReason reason) const { return skipped_[static_cast<std::size_t>(reason)]; }
    const TextLosses& Losses() const { return losses_; }

    // What the import adds and loses, one line each, in Japanese or English
    // (UTF-8): as a preview of what it will do, or as a report of what it
    // did once `added`.
    std::vector<std::string> SummaryLines(bool japanese, bool added) const;
    // Why `fileName` gives nothing, with the line, and that nothing changed.
    std::string ProblemText(const std::string& fileName, bool japanese) const;

  private:
    void Take(ItemReading reading, IcsSeriesGroups& groups);

    IcsFileProblem problem_ = IcsFileProblem::None;
    int problemLine_ = 0;
    std::vector<IndivSubj> indiv_;
    std::vector<RepSubj> rep_;
    int seriesExpanded_ = 0;
    int datedFromSeries_ = 0;
    int alreadyThere_ = 0;
    std::array<int, kSkipReasons> skipped_{};
    TextLosses losses_;
};
