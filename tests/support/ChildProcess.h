// Starting and stopping a server process that a test runs for itself: a
// Python test server, Radicale, Xandikos. Every server listens on 127.0.0.1
// at a free port, since other test programs run beside this one.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Starts argv[0] (a full path) with `argv`; its standard output goes to
// `outputFd` and its standard error to `errorFd` where they are not -1, and
// `closeFd` is closed in the child. -1 when it could not be started.
pid_t SpawnChild(const std::vector<std::string>& argv, int outputFd = -1, int errorFd = -1,
                 int closeFd = -1);

// Reads the "PORT n" line a server prints once it listens; 0 on time-out or
// any other line.
int ReadPortLine(int fd, int millis = 15000);

// A port on 127.0.0.1 that nothing listened on a moment ago, for a server
// that cannot be told to take port 0.
int FreeLoopbackPort();

// Waits until something accepts connections on 127.0.0.1:`port`, at most
// `millis`; false at once when `pid` ends first.
bool WaitForListening(pid_t pid, int port, int millis = 15000);

// Asks the process to end, waits a bounded time, kills it if it must, and
// reaps it.
void StopChild(pid_t pid);
