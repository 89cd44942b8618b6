// The two scrollers: one line of text moving right to left with the font atlas, on a turning
// helix (sine-wave scroller) or on a plane (flat scroller).
#pragma once

#include <cstdint>

#include "effects/colour.h"

// Scroll time of the current frame: demo clock − scrollStartTime, centiseconds.
extern int32_t scrolltimer;

// The flat scroller; the glyphs take whatever colour is current.
void scrolltext1(int frame, ColourRecord colour);

// The sine-wave scroller; the glyphs take red, green and blue from the colour record.
void scrolltext2(int frame, ColourRecord colour);
