// The shell runner: command lines of the form `run >NIL: PROGRAM "ARG"`, started with
// posix_spawn and no shell. Children are kept and reaped here, so none is left a zombie.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A command line taken apart.
struct CommandLine {
    bool valid = false;       // false: empty, unbalanced quotes, or an unknown redirection
    bool background = false;  // "run": start it and return at once
    bool toNil = false;       // ">NIL:": its output and errors go to /dev/null
    std::string program;      // relative to the working directory, as given
    std::vector<std::string> args;  // in double quotes they are taken as they are
};

// Takes a command line apart without running anything.
CommandLine parseCommandLine(const char *line);

// Runs the command line with no input (stdin is /dev/null) and, for ">NIL:", no output. The
// child finds the port directory in CORVALIS_PORTS. "run" returns once the program has been
// started; otherwise it waits for it. 1 when the program started (and, waited for, exited
// with status 0), 0 otherwise.
int Execute(const char *line);

// Reaps children started with "run" that have ended; never waits. Safe to call every frame.
void reapChildren();

// Children started with "run" that have not been reaped yet.
std::vector<pid_t> runningChildren();

// Ends every child: waits up to graceMs for it to leave by itself, then sends SIGTERM and waits
// graceMs more, then SIGKILL; reaps them all. Called on the way out.
void endChildren(long graceMs);
