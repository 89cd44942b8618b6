// The font atlas: code c in column (c − 32) % 16, row (c − 32) / 16 of 16-pixel cells; glyph
// ink kept off each cell's outer ring; every printable code drawn; bright, solid lettering.
#include "picture_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

constexpr int kCell = 16;
constexpr int kFirstPrintable = 33, kLastPrintable = 126;

struct Ink {
    int left = kCell, top = kCell, right = -1, bottom = -1;  // inclusive bounds of lit pixels
    int count = 0;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

class FontAtlas : public ::testing::Test {
protected:
    static void SetUpTestSuite() { atlas = loadCommitted("Fonts/font1.pbm"); }
    void SetUp() override { ASSERT_EQ(atlas.w, 256) << "Fonts/font1.pbm did not load"; }

    static int cellX(int code) { return (code - 32) % 16 * kCell; }
    static int cellY(int code) { return (code - 32) / 16 * kCell; }

    static Ink inkOf(int code) {
        Ink ink;
        for (int y = 0; y < kCell; ++y)
            for (int x = 0; x < kCell; ++x)
                if (!isBlack(atlas, cellX(code) + x, cellY(code) + y)) {
                    ink.left = std::min(ink.left, x);
                    ink.right = std::max(ink.right, x);
                    ink.top = std::min(ink.top, y);
                    ink.bottom = std::max(ink.bottom, y);
                    ++ink.count;
                }
        return ink;
    }

    static Picture atlas;
};

Picture FontAtlas::atlas;

TEST_F(FontAtlas, EveryCellKeepsItsOuterRingBlack) {
    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 16; ++col) {
            const int x0 = col * kCell, y0 = row * kCell;
            const int inner = countLit(atlas, x0 + 1, y0 + 1, x0 + kCell - 1, y0 + kCell - 1);
            EXPECT_EQ(countLit(atlas, x0, y0, x0 + kCell, y0 + kCell), inner) << "cell " << col << "," << row;
        }
}

TEST_F(FontAtlas, BlankAndCellsPastTheLastCodeAreBlack) {
    EXPECT_EQ(inkOf(' ').count, 0);
    for (int code = kLastPrintable + 1; code < 32 + 256; ++code) EXPECT_EQ(inkOf(code).count, 0) << code;
}

TEST_F(FontAtlas, EveryPrintableCodeHasInk) {
    for (int code = kFirstPrintable; code <= kLastPrintable; ++code)
        EXPECT_GE(inkOf(code).count, 4) << "code " << code << " '" << static_cast<char>(code) << "'";
}

TEST_F(FontAtlas, GlyphsAreAllDifferent) {
    for (int a = kFirstPrintable; a <= kLastPrintable; ++a)
        for (int b = a + 1; b <= kLastPrintable; ++b) {
            bool same = true;
            for (int y = 0; y < kCell && same; ++y)
                for (int x = 0; x < kCell && same; ++x)
                    same = brightness(atlas, cellX(a) + x, cellY(a) + y) == brightness(atlas, cellX(b) + x, cellY(b) + y);
            EXPECT_FALSE(same) << "codes " << a << " and " << b;
        }
}

// A black pixel enclosed by ink is only right where the glyph has a closed counter that has
// shrunk to one pixel; anywhere else it is a hole punched into the lettering.
TEST_F(FontAtlas, PinholesOnlyInClosedCounters) {
    const std::string withCounters = "#$%&04689@ABDOPQRabdegopq";
    for (int code = kFirstPrintable; code <= kLastPrintable; ++code) {
        if (withCounters.find(static_cast<char>(code)) != std::string::npos) continue;
        EXPECT_EQ(countPinholes(atlas, cellX(code), cellY(code), cellX(code) + kCell, cellY(code) + kCell), 0)
            << static_cast<char>(code);
    }
}

// Capitals and digits must read at about 16 screen pixels: tall, heavy strokes.
TEST_F(FontAtlas, CapitalsAndDigitsAreTallAndBold) {
    for (int code = '0'; code <= 'Z'; ++code) {
        if (code > '9' && code < 'A') continue;
        const Ink ink = inkOf(code);
        EXPECT_GE(ink.height(), 11) << static_cast<char>(code);
        EXPECT_GE(ink.count, 40) << static_cast<char>(code);
    }
}

// Where a glyph sits in its cell tells whether the addressing is right: a one-cell slip
// would put '.' where '-' belongs, or 'I' where 'H' belongs.
struct ShapeCase {
    char code;
    int minTop, maxBottom;  // lit rows must lie within
    int minWidth, maxWidth;
    int minHeight, maxHeight;
};

void PrintTo(const ShapeCase& c, std::ostream* os) { *os << "'" << c.code << "'"; }

class GlyphShape : public FontAtlas, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(GlyphShape, SitsWhereItsCodeSays) {
    const ShapeCase& c = GetParam();
    const Ink ink = inkOf(c.code);
    ASSERT_GT(ink.count, 0);
    EXPECT_GE(ink.top, c.minTop);
    EXPECT_LE(ink.bottom, c.maxBottom);
    EXPECT_GE(ink.width(), c.minWidth);
    EXPECT_LE(ink.width(), c.maxWidth);
    EXPECT_GE(ink.height(), c.minHeight);
    EXPECT_LE(ink.height(), c.maxHeight);
}

INSTANTIATE_TEST_SUITE_P(Marks, GlyphShape,
                         ::testing::Values(ShapeCase{'.', 9, 14, 2, 6, 2, 6},     // low dot
                                           ShapeCase{',', 9, 14, 2, 6, 3, 7},     // low, with a tail
                                           ShapeCase{'-', 5, 11, 4, 9, 2, 5},     // flat, mid-height
                                           ShapeCase{'\'', 1, 8, 2, 5, 4, 8},     // high tick
                                           ShapeCase{'"', 1, 8, 5, 10, 4, 8},     // two high ticks
                                           ShapeCase{'_', 11, 14, 8, 14, 1, 4},   // underline
                                           ShapeCase{'!', 1, 14, 2, 6, 10, 14},   // tall, narrow
                                           ShapeCase{'I', 1, 14, 2, 6, 10, 14},
                                           ShapeCase{'1', 1, 14, 6, 12, 10, 14},
                                           ShapeCase{'W', 1, 14, 12, 14, 10, 14}, // widest capitals
                                           ShapeCase{'M', 1, 14, 10, 14, 10, 14},
                                           ShapeCase{'?', 1, 14, 6, 12, 10, 14},
                                           ShapeCase{':', 3, 14, 2, 6, 6, 12}),
                         [](const ::testing::TestParamInfo<ShapeCase>& info) {
                             return "code_" + std::to_string(static_cast<int>(info.param.code));
                         });

// The lettering is bright metal from top to bottom: every row through a capital's strokes has
// bright ink (a gradient that dips to black would punch holes), and the rows are not all alike.
TEST_F(FontAtlas, CapitalsAreBrightInEveryRowAndShaded) {
    for (int code = 'A'; code <= 'Z'; ++code) {
        const Ink ink = inkOf(code);
        float dimmestRow = 255, brightestRow = 0;
        for (int y = ink.top + 1; y < ink.bottom; ++y) {
            float rowMax = 0;
            for (int x = 0; x < kCell; ++x) rowMax = std::max(rowMax, brightness(atlas, cellX(code) + x, cellY(code) + y));
            dimmestRow = std::min(dimmestRow, rowMax);
            brightestRow = std::max(brightestRow, rowMax);
        }
        EXPECT_GE(dimmestRow, 110) << static_cast<char>(code);
        EXPECT_GE(brightestRow, 200) << static_cast<char>(code);
        EXPECT_GE(brightestRow - dimmestRow, 25) << static_cast<char>(code) << " looks flat";
    }
}

}  // namespace
