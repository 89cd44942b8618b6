// The player never outlives the demo: the parent-death signal, a look at the parent's pid and
// at "demoport", and SIGTERM/SIGINT/SIGHUP turned into an orderly stop.
#pragma once

// Records the parent (the demo) and asks for SIGTERM when it dies; false when it is already
// gone. The demo starts the player from its main thread, which the signal follows.
bool watchParent();

// Makes SIGTERM, SIGINT and SIGHUP set the stop flag instead of killing the player outright,
// so that it still removes its port.
void catchStopSignals();

// True once a stop signal came.
bool stopSignalled();

// True once the demo is gone: another parent, or "demoport" no longer served.
bool demoGone();

// How often the player looks after the demo while it plays.
constexpr long watchIntervalMs = 200;
