// Runs the program itself for a benchmark, as a user would, and reads what
// the process cost: its peak resident memory as it reports it itself (what
// wait4 gives a spawned child counts the parent's peak too, see
// app/StartUpProbe.h), and the processor time it took, which a busy machine
// disturbs less than the time on the clock.
#pragma once

#include <benchmark/benchmark.h>
#include <functional>
#include <string>
#include <vector>

struct ProgramRun {
    bool ok = false;         // it started and ended with status 0
    long peakKiB = 0;        // its last "VmHWM:" line on standard error; 0 without one
    long residentKiB = 0;    // its last "VmRSS:" line, which only some runs report
    double processorMs = 0;  // user and system
    double wallMs = 0;       // from the spawn to the end of the wait
};

// The program VESKAT_PROGRAM with `args` in `folder`, on the offscreen
// platform with `runtimeDir` as XDG_RUNTIME_DIR and asked to report its peak,
// with `settings` in its environment besides, its standard error to
// `errors`; waits for it to end. `program` runs instead of it when given.
ProgramRun RunProgram(const std::vector<std::string>& args, const std::string& folder,
                      const std::string& runtimeDir, const std::string& errors,
                      const std::vector<std::string>& settings = {},
                      const std::string& program = VESKAT_PROGRAM);

// Runs the program with `args` in `folder` once per iteration, `beforeEach`
// untimed before each run, and sets the counters peak_MiB and cpu_ms; a run
// that fails ends the benchmark with an error.
void MeasureCommand(benchmark::State& state, const std::vector<std::string>& args,
                    const std::string& folder, const std::string& runtimeDir,
                    const std::function<void()>& beforeEach = {});
