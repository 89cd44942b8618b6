// Instrument synthesis: every recipe gives a sample free of DC and clicks, with loops on zero
// crossings that join smoothly, and a pitch mapping that puts C-4 where it belongs.
#include "synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

using songgen::Instrument;

class Recipe : public ::testing::TestWithParam<std::string> {};

TEST_P(Recipe, MakesALoudSampleWithoutDc) {
    Instrument ins;
    std::string error;
    ASSERT_TRUE(songgen::synthesize(GetParam(), ins, error)) << error;
    ASSERT_GT(ins.data.size(), 1000u);
    double sum = 0.0;
    int peak = 0;
    size_t from = ins.loop_length ? ins.loop_start : 0;  // a loop plays forever: its mean counts
    for (size_t i = from; i < ins.data.size(); ++i) {
        sum += ins.data[i];
        peak = std::max(peak, std::abs(static_cast<int>(ins.data[i])));
    }
    double mean = sum / static_cast<double>(ins.data.size() - from);
    EXPECT_GT(peak, 20000);
    EXPECT_LT(std::fabs(mean), 0.01 * peak);
}

TEST_P(Recipe, StartsAtZeroAndLoopsOrEndsWithoutAClick) {
    Instrument ins;
    std::string error;
    ASSERT_TRUE(songgen::synthesize(GetParam(), ins, error)) << error;
    const std::vector<int16_t>& d = ins.data;
    EXPECT_LT(std::abs(d.front()), 200);
    if (ins.loop_length == 0) {
        EXPECT_LT(std::abs(d.back()), 200);
        return;
    }
    uint32_t start = ins.loop_start, end = ins.loop_start + ins.loop_length;
    ASSERT_LE(end, d.size());
    // The loop begins at a rising zero crossing, and the jump from its last frame back to its
    // first is of a size with the steps on either side of it: the wave carries on unbroken.
    EXPECT_LT(std::abs(d[start]), 0.05 * 32767);
    ASSERT_GE(end - start, 4u);
    int seam = d[start] - d[end - 1];
    int before = d[end - 1] - d[end - 2];
    int after = d[start + 1] - d[start];
    EXPECT_LE(std::abs(seam), 3 * std::max(std::abs(before), std::abs(after)) / 2 + 64)
        << "seam " << seam << " between steps " << before << " and " << after;
    EXPECT_GE(seam, 0);  // rising, like the wave at a rising zero crossing
}

INSTANTIATE_TEST_SUITE_P(All, Recipe, ::testing::ValuesIn(songgen::recipe_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(Synth, UnknownRecipeIsRefused) {
    Instrument ins;
    std::string error;
    EXPECT_FALSE(songgen::synthesize("theremin", ins, error));
    EXPECT_NE(error.find("theremin"), std::string::npos);
}

struct RateCase {
    double rate;
    int relative_note;
    int finetune;
};

class C4Rate : public ::testing::TestWithParam<RateCase> {};

TEST_P(C4Rate, MapsARateToRelativeNoteAndFinetune) {
    Instrument ins;
    songgen::set_c4_rate(ins, GetParam().rate);
    EXPECT_EQ(ins.relative_note, GetParam().relative_note);
    EXPECT_EQ(ins.finetune, GetParam().finetune);
}

INSTANTIATE_TEST_SUITE_P(Rates, C4Rate,
                         ::testing::Values(RateCase{8363.0, 0, 0}, RateCase{16726.0, 12, 0}, RateCase{4181.5, -12, 0},
                                           RateCase{8363.0 * std::pow(2.0, 7.5 / 12.0), 7, 64},
                                           RateCase{8363.0 * std::pow(2.0, 2.999 / 12.0), 3, 0}),
                         [](const ::testing::TestParamInfo<RateCase>& info) {
                             return "Rate" + std::to_string(static_cast<int>(info.param.rate));
                         });

TEST(Synth, EnvelopeWithSustainHoldsUntilKeyOffAndWithoutItDiesAway) {
    songgen::Envelope held = songgen::adsr(4, 6, 40, 10);
    ASSERT_EQ(held.points.size(), 4u);
    EXPECT_EQ(held.points[0].value, 0);
    EXPECT_EQ(held.points[1].value, 64);
    EXPECT_EQ(held.sustain, 2);
    EXPECT_EQ(held.points[3].tick, 20);
    EXPECT_EQ(held.points[3].value, 0);

    songgen::Envelope pluck = songgen::adsr(0, 0, 0, 0);
    ASSERT_EQ(pluck.points.size(), 2u);
    EXPECT_EQ(pluck.points[0].value, 64);
    EXPECT_GT(pluck.points[1].tick, pluck.points[0].tick);  // ticks always rise
    EXPECT_EQ(pluck.points[1].value, 0);
    EXPECT_EQ(pluck.sustain, -1);
}

}  // namespace
