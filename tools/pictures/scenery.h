// Backdrop pieces shared by the full-screen pictures and the overlays: gradients, star
// scatter, nebula clouds, a mountain ridge and a perspective grid floor.
#pragma once

#include "raster.h"

#include <cstdint>

// Fills rows [y0, y1) with a vertical gradient through `count` evenly spaced stops.
void verticalGradient(Canvas& c, int y0, int y1, const Rgb* stops, int count);
// Scatters small stars over rows [y0, y1), fading them out towards y1.
void scatterStars(Canvas& c, int count, uint32_t seed, int y0, int y1, float brightness);
// Adds coloured cloud light: two fbm fields mapped to two colours, scaled by `gain`.
void addNebula(Canvas& c, int y0, int y1, uint32_t seed, Rgb first, Rgb second, float gain, float scale);
// Height (in rows) of a mountain ridge at column x: its top edge is baseY − ridgeHeight(x).
float ridgeHeight(float x, uint32_t seed, float amplitude, float frequency);
// Adds a glowing perspective grid floor below the horizon row, converging to (vanishX, horizon).
void addGridFloor(Canvas& c, int horizon, float vanishX, Rgb line, float gain);
// Adds a soft round glow centred at (cx, cy).
void addGlow(Canvas& c, float cx, float cy, float radius, Rgb colour, float gain);
