// The reminder agent against the window, on the same data files in the same
// run: the agent's resident memory once it has read its folder and taken its
// first look (veskat --remind with VESKAT_EXIT_AFTER_FIRST_LOOK, on a session
// bus of its own), against the window's peak when it first paints; and the
// agent's read of the file after a save, against the window's load of it.
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <chrono>

#include "BenchSubjects.h"
#include "ProgramRun.h"
#include "ReminderIndex.h"

namespace {

void BM_AgentResidentMemory(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    QTemporaryDir runtime;
    QTemporaryDir stateHome;
    WriteDataFiles(folder.path().toStdString(), count);
    ProgramRun agent{};
    for (auto _ : state) {
        agent = RunProgram(
            {"dbus-run-session", "--", VESKAT_PROGRAM, "--remind", folder.path().toStdString()},
            folder.path().toStdString(), runtime.path().toStdString(),
            {"VESKAT_EXIT_AFTER_FIRST_LOOK=1", "XDG_STATE_HOME=" + stateHome.path().toStdString()});
    }
    const ProgramRun window =
        RunToFirstPaint(folder.path().toStdString(), runtime.path().toStdString());
    state.counters["agent_rss_MiB"] = static_cast<double>(agent.residentKiB) / 1024;
    state.counters["agent_peak_MiB"] = static_cast<double>(agent.peakKiB) / 1024;
    state.counters["window_peak_MiB"] = static_cast<double>(window.peakKiB) / 1024;
    state.counters["rss_vs_window"] =
        static_cast<double>(agent.residentKiB) / static_cast<double>(window.peakKiB);
}
BENCHMARK(BM_AgentResidentMemory)
    ->Arg(0)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Each iteration loads the file as the window does and reads it as the agent
// does, timing both; the ratio is the figure.
void BM_AgentRereadAgainstWindowLoad(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    WriteDataFiles(folder.path().toStdString(), count);
    const std::string file = folder.path().toStdString() + "/" + kIndivFileName;
    using Clock = std::chrono::steady_clock;
    std::chrono::duration<double, std::milli> loading{};
    std::chrono::duration<double, std::milli> reading{};
    ReminderIndex index;
    for (auto _ : state) {
        const auto start = Clock::now();
        {
            IndivSubjList window;
            Require(window.Load(file));
        }
        const auto loaded = Clock::now();
        if (index.Read(file, std::time(nullptr)) != ReminderIndex::ReadResult::Read) {
            state.SkipWithError("the agent could not read the file");
            return;
        }
        reading += Clock::now() - loaded;
        loading += loaded - start;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["window_load_ms"] = loading.count() / n;
    state.counters["agent_reread_ms"] = reading.count() / n;
    state.counters["reread_vs_load"] = reading.count() / loading.count();
    state.counters["held_MiB"] = static_cast<double>(index.HeldBytes()) / (1024 * 1024);
}
BENCHMARK(BM_AgentRereadAgainstWindowLoad)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
