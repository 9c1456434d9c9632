// What the recurring items of a file become once all of them and their
// overrides are read: a repeating subject where a rule of this program gives
// exactly their dates, else dated subjects over the batch's window. Series of
// one title with the same time and texts make one repeating subject between
// them, as this program's own export writes each rule of a subject as a
// series of its own.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "IcsItem.h"

struct SettledSeries {
    std::vector<RepSubj> reps;
    std::vector<IndivSubj> dated;  // the dates of the series not kept as a rule
    int seriesExpanded = 0;        // series that gave those dated subjects
    int noDayInWindow = 0;         // series that gave neither
    TextLosses losses;             // of every subject above
};

class IcsSeriesGroups {
  public:
    explicit IcsSeriesGroups(const ImportWindow& window) : window_(window) {}

    void AddSeries(IcsSeries series) { series_.push_back(std::move(series)); }
    // An override of one date of the series `uid`: that date is its subject
    // (or none, when it is cancelled).
    void AddOverride(const IcsOverride& override);

    // Everything added, settled; the groups are empty afterwards.
    SettledSeries Settle();

  private:
    struct Mark {
        std::int64_t recurrence;
        std::int64_t recurrenceDay;
        std::int64_t day;
        std::string title;
        bool cancelled;
    };

    // Whether `rep`'s rule gives exactly the days from today to the end of the
    // comparison that `members` give at its time, where an override that
    // keeps its date's day and title gives that day whatever its time (even
    // a date its series leaves out, as this program's events do), and one
    // that moves or retitles its date takes that day away, which the batch
    // would bring back.
    bool ExactRule(const RepSubj& rep, const std::vector<const IcsSeries*>& members) const;
    void Expand(const IcsSeries& series, SettledSeries& settled) const;
    const Mark* MarkOf(const IcsSeries& series, std::int64_t recurrence) const;

    ImportWindow window_;
    std::vector<IcsSeries> series_;
    std::map<std::string, std::vector<Mark>> overrides_;  // by UID
};
