// 1990s-style lettering effects over a coverage mask: chrome reflections with a bevel,
// outline rims, glows and drop shadows.
#pragma once

#include "raster.h"

// Colours of the reflected "world" in a chrome surface: sky above a horizon, ground below.
struct ChromePalette {
    Rgb skyTop = rgb8(70, 100, 190);
    Rgb skyHorizon = rgb8(235, 242, 255);
    Rgb horizonLine = rgb8(40, 30, 70);
    Rgb groundHorizon = rgb8(120, 70, 40);
    Rgb groundBottom = rgb8(255, 215, 140);
    float horizon = 0.52f;  // where the horizon sits, 0 at the letters' top, 1 at their bottom
};

struct ChromeStyle {
    ChromePalette palette;
    float top = 0, bottom = 1;  // rows spanned by the letters, for the reflection
    float bevel = 3;            // bevel width in pixels
    float tilt = 0.35f;         // how strongly the bevel bends the reflection
    float diffuse = 0.55f;      // light from the upper left
    float specular = 0.9f;
    float shininess = 28;
    float floor = 0.22f;        // darkest a lit pixel may get, so interiors never turn black
};

struct LetteringLook {
    ChromeStyle chrome;
    float rimWidth = 0;          // outline around the letters, pixels
    Rgb rimColour = rgb8(20, 16, 60);
    Rgb rimEdge = rgb8(140, 160, 255);  // thin light line on the rim's outer edge
    int glowRadius = 0;
    Rgb glowColour = rgb8(120, 80, 255);
    float glowGain = 0;
    int shadowDx = 0, shadowDy = 0, shadowRadius = 0;
    float shadowStrength = 0;
};

// Mask grown outwards by `px` pixels with a soft one-pixel edge.
Mask grow(const Mask& m, float px);
// Shades the covered pixels as bevelled chrome; returns a canvas the size of the mask.
Canvas shadeChrome(const Mask& letters, const ChromeStyle& style);
// Shadow, glow, rim and chrome fill, in that order, onto dst (mask and canvas the same size).
void paintLettering(Canvas& dst, const Mask& letters, const LetteringLook& look);
