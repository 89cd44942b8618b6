// Ending the program: every way out goes through exitProgram, so clean-up runs once.
#pragma once

// Runs the registered clean-up steps (newest first) and ends the process with the status.
// Returns only when a test has installed an exit hook; callers return straight after it.
void exitProgram(int status);

// Registers a step that exitProgram runs before the process ends (ports, port directory).
void atProgramExit(void (*step)());

// Tests replace the final process exit with a hook that records the status; exitProgram
// then returns to its caller. nullptr restores the real exit.
void setExitHook(void (*hook)(int status));
