// The credits backdrop keeps its middle rows calm (dark and even) for the white captions and
// handles written over them, and stays lively elsewhere.
#include "picture_file.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int kCalmTop = 170, kCalmBottom = 280;  // inclusive rows

class CreditsBackdrop : public ::testing::Test {
protected:
    static void SetUpTestSuite() { picture = loadCommitted("gfx/closingwords.pbm"); }
    void SetUp() override { ASSERT_EQ(picture.w, 640) << "gfx/closingwords.pbm did not load"; }
    static Picture picture;
};

Picture CreditsBackdrop::picture;

TEST_F(CreditsBackdrop, MiddleBandIsDarkAndEven) {
    const Stats band = brightnessStats(picture, 0, kCalmTop, 640, kCalmBottom + 1);
    EXPECT_LT(band.mean, 35);
    EXPECT_LT(band.stddev, 6);
    float brightest = 0;
    for (int y = kCalmTop; y <= kCalmBottom; ++y)
        for (int x = 0; x < 640; ++x) brightest = std::max(brightest, brightness(picture, x, y));
    EXPECT_LT(brightest, 70) << "white text needs contrast everywhere in the band";
}

TEST_F(CreditsBackdrop, RestIsBrighterAndBusierThanTheBand) {
    const Stats band = brightnessStats(picture, 0, kCalmTop, 640, kCalmBottom + 1);
    const Stats above = brightnessStats(picture, 0, 0, 640, kCalmTop);
    const Stats below = brightnessStats(picture, 0, kCalmBottom + 1, 640, 480);
    EXPECT_GT(above.mean, band.mean * 1.5);
    EXPECT_GT(below.mean, band.mean * 1.5);
    EXPECT_GT(above.stddev, band.stddev * 3);
    EXPECT_GT(below.stddev, band.stddev * 3);
}

}  // namespace
