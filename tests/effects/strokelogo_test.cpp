// Effect 6, the stroke logo, drawn through the recording GL: which bars stand and how far
// each has grown, the finished outline, the pen that the sparks leave from, sparks that age
// below zero, the dark relaunches after the tracing, and the GL state left behind.
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
// A demo time on residue 0 of the relaunch schedule: records 0, 50, … 350 are relaunched.
constexpr int residueZero = 20000;

double nextU(std::minstd_rand &g) { return double(g()) / 2147483647.0; }

struct Point {
    double x, y;
};

// Twice the signed area of a quad's outline in the plane of the screen.
double area(const recgl::Quad &q) {
    double sum = 0;
    for (int j = 0; j < 4; ++j) {
        const recgl::Vertex &a = q.v[j], &b = q.v[(j + 1) % 4];
        sum += double(a.x) * b.y - double(b.x) * a.y;
    }
    return std::fabs(sum) / 2;
}

// The finished outline, bar by bar, vertices 1 to 4.
const Point outline[11][4] = {
    {{-4.2, 4.2}, {-3.8, 4.2}, {-3.8, -4.2}, {-4.2, -4.2}},
    {{-3.8, 4.2}, {-0.8, 4.2}, {-0.8, 3.8}, {-3.8, 3.8}},
    {{-0.8, 4.2}, {0.8, 2.2}, {0.8, 1.8}, {-0.8, 3.8}},
    {{0.8, 4.2}, {1.2, 4.2}, {1.2, 1.8}, {0.8, 1.8}},
    {{1.2, 4.2}, {4.2, 4.2}, {4.2, 3.8}, {1.2, 3.8}},
    {{3.8, 3.8}, {4.2, 3.8}, {4.2, -4.2}, {3.8, -4.2}},
    {{0.8, -3.8}, {3.8, -3.8}, {3.8, -4.2}, {0.8, -4.2}},
    {{0.8, 0.2}, {1.2, 0.2}, {1.2, -3.8}, {0.8, -3.8}},
    {{-0.8, 2.2}, {0.8, 0.2}, {0.8, -0.2}, {-0.8, 1.8}},
    {{-1.2, 2.2}, {-0.8, 2.2}, {-0.8, -4.2}, {-1.2, -4.2}},
    {{-3.8, -3.8}, {-1.2, -3.8}, {-1.2, -4.2}, {-3.8, -4.2}},
};
const int barStart[11] = {0, 500, 750, 1000, 1250, 1500, 2000, 2250, 2600, 2850, 3200};
const int barDuration[11] = {500, 250, 250, 250, 250, 500, 250, 350, 250, 350, 250};

struct Frame {
    std::vector<recgl::Quad> bars, sparks;
};

struct StrokeLogoTest : ::testing::Test {
    void SetUp() override {
        recgl::reset();
        seedRandom(1);
        clearFireworks();
        for (auto &slot : texture) slot = TiledTexture{};
        texture[slotSprites] = TiledTexture{restingName, 256, 256, 1, 1};
        glBindTexture(GL_TEXTURE_2D, restingName);
    }
    void TearDown() override { clearFireworks(); }
    // One frame, its quads split into the bar block (up to the first glEnd) and the sparks.
    Frame frame(int time, int t, const ColourRecord &colour = white) {
        size_t from = recgl::calls().size();
        drawStrokeLogo(time, t, colour);
        long barsEnd = recgl::find("glEnd", from);
        Frame f;
        for (const recgl::Quad &q : recgl::quads(from)) (long(q.callIndex) < barsEnd ? f.bars : f.sparks).push_back(q);
        return f;
    }
};

struct GrowthCase {
    int t;
    std::vector<double> progress;  // of each bar standing, in order
};

// A bar's area grows in step with its progress: bars appear one after another, each from
// zero length, and finished ones keep their full length.
TEST_F(StrokeLogoTest, BarsAppearInTurnAndGrowWithTheEffectTime) {
    const std::vector<double> all(11, 1.0);
    const GrowthCase cases[] = {
        {0, {0}},
        {250, {0.5}},
        {499, {0.998}},
        {500, {1, 0}},
        {875, {1, 1, 0.5}},
        {2425, {1, 1, 1, 1, 1, 1, 1, 0.5}},
        {3449, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0.996}},
        {3450, all},
        {5663, all},
    };
    Frame full = frame(residueZero, 3450);
    ASSERT_EQ(full.bars.size(), 11u);
    for (const GrowthCase &c : cases) {
        SCOPED_TRACE("effect time " + std::to_string(c.t));
        Frame f = frame(residueZero, c.t);
        ASSERT_EQ(f.bars.size(), c.progress.size());
        for (size_t k = 0; k < f.bars.size(); ++k)
            EXPECT_NEAR(area(f.bars[k]) / area(full.bars[k]), c.progress[k], 1e-5) << "bar " << k + 1;
    }
}

// At t = 0 bar 1 is a line (vertices 1 and 4, 2 and 3 coincide); at 500 bar 1 is complete and
// bar 2 begins as a line.
TEST_F(StrokeLogoTest, NewBarsStartWithZeroLength) {
    Frame first = frame(residueZero, 0);
    ASSERT_EQ(first.bars.size(), 1u);
    const recgl::Quad &b1 = first.bars[0];
    EXPECT_TRUE(b1.v[0].x == b1.v[3].x && b1.v[0].y == b1.v[3].y);
    EXPECT_TRUE(b1.v[1].x == b1.v[2].x && b1.v[1].y == b1.v[2].y);

    Frame later = frame(residueZero, 500);
    ASSERT_EQ(later.bars.size(), 2u);
    EXPECT_FLOAT_EQ(later.bars[0].v[0].y, 4.2f);
    const recgl::Quad &b2 = later.bars[1];
    EXPECT_TRUE(b2.v[0].x == b2.v[1].x && b2.v[3].x == b2.v[2].x);
}

// From 3450 on the outline stands complete: every bar 0.4 across, at depth 10, showing the bar
// cell of the sprite sheet in the colour record's colour, weighted by its fade value.
TEST_F(StrokeLogoTest, FinishedOutlineStandsComplete) {
    Frame f = frame(residueZero, 4000, ColourRecord{0.6f, 0.9f, 0.8f, 0.7f});
    ASSERT_EQ(f.bars.size(), 11u);
    const float s[4] = {0.25f, 0.375f, 0.375f, 0.25f}, t[4] = {0, 0, 0.125f, 0.125f};
    for (int k = 0; k < 11; ++k) {
        SCOPED_TRACE("bar " + std::to_string(k + 1));
        const recgl::Quad &q = f.bars[k];
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(q.v[j].x, outline[k][j].x, 1e-5);
            EXPECT_NEAR(q.v[j].y, outline[k][j].y, 1e-5);
            EXPECT_EQ(q.v[j].z, -10.0f);
            EXPECT_EQ(q.v[j].w, 1.0f);
            EXPECT_EQ(q.v[j].s, s[j]);
            EXPECT_EQ(q.v[j].t, t[j]);
        }
        EXPECT_EQ(q.color, (std::array<float, 4>{0.9f, 0.8f, 0.7f, 0.6f}));
        EXPECT_EQ(q.normal, (std::array<float, 3>{0, 0, 1}));
        EXPECT_EQ(q.texture, restingName);
    }
}

struct PenCase {
    int t;
    double x, y;
};

// The sparks relaunched in a frame start from the pen, which runs along the outline's corners
// at constant speed within each bar's window and rests at the origin outside the tracing.
TEST_F(StrokeLogoTest, RelaunchedSparksStartAtThePen) {
    const PenCase cases[] = {
        {0, -4, -4},    {250, -4, 0},      {500, -4, 4},     {625, -2.5, 4},  {875, 0, 3},
        {1125, 1, 3},   {1375, 2.5, 4},    {1750, 4, 0},     {2125, 2.5, -4}, {2425, 1, -2},
        {2725, 0, 1},   {3025, -1, -1},    {3325, -2.5, -4}, {3449, -3.988, -4},
        {3450, 0, 0},   {5000, 0, 0},
    };
    for (const PenCase &c : cases) {
        SCOPED_TRACE("effect time " + std::to_string(c.t));
        clearFireworks();
        Frame f = frame(residueZero + 13, c.t);  // residue 13: records 13, 63, … 363
        ASSERT_EQ(f.sparks.size(), 400u);
        for (int k = 13; k < particleCount; k += relaunchPeriod) {
            const Particle &p = fireworks[k];
            EXPECT_NEAR(p.x, c.x, 1e-5) << "record " << k;
            EXPECT_NEAR(p.y, c.y, 1e-5) << "record " << k;
            EXPECT_EQ(p.z, -10.0f);
            EXPECT_EQ(p.life, c.t < 3450 ? 1.0f : 0.0f);
            // Drawn there in the same frame: turning about its own centre leaves the centre put.
            const recgl::Quad &q = f.sparks[k];
            EXPECT_NEAR((q.v[0].ex + q.v[2].ex) / 2, c.x, 1e-4);
            EXPECT_NEAR((q.v[0].ey + q.v[2].ey) / 2, c.y, 1e-4);
            EXPECT_NEAR((q.v[0].ez + q.v[2].ez) / 2, -10, 1e-4);
            EXPECT_EQ(q.color[3], p.life);
        }
    }
}

// While a bar grows, the pen stays with its growing end: never more than 0.2 (the bars'
// overhang past the corners) from the middle of the edge that moves.
TEST_F(StrokeLogoTest, GrowingBarEndKeepsUpWithThePen) {
    for (int k = 0; k < 11; ++k) {
        Frame start = frame(residueZero, barStart[k]);
        for (double part : {0.25, 0.5, 0.75}) {
            int t = barStart[k] + int(part * barDuration[k]);
            SCOPED_TRACE("bar " + std::to_string(k + 1) + " at " + std::to_string(t));
            Frame f = frame(residueZero, t);
            ASSERT_EQ(f.bars.size(), size_t(k + 1));
            const recgl::Quad &now = f.bars[k], &then = start.bars[k];
            double mx = 0, my = 0;
            int moved = 0;
            for (int j = 0; j < 4; ++j)
                if (now.v[j].x != then.v[j].x || now.v[j].y != then.v[j].y) {
                    mx += now.v[j].x;
                    my += now.v[j].y;
                    ++moved;
                }
            ASSERT_EQ(moved, 2);
            EXPECT_LE(std::hypot(mx / 2 - fireworks[0].x, my / 2 - fireworks[0].y), 0.2 + 1e-5);
        }
    }
}

// Replays one frame on an independent generator: vx, vy, vz for a relaunch, then green and
// blue for every record. Swapping any two draws breaks the match.
TEST_F(StrokeLogoTest, RandomDrawsComeInTheirFixedOrder) {
    const int time = residueZero + 13;
    Frame f = frame(time, 875, ColourRecord{0.6f, 0.9f, 0.5f, 0.25f});
    ASSERT_EQ(f.sparks.size(), 400u);
    std::minstd_rand g(1);
    for (int k = 0; k < particleCount; ++k) {
        SCOPED_TRACE("record " + std::to_string(k));
        const Particle &p = fireworks[k];
        if (k % relaunchPeriod == 13) {
            float vx = float((0.5 - nextU(g)) * 0.1), vy = float((0.5 - nextU(g)) * 0.1), vz = float(0.1 * nextU(g));
            EXPECT_FLOAT_EQ(p.vx, vx);
            EXPECT_FLOAT_EQ(p.vy, vy);
            EXPECT_FLOAT_EQ(p.vz, vz);
        }
        float green = float(0.5 * nextU(g)), blue = float(0.25 * nextU(g));
        EXPECT_EQ(f.sparks[k].color, (std::array<float, 4>{0.9f, green, blue, p.life}));
    }
}

// Every record the schedule passes over takes a step and loses 0.02, lit or dark, so dark
// sparks sink below 0; records left lit by the previous effect fade on from where they were.
TEST_F(StrokeLogoTest, EveryRecordNotRelaunchedAdvancesEvenBelowZero) {
    fireworks[1] = Particle{0.01f, 1, 2, 3, 0.1f, 0.2f, 0.3f};
    fireworks[2] = Particle{-0.5f, 0, 0, -10, 0.01f, 0.02f, 0.03f};
    fireworks[3] = Particle{0.7f, 5, 5, -3, 0, 0, 0};
    Frame f = frame(residueZero, 100);
    EXPECT_NEAR(fireworks[1].life, -0.01f, 1e-6);
    EXPECT_FLOAT_EQ(fireworks[1].x, 1.1f);
    EXPECT_FLOAT_EQ(fireworks[1].y, 2.2f);
    EXPECT_FLOAT_EQ(fireworks[1].z, 3.3f);
    EXPECT_FLOAT_EQ(fireworks[2].life, -0.52f);
    EXPECT_FLOAT_EQ(fireworks[2].z, -9.97f);
    EXPECT_FLOAT_EQ(fireworks[3].life, 0.68f);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(f.sparks[k].color[3], fireworks[k].life) << "record " << k;
    EXPECT_NEAR((f.sparks[1].v[0].ex + f.sparks[1].v[2].ex) / 2, 1.1, 1e-5);

    // Frames on even centiseconds only: the odd records are never relaunched and lose 0.02 in
    // each of the 59 frames, sinking far below −0.02.
    float before[particleCount];
    for (int k = 0; k < particleCount; ++k) before[k] = fireworks[k].life;
    for (int time = residueZero + 2; time < residueZero + 120; time += 2) frame(time, 100 + time - residueZero);
    for (int k = 1; k < particleCount; k += 2)
        EXPECT_NEAR(fireworks[k].life, before[k] - 59 * 0.02, 1e-4) << "record " << k;
}

// After the tracing, 50 consecutive frames relaunch every record dark at the origin: from a
// table lit by the previous effect, nothing but the outline is left visible.
TEST_F(StrokeLogoTest, AfterTheTracingTheSparksDieOut) {
    for (Particle &p : fireworks) p = Particle{1.0f, 2, 2, -5, 0.01f, 0.01f, 0.05f};
    Frame f;
    for (int i = 0; i < relaunchPeriod; ++i) {
        f = frame(residueZero + i, 3450 + i);
        for (int k = i; k < particleCount; k += relaunchPeriod) {
            EXPECT_EQ(fireworks[k].life, 0.0f);
            EXPECT_EQ(fireworks[k].z, -10.0f);
        }
    }
    for (int k = 0; k < particleCount; ++k) EXPECT_LE(fireworks[k].life, 0.0f) << "record " << k;
    for (const recgl::Quad &q : f.sparks) EXPECT_LE(q.color[3], 0.0f);
    EXPECT_EQ(f.bars.size(), 11u);
}

// When the song starts over while the effect number stays 6, the effect time is negative:
// no bar stands yet and the sparks leave from the origin, still lit.
TEST_F(StrokeLogoTest, NegativeEffectTimeDrawsNoBars) {
    Frame f = frame(residueZero, -500);
    EXPECT_TRUE(f.bars.empty());
    EXPECT_EQ(f.sparks.size(), 400u);
    EXPECT_EQ(fireworks[0].x, 0.0f);
    EXPECT_EQ(fireworks[0].y, 0.0f);
    EXPECT_EQ(fireworks[0].life, 1.0f);
    EXPECT_EQ(recgl::state().errors, 0);
}

// The bars in one block, then each spark in its own block with its own pushed translation and
// rotation by (time + k) / 3 whole degrees; nothing bound, stack depth as on entry.
TEST_F(StrokeLogoTest, CallSequenceAndStateLeftAsFound) {
    size_t from = recgl::calls().size();
    Frame f = frame(residueZero + 1, 875);
    std::vector<std::string> names = recgl::names(from);
    std::vector<std::string> expected = {"glBegin", "glNormal3f", "glColor4f"};
    for (int i = 0; i < 3 * 4; ++i) {
        expected.push_back("glTexCoord2f");
        expected.push_back("glVertex4f");
    }
    expected.push_back("glEnd");
    const std::vector<std::string> perSpark = {
        "glPushMatrix", "glTranslatef", "glRotatef",    "glBegin",      "glNormal3f",   "glColor4f",
        "glTexCoord2f", "glVertex4f",   "glTexCoord2f", "glVertex4f",   "glTexCoord2f", "glVertex4f",
        "glTexCoord2f", "glVertex4f",   "glEnd",        "glPopMatrix"};
    for (int k = 0; k < particleCount; ++k) expected.insert(expected.end(), perSpark.begin(), perSpark.end());
    ASSERT_EQ(names, expected) << recgl::dump(from, 60);

    size_t sparksFrom = from + 3 + 24 + 1;
    const float angles[] = {6667, 6667, 6667, 6668};  // (20001 + k) / 3
    for (int k = 0; k < 4; ++k) {
        const recgl::Call &translate = recgl::calls()[sparksFrom + k * perSpark.size() + 1];
        const recgl::Call &rotate = recgl::calls()[sparksFrom + k * perSpark.size() + 2];
        const Particle &p = fireworks[k];
        EXPECT_EQ(translate.args, (std::vector<double>{p.x, p.y, p.z}));
        EXPECT_EQ(rotate.args, (std::vector<double>{angles[k], 0, 0, 1}));
    }
    const float s[4] = {0, 0.125f, 0.125f, 0}, t[4] = {0, 0, 0.125f, 0.125f};
    const float x[4] = {-0.25f, 0.25f, 0.25f, -0.25f}, y[4] = {-0.25f, -0.25f, 0.25f, 0.25f};
    for (const recgl::Quad &q : f.sparks) {
        EXPECT_EQ(q.texture, restingName);
        EXPECT_EQ(q.normal, (std::array<float, 3>{0, 0, 1}));
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(q.v[j].s, s[j]);
            EXPECT_EQ(q.v[j].t, t[j]);
            EXPECT_EQ(q.v[j].x, x[j]);
            EXPECT_EQ(q.v[j].y, y[j]);
            EXPECT_EQ(q.v[j].z, 0.0f);
            EXPECT_EQ(q.v[j].w, 1.0f);
        }
    }
    const recgl::State &st = recgl::state();
    EXPECT_EQ(st.boundTexture, restingName);
    EXPECT_EQ(st.modelviewDepth, 1);
    EXPECT_FALSE(st.inBegin);
    EXPECT_EQ(st.errors, 0);
}

}  // namespace
