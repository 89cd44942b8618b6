// Where the shell meets the music link: starting the listener and the player, and the one
// way out of the program that Escape, the window's close button, Ctrl-C and SIGTERM all take.
#pragma once

struct Task;

// The listener task; nullptr when it could not be created (or before start-up).
extern Task *subtask;

// Start-up: creates the listener task, then starts the player ("Loading song..."), or says
// "Can't create subtask" and starts nothing. Then hooks the window's close button, Ctrl-C and
// SIGTERM to leaveShow. Runs on the main task, after the window exists.
void startMusic();

// Stops the player while the song plays, ends the listener, removes the ports and ends the
// program with status 0.
void leaveShow();

// The interval at which the main loop looks for Ctrl-C, SIGTERM and ended children.
constexpr unsigned watchIntervalMs = 20;
