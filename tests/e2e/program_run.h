// Running the built program with arguments for end-to-end tests of its command line, capture
// and install: its exit status and what it printed.
#pragma once

#include <string>
#include <vector>

#include "demo_process.h"

struct ProgramResult {
    int status = -1;  // exit status; 128 + signal when killed; −1 when it could not run or timed out
    std::string out, err;
};

// Runs program with args in cwd, with env entries NAME=VALUE added or replaced and the names
// in unset removed; waits up to timeoutSeconds.
ProgramResult runProgram(const std::string &program, const std::vector<std::string> &args, const std::string &cwd,
                         const std::vector<std::string> &env = {}, const std::vector<std::string> &unset = {},
                         double timeoutSeconds = 120);

// Starts the demo program (any path) with arguments in cwd, like startDemo, for tests that
// drive its window.
DemoRun startDemoWith(const std::string &program, const std::vector<std::string> &args, const std::string &cwd,
                      const std::vector<std::string> &env = {});

// A fresh temporary folder.
std::string freshFolder(const char *prefix);
