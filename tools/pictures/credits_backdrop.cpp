// The credits backdrop: a nebula sky with the chrome word "CREDITS", a dark glass band across
// the middle where the show writes the white role captions and member handles, and a neon grid
// floor below. The band (rows 170 … 280) is kept dark and even so the texts stay readable.
#include "lettering.h"
#include "noise.h"
#include "pictures.h"
#include "scenery.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kBandTop = kCalmTop - 12, kBandBottom = kCalmBottom + 12;  // glass panel with its rims
constexpr int kFloorHorizon = 318;

// Night sky with nebula clouds and stars down to the floor's horizon.
void paintSky(Canvas& c) {
    const Rgb stops[] = {rgb8(8, 6, 30), rgb8(26, 14, 64), rgb8(54, 20, 88), rgb8(30, 12, 60)};
    verticalGradient(c, 0, kFloorHorizon, stops, 4);
    addNebula(c, 0, kFloorHorizon, 23, rgb8(90, 40, 160), rgb8(20, 110, 150), 0.75f, 0.007f);
    scatterStars(c, 300, 9, 0, kFloorHorizon, 0.85f);
}

// Neon grid floor fading into a glowing horizon.
void paintFloor(Canvas& c) {
    const Rgb stops[] = {rgb8(70, 20, 90), rgb8(20, 8, 40), rgb8(10, 6, 24)};
    verticalGradient(c, kFloorHorizon, c.h, stops, 3);
    addGridFloor(c, kFloorHorizon, c.w * 0.5f, rgb8(255, 70, 210), 0.9f);
    // The horizon glows where the floor meets the sky.
    for (int y = kFloorHorizon - 30; y < kFloorHorizon + 40 && y < c.h; ++y) {
        const float d = (y - kFloorHorizon) / (y < kFloorHorizon ? 10.0f : 18.0f);
        for (int x = 0; x < c.w; ++x) at(c, x, y) = at(c, x, y) + rgb8(255, 90, 200) * (std::exp(-d * d) * 0.45f);
    }
}

// The glass band: what lies behind shows through faintly and evenly, between two thin rims.
void paintGlassBand(Canvas& c) {
    for (int y = kBandTop; y < kBandBottom; ++y) {
        const float v = static_cast<float>(y - kBandTop) / (kBandBottom - kBandTop);
        const Rgb glass = mix(rgb8(14, 12, 40), rgb8(8, 8, 28), v);
        for (int x = 0; x < c.w; ++x) {
            const Rgb behind = at(c, x, y);
            const float sheen = (fbm(x * 0.01f, y * 0.04f, 2, 61) - 0.5f) * 0.015f;
            at(c, x, y) = glass + behind * 0.08f + Rgb{sheen, sheen, sheen * 1.5f};
        }
    }
    // Rims outside the calm rows: a bright line with a soft glow towards the outside.
    for (int side = 0; side < 2; ++side) {
        const int rimY = side == 0 ? kBandTop : kBandBottom - 1;
        const int outward = side == 0 ? -1 : 1;
        for (int k = -8; k <= 8; ++k) {
            const int y = rimY + k * outward;
            if (y < 0 || y >= c.h) continue;
            if (y >= kCalmTop - 4 && y <= kCalmBottom + 4) continue;
            const float g = k >= 0 ? std::exp(-k * 0.45f) : std::exp(-k * k * 1.5f);
            for (int x = 0; x < c.w; ++x) {
                const float fadeX = 1.0f - std::pow(std::fabs(x + 0.5f - c.w * 0.5f) / (c.w * 0.5f), 3.0f);
                at(c, x, y) = at(c, x, y) + mix(rgb8(90, 200, 255), rgb8(240, 250, 255), k == 0 ? 1.0f : 0.0f) *
                                                (g * fadeX * 0.9f);
            }
        }
    }
}

// The chrome "CREDITS" heading above the band.
void paintHeading(Canvas& c, const Typefaces& tf) {
    Mask letters = makeMask(c.w, c.h);
    TextStyle style;
    style.size = 84;
    style.embolden = 2.5f;
    style.tracking = 10;
    style.slant = 0.1f;
    const float baseline = 118;
    drawTextCentered(letters, tf.sansBold, "CREDITS", style, c.w * 0.5f, baseline);
    LetteringLook look;
    look.chrome.top = baseline - capHeight(tf.sansBold, style);
    look.chrome.bottom = baseline;
    look.chrome.bevel = 5;
    look.chrome.palette.skyTop = rgb8(60, 110, 200);
    look.chrome.palette.groundHorizon = rgb8(90, 40, 110);
    look.chrome.palette.groundBottom = rgb8(255, 170, 230);
    look.rimWidth = 3;
    look.rimColour = rgb8(10, 8, 36);
    look.rimEdge = rgb8(255, 120, 230);
    look.glowRadius = 10;
    look.glowColour = rgb8(120, 90, 255);
    look.glowGain = 0.8f;
    look.shadowDx = 6;
    look.shadowDy = 8;
    look.shadowRadius = 5;
    look.shadowStrength = 0.55f;
    paintLettering(c, letters, look);
}

}  // namespace

Canvas makeCreditsBackdrop(const Typefaces& tf) {
    Canvas c = makeCanvas(kScreenW, kScreenH);
    paintSky(c);
    paintFloor(c);
    paintHeading(c, tf);
    paintGlassBand(c);
    for (Rgb& p : c.px) p = {std::max(p.r, 0.012f), std::max(p.g, 0.008f), std::max(p.b, 0.03f)};
    return c;
}
