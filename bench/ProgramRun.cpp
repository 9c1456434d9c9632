#include "ProgramRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

extern char** environ;

namespace {

double Milliseconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

// The number of the last line of `errors` that starts with `field`.
long ReportedKiB(const std::string& errors, const std::string& field) {
    std::ifstream in(errors);
    long kib = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field, 0) == 0) {
            kib = std::atol(line.c_str() + field.size());
        }
    }
    return kib;
}

bool SetHere(const std::string& inherited, const std::vector<std::string>& settings) {
    for (const std::string& setting : settings) {
        if (inherited.compare(0, setting.find('=') + 1, setting, 0, setting.find('=') + 1) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& args, const std::string& folder,
                      const std::string& runtimeDir, const std::string& errors,
                      const std::vector<std::string>& extra, const std::string& program) {
    std::vector<std::string> settings = {"QT_QPA_PLATFORM=offscreen", "VESKAT_REPORT_PEAK=1",
                                         "XDG_RUNTIME_DIR=" + runtimeDir};
    settings.insert(settings.end(), extra.begin(), extra.end());
    std::vector<char*> env;
    for (std::string& setting : settings) {
        env.push_back(setting.data());
    }
    for (char** inherited = environ; *inherited != nullptr; ++inherited) {
        if (!SetHere(*inherited, settings)) {
            env.push_back(*inherited);
        }
    }
    env.push_back(nullptr);
    std::vector<std::string> words = {program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const auto start = std::chrono::steady_clock::now();
    const int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    ProgramRun run;
    if (failed == 0 && wait4(child, &status, 0, &usage) == child) {
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        run.peakKiB = ReportedKiB(errors, "VmHWM:");
        run.residentKiB = ReportedKiB(errors, "VmRSS:");
        run.processorMs = Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
        run.wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
    }
    return run;
}

void MeasureCommand(benchmark::State& state, const std::vector<std::string>& args,
                    const std::string& folder, const std::string& runtimeDir,
                    const std::function<void()>& beforeEach) {
    ProgramRun run;
    double processorMs = 0;
    for (auto _ : state) {
        if (beforeEach) {
            state.PauseTiming();
            beforeEach();
            state.ResumeTiming();
        }
        run = RunProgram(args, folder, runtimeDir, runtimeDir + "/stderr");
        if (!run.ok) {
            state.SkipWithError("the command failed");
            return;
        }
        processorMs += run.processorMs;
    }
    state.counters["peak_MiB"] = static_cast<double>(run.peakKiB) / 1024;
    state.counters["cpu_ms"] = processorMs / static_cast<double>(state.iterations());
}
