// A private X server for runs that need a GL window where there is no display (capture on a
// headless machine): Xvfb, on a display number it picks for itself.
#pragma once

#include <string>

// Starts Xvfb with one 640×480 screen, waits until it takes connections, and points DISPLAY
// at it. false with *error set (one line) when Xvfb is missing or does not start within ten
// seconds. The server ends with this process even if it is killed (parent-death signal).
bool startPrivateDisplay(std::string *error);

// Ends the server startPrivateDisplay started, if any, and waits for it.
void stopPrivateDisplay();
