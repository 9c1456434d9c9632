// For ics_against_batch.py: exports a data folder as the command does, with
// the clock pinned, and writes the days the batch generates from its
// repeating subjects into an empty list, one "title<TAB>YYYY-MM-DD" line each
// (UTF-8), after a "today<TAB>YYYY-MM-DD" line.
//   ics_batch_days FOLDER EXPORT.ics DAYS.txt YYYY MM DD HH MM [--events]
// The time zone is the caller's TZ.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "CalendarCommands.h"
#include "CalendarDay.h"
#include "Clock.h"
#include "DataFolder.h"
#include "ExpandRepSubj.h"
#include "SjisCodec.h"

namespace {

std::string DateText(int year, int month, int day) {
    std::string text;
    AppendZeroPadded(text, year, 4);
    text += '-';
    AppendZeroPadded(text, month, 2);
    text += '-';
    AppendZeroPadded(text, day, 2);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const bool events = argc == 10 && std::string(argv[9]) == "--events";
    if (argc != 9 && !events) {
        std::cerr
            << "usage: ics_batch_days FOLDER EXPORT.ics DAYS.txt YYYY MM DD HH MM [--events]\n";
        return 2;
    }
    const auto number = [argv](int i) { return std::atoi(argv[i]); };
    ScopedClock clock(LocalTime::Make(number(4), number(5), number(6), number(7), number(8)));
    const IcsForm form = events ? IcsForm::Events : IcsForm::Todos;
    if (const int code = RunIcsExport(argv[2], argv[1], form, std::cerr); code != kCommandDone) {
        return code;
    }

    IndivSubjList unused;
    RepSubjList rep;
    LoadFolder(argv[1], unused, rep, std::cerr);
    IndivSubjList generated;
    ExpandAllRepSubj(rep, generated);
    std::ofstream days(argv[3], std::ios::binary);
    const CalendarDay today = DayFrom(Clock::Now(), 0);
    days << "today\t" << DateText(today.year, today.month, today.day) << '\n';
    for (StoreResult r = generated.First(); r == StoreResult::Done; r = generated.Next()) {
        const IndivSubj& s = generated.current;
        days << SjisToQString(s.title).toStdString() << '\t' << DateText(s.year, s.month, s.day)
             << '\n';
    }
    return days ? 0 : 1;
}
