// Running the program itself from a benchmark, measured from outside: it is
// started in a folder with a runtime folder of its own and the offscreen
// platform, and ends by itself where one of its probes says (see
// app/StartUpProbe.h), leaving its memory on standard error. Shared by the
// window's start-up and the reminder agent's.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

struct ProgramRun {
    long peakKiB = 0;        // the last "VmHWM:" line it reported
    long residentKiB = 0;    // the last "VmRSS:" line it reported, 0 for none
    double processorMs = 0;  // user and system, of every process it started too
};

namespace programrun {

inline long Reported(const std::string& errors, const std::string& field) {
    std::ifstream in(errors);
    long value = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field, 0) == 0) {
            value = std::atol(line.c_str() + field.size());
        }
    }
    return value;
}

inline double Milliseconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

}  // namespace programrun

// Runs `argv` (argv[0] a full path) in `folder` with `settings` added to the
// environment, and waits for it; ends the benchmark when it fails.
inline ProgramRun RunProgram(std::vector<std::string> argv, const std::string& folder,
                             const std::string& runtimeDir, std::vector<std::string> settings) {
    settings.push_back("QT_QPA_PLATFORM=offscreen");
    settings.push_back("XDG_RUNTIME_DIR=" + runtimeDir);
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
    std::vector<char*> args;
    for (std::string& arg : argv) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const std::string errors = runtimeDir + "/stderr";
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t child = 0;
    const int failed = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (failed != 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s did not run cleanly\n", argv[0].c_str());
        std::abort();
    }
    return {programrun::Reported(errors, "VmHWM:"), programrun::Reported(errors, "VmRSS:"),
            programrun::Milliseconds(usage.ru_utime) + programrun::Milliseconds(usage.ru_stime)};
}

// The window starting in `folder` until its subject list is first painted.
inline ProgramRun RunToFirstPaint(const std::string& folder, const std::string& runtimeDir) {
    return RunProgram({VESKAT_PROGRAM}, folder, runtimeDir, {"VESKAT_EXIT_AFTER_FIRST_PAINT=1"});
}
