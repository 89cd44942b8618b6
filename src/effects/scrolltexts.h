// The two texts the scrollers carry.
#pragma once

// The opening text of the sine-wave scroller (138 characters).
extern const char defaultScroller[];

// The closing text of the flat scroller (355 characters).
extern const char endScroller[];
