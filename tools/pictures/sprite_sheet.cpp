// The sprite sheet (8 × 8 cells of 32 pixels). The show uses three cells: the star at column 0
// of row 0 (stars and sparks), the bar at column 2 (the stroke logo's bars) and the flash at
// column 3 (stretched over the whole screen for the two flashes). The rest are spare sprites.
// Every cell keeps its outer ring of texels black, so linear filtering never mixes neighbours.
#include "noise.h"
#include "pictures.h"

#include <algorithm>
#include <cmath>

namespace {

// A sprite painter: colour at cell position (x, y), each in −1 … 1 from the centre.
using SpriteFn = Rgb (*)(float x, float y);

constexpr float kPi = 3.14159265f;

// Soft radial glow: a hot core inside a wide halo, reaching exact zero at radius `edge`.
float glowProfile(float r, float core, float halo, float edge) {
    if (r >= edge) return 0;
    const float window = 1.0f - smoothstep(edge * 0.55f, edge, r);
    return (std::exp(-r * r / (core * core)) * 0.8f + std::exp(-r / halo) * 0.5f) * window;
}

Rgb star(float x, float y) {
    const float r = std::sqrt(x * x + y * y);
    const float g = glowProfile(r, 0.22f, 0.3f, 0.9f);
    // Faint cross rays, strongest near the centre.
    const float rays = (std::exp(-std::fabs(y) * 28) * std::max(0.0f, 1 - std::fabs(x) / 0.85f) +
                        std::exp(-std::fabs(x) * 28) * std::max(0.0f, 1 - std::fabs(y) / 0.85f)) *
                       0.35f * (r < 0.9f ? 1.0f - smoothstep(0.5f, 0.9f, r) : 0.0f);
    const float v = std::min(1.0f, g + rays);
    const Rgb tint = mix(rgb8(150, 190, 255), rgb8(255, 255, 255), smoothstep(0.1f, 0.6f, v));
    return tint * v;
}

// A glowing bar: a plateau that only softens near the cell edge, identical along both axes,
// so it reads the same whichever texture axis the bar is stretched along.
float barProfile(float a) { return std::pow(1.0f - smoothstep(0.62f, 0.95f, a), 1.3f); }

Rgb bar(float x, float y) {
    const float ax = std::fabs(x), ay = std::fabs(y);
    const float v = barProfile(ax) * barProfile(ay);
    const float ring = std::max(ax, ay);
    const Rgb colour = mix(rgb8(255, 255, 255), rgb8(60, 170, 255), smoothstep(0.3f, 0.9f, ring));
    return colour * v;
}

Rgb flash(float x, float y) {
    const float r2 = (x * x + y * y) * 0.5f;
    return rgb8(255, 252, 244) * (0.98f - 0.05f * r2);
}

Rgb ring(float x, float y) {
    const float r = std::sqrt(x * x + y * y);
    const float band = std::exp(-(r - 0.55f) * (r - 0.55f) / 0.012f);
    const float v = band * (1.0f - smoothstep(0.75f, 0.92f, r)) + glowProfile(r, 0.12f, 0.1f, 0.5f) * 0.5f;
    return mix(rgb8(80, 200, 255), rgb8(230, 250, 255), band * 0.6f) * std::min(1.0f, v);
}

// A lens sparkle with `points` long thin rays.
Rgb sparkle(float x, float y, int points, Rgb tint) {
    const float r = std::sqrt(x * x + y * y);
    if (r >= 0.92f) return {};
    const float angle = std::atan2(y, x);
    const float spoke = std::pow(std::fabs(std::cos(angle * points * 0.5f)), 60.0f);
    const float rays = spoke * std::max(0.0f, 1.0f - r / 0.92f);
    const float v = std::min(1.0f, glowProfile(r, 0.12f, 0.12f, 0.92f) + rays * 0.9f);
    return mix(tint, rgb8(255, 255, 255), smoothstep(0.3f, 0.9f, v)) * v;
}

Rgb sparkle4(float x, float y) { return sparkle(x, y, 4, rgb8(255, 200, 120)); }
Rgb sparkle6(float x, float y) { return sparkle(x, y, 6, rgb8(180, 140, 255)); }

// A small lit planet with an atmosphere rim.
Rgb orb(float x, float y) {
    const float r = std::sqrt(x * x + y * y);
    const float radius = 0.7f;
    if (r < radius) {
        const float z = std::sqrt(radius * radius - r * r) / radius;
        const float nx = x / radius, ny = y / radius;
        const float light = std::max(0.0f, -0.5f * nx - 0.6f * ny + 0.62f * z);
        const float bands = 0.5f + 0.5f * std::sin(ny * 9.0f + fbm(x * 4, y * 4, 3, 7) * 3);
        const Rgb surface = mix(rgb8(40, 70, 160), rgb8(110, 200, 255), bands);
        return surface * (0.12f + 0.95f * light) + rgb8(255, 255, 255) * std::pow(light, 18.0f) * 0.6f;
    }
    const float rim = std::exp(-(r - radius) * 14) * (1.0f - smoothstep(0.78f, 0.92f, r));
    return rgb8(90, 170, 255) * rim * 0.8f;
}

Rgb hexFlare(float x, float y) {
    float d = 0;
    for (int k = 0; k < 3; ++k) {
        const float a = k * kPi / 3;
        d = std::max(d, std::fabs(x * std::cos(a) + y * std::sin(a)));
    }
    const float v = (1.0f - smoothstep(0.55f, 0.8f, d)) * (0.25f + 0.5f * smoothstep(0.3f, 0.62f, d));
    return rgb8(120, 255, 200) * v;
}

Rgb softSquare(float x, float y) {
    const float a = std::max(std::fabs(x), std::fabs(y));
    const float v = (1.0f - smoothstep(0.2f, 0.9f, a)) * 0.9f;
    return mix(rgb8(255, 120, 200), rgb8(255, 240, 250), 1.0f - smoothstep(0.0f, 0.5f, a)) * v;
}

// Coloured stars for row 1.
Rgb starWarm(float x, float y) { return star(x, y) * rgb8(255, 190, 110); }
Rgb starRose(float x, float y) { return star(x, y) * rgb8(255, 130, 200); }
Rgb starLeaf(float x, float y) { return star(x, y) * rgb8(140, 255, 150); }
Rgb starSea(float x, float y) { return star(x, y) * rgb8(110, 220, 255); }
Rgb starViolet(float x, float y) { return star(x, y) * rgb8(190, 140, 255); }

// Rings and sparkles in more colours for row 2, soft dots of growing size for row 3.
Rgb ringWarm(float x, float y) { return ring(x, y) * rgb8(255, 170, 110); }
Rgb ringRose(float x, float y) { return ring(x, y) * rgb8(255, 120, 230); }
Rgb ringLeaf(float x, float y) { return ring(x, y) * rgb8(150, 255, 160); }
Rgb sparkleIce(float x, float y) { return sparkle(x, y, 4, rgb8(120, 200, 255)); }
Rgb sparkleRose(float x, float y) { return sparkle(x, y, 6, rgb8(255, 120, 200)); }
Rgb sparkleGold(float x, float y) { return sparkle(x, y, 8, rgb8(255, 210, 90)); }

Rgb dot(float x, float y, float radius) {
    const float r = std::sqrt(x * x + y * y);
    return mix(rgb8(140, 180, 255), rgb8(255, 255, 255), 0.6f) * glowProfile(r, radius, radius * 0.6f, 0.9f);
}
Rgb dot1(float x, float y) { return dot(x, y, 0.08f); }
Rgb dot2(float x, float y) { return dot(x, y, 0.14f); }
Rgb dot3(float x, float y) { return dot(x, y, 0.22f); }
Rgb dot4(float x, float y) { return dot(x, y, 0.32f); }

struct CellJob {
    int column, row;
    SpriteFn paint;
};

constexpr CellJob kCells[] = {
    {0, 0, star},     {1, 0, ring},       {2, 0, bar},        {3, 0, flash},
    {4, 0, sparkle4}, {5, 0, sparkle6},   {6, 0, orb},        {7, 0, hexFlare},
    {0, 1, starWarm}, {1, 1, starRose},   {2, 1, starLeaf},   {3, 1, starSea},
    {4, 1, starViolet}, {5, 1, softSquare},
    {0, 2, ringWarm}, {1, 2, ringRose}, {2, 2, ringLeaf}, {3, 2, sparkleIce}, {4, 2, sparkleRose},
    {5, 2, sparkleGold},
    {0, 3, dot1}, {1, 3, dot2}, {2, 3, dot3}, {3, 3, dot4},
};

// Paints one cell, sampling the painter 4 × 4 times per texel; the outer ring stays black.
void paintCell(Canvas& sheet, const CellJob& job) {
    for (int y = 1; y < kSpriteCell - 1; ++y) {
        for (int x = 1; x < kSpriteCell - 1; ++x) {
            Rgb sum;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const float px = (x + (sx + 0.5f) / 4) / (kSpriteCell * 0.5f) - 1;
                    const float py = (y + (sy + 0.5f) / 4) / (kSpriteCell * 0.5f) - 1;
                    sum = sum + job.paint(px, py);
                }
            at(sheet, job.column * kSpriteCell + x, job.row * kSpriteCell + y) = sum * (1.0f / 16);
        }
    }
}

}  // namespace

Canvas makeSpriteSheet(const Typefaces&) {
    Canvas sheet = makeCanvas(kSheetSize, kSheetSize);
    for (const CellJob& job : kCells) paintCell(sheet, job);
    return sheet;
}
