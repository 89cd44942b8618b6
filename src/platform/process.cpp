// Program exit with registered clean-up steps.
#include "platform/process.h"

#include <cstdlib>
#include <vector>

namespace {
std::vector<void (*)()> &exitSteps() {
    static std::vector<void (*)()> steps;
    return steps;
}
void (*exitHook)(int) = nullptr;
}  // namespace

void atProgramExit(void (*step)()) { exitSteps().push_back(step); }

void setExitHook(void (*hook)(int)) { exitHook = hook; }

void exitProgram(int status) {
    std::vector<void (*)()> steps;
    steps.swap(exitSteps());
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) (*it)();
    if (exitHook) {
        exitHook(status);
        return;
    }
    std::exit(status);
}
