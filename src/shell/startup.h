// Start-up, window and callbacks: the program's entry and its wiring into GLUT.
#pragma once

// The whole program: banner, window, initialisation, callbacks, main loop.
int demoMain(int argc, char **argv);
