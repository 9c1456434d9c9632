// For ics_import_against.py: the import and export commands with the clock
// pinned, and what a folder holds as days, in the caller's TZ.
//   ics_import_helper import FILE FOLDER YYYY MM DD HH MM
//   ics_import_helper export FOLDER FILE YYYY MM DD HH MM [--events]
//   ics_import_helper resave FOLDER          both files as the program saves them
//   ics_import_helper days FOLDER YYYY MM DD HH MM
// "days" prints one UTF-8 line per repeating subject, "rep<TAB>title", one
// per dated subject, "dated<TAB>title<TAB>YYYY-MM-DD<TAB>HH:MM<TAB>progress",
// then one per subject the batch then generates from the repeating subjects,
// "rule<TAB>title<TAB>YYYY-MM-DD<TAB>HH:MM".
#include <cstdlib>
#include <iostream>
#include <string>

#include "CalendarCommands.h"
#include "Clock.h"
#include "ExpandRepSubj.h"
#include "IcsImportRun.h"
#include "SjisCodec.h"
#include "SubjList.h"

namespace {

std::string Two(int value) {
    std::string text;
    AppendZeroPadded(text, value, 2);
    return text;
}

// The subjects of `list` that `before` does not hold.
void PrintDays(const char* kind, IndivSubjList& list, IndivSubjList* before) {
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        const IndivSubj s = list.current;
        if (before != nullptr) {
            before->current = s;
            if (before->Find() == StoreResult::Done) {
                continue;
            }
        }
        std::string year;
        AppendZeroPadded(year, s.year, 4);
        std::cout << kind << '\t' << SjisToQString(s.title).toStdString() << '\t' << year << '-'
                  << Two(s.month) << '-' << Two(s.day) << '\t' << Two(s.hour) << ':'
                  << Two(s.minute);
        if (before == nullptr) {
            std::cout << '\t' << static_cast<char>(s.progress);
        }
        std::cout << '\n';
    }
}

std::string In(const std::string& folder, const char* name) {
    return folder + "/" + name;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    const auto number = [argv](int i) { return std::atoi(argv[i]); };
    const auto pin = [&](int at) {
        return LocalTime::Make(number(at), number(at + 1), number(at + 2), number(at + 3),
                               number(at + 4));
    };
    if (command == "import" && argc == 9) {
        ScopedClock clock(pin(4));
        return RunIcsImport(argv[2], argv[3], std::cout, std::cerr);
    }
    if (command == "export" && (argc == 9 || argc == 10)) {
        ScopedClock clock(pin(4));
        const IcsForm form = argc == 10 ? IcsForm::Events : IcsForm::Todos;
        return RunIcsExport(argv[3], argv[2], form, std::cerr);
    }
    IndivSubjList indiv;
    RepSubjList rep;
    if (command == "resave" && argc == 3) {
        const std::string folder = argv[2];
        const bool loaded = indiv.Load(In(folder, kIndivFileName)) == StoreResult::Done &&
                            rep.Load(In(folder, kRepFileName)) == StoreResult::Done;
        return loaded && indiv.Save(In(folder, kIndivFileName)) == StoreResult::Done &&
                       rep.Save(In(folder, kRepFileName)) == StoreResult::Done
                   ? 0
                   : 1;
    }
    if (command == "days" && argc == 8) {
        ScopedClock clock(pin(3));
        const std::string folder = argv[2];
        IndivSubjList dated;
        static_cast<void>(indiv.Load(In(folder, kIndivFileName)));
        static_cast<void>(dated.Load(In(folder, kIndivFileName)));
        static_cast<void>(rep.Load(In(folder, kRepFileName)));
        for (StoreResult r = rep.First(); r == StoreResult::Done; r = rep.Next()) {
            std::cout << "rep\t" << SjisToQString(rep.current.title).toStdString() << '\n';
        }
        PrintDays("dated", indiv, nullptr);
        ExpandAllRepSubj(rep, indiv);
        PrintDays("rule", indiv, &dated);
        return 0;
    }
    std::cerr << "usage: see the top of IcsImportHelper.cpp\n";
    return 2;
}
