// The benchmark's own processes and temporary folders, and their clean-up. Every child gets
// SIGTERM if the benchmark dies; the benchmark is a subreaper, so a grandchild that outlives its
// parent (a player after its demo) comes back to it to be ended and reaped.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <string>
#include <vector>

struct SpawnOptions {
    std::string cwd;                 // "" keeps ours
    std::vector<std::string> env;    // NAME=VALUE added to (or replacing in) ours
    std::vector<std::string> unset;  // names removed from ours
    std::string outFile;             // stdout and stderr go here; "" for /dev/null
    int passFd = -1;                 // an fd of ours the child gets as fd 3
};

// Makes the benchmark a subreaper and turns SIGINT/SIGTERM/SIGHUP into a stop request.
void setUpChildren();

// True once the benchmark was asked to stop: every wait then gives up at once.
bool stopRequested();

// Sleeps ms, or less when a stop is requested; false when one is.
bool sleepMs(long ms);

// Starts the program (argv[0] a path) as our child; 0 when it cannot.
pid_t spawn(const std::vector<std::string> &argv, const SpawnOptions &options);

// Waits up to ms for our child to end and reaps it; its wait status, or −1 on time-out. With
// usage, also the processor time it used (wait4).
int waitForChild(pid_t pid, long ms, rusage *usage = nullptr);

// Sends SIGTERM, waits up to ms, then SIGKILL; reaps it. Its wait status.
int endChild(pid_t pid, long ms);

// Ends and reaps every child of ours still there (including adopted ones) but spare; their
// number.
int endAllChildren(pid_t spare = 0);

// An X server of our own: Xvfb -displayfd; its pid and ":N", or pid 0 when it did not start.
struct XServer {
    pid_t pid = 0;
    std::string display;
};
XServer startXServer();

// A fresh folder under /tmp, remembered so that removeTempDirs() takes it away; "" on failure.
std::string makeTempDir(const char *what);

// Removes a folder from makeTempDir with all it holds.
void removeTempDir(const std::string &dir);

// Removes every folder from makeTempDir still there.
void removeTempDirs();

// CLOCK_MONOTONIC in nanoseconds.
long long monotonicNs();
