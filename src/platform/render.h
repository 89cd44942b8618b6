// What the show needs of OpenGL and GLUT beyond calling them by their standard names:
// the few places where Mesa and freeglut behave otherwise than the show was written for.
#pragma once

#include <GL/gl.h>

// GLUT display mode bits for the show's mode number. Mode 7 (index colour, double, accum)
// cannot be created by freeglut; the show needs a double-buffered RGBA window with a depth
// buffer, which is what every mode becomes.
unsigned glutModeFor(unsigned mode);

// A fresh texture name from glGenTextures(1, …).
GLuint newTextureName();

// Uploads level 0 of the bound texture as RGBA bytes. Sets linear minification (a texture
// with only level 0 and the default mipmap filter would draw untextured) and clamps to the
// edge so that tiles and sprite cells do not pick up texels from the opposite side.
void uploadTexture(int width, int height, const unsigned char *rgba);

// Installs a GLUT error handler that reports window failures in one line on stderr and
// ends the program with status 1 (freeglut would otherwise exit by itself, unexplained).
void installGlutErrorHandlers();

// Reports a window that could not be created and ends the program with status 1.
void windowFailed(const char *what);
