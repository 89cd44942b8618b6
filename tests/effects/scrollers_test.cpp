// The two scrollers and the font atlas addressing every text of the show shares.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "effects/font.h"
#include "effects/scrollers.h"
#include "effects/scrolltexts.h"
#include "image/texture.h"
#include "platform/time.h"
#include "recording_gl.h"
#include "shell/democlock.h"
#include "shell/timeline.h"

namespace {

constexpr GLuint fontName = 10, restingName = 20;

struct ScrollerTest : ::testing::Test {
    void SetUp() override {
        useVirtualClock(true);
        recgl::reset();
        texture[slotFont] = TiledTexture{fontName, 256, 256, 1, 1};
        texture[slotSprites] = TiledTexture{restingName, 256, 256, 1, 1};
        setVirtualTime(100, 0);
        getTimeWithStatus(clockReset);
        scrollStartTime = 5001;
        scrollText = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!?";  // 38 characters
    }
    void TearDown() override { useVirtualClock(false); }
    // Draws a frame of the scroller T centiseconds into the scroll.
    std::vector<recgl::Quad> frame(void (*scroller)(int, ColourRecord), int T, ColourRecord c = {1, 1, 1, 1}) {
        int t = scrollStartTime + T;
        setVirtualTime(100 + t / 100, (t % 100) * 10000L);
        size_t from = recgl::calls().size();
        scroller(t, c);
        return recgl::quads(from);
    }
};

TEST(GlyphCell, CodesMapToTheSixteenBySixteenGrid) {
    struct Case {
        unsigned char code;
        float s0, t0;
    };
    const Case cases[] = {{' ', 0, 0}, {'/', 0.9375f, 0}, {'0', 0, 0.0625f}, {'A', 0.0625f, 0.125f},
                          {'O', 0.9375f, 0.125f}, {'P', 0, 0.1875f}, {'Z', 0.625f, 0.1875f}};
    for (const Case &c : cases) {
        GlyphCell g = glyphCell(c.code);
        EXPECT_EQ(g.s0, c.s0) << c.code;
        EXPECT_EQ(g.t0, c.t0) << c.code;
        EXPECT_EQ(g.s1, c.s0 + 0.0625f) << c.code;
        EXPECT_EQ(g.t1, c.t0 + 0.0625f) << c.code;
    }
}

TEST_F(ScrollerTest, GlyphsMoveLeftByA32ndEachCentisecondAndStepOneCharacterEvery32) {
    struct Case {
        int T;
        float firstLeft;   // left edge of position 0
        char first;        // character in position 0
        char last;         // character in position 35
    };
    const Case cases[] = {
        {0, -4.0f, 'A', '9'},            // x = −4.25 + 0.25
        {31, float(-4.25 + 0.0078125), 'A', '9'},
        {32, -4.0f, 'B', '!'},
        {33, float(-4.25 + 0.25 - 0.0078125), 'B', '!'},
        {64, -4.0f, 'C', '?'},
        {96, -4.0f, 'D', 'A'},           // the text repeats without a gap
    };
    for (const Case &c : cases) {
        auto quads = frame(scrolltext1, c.T);
        ASSERT_EQ(quads.size(), 36u);
        SCOPED_TRACE("T = " + std::to_string(c.T));
        EXPECT_EQ(scrolltimer, c.T);
        EXPECT_FLOAT_EQ(quads[0].v[0].x, c.firstLeft);
        EXPECT_FLOAT_EQ(quads[0].v[1].x, c.firstLeft + 0.25f);
        EXPECT_EQ(quads[0].v[3].s, glyphCell(c.first).s0);
        EXPECT_EQ(quads[0].v[3].t, glyphCell(c.first).t0);
        EXPECT_EQ(quads[35].v[3].s, glyphCell(c.last).s0);
        EXPECT_EQ(quads[35].v[3].t, glyphCell(c.last).t0);
        EXPECT_FLOAT_EQ(quads[35].v[0].x - quads[0].v[0].x, 35 * 0.25f);
        // Flat: the glyph hangs from y = 0 to −0.25, five units in front of the eye.
        EXPECT_EQ(quads[0].v[0].y, -0.25f);
        EXPECT_EQ(quads[0].v[3].y, 0.0f);
        EXPECT_FLOAT_EQ(quads[0].v[0].ez, -5.0f);
    }
}

TEST_F(ScrollerTest, OpeningTextShowsItsFirstWordInTheLastPositionAt256) {
    scrollText = defaultScroller;
    ASSERT_EQ(std::strlen(defaultScroller), 138u);
    ASSERT_EQ(std::strlen(endScroller), 355u);
    ASSERT_NE(defaultScroller[43], ' ');
    for (size_t i = 0; i < 43; ++i) ASSERT_EQ(defaultScroller[i], ' ');
    auto before = frame(scrolltext1, 255);
    EXPECT_EQ(before[35].v[3].s, glyphCell(' ').s0);
    EXPECT_EQ(before[35].v[3].t, glyphCell(' ').t0);
    auto at = frame(scrolltext1, 256);
    EXPECT_EQ(at[35].v[3].s, glyphCell(static_cast<unsigned char>(defaultScroller[43])).s0);
    EXPECT_EQ(at[35].v[3].t, glyphCell(static_cast<unsigned char>(defaultScroller[43])).t0);
    for (const char *text : {defaultScroller, endScroller})
        for (const char *p = text; *p; ++p) EXPECT_TRUE(*p >= 32 && *p <= 90) << int(*p);
}

TEST_F(ScrollerTest, ShortTextRepeatsAcrossTheLine) {
    scrollText = "HI ";
    auto quads = frame(scrolltext1, 0);
    ASSERT_EQ(quads.size(), 36u);
    for (int i = 0; i < 36; ++i) EXPECT_EQ(quads[size_t(i)].v[3].s, glyphCell("HI "[i % 3]).s0) << i;
}

TEST_F(ScrollerTest, HelixPutsTopEdgesOnACircleAndOpacityFollowsTheTurn) {
    auto quads = frame(scrolltext2, 0, ColourRecord{0.3f, 0.5f, 0.6f, 0.7f});
    ASSERT_EQ(quads.size(), 36u);
    // Position 0 at T = 0: a = 0, top edge at y = 2, z = 0, alpha 1.
    EXPECT_FLOAT_EQ(quads[0].v[3].y, 2.0f);
    EXPECT_FLOAT_EQ(quads[0].v[3].z, 0.0f);
    EXPECT_FLOAT_EQ(quads[0].v[0].y, 1.75f);
    EXPECT_EQ(quads[0].color, (std::array<float, 4>{0.5f, 0.6f, 0.7f, 1.0f}));
    for (int i : {0, 10, 35}) {
        const auto &q = quads[size_t(i)];
        double a = 4.0 * i * 3.1415 / 180, b = (4.0 * i + 4) * 3.1415 / 180;
        EXPECT_FLOAT_EQ(q.v[3].y, float(2 * std::cos(a)));
        EXPECT_FLOAT_EQ(q.v[3].z, float(2 * std::sin(a)));
        EXPECT_FLOAT_EQ(q.v[2].y, float(2 * std::cos(b)));
        EXPECT_FLOAT_EQ(q.v[2].z, float(2 * std::sin(b)));
        EXPECT_FLOAT_EQ(q.color[3], float(1 + std::sin(a)));
    }
    // 80 centiseconds later the helix has turned by 120 degrees.
    auto later = frame(scrolltext2, 80);
    double a = 120 * 3.1415 / 180;
    EXPECT_FLOAT_EQ(later[0].v[3].y, float(2 * std::cos(a)));
}

TEST_F(ScrollerTest, BothLeaveTheRestingTextureAndTheModelViewAsFound) {
    for (auto scroller : {scrolltext1, scrolltext2}) {
        glTranslatef(1, 2, 3);
        recgl::Matrix before = recgl::state().modelview;
        frame(scroller, 100);
        EXPECT_TRUE(recgl::nearlyEqual(recgl::state().modelview, before));
        EXPECT_EQ(recgl::state().modelviewDepth, 1);
        EXPECT_EQ(recgl::state().boundTexture, restingName);
        EXPECT_EQ(recgl::state().errors, 0);
        glLoadIdentity();
    }
}

TEST_F(ScrollerTest, FlatScrollerKeepsTheCurrentColour) {
    glColor4f(0.2f, 0.4f, 0.6f, 0.8f);
    auto quads = frame(scrolltext1, 0);
    EXPECT_EQ(quads[0].color, (std::array<float, 4>{0.2f, 0.4f, 0.6f, 0.8f}));
    EXPECT_EQ(recgl::count("glColor4f"), 1u);
}

}  // namespace
