// The glyph atlas: bold DejaVu capitals, digits and punctuation in chrome, one per 16-pixel
// cell. Each glyph's ink is centred in its cell and kept off the cell's outer ring of texels,
// because the show samples the cells with linear filtering.
#include "lettering.h"
#include "pictures.h"

#include <algorithm>

namespace {

constexpr float kInkLeft = 1.0f, kInkRight = kGlyphCell - 1.0f;  // usable columns [1, 15)
constexpr float kInkTop = 1.0f, kInkBottom = kGlyphCell - 1.0f;  // usable rows [1, 15)
constexpr float kBaseline = 13.0f;
constexpr int kFirstCode = 33, kLastCode = 126;

ChromeStyle glyphChrome(float capTop) {
    ChromeStyle s;
    s.palette.skyTop = rgb8(170, 200, 255);
    s.palette.skyHorizon = rgb8(255, 255, 255);
    s.palette.horizonLine = rgb8(95, 105, 160);
    s.palette.groundHorizon = rgb8(200, 140, 80);
    s.palette.groundBottom = rgb8(255, 236, 180);
    s.palette.horizon = 0.5f;
    s.top = capTop;
    s.bottom = kBaseline;
    s.bevel = 1.3f;
    s.tilt = 0.12f;
    s.diffuse = 0.35f;
    s.specular = 0.5f;
    s.shininess = 12;
    s.floor = 0.45f;
    return s;
}

// Renders one code into a 16 × 16 mask, squeezed and shifted so its ink fits the inner area.
Mask glyphMask(const Typeface& face, unsigned code, TextStyle style) {
    Mask m = makeMask(kGlyphCell, kGlyphCell);
    InkBox ink = glyphInk(face, code, style);
    if (ink.empty) return m;
    const float maxW = kInkRight - kInkLeft - 0.6f, maxH = kInkBottom - kInkTop;
    if (ink.x1 - ink.x0 > maxW) {
        style.xScale *= maxW / (ink.x1 - ink.x0);
        ink = glyphInk(face, code, style);
    }
    if (ink.y1 - ink.y0 > maxH) {
        style.yScale *= maxH / (ink.y1 - ink.y0);
        ink = glyphInk(face, code, style);
    }
    const float penX = kGlyphCell * 0.5f - (ink.x0 + ink.x1) * 0.5f;
    float baseline = kBaseline;
    if (baseline + ink.y0 < kInkTop) baseline = kInkTop - ink.y0;
    if (baseline + ink.y1 > kInkBottom) baseline = kInkBottom - ink.y1;
    drawGlyph(m, face, code, style, penX, baseline);
    return m;
}

}  // namespace

Canvas makeFontAtlas(const Typefaces& tf) {
    Canvas atlas = makeCanvas(kAtlasSize, kAtlasSize);
    TextStyle style;
    style.size = 15.2f;
    style.embolden = 0.45f;
    const float capTop = kBaseline - capHeight(tf.sansBold, style);
    const ChromeStyle chrome = glyphChrome(capTop);
    for (int code = kFirstCode; code <= kLastCode; ++code) {
        const int column = (code - 32) % 16, row = (code - 32) / 16;
        const Mask m = glyphMask(tf.sansBold, static_cast<unsigned>(code), style);
        const Canvas lit = shadeChrome(m, chrome);
        Canvas cell = makeCanvas(kGlyphCell, kGlyphCell);
        over(cell, lit, m);
        // Keep the outer ring of texels black so neighbours never bleed in.
        for (int y = 0; y < kGlyphCell; ++y)
            for (int x = 0; x < kGlyphCell; ++x)
                if (x == 0 || y == 0 || x == kGlyphCell - 1 || y == kGlyphCell - 1) at(cell, x, y) = Rgb{};
        blit(atlas, cell, column * kGlyphCell, row * kGlyphCell);
    }
    return atlas;
}
