#include "ChildProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace {

// Waits a bounded time for the process to end; true when it has been reaped.
bool Reap(pid_t pid, int millis) {
    for (int waited = 0; waited < millis; waited += 20) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) != 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

pid_t SpawnChild(const std::vector<std::string>& argv, int outputFd, int errorFd, int closeFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outputFd != -1) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    }
    if (errorFd != -1) {
        posix_spawn_file_actions_adddup2(&actions, errorFd, STDERR_FILENO);
    }
    if (closeFd != -1) {
        posix_spawn_file_actions_addclose(&actions, closeFd);
    }
    std::vector<std::string> words = argv;
    std::vector<char*> pointers;
    for (std::string& word : words) {
        pointers.push_back(word.data());
    }
    pointers.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

int ReadPortLine(int fd, int millis) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(millis);
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return 0;
        }
        char buffer[64];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            return 0;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text.rfind("PORT ", 0) == 0 ? std::atoi(text.c_str() + 5) : 0;
}

int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

bool WaitForListening(pid_t pid, int port, int millis) {
    for (int waited = 0; waited < millis; waited += 50) {
        // Looked at, not reaped: StopChild reaps it, and a reaped number
        // may already belong to another process.
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == pid) {
            return false;
        }
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = Loopback(port);
        const bool listening =
            connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        if (listening) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void StopChild(pid_t pid) {
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    if (!Reap(pid, 5000)) {
        kill(pid, SIGKILL);
        Reap(pid, 5000);
    }
}
