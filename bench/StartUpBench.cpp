// The whole program starting in a working folder, measured from outside: from
// the process's start until its subject list is first painted (it ends there,
// see app/StartUpProbe.h), with its peak resident memory and the processor time
// it took, which a busy machine disturbs less than the time on the clock. The
// empty folder is the floor the others are compared with.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "BenchSubjects.h"

extern char** environ;

namespace {

// The peak the program reports as its last "VmHWM:" line, in KiB.
long ReportedPeakKiB(const std::string& errors) {
    std::ifstream in(errors);
    long peak = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            peak = std::atol(line.c_str() + 6);
        }
    }
    return peak;
}

struct StartUp {
    long peakKiB;
    double processorMs;  // user and system
};

double Milliseconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

// Runs the program in `folder` on the offscreen platform and waits for it.
StartUp RunToFirstPaint(const std::string& folder, const std::string& runtimeDir) {
    std::vector<std::string> settings = {"QT_QPA_PLATFORM=offscreen",
                                         "VESKAT_EXIT_AFTER_FIRST_PAINT=1",
                                         "XDG_RUNTIME_DIR=" + runtimeDir};
    std::vector<char*> env;
    for (std::string& setting : settings) {
        env.push_back(setting.data());
    }
    for (char** inherited = environ; *inherited != nullptr; ++inherited) {
        const std::string name = *inherited;
        if (name.rfind("QT_QPA_PLATFORM=", 0) != 0 && name.rfind("XDG_RUNTIME_DIR=", 0) != 0) {
            env.push_back(*inherited);
        }
    }
    env.push_back(nullptr);
    std::string program = VESKAT_PROGRAM;
    char* argv[] = {program.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const std::string errors = runtimeDir + "/stderr";
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t child = 0;
    const int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (failed != 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s did not start and paint cleanly\n", VESKAT_PROGRAM);
        std::abort();
    }
    return {ReportedPeakKiB(errors), Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime)};
}

void BM_ProgramStartUp(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    QTemporaryDir runtime;
    WriteDataFiles(folder.path().toStdString(), count);
    StartUp run{};
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
