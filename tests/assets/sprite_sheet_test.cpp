// The sprite sheet: 32-pixel cells whose outer ring is black; the star cell (column 0), the bar
// cell (column 2) and the flash cell (column 3) of row 0 as the effects use them.
#include "picture_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kCell = 32;
constexpr float kCentre = 15.5f;  // the cell's centre in pixel-index coordinates

class SpriteSheet : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sheet = loadCommitted("gfx/gfx2.pbm"); }
    void SetUp() override { ASSERT_EQ(sheet.w, 256) << "gfx/gfx2.pbm did not load"; }
    // Brightness at (x, y) of the cell in column `col` of row 0.
    static float cell(int col, int x, int y) { return brightness(sheet, col * kCell + x, y); }
    static Picture sheet;
};

Picture SpriteSheet::sheet;

constexpr int kStar = 0, kBar = 2, kFlash = 3;

TEST_F(SpriteSheet, EveryCellKeepsItsOuterRingBlack) {
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col) {
            const int x0 = col * kCell, y0 = row * kCell;
            const int inner = countLit(sheet, x0 + 1, y0 + 1, x0 + kCell - 1, y0 + kCell - 1);
            EXPECT_EQ(countLit(sheet, x0, y0, x0 + kCell, y0 + kCell), inner) << "cell " << col << "," << row;
        }
}

// The core may saturate over a few texels; all of them must sit at the centre.
TEST_F(SpriteSheet, StarIsBrightestAtItsCentre) {
    float brightest = 0;
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell; ++x) brightest = std::max(brightest, cell(kStar, x, y));
    EXPECT_GE(brightest, 220);
    EXPECT_EQ(cell(kStar, 15, 15), brightest);
    EXPECT_EQ(cell(kStar, 16, 16), brightest);
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell; ++x)
            if (cell(kStar, x, y) == brightest) {
                EXPECT_LE(std::hypot(x - kCentre, y - kCentre), 2.5) << x << "," << y;
            }
}

// Mean brightness in rings around the centre falls outwards and reaches black before the edge.
TEST_F(SpriteSheet, StarGlowFadesToBlackBeforeTheEdge) {
    double ring[5] = {}, count[5] = {};
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell; ++x) {
            const double r = std::hypot(x - kCentre, y - kCentre);
            if (r >= 15.0) {
                EXPECT_TRUE(isBlack(sheet, kStar * kCell + x, y)) << x << "," << y;
                continue;
            }
            ring[static_cast<int>(r / 3)] += cell(kStar, x, y);
            count[static_cast<int>(r / 3)] += 1;
        }
    for (int i = 1; i < 5; ++i) EXPECT_LT(ring[i] / count[i], ring[i - 1] / count[i - 1]) << "ring " << i;
    EXPECT_GT(ring[2] / count[2], 10) << "the glow should reach well beyond the core";
}

// The bar is stretched with s along it on some bars and t along it on others.
TEST_F(SpriteSheet, BarLooksTheSameWithItsAxesSwapped) {
    int worst = 0;
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell; ++x)
            for (int ch = 0; ch < 3; ++ch) {
                const int a = sheet.rgb[(static_cast<size_t>(y) * 256 + kBar * kCell + x) * 3 + ch];
                const int b = sheet.rgb[(static_cast<size_t>(x) * 256 + kBar * kCell + y) * 3 + ch];
                worst = std::max(worst, std::abs(a - b));
            }
    EXPECT_LE(worst, 1);
}

// Stretched along a bar, the middle row is what runs its length: it must stay bright nearly to
// the ends so bars join up, while across it the glow falls off towards the edges.
TEST_F(SpriteSheet, BarIsABrightPlateauWithSoftEdges) {
    for (int x = 5; x <= 26; ++x) EXPECT_GE(cell(kBar, x, 16), 150) << x;
    EXPECT_GE(cell(kBar, 16, 16), 230);
    EXPECT_LT(cell(kBar, 16, 1), cell(kBar, 16, 4));
    EXPECT_LT(cell(kBar, 16, 4), cell(kBar, 16, 16));
}

TEST_F(SpriteSheet, FlashIsNearUniformBrightWhite) {
    const Stats s = brightnessStats(sheet, kFlash * kCell + 1, 1, kFlash * kCell + kCell - 1, kCell - 1);
    EXPECT_GE(s.mean, 230);
    EXPECT_LE(s.stddev, 6);
    int dimmest = 255;
    for (int y = 1; y < kCell - 1; ++y)
        for (int x = 1; x < kCell - 1; ++x)
            for (int ch = 0; ch < 3; ++ch)
                dimmest = std::min<int>(dimmest, sheet.rgb[(static_cast<size_t>(y) * 256 + kFlash * kCell + x) * 3 + ch]);
    EXPECT_GE(dimmest, 200);
}

}  // namespace
