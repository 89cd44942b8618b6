// Tasks, signals and the global scheduling lock, as the show's listener and the message
// ports rely on them. A task is a thread; its signal word wakes it in Wait.
#pragma once

#include <cstdint>

struct Task;

// Starts entry as a new task; nullptr when the thread cannot be started. The name,
// priority, stack size and options are kept for inspection only.
Task *CreateTask(const char *name, int priority, void (*entry)(), int stackSize, unsigned options);

// Ends a task that is waiting in Wait (typically parked in Wait(0)) so that none of its code
// runs afterwards, and releases it. A task that does not reach a Wait within a second is
// cut loose rather than waited for.
void DeleteTask(Task *task);

// The calling task's record; threads not started by CreateTask (the main task) get one on
// first use.
Task *FindTask(const char *name);

// The task's name as given to CreateTask ("main" for the main task).
const char *taskName(const Task *task);

// Global scheduling lock, recursive: code between Forbid and Permit excludes every other
// task that takes it.
void Forbid();
void Permit();

// Reserves a free signal bit (16 … 31) of the calling task; −1 when none is free.
int AllocSignal();

// Returns a signal bit reserved by AllocSignal.
void FreeSignal(int bit);

// Sets signals in a task, waking it if it waits for any of them. A signal is a flag, not a
// count: several before the task wakes are seen once.
void Signal(Task *task, uint32_t mask);

// Sleeps until one of the signals in mask is set, clears and returns those that were set.
// Wait(0) never returns; the task stays there until DeleteTask.
uint32_t Wait(uint32_t mask);

// Like Wait, but gives up after the given milliseconds and then returns 0. The music player
// uses it to look after the demo between messages. A deleted task ends here as in Wait.
uint32_t WaitTimeout(uint32_t mask, long milliseconds);

// The calling task's signals that are set now, without waiting or clearing.
uint32_t pendingSignals();
