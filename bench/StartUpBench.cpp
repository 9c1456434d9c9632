// The whole program starting in a working folder, measured from outside: from
// the process's start until its subject list is first painted (it ends there,
// see app/StartUpProbe.h), with its peak resident memory and the processor time
// it took, which a busy machine disturbs less than the time on the clock. The
// empty folder is the floor the others are compared with.
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "BenchSubjects.h"
#include "ProgramRun.h"

namespace {

void BM_ProgramStartUp(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    QTemporaryDir runtime;
    WriteDataFiles(folder.path().toStdString(), count);
    ProgramRun run{};
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
