// Lettering from DejaVu outlines through FreeType: coverage masks of glyphs and lines of text.
// Outlines are used unhinted so that squeezed, slanted or sub-pixel placed letters render exactly.
#pragma once

#include "raster.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

struct Typeface {
    FT_Face face = nullptr;
};

// The typefaces the pictures use, opened once.
struct Typefaces {
    FT_Library library = nullptr;
    Typeface sansBold;  // DejaVu Sans Bold: all lettering of the show
    Typeface sans;      // DejaVu Sans: the contact sheet's small print
};

// Opens the DejaVu faces from `fontDir`; false (and a message on stderr) when one is missing.
bool openTypefaces(Typefaces& faces, const std::string& fontDir);
void closeTypefaces(Typefaces& faces);

struct TextStyle {
    float size = 16;      // pixels per em
    float xScale = 1;     // horizontal squeeze (below 1) or stretch
    float yScale = 1;     // vertical stretch
    float slant = 0;      // horizontal shear per pixel of height (italic look)
    float embolden = 0;   // outline growth in pixels, both axes
    float tracking = 0;   // extra pixels between letters
};

// Ink bounds in pixels, relative to the pen position, y growing downwards.
struct InkBox {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty = true;
};

// Ink bounds of one character under the style.
InkBox glyphInk(const Typeface& tf, unsigned code, const TextStyle& style);
// Renders one character into the mask (max-combined) with its pen at (penX, baselineY).
void drawGlyph(Mask& m, const Typeface& tf, unsigned code, const TextStyle& style, float penX,
               float baselineY);
// Advance of the whole line in pixels.
float textWidth(const Typeface& tf, const std::string& text, const TextStyle& style);
// Renders a line with the left end of its baseline at (x, baselineY).
void drawText(Mask& m, const Typeface& tf, const std::string& text, const TextStyle& style, float x,
              float baselineY);
// Renders a line centred horizontally on cx.
void drawTextCentered(Mask& m, const Typeface& tf, const std::string& text, const TextStyle& style,
                      float cx, float baselineY);
// Height in pixels of a capital letter (the ink of "H") under the style.
float capHeight(const Typeface& tf, const TextStyle& style);
