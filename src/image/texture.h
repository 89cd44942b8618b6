// The texture table: every picture of the show, uploaded once at start-up as a single texture
// or as a grid of 256×256 tiles whose texture names are consecutive, row by row.
#pragma once

#include <GL/gl.h>

struct TiledTexture {
    GLuint first;      // the only texture, or the top-left tile; 0 while the slot is empty
    int width;         // picture size in pixels
    int height;
    int tilesAcross;   // tile (i, j) is texture first + i × tilesAcross + j
    int tilesDown;
};

constexpr int textureSlots = 8;
constexpr int tileSize = 256;

// 0 font atlas, 1 resting texture (sprite sheet), 2 … 6 pictures of the show, 7 title picture.
extern TiledTexture texture[textureSlots];

// Slot numbers of the table.
constexpr int slotFont = 0;
constexpr int slotSprites = 1;
constexpr int slotOverlay1 = 2;
constexpr int slotGreets1 = 3;
constexpr int slotGreets2 = 4;
constexpr int slotOverlay2 = 5;
constexpr int slotClosing = 6;
constexpr int slotTitle = 7;

// Loads the picture at path with the alpha mode and uploads it into record. A picture that
// fails to load leaves the record untouched; success shows in the record. Always leaves the
// drawing state the show relies on (texturing, additive blending, modulate).
void TexInit(TiledTexture *record, const char *path, int alphaMode);

// Number of tiles needed for a side of that many pixels (a partial tile counts).
int tilesFor(int pixels);
