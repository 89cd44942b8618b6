// The greetings pictures: 39-row bands from the top. Plates fill bands 0 … 5 of the first
// picture and 0 … 2 of the second, the header strip band 4 of the second; each band keeps its
// first and last rows black, and every row outside the used bands is black.
#include "picture_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int kBand = 39;

struct GreetingsCase {
    const char* path;
    std::vector<int> bands;  // bands that hold a plate or the header
};

void PrintTo(const GreetingsCase& c, std::ostream* os) { *os << c.path; }

class GreetingsBands : public ::testing::TestWithParam<GreetingsCase> {};

bool inUsedBand(const GreetingsCase& c, int y) {
    for (int b : c.bands)
        if (y > b * kBand && y < b * kBand + kBand - 1) return true;
    return false;
}

TEST_P(GreetingsBands, EachUsedBandHoldsAPlateAcrossItsWidth) {
    const Picture p = loadCommitted(GetParam().path);
    ASSERT_EQ(p.w, 256);
    for (int b : GetParam().bands) {
        const int y0 = b * kBand, y1 = y0 + kBand;
        int left = p.w, right = -1;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < p.w; ++x)
                if (!isBlack(p, x, y)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        EXPECT_LT(left, 40) << "band " << b;
        EXPECT_GT(right, 215) << "band " << b;
        EXPECT_GT(countLit(p, 0, y0, p.w, y1), p.w * kBand / 5) << "band " << b;
        // Some of it must be bright: the name or the header lettering.
        float brightest = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < p.w; ++x) brightest = std::max(brightest, brightness(p, x, y));
        EXPECT_GE(brightest, 200) << "band " << b;
    }
}

TEST_P(GreetingsBands, EverythingElseIsBlack) {
    const Picture p = loadCommitted(GetParam().path);
    ASSERT_EQ(p.w, 256);
    for (int y = 0; y < p.h; ++y) {
        if (inUsedBand(GetParam(), y)) {
            EXPECT_TRUE(isBlack(p, 0, y) && isBlack(p, p.w - 1, y)) << "row " << y << " edge columns";
            continue;
        }
        EXPECT_EQ(countLit(p, 0, y, p.w, y + 1), 0) << "row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Both, GreetingsBands,
                         ::testing::Values(GreetingsCase{"gfx/greets1.pbm", {0, 1, 2, 3, 4, 5}},
                                           GreetingsCase{"gfx/greets2.pbm", {0, 1, 2, 4}}),
                         [](const ::testing::TestParamInfo<GreetingsCase>& info) {
                             return "greets" + std::to_string(info.index + 1);
                         });

// Nine plates, nine different groups: no band may be a copy of another.
TEST(Greetings, AllNinePlatesDiffer) {
    const Picture first = loadCommitted("gfx/greets1.pbm"), second = loadCommitted("gfx/greets2.pbm");
    ASSERT_EQ(first.w, 256);
    ASSERT_EQ(second.w, 256);
    std::vector<std::vector<uint8_t>> plates;
    auto band = [](const Picture& p, int b) {
        const auto begin = p.rgb.begin() + static_cast<long>(b) * kBand * p.w * 3;
        return std::vector<uint8_t>(begin, begin + static_cast<long>(kBand) * p.w * 3);
    };
    for (int b = 0; b < 6; ++b) plates.push_back(band(first, b));
    for (int b = 0; b < 3; ++b) plates.push_back(band(second, b));
    for (size_t i = 0; i < plates.size(); ++i)
        for (size_t j = i + 1; j < plates.size(); ++j) EXPECT_NE(plates[i], plates[j]) << i << " and " << j;
}

}  // namespace
