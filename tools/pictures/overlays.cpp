// The two closing overlays. The emblem (apan-ls) is a ringed planet over the word "FAREWELL",
// drawn over the star field with black as transparent; the end panel (lsd) is an opaque framed
// "THE END" plate added onto the right half of the screen. Each is sized to the proportions of
// the quad that shows it (about 407 × 374 and 362 × 271 screen pixels).
#include "lettering.h"
#include "noise.h"
#include "pictures.h"
#include "scenery.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kEmblemW = 256, kEmblemH = 235;
constexpr int kPanelW = 256, kPanelH = 192;
constexpr float kPlanetX = 66, kPlanetY = 110, kPlanetR = 44;
constexpr float kRingTilt = -0.9f;                     // radians
constexpr float kRingInner = 54, kRingOuter = 80, kRingFlat = 0.3f;

// Ring coordinates of a point: radius in the ring's plane and whether it lies on the near half.
void ringCoords(float x, float y, float& radius, bool& near) {
    const float dx = x - kPlanetX, dy = y - kPlanetY;
    const float c = std::cos(kRingTilt), s = std::sin(kRingTilt);
    const float u = dx * c + dy * s, v = (-dx * s + dy * c) / kRingFlat;
    radius = std::sqrt(u * u + v * v);
    near = v > 0;
}

// Ring brightness at a ring radius: bands of dust with a gap.
Rgb ringColour(float radius) {
    if (radius < kRingInner || radius > kRingOuter) return {};
    const float t = (radius - kRingInner) / (kRingOuter - kRingInner);
    const float bands = 0.55f + 0.45f * valueNoise(t * 14, 0.5f, 71);
    const float gap = 1.0f - 0.85f * std::exp(-(t - 0.62f) * (t - 0.62f) * 900);
    const float edge = smoothstep(0.0f, 0.05f, t) * (1.0f - smoothstep(0.93f, 1.0f, t));
    return mix(rgb8(255, 200, 140), rgb8(180, 200, 255), t) * (bands * gap * edge * 0.9f);
}

// The planet's lit surface at (x, y), or nothing outside its disc; `cover` returns its coverage.
Rgb planetColour(float x, float y, float& cover) {
    const float dx = (x - kPlanetX) / kPlanetR, dy = (y - kPlanetY) / kPlanetR;
    const float r = std::sqrt(dx * dx + dy * dy);
    cover = clamp01((1.0f - r) * kPlanetR + 0.5f);
    if (cover <= 0) return {};
    const float nz = std::sqrt(std::max(0.0f, 1.0f - r * r));
    const float light = std::max(0.0f, -0.62f * dx - 0.5f * dy + 0.6f * nz);
    // Cloud bands that follow the sphere's latitude, stirred by noise.
    const float lat = dy + 0.25f * dx * std::sin(kRingTilt);
    const float swirl = fbm(dx * 3 / (nz + 0.3f), lat * 6, 4, 88);
    const float bands = 0.5f + 0.5f * std::sin(lat * 15 + swirl * 5);
    const Rgb surface = mix(rgb8(60, 40, 140), rgb8(120, 210, 255), bands * 0.8f + swirl * 0.2f);
    const float rim = std::pow(1.0f - nz, 3.0f);
    return surface * (0.08f + 1.05f * light) + rgb8(140, 200, 255) * (rim * 0.6f * (0.3f + light)) +
           Rgb{1, 1, 1} * (std::pow(light, 25.0f) * 0.35f);
}

// Sparkles scattered round the planet, kept clear of it.
void addSparkles(Canvas& c) {
    Rng rng{404};
    for (int i = 0; i < 26; ++i) {
        const float x = 8 + nextUnit(rng) * (kEmblemW - 16), y = 8 + nextUnit(rng) * 150;
        const float size = 2 + nextUnit(rng) * 5;
        const float dx = x - kPlanetX, dy = y - kPlanetY;
        if (std::sqrt(dx * dx + dy * dy) < kPlanetR + 10) continue;
        for (int py = static_cast<int>(y - size); py <= static_cast<int>(y + size); ++py)
            for (int px = static_cast<int>(x - size); px <= static_cast<int>(x + size); ++px) {
                if (px < 1 || py < 1 || px >= c.w - 1 || py >= c.h - 1) continue;
                const float ax = std::fabs(px + 0.5f - x), ay = std::fabs(py + 0.5f - y);
                const float v = std::exp(-ax * 2.2f) * std::max(0.0f, 1 - ay / size) +
                                std::exp(-ay * 2.2f) * std::max(0.0f, 1 - ax / size);
                at(c, px, py) = at(c, px, py) + rgb8(200, 220, 255) * (v * 0.6f);
            }
    }
}

// A word in chrome with a blue glow, centred on cx.
void paintWord(Canvas& c, const Typefaces& tf, const char* word, float cx, float baseline, float size) {
    Mask letters = makeMask(c.w, c.h);
    TextStyle style;
    style.size = size;
    style.embolden = 1.2f;
    style.tracking = 3;
    style.xScale = 0.92f;
    drawTextCentered(letters, tf.sansBold, word, style, cx, baseline);
    LetteringLook look;
    look.chrome.top = baseline - capHeight(tf.sansBold, style);
    look.chrome.bottom = baseline;
    look.chrome.bevel = 3;
    look.chrome.palette.skyTop = rgb8(90, 130, 230);
    look.rimWidth = 2;
    look.rimColour = rgb8(12, 10, 44);
    look.rimEdge = rgb8(130, 200, 255);
    look.glowRadius = 6;
    look.glowColour = rgb8(90, 120, 255);
    look.glowGain = 0.9f;
    paintLettering(c, letters, look);
}

}  // namespace

Canvas makeEmblem(const Typefaces& tf) {
    Canvas c = makeCanvas(kEmblemW, kEmblemH);
    // Atmosphere glow behind everything, ending in exact black well inside the picture.
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const float dx = x + 0.5f - kPlanetX, dy = y + 0.5f - kPlanetY;
            const float r = std::sqrt(dx * dx + dy * dy) / kPlanetR;
            if (r < 1.0f || r > 1.9f) continue;
            const float g = std::exp(-(r - 1.0f) * 5.0f) * (1.0f - smoothstep(1.5f, 1.9f, r));
            at(c, x, y) = rgb8(70, 120, 255) * (g * 0.7f);
        }
    addSparkles(c);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            Rgb sum;
            // 3 × 3 supersampling keeps the ring's thin edges smooth.
            for (int sy = 0; sy < 3; ++sy)
                for (int sx = 0; sx < 3; ++sx) {
                    const float px = x + (sx + 0.5f) / 3, py = y + (sy + 0.5f) / 3;
                    float radius;
                    bool near;
                    ringCoords(px, py, radius, near);
                    float cover;
                    const Rgb planet = planetColour(px, py, cover);
                    Rgb ring = ringColour(radius);
                    const float ringA = std::min(1.0f, (ring.r + ring.g + ring.b) * 0.8f);
                    Rgb p = at(c, x, y);
                    if (near) {
                        p = mix(p, planet, cover);
                        p = mix(p, ring, ringA);
                    } else {
                        // The planet's shadow falls on the far half of the ring.
                        const float shade = cover > 0 ? 0 : 1;
                        p = mix(p, ring * shade, ringA * shade);
                        p = mix(p, planet, cover);
                    }
                    sum = sum + p;
                }
            at(c, x, y) = sum * (1.0f / 9);
        }
    paintWord(c, tf, "FAREWELL", c.w * 0.5f, 212, 34);
    clearRect(c, 0, 0, c.w, 1);
    clearRect(c, 0, c.h - 1, c.w, c.h);
    clearRect(c, 0, 0, 1, c.h);
    clearRect(c, c.w - 1, 0, c.w, c.h);
    return c;
}

Canvas makeEndPanel(const Typefaces& tf) {
    Canvas c = makeCanvas(kPanelW, kPanelH);
    const Rgb stops[] = {rgb8(16, 10, 48), rgb8(34, 12, 66), rgb8(70, 16, 80)};
    verticalGradient(c, 0, c.h, stops, 3);
    addNebula(c, 0, c.h, 57, rgb8(60, 30, 110), rgb8(20, 60, 100), 0.35f, 0.02f);
    scatterStars(c, 70, 13, 0, c.h, 0.5f);
    // Scan lines, a nod to the monitors of the day.
    for (int y = 0; y < c.h; y += 2)
        for (int x = 0; x < c.w; ++x) at(c, x, y) = at(c, x, y) * 0.82f;
    // Bevelled metal frame with an inner glowing line. The left and top sides face the light.
    constexpr int frame = 7;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const int dx = std::min(x, c.w - 1 - x), dy = std::min(y, c.h - 1 - y);
            const int d = std::min(dx, dy);
            if (d < frame) {
                const bool litSide = dx <= dy ? x == dx : y == dy;
                const float t = static_cast<float>(d) / (frame - 1);
                // Outer slope lit on the lit sides, inner slope lit on the others.
                float bevel = 0;
                if (t < 0.4f) bevel = litSide ? 0.45f : -0.25f;
                if (t > 0.7f) bevel = litSide ? -0.25f : 0.4f;
                const Rgb metal = mix(rgb8(50, 56, 96), rgb8(120, 130, 180), 0.5f + 0.5f * std::sin(t * 3.1f));
                at(c, x, y) = metal * (1.0f + bevel);
            } else if (d < frame + 4) {
                const float g = std::exp(-(d - frame - 1.0f) * (d - frame - 1.0f) * 0.7f);
                at(c, x, y) = at(c, x, y) + rgb8(255, 90, 220) * (g * 0.8f);
            }
        }
    // Right of centre: the emblem's planet shows through the panel's left part.
    paintWord(c, tf, "THE END", c.w * 0.5f + 7, 108, 40);
    Mask small = makeMask(c.w, c.h);
    TextStyle style;
    style.size = 10.5f;
    style.tracking = 2.5f;
    style.embolden = 0.3f;
    drawTextCentered(small, tf.sansBold, "THANKS FOR WATCHING", style, c.w * 0.5f + 7, 138);
    addLight(c, blur(small, 2), rgb8(255, 90, 220), 0.8f);
    paint(c, small, rgb8(225, 235, 255));
    for (Rgb& p : c.px) p = {std::max(p.r, 0.012f), std::max(p.g, 0.008f), std::max(p.b, 0.03f)};
    return c;
}
