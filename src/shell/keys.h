// The idle and keyboard callbacks.
#pragma once

// GLUT idle callback: asks for the next frame.
void idle();

// GLUT keyboard callback: Escape quits, f toggles full screen, s writes a screenshot.
void key(unsigned char code, int x, int y);

// Key codes the show answers to (case-sensitive).
constexpr unsigned char keyEscape = 27;
constexpr unsigned char keyFullScreen = 'f';
constexpr unsigned char keyScreenshot = 's';
