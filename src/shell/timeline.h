// The effect timeline: the display callback that conducts the show frame by frame.
#pragma once

#include <cstdint>

// Written only by the timeline, read by the drawing routines.
extern int32_t effectStartTime;     // clock value of the frame in which the current effect began
extern int32_t scrollStartTime;     // clock value at which the current scroll began; 0: none yet
extern int32_t scrollPauseTime;     // non-zero while the sine-wave scroller is suspended
extern const char *scrollText;      // the text the scrollers show
extern int32_t lastEffect;          // −1 until the star field's fade-in ramp has started
extern float ratio;                 // half-width of the perspective's near window

// The GLUT display callback.
void display();
