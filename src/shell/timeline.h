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

// The display callback's own state, kept from frame to frame.
struct TimelineState {
    int32_t effectCounter;  // the effect number, 0 … 8, only ever increasing
    int32_t tmp;            // the clock value of the current frame
    int32_t tmpTime;        // the clock value at which the fade-in ramp began
};
TimelineState &timelineState();

// The GLUT display callback.
void display();
