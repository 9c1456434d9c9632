// The whole program starting in a working folder, measured from outside: from
// the process's start until its subject list is first painted (it ends there,
// see app/StartUpProbe.h), with its peak resident memory and the processor time
// it took (ProgramRun.h). Each iteration starts it in an empty folder too, and
// runs bench/floor/MemoryFloor.cpp on the same file, both untimed: the ratios
// to the empty start and the floor's time come from the same rounds, so that
// the machine's drift falls on all three alike.
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSubjects.h"
#include "ProgramRun.h"

namespace {

// Runs `program` in `folder`, the program itself until it first paints its list.
ProgramRun RunToFirstPaint(const std::string& folder, const std::string& runtimeDir,
                           const std::string& program = VESKAT_PROGRAM) {
    const std::string errors = runtimeDir + "/stderr";
    ProgramRun run =
        RunProgram({}, folder, runtimeDir, errors, {"VESKAT_EXIT_AFTER_FIRST_PAINT=1"}, program);
    if (!run.ok) {
        std::fprintf(stderr, "%s did not start and paint cleanly\n", program.c_str());
        std::abort();
    }
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Runs {
    std::vector<double> wallMs;
    std::vector<double> cpuMs;

    void Add(const ProgramRun& run) {
        wallMs.push_back(run.wallMs);
        cpuMs.push_back(run.processorMs);
    }
};

void BM_ProgramStartUp(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    QTemporaryDir empty;
    QTemporaryDir runtime;
    WriteDataFiles(folder.path().toStdString(), count);
    WriteDataFiles(empty.path().toStdString(), 0);
    const std::string runtimeDir = runtime.path().toStdString();
    ProgramRun run;
    Runs sized;
    Runs emptyStarts;
    Runs floor;
    // The floor runs after the start it is the floor of: a run finds the memory the run before
    // it gave back, and the start must not be handed the floor's.
    for (auto _ : state) {
        state.PauseTiming();
        emptyStarts.Add(RunToFirstPaint(empty.path().toStdString(), runtimeDir));
        state.ResumeTiming();
        run = RunToFirstPaint(folder.path().toStdString(), runtimeDir);
        sized.Add(run);
        state.PauseTiming();
        floor.Add(RunToFirstPaint(folder.path().toStdString(), runtimeDir, VESKAT_MEMORY_FLOOR));
        state.ResumeTiming();
    }
    state.counters["peak_MiB"] = static_cast<double>(run.peakKiB) / 1024;
    state.counters["record_MiB"] = static_cast<double>(count) * kRecordSize / (1024 * 1024);
    state.counters["cpu_ms"] = Median(sized.cpuMs);
    state.counters["wall_x_empty"] = Median(sized.wallMs) / Median(emptyStarts.wallMs);
    state.counters["cpu_x_empty"] = Median(sized.cpuMs) / Median(emptyStarts.cpuMs);
    // What making the records present and writing them costs alone, against the empty start.
    state.counters["floor_cpu_x_empty"] = Median(floor.cpuMs) / Median(emptyStarts.cpuMs);
}
BENCHMARK(BM_ProgramStartUp)
    ->Arg(0)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(300000)
    ->MinTime(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
