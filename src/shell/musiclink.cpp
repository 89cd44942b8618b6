// Music start and the way out: the listener task, the player's command line, and the ways
// out that all end in leaveShow.
#include "shell/musiclink.h"

#include <GL/freeglut.h>
#include <signal.h>

#include <atomic>
#include <cstdio>

#include "music/listener.h"
#include "music/message.h"
#include "platform/ports.h"
#include "platform/process.h"
#include "platform/shellrun.h"
#include "platform/tasks.h"

Task *subtask = nullptr;

namespace {
// How long the way out lets the player leave by itself before it is made to.
constexpr long playerGraceMs = 400;

// How long the way out waits for the player to answer the stop command. A live player answers
// at once; one that has not by then is hung or stopped (SIGSTOP), and the way out goes on.
constexpr long stopAnswerMs = 500;

// Set by Ctrl-C and SIGTERM; the main loop's timer takes the way out. A lock-free atomic is
// safe to write from a signal handler.
std::atomic<bool> leaveAsked{false};

// Set once the way out has begun: freeglut calls the close callback again while the process
// ends, and that must not start a second way out.
bool leaving = false;
static_assert(std::atomic<bool>::is_always_lock_free, "written from a signal handler");

void onLeaveSignal(int) { leaveAsked.store(true); }

// Last step before the process ends: no player, no zombie, no port directory left.
void closeMusicLink() {
    endChildren(playerGraceMs);
    removePortDirectory();
}

// Tells the listener to quit, waits for its answer, then deletes the task.
void endListener() {
    // A listener that has only just started may be about to own "demoport": let it get there.
    if (subtask) waitForListener(1000);
    SendMessage(demoPortName, commandQuit);
    if (subtask) {
        Forbid();
        DeleteTask(subtask);
        Permit();
        subtask = nullptr;
    }
}

// GLUT timer: takes the way out once a signal asked for it, and reaps an ended player.
void watchWaysOut(int) {
    if (leaveAsked.exchange(false)) {
        leaveShow();
        return;
    }
    reapChildren();
    glutTimerFunc(watchIntervalMs, watchWaysOut, 0);
}

void onWindowClose() { leaveShow(); }

// Sends the player the stop command. When no answer comes in time, the player may be stopped
// (SIGSTOP, a debugger): it is let go on, so that it sees the stop and leaves by itself before
// closeMusicLink has to end it.
void stopPlayer() {
    if (SendMessageWithin(playerPortName, commandStop, stopAnswerMs) != -1) return;
    for (pid_t pid : runningChildren()) kill(pid, SIGCONT);
}

// Ctrl-C and SIGTERM ask for the way out once; a second one ends the program at once.
void catchLeaveSignals() {
    struct sigaction sa {};
    sa.sa_handler = onLeaveSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}
}  // namespace

void startMusic() {
    if (subtask) endListener();  // started again in one process (tests): the old one goes first
    playingSong.store(0, std::memory_order_relaxed);
    leaveAsked.store(false);
    leaving = false;
    // Caught before anything is made that the way out must clear up (the port folder, the
    // task, the player); the timer below acts on a signal that came meanwhile.
    catchLeaveSignals();
    // Made now, on the main task, so that the listener and the player share it.
    portDirectory();
    atProgramExit(closeMusicLink);

    listenerStage = listenerStarting;
    subtask = CreateTask(subtaskname, 0, musichandler, 2000, 0);
    if (subtask) {
        std::fputs("Loading song...\n", stderr);
        // The player's first act is to report to "demoport", and it leaves at once when there is
        // none: on a busy machine the new task may not have made the port before the player
        // looks. A listener that could not make it has parked by then, and the player is
        // started all the same, to find no port and leave.
        waitForListener(1000);
        // Started from the main task: the player's parent-death signal follows this thread.
        Execute(playerCommandLine);
    } else {
        std::fputs("Can't create subtask\n", stdout);
    }

    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    glutCloseFunc(onWindowClose);
    glutTimerFunc(watchIntervalMs, watchWaysOut, 0);
}

void leaveShow() {
    if (leaving) return;
    leaving = true;
    if (playingSong.load(std::memory_order_relaxed) != 0) stopPlayer();
    endListener();
    exitProgram(0);
    leaving = false;  // reached only when a test has hooked the exit
}
