// What /proc tells about a running process: its children, its memory, and the processor time
// it has used, per thread and in all.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// The pids of the processes whose parent is pid (from /proc/<pid>/task/*/children).
std::vector<pid_t> childrenOf(pid_t pid);

// The command name (comm) of a process or thread; "" when it is gone.
std::string commandName(const std::string &procPath);

// A "Vm…:" line of /proc/<pid>/status in kB (VmRSS, VmHWM, …); −1 when it is not there.
long statusKb(pid_t pid, const char *field);

// True when the process has a handler for the signal (SigCgt of /proc/<pid>/status).
bool catchesSignal(pid_t pid, int signal);

// One thread's processor time so far.
struct ThreadTime {
    pid_t tid = 0;
    std::string name;
    long long runNs = 0;  // from /proc/<pid>/task/<tid>/schedstat, in nanoseconds
};

// The processor time of a process at one moment.
struct CpuSample {
    long long atNs = 0;        // CLOCK_MONOTONIC when it was taken
    long ticks = -1;           // utime + stime of /proc/<pid>/stat, in clock ticks; −1 when gone
    long long runNs = 0;       // the sum of its threads' schedstat run times
    std::vector<ThreadTime> threads;
};
CpuSample sampleCpu(pid_t pid);

// Clock ticks per second (sysconf(_SC_CLK_TCK)).
long ticksPerSecond();
