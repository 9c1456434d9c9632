// A step of one computer of a randomised sync test, run as a process of its
// own so that the test can let it end, or kill it at any moment. Its
// standard error goes to a file beside its logs.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class ActorProcess {
  public:
    ActorProcess(std::vector<std::string> args, const std::string& outputFile) {
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, outputFile.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ActorProcess() { Kill(); }
    ActorProcess(const ActorProcess&) = delete;
    ActorProcess& operator=(const ActorProcess&) = delete;

    // Waits up to `millis` for the end; true once ended.
    bool Ended(int millis) {
        using Clock = std::chrono::steady_clock;
        for (const auto end = Clock::now() + std::chrono::milliseconds(millis); pid_ > 0;) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
            } else if (Clock::now() > end) {
                return false;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return true;
    }
    void Kill() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

  private:
    pid_t pid_ = -1;
};
