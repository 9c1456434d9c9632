// The iCalendar import of to-dos as this program exports them, 10 000 and
// 100 000 of them: read and settled in memory, against loading the same
// subjects from their data file (the peer); and the whole command as a
// process, whose peak memory and processor time compare with the program's
// start-up on the same subjects (BM_ProgramStartUp).
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BenchSubjects.h"
#include "Clock.h"
#include "IcsExport.h"
#include "IcsImport.h"
#include "ProgramRun.h"
#include "SystemZone.h"

namespace {

std::string ExportedCalendar(int count) {
    IndivSubjList indiv;
    FillNumbered(indiv, count);
    RepSubjList rep;
    return BuildIcsCalendar(indiv, rep, Clock::Now(), SystemZoneName()).text;
}

void BM_IcsImportRead(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string text = ExportedCalendar(count);
    const std::string zone = SystemZoneName();
    std::size_t dated = 0;
    for (auto _ : state) {
        std::istringstream in(text);
        const IcsImport import = IcsImport::Read(in, Clock::Now(), zone);
        dated = import.Dated().size();
    }
    state.counters["dated"] = static_cast<double>(dated);
    state.counters["file_MiB"] = static_cast<double>(text.size()) / (1024 * 1024);
}
BENCHMARK(BM_IcsImportRead)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_IcsImportPeerLoad(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    WriteDataFiles(folder.path().toStdString(), count);
    const std::string path = folder.path().toStdString() + "/" + kIndivFileName;
    for (auto _ : state) {
        IndivSubjList list;
        benchmark::DoNotOptimize(list.Load(path));
    }
}
BENCHMARK(BM_IcsImportPeerLoad)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_IcsImportCommand(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QTemporaryDir top;
    QTemporaryDir runtime;
    const std::string file = top.path().toStdString() + "/in.ics";
    std::ofstream(file, std::ios::binary) << ExportedCalendar(count);
    const std::string folder = top.path().toStdString() + "/data";
    MeasureCommand(state, {"--import-ics", file, folder}, top.path().toStdString(),
                   runtime.path().toStdString(), [&folder] {
                       std::filesystem::remove_all(folder);
                       std::filesystem::create_directory(folder);
                   });
}
BENCHMARK(BM_IcsImportCommand)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
