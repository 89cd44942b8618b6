// The font atlas addressing shared by every text of the show: slot 0 read as a 16 × 16 grid
// of glyph cells, the blank (code 32) in the top-left cell.
#pragma once

struct GlyphCell {
    float s0, s1;  // left and right texture coordinates
    float t0, t1;  // top and bottom texture coordinates (t0 is the glyph's top edge)
};

// The atlas cell of a character code: column (code − 32) % 16, row (code − 32) / 16, each
// cell 0.0625 of the texture. Codes below 32 select cells outside the atlas.
GlyphCell glyphCell(unsigned char code);
