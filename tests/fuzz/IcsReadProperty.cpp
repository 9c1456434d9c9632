#include "IcsReadProperty.h"

#include <sstream>

#include "CivilDay.h"
#include "Clock.h"
#include "IcsImport.h"
#include "SjisText.h"

namespace {

using Problems = std::vector<std::string>;

bool WholeCharacters(const std::string& text) {
    return SjisPrefixLength(text, text.size()) == text.size();
}

bool KnownProgress(Progress progress) {
    return progress == Progress::NotTracked || progress == Progress::Open ||
           progress == Progress::Done;
}

void CheckDated(IndivSubj subj, std::size_t n, Problems& problems) {
    const std::string name = "dated subject " + std::to_string(n) + ": ";
    if (subj.year < 1 || subj.year > 9999 || !IsCalendarDate(subj.year, subj.month, subj.day)) {
        problems.push_back(name + "no date of the calendar");
    }
    if (subj.hour < 0 || subj.hour > 23 || subj.minute < 0 || subj.minute > 59) {
        problems.push_back(name + "no time of day");
    }
    if (!KnownProgress(subj.progress)) {
        problems.push_back(name + "unknown progress");
    }
    if (!WholeCharacters(subj.title) || !WholeCharacters(subj.content) ||
        !WholeCharacters(subj.origin)) {
        problems.push_back(name + "a text ends inside a character");
    }
    IndivSubj stored = subj;
    const IndivSubj back = DecodeIndivSubj(EncodeIndivSubj(stored));
    if (back.year != subj.year || back.month != subj.month || back.day != subj.day ||
        back.hour != subj.hour || back.minute != subj.minute || back.title != stored.title ||
        back.content != subj.content || back.origin != stored.origin ||
        back.progress != subj.progress) {
        problems.push_back(name + "the record does not hold it as read");
    }
}

void CheckRepeating(RepSubj subj, std::size_t n, Problems& problems) {
    const std::string name = "repeating subject " + std::to_string(n) + ": ";
    bool weekly = false;
    for (const std::uint8_t day : subj.weekly) {
        weekly = weekly || day == 1;
    }
    if (subj.yearlyMonth == 0 && subj.monthlyDay == 0 && subj.monthlyWeek == 0 && !weekly) {
        problems.push_back(name + "no rule");
    }
    if (subj.hour < 0 || subj.hour > 23 || subj.minute < 0 || subj.minute > 59 ||
        !KnownProgress(subj.progress) || !WholeCharacters(subj.title) ||
        !WholeCharacters(subj.content)) {
        problems.push_back(name + "a field out of its range");
    }
    RepSubj stored = subj;
    const RepSubj back = DecodeRepSubj(EncodeRepSubj(stored));
    if (back.title != stored.title || back.content != stored.content ||
        back.yearlyMonth != subj.yearlyMonth || back.yearlyDay != subj.yearlyDay ||
        back.monthlyDay != subj.monthlyDay || back.monthlyWeek != subj.monthlyWeek ||
        back.monthlyWeekday != subj.monthlyWeekday || back.weekly != subj.weekly ||
        back.hour != subj.hour || back.minute != subj.minute) {
        problems.push_back(name + "the record does not hold it as read");
    }
}

}  // namespace

std::vector<std::string> CheckIcsRead(const std::uint8_t* data, std::size_t size) {
    Problems problems;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    IcsImport import = IcsImport::Read(in, LocalTime::Make(2024, 5, 15, 12, 0), kIcsPropertyZone);
    if (import.Problem() != IcsFileProblem::None) {
        if (!import.Dated().empty() || !import.Repeating().empty()) {
            problems.push_back("a file with a problem gave subjects");
        }
        if (import.ProblemText("f.ics", true).empty()) {
            problems.push_back("a problem without a text");
        }
        return problems;
    }
    for (std::size_t n = 0; n < import.Dated().size(); ++n) {
        CheckDated(import.Dated()[n], n, problems);
    }
    for (std::size_t n = 0; n < import.Repeating().size(); ++n) {
        CheckRepeating(import.Repeating()[n], n, problems);
    }
    static_cast<void>(import.SummaryLines(true, false));
    IndivSubjList indiv;
    RepSubjList rep;
    import.LeaveOutPresent(indiv, rep);
    if (!import.AddTo(indiv, rep)) {
        problems.push_back("the subjects did not go into empty lists");
    }
    std::size_t stored = 0;
    for (StoreResult r = indiv.First(); r == StoreResult::Done; r = indiv.Next()) {
        ++stored;
    }
    if (stored != import.Dated().size()) {
        problems.push_back("a dated subject left out of empty lists was not counted as there");
    }
    return problems;
}
