// Watching the demo from the player.
#include "watch.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>

#include "music/message.h"
#include "platform/ports.h"

namespace {
pid_t parent = 0;
std::atomic<bool> stopFlag{false};
static_assert(std::atomic<bool>::is_always_lock_free, "written from a signal handler");

void onStop(int) { stopFlag.store(true); }
}  // namespace

bool watchParent() {
    parent = getppid();
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The parent may have died before the signal was asked for.
    return parent != 1 && getppid() == parent;
}

void catchStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = onStop;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

bool stopSignalled() { return stopFlag.load(); }

bool demoGone() { return getppid() != parent || !portIsServed(demoPortName); }
