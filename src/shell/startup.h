// Start-up, window and callbacks: the program's entry and its wiring into GLUT.
#pragma once

// The whole program: banner, window, initialisation, callbacks, main loop. Returns only
// if the main loop does.
int demoMain(int argc, char **argv);

// One-time initialisation once the window exists: particles, stars, texture table, fixed GL
// state, listener and player.
void init();

// The part of init that the show's pictures depend on, without the music link: particles,
// stars, texture table, both buffers black, fixed GL state. Capture runs it alone.
void initShowState();

// The window title and the start-up banner.
constexpr const char *demoTitle = "Corvalis v1.0";
