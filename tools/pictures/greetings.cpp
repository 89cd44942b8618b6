// The two greetings pictures: name plates in bands of 39 rows, and the "GREETINGS" header strip
// in band 4 of the second picture. The show stretches a plate to about 543 × 34 screen pixels
// and the header to about 362 × 25, so each is painted at screen proportions first and then
// squeezed into its 256-texel band. Rows outside the used bands stay black (transparent).
#include "lettering.h"
#include "noise.h"
#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Screen width over texture width, relative to the height ratio, for plates and the header.
constexpr float kPlateAspect = (543.0f / 256.0f) / (34.0f / 39.0f);
constexpr float kHeaderAspect = (362.0f / 256.0f) / (25.0f / 39.0f);
constexpr int kHeaderBand = 4;

// Invented groups, one per plate: six on the first picture, three on the second.
const char* const kGroups[] = {"ZENTROVA",  "PYRELUNE",  "OKTAVIRE",  "GLIMMERWERK", "SKELVANE",
                               "VOLTRAMIR", "NULLSPIRE", "ORBIMANTA", "KESSELHOF"};

struct PlateColours {
    Rgb top, bottom, glow;
};

const PlateColours kPlateColours[] = {
    {rgb8(44, 56, 140), rgb8(10, 12, 48), rgb8(90, 160, 255)},
    {rgb8(80, 40, 120), rgb8(20, 10, 44), rgb8(200, 120, 255)},
    {rgb8(26, 90, 120), rgb8(6, 24, 44), rgb8(80, 220, 255)},
};

// Signed distance to a rounded rectangle (negative inside).
float roundedRectDistance(float x, float y, float x0, float y0, float x1, float y1, float radius) {
    const float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
    const float hx = (x1 - x0) * 0.5f - radius, hy = (y1 - y0) * 0.5f - radius;
    const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

// A shaded metal rivet centred at (cx, cy).
void rivet(Canvas& c, float cx, float cy, float radius) {
    for (int y = static_cast<int>(cy - radius - 1); y <= static_cast<int>(cy + radius + 1); ++y)
        for (int x = static_cast<int>(cx - radius - 1); x <= static_cast<int>(cx + radius + 1); ++x) {
            const float dx = (x + 0.5f - cx) / radius, dy = (y + 0.5f - cy) / radius;
            const float r2 = dx * dx + dy * dy;
            const float cover = clamp01((1.0f - std::sqrt(r2)) * radius + 0.5f);
            if (cover <= 0) continue;
            const float nz = std::sqrt(std::max(0.0f, 1.0f - r2));
            const float light = std::max(0.0f, -0.55f * dx - 0.6f * dy + 0.58f * nz);
            const Rgb metal = rgb8(70, 80, 110) + rgb8(190, 200, 230) * light +
                              Rgb{1, 1, 1} * std::pow(light, 12.0f) * 0.7f;
            at(c, x, y) = mix(at(c, x, y), metal, cover);
        }
}

// One plate at screen proportions: bevelled brushed-metal body, rivets, chrome name.
Canvas paintPlate(const Typefaces& tf, const std::string& name, int index) {
    const int w = static_cast<int>(std::lround(256 * kPlateAspect)), h = kBandRows;
    const PlateColours& pc = kPlateColours[index % 3];
    Canvas c = makeCanvas(w, h);
    const float x0 = 5, y0 = 3, x1 = w - 5.0f, y1 = h - 3.0f, radius = 10;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float d = roundedRectDistance(px, py, x0, y0, x1, y1, radius);
            const float cover = clamp01(0.5f - d);
            if (cover <= 0) continue;
            const float v = (py - y0) / (y1 - y0);
            const float brushed = fbm(px * 0.015f, py * 0.8f, 4, 40u + static_cast<uint32_t>(index)) - 0.5f;
            Rgb body = mix(pc.top, pc.bottom, smoothstep(0.0f, 1.0f, v)) * (1.0f + brushed * 0.5f);
            // Bevel: the edge facing the upper left catches the light, the other side falls dark.
            const float inside = -d;
            if (inside < 3.5f) {
                const float e = 1.0f - inside / 3.5f;
                const float gx = roundedRectDistance(px + 0.5f, py, x0, y0, x1, y1, radius) -
                                 roundedRectDistance(px - 0.5f, py, x0, y0, x1, y1, radius);
                const float gy = roundedRectDistance(px, py + 0.5f, x0, y0, x1, y1, radius) -
                                 roundedRectDistance(px, py - 0.5f, x0, y0, x1, y1, radius);
                const float lit = -(gx * -0.35f + gy * -0.94f);
                body = lit > 0 ? mix(body, rgb8(235, 240, 255), e * lit * 0.85f) : body * (1.0f + e * lit * 0.6f);
            }
            // An engraved line running round the plate.
            const float groove = std::exp(-(inside - 5.5f) * (inside - 5.5f) * 2.0f);
            body = body + pc.glow * groove * 0.25f;
            body = {std::max(body.r, 0.03f), std::max(body.g, 0.03f), std::max(body.b, 0.06f)};
            at(c, x, y) = body * cover;
        }
    rivet(c, 16, h * 0.5f, 4.2f);
    rivet(c, w - 16.0f, h * 0.5f, 4.2f);

    Mask letters = makeMask(w, h);
    TextStyle style;
    style.size = 27;
    style.embolden = 0.7f;
    style.tracking = 3;
    const float baseline = 30;
    drawTextCentered(letters, tf.sansBold, name, style, w * 0.5f, baseline);
    LetteringLook look;
    look.chrome.top = baseline - capHeight(tf.sansBold, style);
    look.chrome.bottom = baseline;
    look.chrome.bevel = 2.2f;
    // Cool, bright chrome: the show tints the plates blue, which would drown warm colours.
    look.chrome.palette.skyTop = rgb8(150, 200, 255);
    look.chrome.palette.skyHorizon = rgb8(255, 255, 255);
    look.chrome.palette.horizonLine = rgb8(60, 70, 150);
    look.chrome.palette.groundHorizon = rgb8(120, 150, 255);
    look.chrome.palette.groundBottom = rgb8(235, 240, 255);
    look.chrome.floor = 0.35f;
    look.rimWidth = 1.6f;
    look.rimColour = rgb8(8, 8, 30);
    look.rimEdge = pc.glow * 0.8f;
    look.glowRadius = 4;
    look.glowColour = pc.glow;
    look.glowGain = 0.9f;
    paintLettering(c, letters, look);
    return c;
}

// The header: chrome "GREETINGS" between two glowing beams that fade towards the ends.
Canvas paintHeader(const Typefaces& tf) {
    const int w = static_cast<int>(std::lround(256 * kHeaderAspect)), h = kBandRows;
    Canvas c = makeCanvas(w, h);
    TextStyle style;
    style.size = 33;
    style.embolden = 0.8f;
    style.tracking = 7;
    const float baseline = 32;
    const float textW = textWidth(tf.sansBold, "GREETINGS", style);
    const float gapL = w * 0.5f - textW * 0.5f - 10, gapR = w * 0.5f + textW * 0.5f + 10;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            float along = 0;
            if (px < gapL) along = 1.0f - (gapL - px) / (gapL - 4);
            if (px > gapR) along = 1.0f - (px - gapR) / (w - 4 - gapR);
            if (along <= 0) continue;
            const float dy = py - 19.5f;
            const float beam = (std::exp(-dy * dy * 1.2f) + std::exp(-dy * dy * 0.05f) * 0.35f) * along * along;
            at(c, x, y) = mix(rgb8(255, 90, 220), rgb8(255, 235, 255), std::exp(-dy * dy * 1.5f)) * beam;
        }
    Mask letters = makeMask(w, h);
    drawTextCentered(letters, tf.sansBold, "GREETINGS", style, w * 0.5f, baseline);
    LetteringLook look;
    look.chrome.top = baseline - capHeight(tf.sansBold, style);
    look.chrome.bottom = baseline;
    look.chrome.bevel = 2.5f;
    look.rimWidth = 1.5f;
    look.rimColour = rgb8(30, 6, 40);
    look.rimEdge = rgb8(255, 120, 230);
    look.glowRadius = 5;
    look.glowColour = rgb8(255, 80, 200);
    look.glowGain = 1.0f;
    paintLettering(c, letters, look);
    return c;
}

// Squeezes a band painting to 256 texels and puts it in band `band`, its outer texels black.
void placeBand(Canvas& picture, const Canvas& painting, int band) {
    Canvas squeezed = squeezeWidth(painting, 256);
    clearRect(squeezed, 0, 0, 256, 1);
    clearRect(squeezed, 0, kBandRows - 1, 256, kBandRows);
    clearRect(squeezed, 0, 0, 1, kBandRows);
    clearRect(squeezed, 255, 0, 256, kBandRows);
    blit(picture, squeezed, 0, band * kBandRows);
}

}  // namespace

Canvas makeGreetings(const Typefaces& tf, int sheet) {
    Canvas picture = makeCanvas(256, 256);
    const int first = sheet == 1 ? 0 : 6, count = sheet == 1 ? 6 : 3;
    for (int i = 0; i < count; ++i) placeBand(picture, paintPlate(tf, kGroups[first + i], first + i), i);
    if (sheet == 2) placeBand(picture, paintHeader(tf), kHeaderBand);
    return picture;
}
