// Effect 1, the wheel texts, drawn through the recording GL: which line shows with which alpha
// and depth at the fade boundaries, where its glyphs sit on the wheel, and the GL state it
// leaves behind.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "effects/colour.h"
#include "effects/stars.h"
#include "effects/subeffects.h"
#include "image/texture.h"
#include "platform/time.h"
#include "recording_gl.h"
#include "shell/democlock.h"
#include "shell/timeline.h"

namespace {

constexpr GLuint fontName = 11;
constexpr GLuint restingName = 21;
constexpr ColourRecord white{1, 1, 1, 1};

const std::string wheelLine[4] = {
    "LET'S GO FLYING!",
    "WHERE NO MAN HAS GONE BEFORE!",
    "BUCKLE UP TOVAN!",
    "MY GOD, IT'S FULL OF STARS!",
};

// The text the quads spell, read back from their atlas cells (16 × 16 cells, blank first).
std::string spelled(const std::vector<recgl::Quad> &quads) {
    std::string out;
    for (const recgl::Quad &q : quads) {
        int column = int(std::lround(q.v[0].s / 0.0625)), row = int(std::lround(q.v[3].t / 0.0625));
        out += char(32 + row * 16 + column);
    }
    return out;
}

// An angle in degrees as the show converts it.
double showRadians(double degrees) { return degrees * 3.1415 / 180.0; }

struct WheelTextsTest : ::testing::Test {
    void SetUp() override {
        recgl::reset();
        for (auto &slot : texture) slot = TiledTexture{};
        texture[slotFont] = TiledTexture{fontName, 256, 256, 1, 1};
        texture[slotSprites] = TiledTexture{restingName, 256, 256, 1, 1};
        glBindTexture(GL_TEXTURE_2D, restingName);
        effectStartTime = 0;
    }
    void TearDown() override {
        useVirtualClock(false);
        effectStartTime = 0;
    }
    // The quads of one call of the effect.
    std::vector<recgl::Quad> draw(int time, int e, const ColourRecord &colour = white) {
        size_t from = recgl::calls().size();
        drawWheelTexts(time, e, colour);
        return recgl::quads(from);
    }
};

struct FadeCase {
    int e;
    int line;
    float alpha;
    float depth;  // how far beyond the wheel the line lies
};

// At demo time 0 the first glyph's left edge sits at wheel angle 0, where its lower corner is
// (x, 1, depth): the depth offset can be read straight off it.
TEST_F(WheelTextsTest, LineAlphaAndDepthAtTheFadeBoundaries) {
    const FadeCase cases[] = {
        {0, 0, 0.0f, -125}, {24, 0, 0.96f, -5},    {25, 0, 1, 0},         {349, 0, 1, 0},
        {350, 0, 1, 0},     {374, 0, 0.04f, -120}, {375, 1, 0.0f, -125},  {399, 1, 0.96f, -5},
        {400, 1, 1, 0},     {749, 1, 1, 0},        {750, 1, 1, 0},        {774, 1, 0.04f, -120},
        {775, 2, 0.0f, -125}, {799, 2, 0.96f, -5}, {1124, 2, 1, 0},       {1149, 2, 0.04f, -120},
        {1150, 3, 0.0f, -125}, {1175, 3, 1, 0},    {1500, 3, 1, 0},       {1524, 3, 0.04f, -120},
        {1525, 3, 0.0f, -125}, {1875, 3, 0.0f, -125},
    };
    for (const FadeCase &c : cases) {
        SCOPED_TRACE("effect time " + std::to_string(c.e));
        std::vector<recgl::Quad> quads = draw(0, c.e);
        ASSERT_EQ(quads.size(), wheelLine[c.line].size());
        EXPECT_EQ(spelled(quads), wheelLine[c.line]);
        for (const recgl::Quad &q : quads) EXPECT_NEAR(q.color[3], c.alpha, 1e-6);
        EXPECT_NEAR(quads[0].v[0].y, 1.0f, 1e-6);
        EXPECT_NEAR(quads[0].v[0].z, c.depth, 1e-4);
        EXPECT_NEAR(quads[0].v[0].ez, c.depth - 22, 1e-4);  // the wheel's axis lies 22 units out
    }
}

TEST_F(WheelTextsTest, RedGreenBlueTintTheTextAndTheFadeValueIsIgnored) {
    std::vector<recgl::Quad> quads = draw(0, 100, ColourRecord{0.0f, 0.2f, 0.5f, 0.7f});
    ASSERT_FALSE(quads.empty());
    for (const recgl::Quad &q : quads) {
        EXPECT_FLOAT_EQ(q.color[0], 0.2f);
        EXPECT_FLOAT_EQ(q.color[1], 0.5f);
        EXPECT_FLOAT_EQ(q.color[2], 0.7f);
        EXPECT_FLOAT_EQ(q.color[3], 1.0f);
    }
}

struct SpanCase {
    int e;
    size_t characters;
    float left;
};

// One unit per glyph, the line centred on x = 0: a half-unit start for an odd length.
TEST_F(WheelTextsTest, LineSpansOneUnitPerCharacterCentredOnTheAxis) {
    const SpanCase cases[] = {{100, 16, -8.0f}, {500, 29, -14.5f}, {900, 16, -8.0f}, {1300, 27, -13.5f}};
    for (const SpanCase &c : cases) {
        SCOPED_TRACE("effect time " + std::to_string(c.e));
        std::vector<recgl::Quad> quads = draw(321, c.e);
        ASSERT_EQ(quads.size(), c.characters);
        for (size_t i = 0; i < quads.size(); ++i) {
            const recgl::Quad &q = quads[i];
            EXPECT_FLOAT_EQ(q.v[0].x, c.left + float(i));
            EXPECT_FLOAT_EQ(q.v[3].x, c.left + float(i));
            EXPECT_FLOAT_EQ(q.v[1].x, c.left + float(i) + 1);
            EXPECT_FLOAT_EQ(q.v[2].x, c.left + float(i) + 1);
        }
        EXPECT_FLOAT_EQ(quads.back().v[1].x, -c.left);
    }
}

// Each glyph's top edge lies on the circle of radius 2 about the axis, its left edge at
// 1.5 × time + 4 × i degrees and its right edge 4 degrees further; the glyph hangs one unit
// below its top edge and stays parallel to the screen.
TEST_F(WheelTextsTest, GlyphsHangFromTheRimAtTheirWheelAngles) {
    const int time = 137;
    std::vector<recgl::Quad> quads = draw(time, 100);
    ASSERT_EQ(quads.size(), 16u);
    for (size_t i = 0; i < quads.size(); ++i) {
        SCOPED_TRACE("glyph " + std::to_string(i));
        const recgl::Quad &q = quads[i];
        double left = showRadians(1.5 * time + 4.0 * double(i)), right = showRadians(1.5 * time + 4.0 * double(i) + 4);
        EXPECT_NEAR(q.v[3].y, 2 * std::cos(left), 1e-5);
        EXPECT_NEAR(q.v[3].z, 2 * std::sin(left), 1e-5);
        EXPECT_NEAR(q.v[2].y, 2 * std::cos(right), 1e-5);
        EXPECT_NEAR(q.v[2].z, 2 * std::sin(right), 1e-5);
        EXPECT_FLOAT_EQ(q.v[0].y, q.v[3].y - 1);
        EXPECT_FLOAT_EQ(q.v[1].y, q.v[2].y - 1);
        EXPECT_FLOAT_EQ(q.v[0].z, q.v[3].z);
        EXPECT_FLOAT_EQ(q.v[1].z, q.v[2].z);
        for (const recgl::Vertex &v : q.v) EXPECT_EQ(v.w, 1.0f);
    }
}

// Degrees are converted with 3.1415, not a full-precision π: at demo time 60 the first glyph
// stands at 90 degrees, where the show's cosine is about 4.6e-5 rather than 0.
TEST_F(WheelTextsTest, AnglesUseTheShowsOwnPi) {
    std::vector<recgl::Quad> quads = draw(60, 100);
    ASSERT_FALSE(quads.empty());
    EXPECT_NEAR(quads[0].v[3].y, 2 * std::cos(90 * 3.1415 / 180), 1e-6);
    EXPECT_GT(quads[0].v[3].y, 5e-5f);
}

// The line and its fade follow the effect time, the wheel the demo time alone.
TEST_F(WheelTextsTest, WheelTurnsWithTheDemoTimeNotTheEffectTime) {
    std::vector<recgl::Quad> a = draw(500, 100), b = draw(500, 300), c = draw(560, 100);
    ASSERT_EQ(a.size(), b.size());
    ASSERT_EQ(a.size(), c.size());
    for (size_t i = 0; i < a.size(); ++i)
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(a[i].v[j].y, b[i].v[j].y);
            EXPECT_EQ(a[i].v[j].z, b[i].v[j].z);
        }
    // 60 centiseconds later the wheel has turned 90 degrees: the top corner moved from the top
    // of the circle towards the viewer.
    double before = showRadians(1.5 * 500), after = showRadians(1.5 * 560);
    EXPECT_NEAR(a[0].v[3].y, 2 * std::cos(before), 1e-5);
    EXPECT_NEAR(c[0].v[3].y, 2 * std::cos(after), 1e-5);
    EXPECT_NEAR(c[0].v[3].z, 2 * std::sin(after), 1e-5);
}

// One block of quads in the font atlas inside one pushed matrix, then the common closing step:
// the stack is back to its depth and the resting texture is bound again.
TEST_F(WheelTextsTest, DrawsOneBlockWithTheFontAndRestoresTheRestingTexture) {
    size_t from = recgl::calls().size();
    drawWheelTexts(0, 100, white);
    std::vector<std::string> expected = {"glBindTexture", "glPushMatrix", "glTranslatef", "glBegin"};
    for (int i = 0; i < 16; ++i) {
        expected.push_back("glNormal3f");
        expected.push_back("glColor4f");
        for (int j = 0; j < 4; ++j) {
            expected.push_back("glTexCoord2f");
            expected.push_back("glVertex4f");
        }
    }
    for (const char *name : {"glEnd", "glPopMatrix", "glBindTexture"}) expected.push_back(name);
    EXPECT_EQ(recgl::names(from), expected) << recgl::dump(from, 12);

    const auto &calls = recgl::calls();
    EXPECT_EQ(calls[from].args[1], fontName);
    EXPECT_EQ(calls[from + 2].args, (std::vector<double>{0, 0, -22}));
    EXPECT_EQ(calls.back().args[1], restingName);
    for (const recgl::Quad &q : recgl::quads(from)) {
        EXPECT_EQ(q.texture, fontName);
        EXPECT_EQ(q.normal, (std::array<float, 3>{0, 0, 1}));
    }
    const recgl::State &s = recgl::state();
    EXPECT_EQ(s.boundTexture, restingName);
    EXPECT_EQ(s.modelviewDepth, 1);
    EXPECT_FALSE(s.inBegin);
    EXPECT_EQ(s.errors, 0);
}

// Through the star field's dispatch: the clock read there drives the wheel and, less the
// effect's start, the fade.
TEST_F(WheelTextsTest, StarFieldDispatchHandsOverTheClock) {
    useVirtualClock(true);
    setVirtualTime(1000, 0);
    getTimeWithStatus(clockReset);
    setVirtualTime(1008, 0);  // demo time 800, before the star field
    effectStartTime = 780;    // effect time 20: the first line fading in at 0.8
    size_t from = recgl::calls().size();
    drawStars(0, white, 1);
    std::vector<recgl::Quad> quads = recgl::quads(from);
    ASSERT_EQ(quads.size(), 16u);
    EXPECT_EQ(spelled(quads), wheelLine[0]);
    EXPECT_NEAR(quads[0].color[3], 0.8f, 1e-6);
    EXPECT_NEAR(quads[0].v[3].y, 2 * std::cos(showRadians(1.5 * 800)), 1e-5);
    EXPECT_EQ(recgl::state().boundTexture, restingName);
    EXPECT_EQ(recgl::state().errors, 0);
}

}  // namespace
