// The star field and the dispatch of the show's sub-effects.
#pragma once

#include "effects/colour.h"

struct Star {
    float x, y, z;
};

constexpr int starCount = 500;

// Placed once at start-up, never changed afterwards.
extern Star stars[starCount];

// The demo time of the previous frame that drew the star field (0 before the first); the
// whole-field rotations use it, so they lag the field's wobble by one frame.
extern float rot;

// Places the stars in the hollow cube from −5 to 5 outside the inner cube from −2.5 to 2.5,
// drawing from the show's random sequence (start-up, right after the particle table is cleared).
void placeStars();

// Draws the star field from 1501 centiseconds on, then the sub-effect of the effect number.
// frame is not read: the routine reads the demo clock itself.
void drawStars(int frame, ColourRecord colour, int effect);
