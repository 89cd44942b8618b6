// Binary PPM ("P6") pictures: reading into RGBA with an alpha rule, and the screenshot.
#pragma once

// How LoadPPM forms each pixel's alpha.
constexpr int alphaBlackTransparent = 0;  // pure black gets alpha 0, the rest 255
constexpr int alphaOpaque = 1;            // every pixel 255
constexpr int alphaWhiteTransparent = 2;  // pure white gets alpha 0, the rest 255
// Any other value: a white mask whose alpha is the pixel's brightness.

// Largest width or height LoadPPM accepts.
constexpr long ppmMaxSide = 16384;

// Reads the picture into a new RGBA array (4 bytes a pixel, file row order) that the caller
// releases with free(). On any failure returns nullptr with width = height = 0: silently for
// a file that cannot be opened, with one line on stdout for a bad header, an out-of-range
// size, a short raster or a failed allocation.
unsigned char *LoadPPM(const char *path, int *width, int *height, int alphaMode);

// Writes the 640×480 frame to "RAM:screenshot.ppm", top row first. Goes through a temporary
// file and a rename, so a failure leaves any earlier screenshot intact; reports a failure in
// one line on stderr. Returns 1 on success, 0 on failure.
int savePBM();
