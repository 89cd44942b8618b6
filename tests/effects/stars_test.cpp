// The star field: placement from the show's random sequence, the per-star transforms and
// alpha, the dispatch, and the GL state it leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "effects/stars.h"
#include "effects/subeffects.h"
#include "image/texture.h"
#include "platform/random.h"
#include "platform/time.h"
#include "recording_gl.h"
#include "shell/democlock.h"
#include "shell/timeline.h"

namespace {

constexpr GLuint restingName = 20;

struct StarsTest : ::testing::Test {
    void SetUp() override {
        useVirtualClock(true);
        recgl::reset();
        for (auto &slot : texture) slot = TiledTexture{};
        texture[slotSprites] = TiledTexture{restingName, 256, 256, 1, 1};
        seedRandom(1);
        placeStars();
        rot = 0.0f;
        effectStartTime = 0;
        setVirtualTime(500, 0);
        getTimeWithStatus(clockReset);
    }
    void TearDown() override { useVirtualClock(false); }
    void at(int t) { setVirtualTime(500 + t / 100, (t % 100) * 10000L); }
    // A fresh call log, with the resting texture bound as the show keeps it between routines.
    void fresh() {
        recgl::reset();
        glBindTexture(GL_TEXTURE_2D, restingName);
    }
};

TEST_F(StarsTest, PlacementFollowsTheRandomSequenceAndLeavesTheInnerCubeEmpty) {
    // The first stars, recomputed from the generator itself: three draws a try, in x, y, z order.
    std::minstd_rand g(1);
    auto coord = [&] { return float(5.0 - 10.0 * (double(g()) / 2147483647.0)); };
    for (int i = 0; i < 3; ++i) {
        float x, y, z;
        do {
            x = coord();
            y = coord();
            z = coord();
        } while (x > -2.5f && x < 2.5f && y > -2.5f && y < 2.5f && z > -2.5f && z < 2.5f);
        EXPECT_EQ(stars[i].x, x) << i;
        EXPECT_EQ(stars[i].y, y) << i;
        EXPECT_EQ(stars[i].z, z) << i;
    }
    EXPECT_NEAR(stars[0].x, 5 - 10 * (48271.0 / 2147483647.0), 1e-6);
    for (const Star &s : stars) {
        EXPECT_TRUE(std::fabs(s.x) >= 2.5f || std::fabs(s.y) >= 2.5f || std::fabs(s.z) >= 2.5f);
        for (float c : {s.x, s.y, s.z}) {
            EXPECT_GE(c, -5.0f);
            EXPECT_LE(c, 5.0f);
        }
    }
}

TEST_F(StarsTest, FieldStartsAt1501AndDrawsTwoCrossedSpritesPerStar) {
    at(1500);
    drawStars(0, ColourRecord{1, 1, 1, 1}, 0);
    EXPECT_TRUE(recgl::quads().empty());
    EXPECT_TRUE(recgl::state().blend) << "the entry always switches blending on";

    fresh();
    at(1501);
    drawStars(0, ColourRecord{1, 1, 1, 1}, 3);
    auto quads = recgl::quads();
    ASSERT_EQ(quads.size(), 1000u);
    EXPECT_EQ(recgl::count("glVertex4f"), 4000u);
    EXPECT_EQ(recgl::count("glPushMatrix"), 501u);
    EXPECT_EQ(recgl::state().modelviewDepth, 1);
    EXPECT_EQ(recgl::state().errors, 0);
    for (const auto &q : quads) {
        EXPECT_EQ(q.texture, restingName);
        EXPECT_EQ(q.v[0].s, 0.0f);
        EXPECT_EQ(q.v[2].s, 0.125f);
        EXPECT_EQ(q.v[2].t, 0.125f);
    }
    EXPECT_EQ(quads[0].normal, (std::array<float, 3>{0, 0, 1}));
    EXPECT_EQ(quads[1].normal, (std::array<float, 3>{1, 0, 0}));
}

TEST_F(StarsTest, FirstFieldFrameIsUnrotatedAndLaterFramesLagOneFrame) {
    at(1501);
    drawStars(0, ColourRecord{1, 1, 1, 1}, 0);
    // Translate (sin a, cos a, sin a), then three rotations by rot/6, rot/3, rot/4 of the
    // previous field frame (0 the first time), then star 0: n / 3 = 500 and n = 1501 degrees.
    const auto &c = recgl::calls();
    ASSERT_EQ(c[2].name, "glTranslatef");
    double a = 1501 * 3.1415 / 180;
    EXPECT_FLOAT_EQ(float(c[2].args[0]), float(std::sin(a)));
    EXPECT_FLOAT_EQ(float(c[2].args[1]), float(std::cos(a)));
    for (int i = 3; i < 6; ++i) {
        EXPECT_EQ(c[i].name, "glRotatef");
        EXPECT_EQ(c[i].args[0], 0.0);
    }
    EXPECT_EQ(c[8].name, "glRotatef");
    EXPECT_EQ(c[8].args[0], 500.0);
    EXPECT_EQ(c[9].args[0], 1501.0);

    fresh();
    at(1510);
    drawStars(0, ColourRecord{1, 1, 1, 1}, 0);
    const auto &d = recgl::calls();
    // d[0] is the test's own bind of the resting texture.
    EXPECT_FLOAT_EQ(float(d[4].args[0]), 1501.0f / 6);
    EXPECT_FLOAT_EQ(float(d[5].args[0]), 1501.0f / 3);
    EXPECT_FLOAT_EQ(float(d[6].args[0]), 1501.0f * 0.25f);
    EXPECT_EQ(d[9].args[0], 503.0) << "1510 / 3 in whole degrees";
}

TEST_F(StarsTest, AlphaSwingsWithTheFadeAndDarkStarsAreStillIssued) {
    const float fades[] = {0.0f, 0.5f, 1.0f};
    for (float fade : fades) {
        fresh();
        at(1600);
        drawStars(0, ColourRecord{fade, 0.25f, 0.5f, 0.75f}, 0);
        auto quads = recgl::quads();
        ASSERT_EQ(quads.size(), 1000u);
        for (int i : {0, 1, 250, 499}) {
            float expected = float(fade * (0.5 + 0.25 * std::sin((1600 + i) * 3.1415 / 180)));
            EXPECT_FLOAT_EQ(quads[2 * i].color[3], expected) << "star " << i << " fade " << fade;
            EXPECT_EQ(quads[2 * i + 1].color, quads[2 * i].color);
            EXPECT_EQ(quads[2 * i].color[0], 0.25f);
            EXPECT_EQ(quads[2 * i].color[2], 0.75f);
        }
    }
}

TEST_F(StarsTest, OtherEffectNumbersDrawTheFieldAloneAndNothingBeforeIt) {
    for (int effect : {0, 3, 7, 8, 9, -1}) {
        fresh();
        at(1000);
        drawStars(0, ColourRecord{1, 1, 1, 1}, effect);
        EXPECT_TRUE(recgl::quads().empty()) << effect;
        fresh();
        at(2000);
        drawStars(0, ColourRecord{1, 1, 1, 1}, effect);
        EXPECT_EQ(recgl::quads().size(), 1000u) << effect;
        EXPECT_EQ(recgl::count("glBindTexture"), 1u) << "the field binds no texture";
    }
}

TEST_F(StarsTest, ClosingStepEndsTheDrawingAndRebindsTheRestingTexture) {
    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, 99);
    glBegin(GL_QUADS);
    finishSubEffect();
    EXPECT_EQ(recgl::names(recgl::calls().size() - 3),
              (std::vector<std::string>{"glEnd", "glPopMatrix", "glBindTexture"}));
    EXPECT_EQ(recgl::state().boundTexture, restingName);
    EXPECT_EQ(recgl::state().modelviewDepth, 1);
    EXPECT_EQ(recgl::state().errors, 0);
}

}  // namespace
