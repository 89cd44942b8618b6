// Effect 2, the fireworks, drawn through the recording GL: launch brightness against the
// effect time, the order of the random draws, ageing of live and dark records, the relaunch
// schedule when frames skip centiseconds, and the GL state left behind.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "effects/colour.h"
#include "effects/fireworks.h"
#include "effects/subeffects.h"
#include "image/texture.h"
#include "platform/random.h"
#include "recording_gl.h"

namespace {

constexpr GLuint restingName = 21;
constexpr ColourRecord white{1, 1, 1, 1};

// The next value of an independent copy of the show's generator, scaled as the show scales it.
double nextU(std::minstd_rand &g) { return double(g()) / 2147483647.0; }

// The base of a launch point: the swaying amplitude times the record's phase.
double launchBase(int t, int i) { return (std::sin(t / 100.0) + 3) * std::sin((t + i) * 3.1415 / 180.0); }

// Centre of a quad as given, and after the model-view matrix.
std::array<float, 3> centre(const recgl::Quad &q) {
    return {(q.v[0].x + q.v[2].x) / 2, (q.v[0].y + q.v[2].y) / 2, (q.v[0].z + q.v[2].z) / 2};
}
// True when the quad as given is centred on (x, y, z), within float rounding of its corners.
bool centredOn(const recgl::Quad &q, float x, float y, float z) {
    std::array<float, 3> c = centre(q);
    return std::fabs(c[0] - x) < 1e-5f && std::fabs(c[1] - y) < 1e-5f && c[2] == z;
}
std::array<float, 3> eyeCentre(const recgl::Quad &q) {
    return {(q.v[0].ex + q.v[2].ex) / 2, (q.v[0].ey + q.v[2].ey) / 2, (q.v[0].ez + q.v[2].ez) / 2};
}

struct FireworksTest : ::testing::Test {
    void SetUp() override {
        recgl::reset();
        seedRandom(1);
        clearFireworks();
        for (auto &slot : texture) slot = TiledTexture{};
        texture[slotSprites] = TiledTexture{restingName, 256, 256, 1, 1};
        glBindTexture(GL_TEXTURE_2D, restingName);
    }
    void TearDown() override { clearFireworks(); }
    // The quads of one frame.
    std::vector<recgl::Quad> frame(int time, int e, const ColourRecord &colour = white) {
        size_t from = recgl::calls().size();
        drawFireworksEffect(time, e, colour);
        return recgl::quads(from);
    }
};

struct LifeCase {
    int e;
    float life;
};

// Sparks launched in the first five seconds start dimmer; from 2676 on they are born dark.
TEST_F(FireworksTest, LaunchLifeFollowsTheEffectTime) {
    const LifeCase cases[] = {{0, 0.0f},    {1, 0.002f},    {250, 0.5f},    {499, 0.998f},
                              {500, 1.0f},  {2675, 1.0f},   {2676, 0.0f},   {3225, 0.0f}};
    for (const LifeCase &c : cases) {
        SCOPED_TRACE("effect time " + std::to_string(c.e));
        clearFireworks();
        std::vector<recgl::Quad> quads = frame(3000, c.e);  // residue 0: records 0, 50, … 350
        ASSERT_EQ(quads.size(), 400u);
        for (int i = 0; i < particleCount; i += relaunchPeriod) {
            EXPECT_FLOAT_EQ(fireworks[i].life, c.life);
            EXPECT_FLOAT_EQ(quads[i].color[3], c.life);
            EXPECT_EQ(fireworks[i].z, -10.0f);
        }
    }
}

// Replays the first frame on an independent generator in the order x jitter, y jitter, vx,
// vy, vz for a relaunch, then green and blue for every record: swapping any two draws, or
// drawing for a record that is not relaunched, breaks the match.
TEST_F(FireworksTest, RandomDrawsComeInTheirFixedOrder) {
    const int t = 3017, e = 1000;  // residue 17; the sway's t / 100 = 30.17 is not whole
    const ColourRecord colour{0.0f, 0.9f, 0.5f, 0.25f};
    std::vector<recgl::Quad> quads = frame(t, e, colour);
    ASSERT_EQ(quads.size(), 400u);

    std::minstd_rand g(1);
    for (int i = 0; i < particleCount; ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        Particle want{0, 0, 0, 0, 0, 0, 0};
        if (i % relaunchPeriod == 17) {
            double d = launchBase(t, i);
            want.x = float(d + 0.1 * nextU(g));
            want.y = float(d + 0.1 * nextU(g));
            want.z = -10;
            want.life = 1;
            want.vx = float((0.5 - nextU(g)) * 0.0001);
            want.vy = float((0.5 - nextU(g)) * 0.0001);
            want.vz = float(-nextU(g));
        }
        const Particle &p = fireworks[i];
        EXPECT_FLOAT_EQ(p.x, want.x);
        EXPECT_FLOAT_EQ(p.y, want.y);
        EXPECT_FLOAT_EQ(p.z, want.z);
        EXPECT_FLOAT_EQ(p.vx, want.vx);
        EXPECT_FLOAT_EQ(p.vy, want.vy);
        EXPECT_FLOAT_EQ(p.vz, want.vz);
        float green = float(0.5 * nextU(g)), blue = float(0.25 * nextU(g));
        // Red stays full, the colour record's fade value plays no part.
        EXPECT_EQ(quads[i].color, (std::array<float, 4>{0.9f, green, blue, want.life}));
    }
}

// A relaunched record shows at its new launch point in that very frame: on the diagonal
// x = y up to a jitter of 0.1, ten units out, then turned about the viewing axis by its phase.
TEST_F(FireworksTest, RelaunchedRecordIsDrawnAtItsLaunchPoint) {
    const int t = 3007;
    std::vector<recgl::Quad> quads = frame(t, 1000);
    ASSERT_EQ(quads.size(), 400u);
    for (int i = 7; i < particleCount; i += relaunchPeriod) {
        SCOPED_TRACE("record " + std::to_string(i));
        const Particle &p = fireworks[i];
        double d = launchBase(t, i);
        EXPECT_GE(p.x, d - 1e-5);
        EXPECT_LE(p.x, d + 0.1 + 1e-5);
        EXPECT_GE(p.y, d - 1e-5);
        EXPECT_LE(p.y, d + 0.1 + 1e-5);
        EXPECT_TRUE(centredOn(quads[i], p.x, p.y, -10.0f));
        EXPECT_FLOAT_EQ(quads[i].v[2].x - quads[i].v[0].x, 1.5f);
        EXPECT_FLOAT_EQ(quads[i].v[2].y - quads[i].v[0].y, 1.5f);
        double a = ((t + i) / 3) * M_PI / 180.0;
        std::array<float, 3> eye = eyeCentre(quads[i]);
        EXPECT_NEAR(eye[0], p.x * std::cos(a) - p.y * std::sin(a), 1e-4);
        EXPECT_NEAR(eye[1], p.x * std::sin(a) + p.y * std::cos(a), 1e-4);
        EXPECT_NEAR(eye[2], -10.0f, 1e-5);
    }
}

// The first frame of the effect finds the table as start-up cleared it: eight sparks are
// launched, the other 392 stay dark at the origin, still drawn.
TEST_F(FireworksTest, FirstFrameFromAClearedTable) {
    std::vector<recgl::Quad> quads = frame(2630, 0);  // residue 30, effect time 0
    ASSERT_EQ(quads.size(), 400u);
    int launched = 0;
    for (int i = 0; i < particleCount; ++i) {
        const Particle &p = fireworks[i];
        if (i % relaunchPeriod == 30) {
            ++launched;
            EXPECT_EQ(p.z, -10.0f);
            EXPECT_NE(p.vz, 0.0f);
        } else {
            EXPECT_TRUE(p.life == 0 && p.x == 0 && p.y == 0 && p.z == 0 && p.vx == 0 && p.vy == 0 && p.vz == 0)
                << "record " << i;
            EXPECT_TRUE(centredOn(quads[i], 0, 0, 0)) << "record " << i;
        }
        EXPECT_EQ(quads[i].color[3], 0.0f);  // effect time 0 launches dark too
    }
    EXPECT_EQ(launched, 8);
}

// A live record takes one step and loses 0.02; a dark one (at or below 0) keeps its place and
// its life and is still drawn there.
TEST_F(FireworksTest, LiveRecordsAgeAndMoveWhileDarkOnesStayPut) {
    fireworks[1] = Particle{0.5f, 1, 2, -10, 0.001f, -0.002f, -0.5f};
    fireworks[2] = Particle{0.0f, 3, 4, -20, 1, 1, 1};
    fireworks[3] = Particle{-0.01f, 5, 6, -30, 1, 1, 1};
    std::vector<recgl::Quad> quads = frame(3000, 1000);
    ASSERT_EQ(quads.size(), 400u);

    EXPECT_FLOAT_EQ(fireworks[1].life, 0.48f);
    EXPECT_FLOAT_EQ(fireworks[1].x, 1.001f);
    EXPECT_FLOAT_EQ(fireworks[1].y, 1.998f);
    EXPECT_FLOAT_EQ(fireworks[1].z, -10.5f);
    EXPECT_FLOAT_EQ(quads[1].color[3], 0.48f);
    EXPECT_TRUE(centredOn(quads[1], fireworks[1].x, fireworks[1].y, -10.5f));

    const Particle darkAtZero{0.0f, 3, 4, -20, 1, 1, 1}, darkBelowZero{-0.01f, 5, 6, -30, 1, 1, 1};
    for (const auto &[i, want] : {std::pair{2, darkAtZero}, std::pair{3, darkBelowZero}}) {
        const Particle &p = fireworks[i];
        EXPECT_TRUE(p.life == want.life && p.x == want.x && p.y == want.y && p.z == want.z) << "record " << i;
        EXPECT_EQ(quads[i].color[3], want.life);
        EXPECT_TRUE(centredOn(quads[i], want.x, want.y, want.z)) << "record " << i;
    }
}

// A spark launched at full life goes dark on its 51st step (the 50th leaves a float
// remainder above 0), never reaches −0.02 and stops there, no deeper than 51 units beyond
// its launch depth.
TEST_F(FireworksTest, SparkGoesDarkOnItsFiftyFirstStep) {
    fireworks[1] = Particle{1.0f, 0, 0, -10, 0, 0, -1};
    for (int frameNo = 1; frameNo <= 60; ++frameNo) {
        frame(3000 + 2 * frameNo, 1000);  // even demo times never select record 1
        float life = fireworks[1].life;
        if (frameNo == 50) {
            EXPECT_GT(life, 0.0f);
            EXPECT_LT(life, 1e-5f);
        }
        if (frameNo >= 51) {
            EXPECT_LE(life, 0.0f);
            EXPECT_GT(life, -0.02f);
        }
    }
    EXPECT_FLOAT_EQ(fireworks[1].z, -61.0f);
}

// When frames fall only on even centiseconds the odd residues are never selected: those
// records keep what the cleared table gave them, while every even record has been launched.
TEST_F(FireworksTest, OddRecordsNeverRelaunchWhenFramesFallOnEvenCentiseconds) {
    for (int time = 3000; time < 3200; time += 2) frame(time, time - 2626);
    for (int i = 0; i < particleCount; ++i) {
        const Particle &p = fireworks[i];
        if (i % 2) {
            EXPECT_TRUE(p.life == 0 && p.z == 0 && p.vz == 0) << "record " << i;
        } else {
            EXPECT_GT(p.life, 0.0f) << "record " << i;
            EXPECT_LE(p.z, -10.0f) << "record " << i;
        }
    }
}

// Each record in its own block with its own pushed rotation by (t + i) / 3 whole degrees;
// the star cell of the texture found bound; nothing bound, stack depth as on entry.
TEST_F(FireworksTest, EachSparkIsItsOwnBlockAndTheStateIsLeftAsFound) {
    size_t from = recgl::calls().size();
    std::vector<recgl::Quad> quads = frame(3001, 1000);
    std::vector<std::string> names = recgl::names(from);
    const std::vector<std::string> perSpark = {
        "glPushMatrix", "glRotatef",    "glBegin",      "glNormal3f",   "glColor4f",
        "glTexCoord2f", "glVertex4f",   "glTexCoord2f", "glVertex4f",   "glTexCoord2f",
        "glVertex4f",   "glTexCoord2f", "glVertex4f",   "glEnd",        "glPopMatrix"};
    ASSERT_EQ(names.size(), perSpark.size() * particleCount) << recgl::dump(from, 30);
    for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(names[i], perSpark[i % perSpark.size()]) << "call " << i;

    const float angles[] = {1000, 1000, 1001, 1001, 1001, 1002};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(recgl::calls()[from + i * perSpark.size() + 1].args, (std::vector<double>{angles[i], 0, 0, 1}));
    EXPECT_EQ(recgl::calls()[from + 399 * perSpark.size() + 1].args[0], 1133.0);  // (3001 + 399) / 3

    for (const recgl::Quad &q : quads) {
        EXPECT_EQ(q.texture, restingName);
        EXPECT_EQ(q.normal, (std::array<float, 3>{0, 0, 1}));
        EXPECT_EQ(q.v[0].s, 0.0f);
        EXPECT_EQ(q.v[0].t, 0.0f);
        EXPECT_EQ(q.v[2].s, 0.125f);
        EXPECT_EQ(q.v[2].t, 0.125f);
        EXPECT_EQ(q.v[1].w, 1.0f);
    }
    const recgl::State &s = recgl::state();
    EXPECT_EQ(s.boundTexture, restingName);
    EXPECT_EQ(s.modelviewDepth, 1);
    EXPECT_EQ(s.errors, 0);
}

}  // namespace
