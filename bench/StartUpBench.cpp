// The whole program starting in a working folder, measured from outside: from
// the process's start until its subject list is first painted (it ends there,
// see app/StartUpProbe.h), with its peak resident memory and the processor time
// it took (ProgramRun.h). The empty folder is the floor the others are
// compared with.
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSubjects.h"
#include "ProgramRun.h"

namespace {

// Runs the program in `folder` until it first paints its list.
ProgramRun RunToFirstPaint(const std::string& folder, const std::string& runtimeDir) {
    const std::string errors = runtimeDir + "/stderr";
    ProgramRun run =
        RunProgram({}, folder, runtimeDir, errors, {"VESKAT_EXIT_AFTER_FIRST_PAINT=1"});
    if (!run.ok) {
        std::fprintf(stderr, "%s did not start and paint cleanly\n", VESKAT_PROGRAM);
        std::abort();
    }
    return run;
}

void BM_ProgramStartUp(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    QTemporaryDir runtime;
    WriteDataFiles(folder.path().toStdString(), count);
    ProgramRun run;
    double processorMs = 0;
    for (auto _ : state) {
        run = RunToFirstPaint(folder.path().toStdString(), runtime.path().toStdString());
        processorMs += run.processorMs;
    }
    state.counters["peak_MiB"] = static_cast<double>(run.peakKiB) / 1024;
    state.counters["cpu_ms"] = processorMs / static_cast<double>(state.iterations());
    state.counters["record_MiB"] = static_cast<double>(count) * kRecordSize / (1024 * 1024);
}
BENCHMARK(BM_ProgramStartUp)
    ->Arg(0)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
