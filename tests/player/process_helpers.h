// Helpers for process tests: starting programs with their own directory, environment and
// output files, reading their lines, and waiting for them to end.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct Process {
    pid_t pid = 0;
    int in = -1;   // its stdin, when asked for
    int out = -1;  // its stdout, when asked for
    std::string pending;  // stdout read but not yet returned as lines
};

struct StartOptions {
    std::string cwd;                      // "" keeps ours
    std::vector<std::string> env;         // NAME=VALUE added to (or replacing in) ours
    std::vector<std::string> unset;       // names removed from ours
    std::string errFile;                  // stderr goes here; "" for /dev/null
    bool pipes = false;                   // stdin and stdout as pipes to the test
};

// Starts the program; pid 0 when it cannot.
Process startProcess(const std::vector<std::string> &argv, const StartOptions &options);

// The next line of its stdout within ms (without the newline); false on time-out or end.
bool readLine(Process &p, std::string *line, long ms);

// Reads lines until one starts with prefix; the rest of that line, or "" on time-out.
std::string waitForLine(Process &p, const std::string &prefix, long ms);

// Reads lines until one is exactly line; false on time-out or end.
bool sawLine(Process &p, const std::string &line, long ms);

// Waits up to ms for the child to end and reaps it; its wait status, or −1 on time-out.
int waitForExit(pid_t pid, long ms);

// Waits up to ms for any process to end: reaped, or gone, or a zombie its parent has yet to
// reap (reaping it if it has become ours). False on time-out.
bool endsWithin(pid_t pid, long ms);

// True when a process of that id is running (not ended, not a zombie).
bool isRunning(pid_t pid);

// Ends the child if still running and reaps it.
void killAndReap(Process &p);

// The pids of running processes whose parent is pid.
std::vector<pid_t> childrenOf(pid_t pid);
