// The colour record the timeline hands to the star field and the scrollers.
#pragma once

struct ColourRecord {
    float fade;   // the star field's fade-in ramp, otherwise 1.0
    float red;    // always 1.0 in the show
    float green;
    float blue;
};
