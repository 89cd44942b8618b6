// Procedural scenery; all randomness comes from the hashes in noise.h.
#include "scenery.h"

#include "noise.h"

#include <algorithm>
#include <cmath>

void verticalGradient(Canvas& c, int y0, int y1, const Rgb* stops, int count) {
    for (int y = std::max(0, y0); y < std::min(c.h, y1); ++y) {
        const float t = (y1 - y0 > 1) ? static_cast<float>(y - y0) / (y1 - y0 - 1) : 0.0f;
        const float pos = t * (count - 1);
        const int i = std::min(count - 2, static_cast<int>(pos));
        const Rgb colour = mix(stops[i], stops[i + 1], pos - i);
        for (int x = 0; x < c.w; ++x) at(c, x, y) = colour;
    }
}

void scatterStars(Canvas& c, int count, uint32_t seed, int y0, int y1, float brightness) {
    Rng rng{seed};
    for (int i = 0; i < count; ++i) {
        const float x = nextUnit(rng) * c.w, y = y0 + nextUnit(rng) * (y1 - y0);
        const float size = nextUnit(rng);
        const float hue = nextUnit(rng);
        const float fade = 1.0f - smoothstep(y0 + (y1 - y0) * 0.55f, static_cast<float>(y1), y);
        const float level = brightness * fade * (0.25f + 0.75f * size * size);
        const Rgb tint = mix(rgb8(170, 190, 255), rgb8(255, 230, 200), hue);
        const float radius = 0.6f + size * 1.1f;
        for (int py = static_cast<int>(y - 3); py <= static_cast<int>(y + 3); ++py)
            for (int px = static_cast<int>(x - 3); px <= static_cast<int>(x + 3); ++px) {
                if (px < 0 || py < 0 || px >= c.w || py >= c.h) continue;
                const float dx = px + 0.5f - x, dy = py + 0.5f - y;
                const float g = std::exp(-(dx * dx + dy * dy) / (radius * radius));
                at(c, px, py) = at(c, px, py) + tint * (g * level);
            }
    }
}

void addNebula(Canvas& c, int y0, int y1, uint32_t seed, Rgb first, Rgb second, float gain, float scale) {
    for (int y = std::max(0, y0); y < std::min(c.h, y1); ++y)
        for (int x = 0; x < c.w; ++x) {
            const float fx = x * scale, fy = y * scale;
            // Domain warping gives the clouds their swirls.
            const float warp = fbm(fx * 0.7f, fy * 0.7f, 3, seed + 9) * 2.5f;
            const float a = fbm(fx + warp, fy - warp * 0.5f, 5, seed);
            const float b = fbm(fx * 1.3f - warp, fy * 1.3f + 4.0f, 5, seed + 77);
            const float ca = smoothstep(0.42f, 0.8f, a), cb = smoothstep(0.48f, 0.85f, b);
            at(c, x, y) = at(c, x, y) + (first * (ca * ca) + second * (cb * cb)) * gain;
        }
}

float ridgeHeight(float x, uint32_t seed, float amplitude, float frequency) {
    const float n = ridged(x * frequency, 0.5f, 5, seed);
    const float slow = fbm(x * frequency * 0.25f, 3.5f, 3, seed + 5);
    return amplitude * (0.35f * n + 0.65f * slow);
}

// Intensity of a grid line of half-width `half` at distance `d`, with a pixel footprint of
// `foot` floor units: thin far lines fade instead of aliasing.
static float gridLine(float d, float half, float foot) {
    const float spread = std::max(half, foot * 0.5f);
    return std::exp(-(d / spread) * (d / spread)) * std::min(1.0f, half * 2.0f / foot + 0.15f);
}

void addGridFloor(Canvas& c, int horizon, float vanishX, Rgb line, float gain) {
    constexpr float focal = 260.0f, eye = 1.0f, half = 0.035f;
    for (int y = horizon + 1; y < c.h; ++y) {
        const float dy = y + 0.5f - horizon;
        const float z = eye * focal / dy;
        const float footZ = z * z / (eye * focal), footX = z / focal;
        const float fog = std::exp(-z * 0.07f);
        const float dz = std::fabs(z - std::round(z));
        const float across = gridLine(dz, half, footZ);
        for (int x = 0; x < c.w; ++x) {
            const float wx = (x + 0.5f - vanishX) * footX;
            const float along = gridLine(std::fabs(wx - std::round(wx)), half, footX);
            const float v = std::min(1.0f, along + across) * fog;
            at(c, x, y) = at(c, x, y) + line * (v * gain);
        }
    }
}

void addGlow(Canvas& c, float cx, float cy, float radius, Rgb colour, float gain) {
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const float dx = (x + 0.5f - cx) / radius, dy = (y + 0.5f - cy) / radius;
            const float g = std::exp(-(dx * dx + dy * dy));
            at(c, x, y) = at(c, x, y) + colour * (g * gain);
        }
}
