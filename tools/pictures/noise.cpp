// Hash-based value noise and a counter-mode generator.
#include "noise.h"

#include <cmath>

uint32_t hash3(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
    h = (h ^ (h >> 15)) * 0x2C1B3C6Du;
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h = (h ^ (h >> 13)) * 0x297A2D39u;
    h ^= h >> 16;
    return h;
}

float hashUnit(int32_t x, int32_t y, uint32_t seed) {
    return static_cast<float>(hash3(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

// Quintic fade: zero first and second derivative at the lattice.
static float fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

float valueNoise(float x, float y, uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    const float tx = fade(x - fx), ty = fade(y - fy);
    const float a = hashUnit(ix, iy, seed), b = hashUnit(ix + 1, iy, seed);
    const float c = hashUnit(ix, iy + 1, seed), d = hashUnit(ix + 1, iy + 1, seed);
    const float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float fbm(float x, float y, int octaves, uint32_t seed) {
    float sum = 0, weight = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += valueNoise(x, y, seed + static_cast<uint32_t>(i) * 101u) * weight;
        total += weight;
        x = x * 2.03f + 17.1f;
        y = y * 2.03f - 5.3f;
        weight *= 0.5f;
    }
    return sum / total;
}

float ridged(float x, float y, int octaves, uint32_t seed) {
    float sum = 0, weight = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        const float n = 1.0f - std::fabs(valueNoise(x, y, seed + static_cast<uint32_t>(i) * 131u) * 2 - 1);
        sum += n * n * weight;
        total += weight;
        x = x * 2.07f + 3.7f;
        y = y * 2.07f + 11.9f;
        weight *= 0.5f;
    }
    return sum / total;
}

float nextUnit(Rng& rng) {
    rng.state += 1;
    return hashUnit(static_cast<int32_t>(rng.state), 0x51ED, 0xC0FFEEu);
}
