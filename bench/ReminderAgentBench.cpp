// The reminder agent against the window, on the same data files in the same
// run: the agent's resident memory once it has read its folder and taken its
// first look (veskat --remind with VESKAT_EXIT_AFTER_FIRST_LOOK, on a session
// bus of the benchmark's own), against the window's peak when it first paints; and the
// agent's read of the file after a save, against the window's load of it.
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BenchSubjects.h"
#include "ProgramRun.h"
#include "ReminderIndex.h"

namespace {

// A session bus of the benchmark's own, for the agent to connect to as it
// does on a desktop; ended with the benchmark.
class PrivateBus {
  public:
    PrivateBus() {
        FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        char line[512];
        if (out != nullptr && std::fgets(line, sizeof line, out) != nullptr) {
            address_ = std::string(line, std::strcspn(line, "\n"));
            if (std::fgets(line, sizeof line, out) != nullptr) {
                pid_ = std::atoi(line);
            }
        }
        if (out != nullptr) {
            pclose(out);
        }
    }
    ~PrivateBus() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
        }
    }
    const std::string& Address() const { return address_; }

  private:
    std::string address_;
    pid_t pid_ = 0;
};

void BM_AgentResidentMemory(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    QTemporaryDir runtime;
    QTemporaryDir stateHome;
    WriteDataFiles(folder.path().toStdString(), count);
    const PrivateBus bus;
    const std::string errors = runtime.path().toStdString() + "/stderr";
    ProgramRun agent;
    for (auto _ : state) {
        agent = RunProgram(
            {"--remind", folder.path().toStdString()}, folder.path().toStdString(),
            runtime.path().toStdString(), errors,
            {"VESKAT_EXIT_AFTER_FIRST_LOOK=1", "DBUS_SESSION_BUS_ADDRESS=" + bus.Address(),
             "XDG_STATE_HOME=" + stateHome.path().toStdString()});
        if (!agent.ok || agent.residentKiB == 0) {
            state.SkipWithError("the agent did not run cleanly");
            return;
        }
    }
    const ProgramRun window =
        RunProgram({}, folder.path().toStdString(), runtime.path().toStdString(), errors,
                   {"VESKAT_EXIT_AFTER_FIRST_PAINT=1"});
    if (!window.ok) {
        state.SkipWithError("the window did not start and paint cleanly");
        return;
    }
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
