#include "IcsImport.h"

#include <fstream>
#include <set>

#include "IcsItemStream.h"
#include "IcsSeriesGroups.h"
#include "IcsZones.h"

namespace {

IcsFileProblem ProblemOf(IcsItemStream::Outcome outcome) {
    switch (outcome) {
        case IcsItemStream::Outcome::NotICalendar:
            return IcsFileProblem::NotICalendar;
        case IcsItemStream::Outcome::CutShort:
            return IcsFileProblem::CutShort;
        case IcsItemStream::Outcome::Malformed:
            return IcsFileProblem::Malformed;
        case IcsItemStream::Outcome::LineTooLong:
            return IcsFileProblem::LineTooLong;
        case IcsItemStream::Outcome::Unreadable:
            return IcsFileProblem::Unreadable;
        default:
            return IcsFileProblem::None;
    }
}

bool IsSubjectItem(const std::string& name) {
    return name == "VTODO" || name == "VEVENT";
}

std::string KeyBytes(const RecordText& record) {
    return std::string(reinterpret_cast<const char*>(record.data()), kKeySize);
}

RecordText RecordOf(IndivSubj subj) {
    return EncodeIndivSubj(subj);
}
RecordText RecordOf(RepSubj subj) {
    return EncodeRepSubj(subj);
}

// Whether `subj` is new: neither `list` nor an earlier subject in `seen` has its key.
template <typename List>
bool IsNew(const typename List::Subj& subj, List& list, std::set<std::string>& seen) {
    if (!seen.insert(KeyBytes(RecordOf(subj))).second) {
        return false;
    }
    list.current = subj;
    return list.Find() != StoreResult::Done;
}

// Leaves out of `subjects` those that are not new; `tail`, the number of
// subjects at the end counted apart, becomes the number of them kept.
template <typename List>
int LeaveOut(std::vector<typename List::Subj>& subjects, List& list, int& tail) {
    std::set<std::string> seen;
    std::vector<typename List::Subj> kept;
    kept.reserve(subjects.size());
    const std::size_t tailFrom = subjects.size() - static_cast<std::size_t>(tail);
    tail = 0;
    for (std::size_t i = 0; i < subjects.size(); ++i) {
        if (IsNew(subjects[i], list, seen)) {
            kept.push_back(std::move(subjects[i]));
            tail += i >= tailFrom ? 1 : 0;
        }
    }
    const int left = static_cast<int>(subjects.size() - kept.size());
    subjects = std::move(kept);
    return left;
}

template <typename List>
bool Insert(const std::vector<typename List::Subj>& subjects, List& list) {
    for (const typename List::Subj& subj : subjects) {
        list.current = subj;
        if (list.Insert() == StoreResult::OutOfMemory) {
            return false;
        }
    }
    return true;
}

}  // namespace

IcsImport IcsImport::Read(std::istream& in, std::time_t now, const std::string& zoneName) {
    IcsImport import;
    IcsZones zones(zoneName);
    const std::istream::pos_type start = in.tellg();
    IcsItem item;
    // The zones first: an item may name one defined further down, and a file
    // that is no whole calendar is known before anything is taken from it.
    {
        IcsItemStream stream(in, [](std::string_view name) { return name == "VTIMEZONE"; });
        IcsItemStream::Outcome outcome;
        while ((outcome = stream.Next(item)) == IcsItemStream::Outcome::Item) {
            if (item.name == "VTIMEZONE" && !item.tooLarge) {
                zones.AddDefinition(item.text);
            }
        }
        if (outcome != IcsItemStream::Outcome::End) {
            import.problem_ = ProblemOf(outcome);
            import.problemLine_ = stream.LineNumber();
            return import;
        }
    }
    in.clear();
    in.seekg(start);
    if (!in) {
        import.problem_ = IcsFileProblem::Unreadable;
        return import;
    }
    const ImportWindow window = ImportWindow::At(now);
    IcsSeriesGroups groups(window);
    IcsItemStream stream(in, [](std::string_view name) { return name != "VTIMEZONE"; });
    IcsItemStream::Outcome outcome;
    while ((outcome = stream.Next(item)) == IcsItemStream::Outcome::Item) {
        if (item.name == "VTIMEZONE") {
            continue;
        }
        if (item.tooLarge) {
            ++import.skipped_[static_cast<std::size_t>(SkipReason::TooLarge)];
        } else if (!IsSubjectItem(item.name)) {
            ++import.skipped_[static_cast<std::size_t>(SkipReason::NotSubject)];
        } else {
            import.Take(ReadIcsItem(item.text, zones, window), groups);
        }
    }
    if (outcome != IcsItemStream::Outcome::End) {
        // The file changed between the two readings.
        IcsImport failed;
        failed.problem_ = ProblemOf(outcome);
        failed.problemLine_ = stream.LineNumber();
        return failed;
    }
    SettledSeries settled = groups.Settle();
    import.rep_ = std::move(settled.reps);
    import.datedFromSeries_ = static_cast<int>(settled.dated.size());
    import.indiv_.insert(import.indiv_.end(), std::make_move_iterator(settled.dated.begin()),
                         std::make_move_iterator(settled.dated.end()));
    import.seriesExpanded_ = settled.seriesExpanded;
    import.skipped_[static_cast<std::size_t>(SkipReason::NoDayInWindow)] += settled.noDayInWindow;
    import.losses_.Add(settled.losses);
    return import;
}

IcsImport IcsImport::ReadFile(const std::string& fileName, std::time_t now,
                              const std::string& zoneName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        IcsImport import;
        import.problem_ = IcsFileProblem::Unreadable;
        return import;
    }
    return Read(in, now, zoneName);
}

void IcsImport::Take(ItemReading reading, IcsSeriesGroups& groups) {
    switch (reading.kind) {
        case ItemReading::Kind::Skipped:
            ++skipped_[static_cast<std::size_t>(reading.reason)];
            return;
        case ItemReading::Kind::Dated:
            indiv_.push_back(std::move(reading.dated));
            losses_.Add(reading.losses);
            return;
        case ItemReading::Kind::Override:
            groups.AddOverride(reading.override);
            if (!reading.override.cancelled) {
                indiv_.push_back(std::move(reading.override.subject));
                losses_.Add(reading.losses);
            }
            return;
        case ItemReading::Kind::Series:
            groups.AddSeries(std::move(reading.series));
            return;
    }
}

void IcsImport::LeaveOutPresent(IndivSubjList& indiv, RepSubjList& rep) {
    int noTail = 0;
    const int datedLeft = LeaveOut(indiv_, indiv, datedFromSeries_);
    alreadyThere_ += datedLeft + LeaveOut(rep_, rep, noTail);
}

bool IcsImport::AddTo(IndivSubjList& indiv, RepSubjList& rep) const {
    return Insert(indiv_, indiv) && Insert(rep_, rep);
}

namespace {

// A line of the summary in either language: %1 .. %3 stand for numbers.
struct Phrase {
    const char* english;
    const char* japanese;
};

void Put(std::string& text, int mark, const std::string& value) {
    const std::string name = "%" + std::to_string(mark);
    if (const std::size_t at = text.find(name); at != std::string::npos) {
        text.replace(at, name.size(), value);
    }
}

std::string Filled(const Phrase& phrase, bool japanese, std::initializer_list<long> numbers) {
    std::string text = japanese ? phrase.japanese : phrase.english;
    int mark = 1;
    for (const long number : numbers) {
        Put(text, mark++, std::to_string(number));
    }
    return text;
}

constexpr Phrase kWillAdd = {"%1 dated and %2 repeating subjects will be added.",
                             "個別案件 %1 件と反復案件 %2 件を追加します。"};
constexpr Phrase kAdded = {"%1 dated and %2 repeating subjects were added.",
                           "個別案件 %1 件と反復案件 %2 件を追加しました。"};
constexpr Phrase kFromSeries = {
    "  %1 of the dated subjects are the dates of %2 series that no repeating rule can say, "
    "from 42 days before today to 42 days after.",
    "  うち個別案件 %1 件は、反復案件の規則で表せない繰り返し %2 件の、"
    "今日の 42 日前から 42 日後までの日付です。"};
constexpr Phrase kAlreadyThere = {"%1 subjects are already there and are left as they are.",
                                  "既にある案件 %1 件は、そのままにします。"};
constexpr Phrase kStandIns = {"%1 subjects have characters Shift_JIS lacks, shown as 〓.",
                              "%1 件の案件は、Shift_JIS にない文字を 〓 にしました。"};
constexpr Phrase kTitlesCut = {"%1 titles were longer than 72 bytes and are cut.",
                               "%1 件の題名は 72 バイトを超えるため、切り詰めました。"};
constexpr Phrase kContentsCut = {"%1 contents were longer than 392 bytes and are cut.",
                                 "%1 件の内容は 392 バイトを超えるため、切り詰めました。"};
constexpr Phrase kSkippedHead = {"%1 items are not taken:", "取り込まない項目 %1 件:"};
// By SkipReason.
constexpr Phrase kSkipped[kSkipReasons] = {
    {"  %1 neither to-dos nor events", "  ToDo でも予定でもない項目 %1 件"},
    {"  %1 without a date", "  日付のない項目 %1 件"},
    {"  %1 in a time zone not known", "  不明なタイムゾーンの項目 %1 件"},
    {"  %1 that could not be read", "  読めない項目 %1 件"},
    {"  %1 dated outside the years 1 to 9999", "  年が 1 から 9999 の外にある項目 %1 件"},
    {"  %1 too large", "  大きすぎる項目 %1 件"},
    {"  %1 series without a date from 42 days before today to 42 days after",
     "  今日の 42 日前から 42 日後までに日付のない繰り返し %1 件"},
    {"  %1 series with more dates than can be looked through",
     "  日付が多すぎて調べきれない繰り返し %1 件"},
};

// %1 the file; %2 a line number.
constexpr Phrase kProblems[] = {
    {"", ""},
    {"%1 could not be read.", "%1 を読み込めませんでした。"},
    {"%1 is not an iCalendar file.", "%1 は iCalendar のファイルではありません。"},
    {"%1 ends at line %2 before its calendar does: it is cut short.",
     "%1 は %2 行目でカレンダーの途中のまま終わっています。ファイルが途中で切れています。"},
    {"%1 is malformed at line %2: BEGIN and END do not match.",
     "%1 は %2 行目で BEGIN と END が対応していません。"},
    {"%1 has a line too long at line %2.", "%1 の %2 行目は長すぎます。"},
};
constexpr Phrase kNothingChanged = {" Nothing was added.", "何も追加していません。"};

}  // namespace

std::vector<std::string> IcsImport::SummaryLines(bool japanese, bool added) const {
    std::vector<std::string> lines;
    const auto add = [&](const Phrase& phrase, std::initializer_list<long> numbers) {
        lines.push_back(Filled(phrase, japanese, numbers));
    };
    add(added ? kAdded : kWillAdd,
        {static_cast<long>(indiv_.size()), static_cast<long>(rep_.size())});
    if (datedFromSeries_ > 0) {
        add(kFromSeries, {datedFromSeries_, seriesExpanded_});
    }
    if (alreadyThere_ > 0) {
        add(kAlreadyThere, {alreadyThere_});
    }
    if (losses_.standIns > 0) {
        add(kStandIns, {losses_.standIns});
    }
    if (losses_.titlesCut > 0) {
        add(kTitlesCut, {losses_.titlesCut});
    }
    if (losses_.contentsCut > 0) {
        add(kContentsCut, {losses_.contentsCut});
    }
    long skipped = 0;
    for (const int count : skipped_) {
        skipped += count;
    }
    if (skipped > 0) {
        add(kSkippedHead, {skipped});
        for (std::size_t reason = 0; reason < kSkipReasons; ++reason) {
            if (skipped_[reason] > 0) {
                add(kSkipped[reason], {skipped_[reason]});
            }
        }
    }
    return lines;
}

std::string IcsImport::ProblemText(const std::string& fileName, bool japanese) const {
    const Phrase& phrase = kProblems[static_cast<std::size_t>(problem_)];
    std::string text = japanese ? phrase.japanese : phrase.english;
    Put(text, 2, std::to_string(problemLine_));
    Put(text, 1, fileName);
    return text + (japanese ? kNothingChanged.japanese : kNothingChanged.english);
}
