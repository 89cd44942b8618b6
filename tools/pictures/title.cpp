// The title picture: "CORVALIS" in chrome over a dusk landscape — starry sky, a striped
// setting sun, two ranges of mountains and a rippled lake that mirrors them. Shown opaque
// over the whole window, so no pixel is left pure black.
#include "lettering.h"
#include "noise.h"
#include "pictures.h"
#include "scenery.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kHorizon = 330;  // the lake's far shore
constexpr float kSunX = 320, kSunY = 282, kSunRadius = 80;

// Dusk sky: indigo to sunset orange, thin clouds and stars fading towards the horizon.
void paintSky(Canvas& c) {
    const Rgb stops[] = {rgb8(6, 6, 28), rgb8(22, 12, 60), rgb8(70, 20, 96), rgb8(170, 44, 110),
                         rgb8(255, 120, 90)};
    verticalGradient(c, 0, kHorizon, stops, 5);
    addNebula(c, 0, kHorizon, 11, rgb8(60, 30, 120), rgb8(20, 60, 110), 0.55f, 0.006f);
    scatterStars(c, 420, 5, 0, kHorizon - 40, 0.9f);
}

// The sun: a warm disc, yellow above and pink below, cut by widening dark slits.
void paintSun(Canvas& c) {
    addGlow(c, kSunX, kSunY, kSunRadius * 2.0f, rgb8(255, 80, 110), 0.35f);
    for (int y = 0; y < kHorizon; ++y)
        for (int x = 0; x < c.w; ++x) {
            const float dx = x + 0.5f - kSunX, dy = y + 0.5f - kSunY;
            const float cover = clamp01(kSunRadius - std::sqrt(dx * dx + dy * dy) + 0.5f);
            if (cover <= 0) continue;
            const float v = (dy / kSunRadius + 1) * 0.5f;  // 0 top, 1 bottom
            float slit = 1;
            if (v > 0.3f) {
                const float period = 16.0f, phase = std::fmod(y - (kSunY - kSunRadius), period);
                const float gap = (v - 0.3f) * 20.0f;
                slit = clamp01((std::fabs(phase - period * 0.5f) - gap * 0.5f) + 0.5f);
            }
            const Rgb sun = mix(rgb8(255, 236, 120), rgb8(255, 70, 150), smoothstep(0.1f, 0.95f, v));
            at(c, x, y) = mix(at(c, x, y), sun, cover * slit);
        }
}

// One mountain range: a ridge line with a lit rim, filled down to the horizon.
void paintRange(Canvas& c, uint32_t seed, float baseY, float amplitude, float frequency, Rgb top, Rgb bottom,
                Rgb rim) {
    // The ranges open into a valley where the sun sets.
    auto height = [&](float x) {
        const float valley = 0.3f + 0.7f * smoothstep(50.0f, 250.0f, std::fabs(x - kSunX));
        return ridgeHeight(x, seed, amplitude, frequency) * valley;
    };
    for (int x = 0; x < c.w; ++x) {
        const float ridge = baseY - height(static_cast<float>(x));
        const float slopeL = ridge - (baseY - height(x - 1.0f));
        for (int y = std::max(0, static_cast<int>(ridge) - 1); y < kHorizon; ++y) {
            const float cover = clamp01(y + 0.5f - ridge + 0.5f);
            if (cover <= 0) continue;
            const float depth = clamp01((y - ridge) / (kHorizon - ridge + 1));
            Rgb rock = mix(top, bottom, depth);
            // Snow-light on slopes that face the sun.
            const float facing = clamp01(slopeL * (x < kSunX ? 0.6f : -0.6f));
            rock = rock + rim * (std::exp(-(y - ridge) * 0.35f) * (0.4f + facing));
            const float texture = fbm(x * 0.05f, y * 0.12f, 3, seed + 3) - 0.5f;
            rock = rock * (1.0f + texture * 0.35f);
            at(c, x, y) = mix(at(c, x, y), rock, cover);
        }
    }
}

// The lake mirrors everything above the horizon with rippled, darkened reflections.
void paintLake(Canvas& c) {
    const Canvas above = c;
    for (int y = kHorizon; y < c.h; ++y) {
        const float depth = static_cast<float>(y - kHorizon);
        for (int x = 0; x < c.w; ++x) {
            const float ripple = (fbm(x * 0.02f, depth * depth * 0.004f + y * 0.08f, 3, 21) - 0.5f) *
                                 (2.0f + depth * 0.12f);
            const float srcY = kHorizon - 1 - depth * 0.9f + ripple * 0.6f;
            Rgb mirrored = sampleBilinear(above, x + ripple * 3.0f, std::max(0.0f, srcY));
            const float dim = 0.55f * std::exp(-depth * 0.004f);
            const Rgb water = mix(rgb8(30, 14, 50), rgb8(10, 8, 30), clamp01(depth / 150));
            at(c, x, y) = water + mirrored * dim;
        }
    }
    // A bright line where the sun touches the water.
    for (int x = 0; x < c.w; ++x) {
        const float dx = (x + 0.5f - kSunX) / (kSunRadius * 1.6f);
        const float g = std::exp(-dx * dx) * 0.6f;
        at(c, x, kHorizon) = at(c, x, kHorizon) + rgb8(255, 180, 160) * g;
    }
}

// "CORVALIS" in slanted chrome with a dark rim, magenta glow and a drop shadow, and the subtitle.
void paintTitleLettering(Canvas& c, const Typefaces& tf) {
    Mask letters = makeMask(c.w, c.h);
    TextStyle style;
    style.size = 104;
    style.xScale = 0.9f;
    style.slant = 0.12f;
    style.embolden = 3;
    style.tracking = 2;
    const float baseline = 158;
    drawTextCentered(letters, tf.sansBold, "CORVALIS", style, c.w * 0.5f - 6, baseline);
    LetteringLook look;
    look.chrome.top = baseline - capHeight(tf.sansBold, style);
    look.chrome.bottom = baseline;
    look.chrome.bevel = 7;
    look.chrome.tilt = 0.4f;
    look.chrome.palette.skyTop = rgb8(40, 70, 170);
    look.chrome.palette.skyHorizon = rgb8(230, 240, 255);
    look.chrome.palette.horizonLine = rgb8(30, 16, 60);
    look.chrome.palette.groundHorizon = rgb8(150, 60, 70);
    look.chrome.palette.groundBottom = rgb8(255, 220, 150);
    look.rimWidth = 4;
    look.rimColour = rgb8(14, 10, 40);
    look.rimEdge = rgb8(120, 220, 255);
    look.glowRadius = 12;
    look.glowColour = rgb8(255, 60, 200);
    look.glowGain = 0.7f;
    look.shadowDx = 8;
    look.shadowDy = 10;
    look.shadowRadius = 6;
    look.shadowStrength = 0.6f;
    paintLettering(c, letters, look);

    Mask sub = makeMask(c.w, c.h);
    TextStyle small;
    small.size = 17;
    small.tracking = 9;
    small.embolden = 0.3f;
    drawTextCentered(sub, tf.sansBold, "A REAL-TIME VOYAGE", small, c.w * 0.5f, 194);
    addLight(c, blur(sub, 3), rgb8(255, 90, 200), 0.8f);
    paint(c, sub, rgb8(235, 235, 255));
}

}  // namespace

Canvas makeTitle(const Typefaces& tf) {
    Canvas c = makeCanvas(kScreenW, kScreenH);
    paintSky(c);
    paintSun(c);
    paintRange(c, 31, kHorizon - 4, 130, 0.006f, rgb8(70, 40, 110), rgb8(40, 24, 70), rgb8(255, 120, 150));
    paintRange(c, 47, kHorizon + 4, 60, 0.011f, rgb8(26, 16, 50), rgb8(14, 10, 30), rgb8(200, 90, 160));
    paintLake(c);
    paintTitleLettering(c, tf);
    // Nothing may be pure black: the loader would make it transparent.
    for (Rgb& p : c.px) p = {std::max(p.r, 0.012f), std::max(p.g, 0.008f), std::max(p.b, 0.03f)};
    return c;
}
