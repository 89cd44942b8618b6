// Float RGB canvases and coverage masks: the working surfaces every picture is painted on.
// Colours are linear 0..1 floats; only the final conversion to bytes clamps and rounds, so
// a value that is exactly 0 stays exactly 0 (the show's loader treats pure black as transparent).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
    float r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }

// A colour from 0..255 components, to keep palettes readable.
constexpr Rgb rgb8(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }

struct Canvas {
    int w = 0, h = 0;
    std::vector<Rgb> px;
};

// Coverage or height values, one float per pixel; outside the mask everything reads as 0.
struct Mask {
    int w = 0, h = 0;
    std::vector<float> v;
};

Canvas makeCanvas(int w, int h, Rgb fill = {});
Mask makeMask(int w, int h, float fill = 0);

inline Rgb& at(Canvas& c, int x, int y) { return c.px[static_cast<std::size_t>(y) * c.w + x]; }
inline Rgb at(const Canvas& c, int x, int y) { return c.px[static_cast<std::size_t>(y) * c.w + x]; }
inline float& at(Mask& m, int x, int y) { return m.v[static_cast<std::size_t>(y) * m.w + x]; }
inline float at(const Mask& m, int x, int y) { return m.v[static_cast<std::size_t>(y) * m.w + x]; }
// Mask value with zero outside its bounds.
float sample(const Mask& m, int x, int y);
// Bilinear sample of a canvas at a fractional position, clamped to its edges.
Rgb sampleBilinear(const Canvas& c, float x, float y);

float clamp01(float v);
float smoothstep(float e0, float e1, float x);

// Gaussian-like blur (three box passes) of the given radius in pixels; 0 returns a copy.
Mask blur(const Mask& m, int radius);
// Distance in pixels from each pixel to the nearest pixel where the mask is at least
// `threshold` (0 on those pixels themselves).
std::vector<float> distanceTo(const Mask& m, float threshold);
// Distance in pixels from each pixel to the nearest pixel where the mask is below `threshold`.
std::vector<float> distanceToOutside(const Mask& m, float threshold);

// Paints `colour` over the canvas with the mask as opacity, the mask's origin at (ox, oy).
void paint(Canvas& dst, const Mask& alpha, Rgb colour, int ox = 0, int oy = 0);
// Adds `colour` × mask × gain to the canvas: glows and light.
void addLight(Canvas& dst, const Mask& m, Rgb colour, float gain, int ox = 0, int oy = 0);
// Composites a same-sized layer over the canvas with the mask as opacity.
void over(Canvas& dst, const Canvas& layer, const Mask& alpha, int ox = 0, int oy = 0);
// Copies `src` into `dst` with its top-left corner at (ox, oy), clipped.
void blit(Canvas& dst, const Canvas& src, int ox, int oy);
// Sets every pixel of the rectangle (clipped) to exact black.
void clearRect(Canvas& c, int x0, int y0, int x1, int y1);

// Area-averaged horizontal resampling to `newWidth` columns: paint at screen proportions,
// then squeeze into a texture that the show stretches back out.
Canvas squeezeWidth(const Canvas& c, int newWidth);

// Clamps and rounds each channel to a byte: width × height × 3 bytes, rows top first.
std::vector<uint8_t> toBytes(const Canvas& c);
