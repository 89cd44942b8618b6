// Chrome shading: a bevel height field from the distance to the letter edge gives a surface
// normal, which lights the letter and bends the reflected sky/ground gradient.
#include "lettering.h"

#include <cmath>

Mask grow(const Mask& m, float px) {
    const std::vector<float> d = distanceTo(m, 0.5f);
    Mask out = makeMask(m.w, m.h);
    for (size_t i = 0; i < d.size(); ++i) out.v[i] = std::max(m.v[i], clamp01(px + 0.5f - d[i]));
    return out;
}

// The reflected world at reflection coordinate v (0 top of the letters, 1 bottom).
static Rgb reflection(const ChromePalette& p, float v) {
    if (v < p.horizon) {
        const float t = clamp01(v / p.horizon);
        return mix(p.skyTop, p.skyHorizon, t * t);
    }
    const float t = clamp01((v - p.horizon) / (1.0f - p.horizon));
    const float line = 1.0f - smoothstep(0.0f, 0.12f, t);
    return mix(mix(p.groundHorizon, p.groundBottom, std::sqrt(t)), p.horizonLine, line);
}

Canvas shadeChrome(const Mask& letters, const ChromeStyle& style) {
    const int w = letters.w, h = letters.h;
    const std::vector<float> inside = distanceToOutside(letters, 0.5f);
    Mask height = makeMask(w, h);
    for (size_t i = 0; i < inside.size(); ++i) {
        const float d = letters.v[i] >= 0.5f ? inside[i] - 0.5f + letters.v[i] : letters.v[i];
        const float t = clamp01(d / style.bevel);
        height.v[i] = 1.0f - (1.0f - t) * (1.0f - t);  // rounded bevel, flat face
    }
    height = blur(height, 1);
    // Light from the upper left and in front; y grows downwards.
    const float lx = -0.55f, ly = -0.65f, lz = 0.52f;
    const float slope = style.bevel * 0.9f;
    Canvas out = makeCanvas(w, h);
    const float span = std::max(1.0f, style.bottom - style.top);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (at(letters, x, y) <= 0) continue;
            const float gx = (sample(height, x + 1, y) - sample(height, x - 1, y)) * 0.5f * slope;
            const float gy = (sample(height, x, y + 1) - sample(height, x, y - 1)) * 0.5f * slope;
            float nx = -gx, ny = -gy, nz = 1;
            const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
            nx /= len;
            ny /= len;
            nz /= len;
            const float lambert = std::max(0.0f, nx * lx + ny * ly + nz * lz);
            // Reflection of a view straight into the screen, compared with the light.
            const float rx = 2 * nz * nx, ry = 2 * nz * ny, rz = 2 * nz * nz - 1;
            const float highlight = std::pow(std::max(0.0f, rx * lx + ry * ly + rz * lz), style.shininess);
            const float v = (y - style.top) / span + ny * style.tilt;
            Rgb c = reflection(style.palette, v) * (1.0f - style.diffuse + style.diffuse * lambert * 1.6f);
            c = c + Rgb{1, 1, 1} * (highlight * style.specular);
            const float lo = style.floor;
            c = {std::max(c.r, lo * 0.8f), std::max(c.g, lo * 0.85f), std::max(c.b, lo)};
            at(out, x, y) = c;
        }
    }
    return out;
}

void paintLettering(Canvas& dst, const Mask& letters, const LetteringLook& look) {
    if (look.shadowStrength > 0) {
        const Mask shadow = blur(grow(letters, look.rimWidth), look.shadowRadius);
        for (int y = 0; y < dst.h; ++y)
            for (int x = 0; x < dst.w; ++x) {
                const float s = sample(shadow, x - look.shadowDx, y - look.shadowDy) * look.shadowStrength;
                at(dst, x, y) = at(dst, x, y) * (1.0f - clamp01(s));
            }
    }
    Mask rim = letters;
    if (look.rimWidth > 0) rim = grow(letters, look.rimWidth);
    if (look.glowGain > 0) addLight(dst, blur(rim, look.glowRadius), look.glowColour, look.glowGain);
    if (look.rimWidth > 0) {
        // The rim: dark body, light outer edge.
        Mask edge = makeMask(rim.w, rim.h);
        const Mask inner = grow(letters, look.rimWidth - 1.2f);
        for (size_t i = 0; i < rim.v.size(); ++i) edge.v[i] = clamp01(rim.v[i] - inner.v[i]);
        paint(dst, rim, look.rimColour);
        paint(dst, edge, look.rimEdge);
    }
    over(dst, shadeChrome(letters, look.chrome), letters);
}
