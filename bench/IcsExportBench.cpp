// The iCalendar export command as a process on 100 000 and 300 000 dated
// subjects, in both forms: its peak memory and processor time, which compare
// with the program's start-up on the same subjects (BM_ProgramStartUp), as
// the export is written to its file as it is made.
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "BenchSubjects.h"
#include "ProgramRun.h"

namespace {

void BM_IcsExportCommand(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const bool events = state.range(1) != 0;
    QTemporaryDir folder;
    QTemporaryDir runtime;
    WriteDataFiles(folder.path().toStdString(), count);
    const std::string out = runtime.path().toStdString() + "/out.ics";
    std::vector<std::string> args = {"--export-ics", out, folder.path().toStdString()};
    if (events) {
        args.insert(args.begin() + 1, "--events");
    }
    MeasureCommand(state, args, folder.path().toStdString(), runtime.path().toStdString());
}
BENCHMARK(BM_IcsExportCommand)
    ->ArgNames({"subjects", "events"})
    ->Args({100000, 0})
    ->Args({300000, 0})
    ->Args({300000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
