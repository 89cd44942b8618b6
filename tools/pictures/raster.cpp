// Canvas and mask primitives: blurs, distance fields and compositing.
#include "raster.h"

#include <algorithm>
#include <cmath>

Canvas makeCanvas(int w, int h, Rgb fill) {
    Canvas c;
    c.w = w;
    c.h = h;
    c.px.assign(static_cast<size_t>(w) * h, fill);
    return c;
}

Mask makeMask(int w, int h, float fill) {
    Mask m;
    m.w = w;
    m.h = h;
    m.v.assign(static_cast<size_t>(w) * h, fill);
    return m;
}

float sample(const Mask& m, int x, int y) {
    if (x < 0 || y < 0 || x >= m.w || y >= m.h) return 0;
    return at(m, x, y);
}

Rgb sampleBilinear(const Canvas& c, float x, float y) {
    x = std::clamp(x, 0.0f, static_cast<float>(c.w - 1));
    y = std::clamp(y, 0.0f, static_cast<float>(c.h - 1));
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const int x1 = std::min(x0 + 1, c.w - 1), y1 = std::min(y0 + 1, c.h - 1);
    const float fx = x - x0, fy = y - y0;
    const Rgb top = mix(at(c, x0, y0), at(c, x1, y0), fx);
    const Rgb bottom = mix(at(c, x0, y1), at(c, x1, y1), fx);
    return mix(top, bottom, fy);
}

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

float smoothstep(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// One running-sum box pass along rows (step 1) or columns (step w); zero outside.
static void boxPass(std::vector<float>& v, std::vector<float>& tmp, int count, int length,
                    int lineStride, int step, int radius) {
    const float norm = 1.0f / (2 * radius + 1);
    for (int line = 0; line < count; ++line) {
        const size_t base = static_cast<size_t>(line) * lineStride;
        float sum = 0;
        for (int i = 0; i <= radius && i < length; ++i) sum += v[base + static_cast<size_t>(i) * step];
        for (int i = 0; i < length; ++i) {
            tmp[static_cast<size_t>(i)] = sum * norm;
            const int add = i + radius + 1, drop = i - radius;
            if (add < length) sum += v[base + static_cast<size_t>(add) * step];
            if (drop >= 0) sum -= v[base + static_cast<size_t>(drop) * step];
        }
        for (int i = 0; i < length; ++i) v[base + static_cast<size_t>(i) * step] = tmp[static_cast<size_t>(i)];
    }
}

Mask blur(const Mask& m, int radius) {
    Mask out = m;
    if (radius <= 0) return out;
    std::vector<float> tmp(static_cast<size_t>(std::max(m.w, m.h)));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(out.v, tmp, m.h, m.w, m.w, 1, radius);
        boxPass(out.v, tmp, m.w, m.h, 1, m.w, radius);
    }
    return out;
}

// Felzenszwalb's 1D squared distance transform of f (n samples; unreached samples are huge) into d.
static void distance1d(const double* f, double* d, int n, std::vector<int>& v, std::vector<double>& z) {
    constexpr double far = 1e30;
    int k = 0;
    v[0] = 0;
    z[0] = -far;
    z[1] = far;
    for (int q = 1; q < n; ++q) {
        double s = ((f[q] + 1.0 * q * q) - (f[v[k]] + 1.0 * v[k] * v[k])) / (2.0 * (q - v[k]));
        while (s <= z[k]) {
            --k;
            s = ((f[q] + 1.0 * q * q) - (f[v[k]] + 1.0 * v[k] * v[k])) / (2.0 * (q - v[k]));
        }
        ++k;
        v[k] = q;
        z[k] = s;
        z[k + 1] = far;
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[k + 1] < q) ++k;
        d[q] = 1.0 * (q - v[k]) * (q - v[k]) + f[v[k]];
    }
}

// Euclidean distance to the set of pixels where `inSet` holds (very large when the set is empty).
template <typename Pred>
static std::vector<float> distanceToSet(const Mask& m, Pred inSet) {
    constexpr double unreached = 1e20;
    const int n = std::max(m.w, m.h);
    std::vector<double> grid(m.v.size());
    for (size_t i = 0; i < m.v.size(); ++i) grid[i] = inSet(m.v[i]) ? 0.0 : unreached;
    std::vector<double> f(static_cast<size_t>(n)), d(static_cast<size_t>(n));
    std::vector<int> v(static_cast<size_t>(n));
    std::vector<double> z(static_cast<size_t>(n) + 1);
    for (int x = 0; x < m.w; ++x) {
        for (int y = 0; y < m.h; ++y) f[static_cast<size_t>(y)] = grid[static_cast<size_t>(y) * m.w + x];
        distance1d(f.data(), d.data(), m.h, v, z);
        for (int y = 0; y < m.h; ++y) grid[static_cast<size_t>(y) * m.w + x] = d[static_cast<size_t>(y)];
    }
    std::vector<float> out(m.v.size());
    for (int y = 0; y < m.h; ++y) {
        const size_t row = static_cast<size_t>(y) * m.w;
        std::copy(grid.begin() + static_cast<long>(row), grid.begin() + static_cast<long>(row) + m.w, f.begin());
        distance1d(f.data(), d.data(), m.w, v, z);
        for (int x = 0; x < m.w; ++x) out[row + x] = static_cast<float>(std::sqrt(d[static_cast<size_t>(x)]));
    }
    return out;
}

std::vector<float> distanceTo(const Mask& m, float threshold) {
    return distanceToSet(m, [threshold](float a) { return a >= threshold; });
}

std::vector<float> distanceToOutside(const Mask& m, float threshold) {
    return distanceToSet(m, [threshold](float a) { return a < threshold; });
}

void paint(Canvas& dst, const Mask& alpha, Rgb colour, int ox, int oy) {
    for (int y = 0; y < alpha.h; ++y) {
        const int dy = y + oy;
        if (dy < 0 || dy >= dst.h) continue;
        for (int x = 0; x < alpha.w; ++x) {
            const int dx = x + ox;
            if (dx < 0 || dx >= dst.w) continue;
            const float a = clamp01(at(alpha, x, y));
            if (a > 0) at(dst, dx, dy) = mix(at(dst, dx, dy), colour, a);
        }
    }
}

void addLight(Canvas& dst, const Mask& m, Rgb colour, float gain, int ox, int oy) {
    for (int y = 0; y < m.h; ++y) {
        const int dy = y + oy;
        if (dy < 0 || dy >= dst.h) continue;
        for (int x = 0; x < m.w; ++x) {
            const int dx = x + ox;
            if (dx < 0 || dx >= dst.w) continue;
            const float a = at(m, x, y) * gain;
            if (a > 0) at(dst, dx, dy) = at(dst, dx, dy) + colour * a;
        }
    }
}

void over(Canvas& dst, const Canvas& layer, const Mask& alpha, int ox, int oy) {
    for (int y = 0; y < layer.h; ++y) {
        const int dy = y + oy;
        if (dy < 0 || dy >= dst.h) continue;
        for (int x = 0; x < layer.w; ++x) {
            const int dx = x + ox;
            if (dx < 0 || dx >= dst.w) continue;
            const float a = clamp01(at(alpha, x, y));
            if (a > 0) at(dst, dx, dy) = mix(at(dst, dx, dy), at(layer, x, y), a);
        }
    }
}

void blit(Canvas& dst, const Canvas& src, int ox, int oy) {
    for (int y = 0; y < src.h; ++y) {
        const int dy = y + oy;
        if (dy < 0 || dy >= dst.h) continue;
        for (int x = 0; x < src.w; ++x) {
            const int dx = x + ox;
            if (dx >= 0 && dx < dst.w) at(dst, dx, dy) = at(src, x, y);
        }
    }
}

void clearRect(Canvas& c, int x0, int y0, int x1, int y1) {
    for (int y = std::max(0, y0); y < std::min(c.h, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(c.w, x1); ++x) at(c, x, y) = Rgb{};
}

Canvas squeezeWidth(const Canvas& c, int newWidth) {
    Canvas out = makeCanvas(newWidth, c.h);
    const float ratio = static_cast<float>(c.w) / newWidth;
    for (int x = 0; x < newWidth; ++x) {
        const float a = x * ratio, b = (x + 1) * ratio;
        for (int y = 0; y < c.h; ++y) {
            Rgb sum;
            for (int sx = static_cast<int>(a); sx < static_cast<int>(std::ceil(b)) && sx < c.w; ++sx) {
                const float lo = std::max(a, static_cast<float>(sx)), hi = std::min(b, sx + 1.0f);
                sum = sum + at(c, sx, y) * (hi - lo);
            }
            at(out, x, y) = sum * (1.0f / ratio);
        }
    }
    return out;
}

// Rounds one channel; only an exact 0 (or below) becomes the byte 0.
static uint8_t toByte(float v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f)); }

std::vector<uint8_t> toBytes(const Canvas& c) {
    std::vector<uint8_t> out(c.px.size() * 3);
    for (size_t i = 0; i < c.px.size(); ++i) {
        out[3 * i] = toByte(c.px[i].r);
        out[3 * i + 1] = toByte(c.px[i].g);
        out[3 * i + 2] = toByte(c.px[i].b);
    }
    return out;
}
