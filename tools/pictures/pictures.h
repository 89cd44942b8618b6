// The show's eight pictures, each painted by one function, and the layouts the drawing code
// relies on. Every function is deterministic: same fonts in, same pixels out.
#pragma once

#include "raster.h"
#include "text.h"

// Font atlas: 16 × 16 cells of 16 pixels; code c sits in column (c − 32) % 16, row (c − 32) / 16.
constexpr int kAtlasSize = 256;
constexpr int kGlyphCell = 16;
// Sprite sheet: 8 × 8 cells of 32 pixels.
constexpr int kSheetSize = 256;
constexpr int kSpriteCell = 32;
// Greetings pictures: bands of 39 rows from the top.
constexpr int kBandRows = 39;
// Full-screen pictures.
constexpr int kScreenW = 640, kScreenH = 480;
// The rows of the credits backdrop that stay calm under the credit texts.
constexpr int kCalmTop = 170, kCalmBottom = 280;

Canvas makeFontAtlas(const Typefaces& tf);
Canvas makeSpriteSheet(const Typefaces& tf);
// sheet 1: six plates; sheet 2: three plates and the header strip in band 4.
Canvas makeGreetings(const Typefaces& tf, int sheet);
Canvas makeEmblem(const Typefaces& tf);
Canvas makeEndPanel(const Typefaces& tf);
Canvas makeCreditsBackdrop(const Typefaces& tf);
Canvas makeTitle(const Typefaces& tf);
