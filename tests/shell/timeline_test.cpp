// The effect timeline: the waiting state, the effect-number rules, the fade-in ramp, the
// flashes and overlays, the scroller choice, and the GL state each path leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "effects/fireworks.h"
#include "effects/scrolltexts.h"
#include "image/texture.h"
#include "music/listener.h"
#include "platform/random.h"
#include "platform/time.h"
#include "recording_gl.h"
#include "shell/democlock.h"
#include "shell/timeline.h"

namespace {

constexpr GLuint fontName = 10, restingName = 20, overlay1Name = 30, overlay2Name = 50, titleName = 70;

// What one frame drew, read back from the recording GL.
struct Frame {
    int titleQuads = 0;
    float titleFade = -1;
    std::vector<float> flashAlphas;
    int overlay1 = 0, overlay2 = 0;
    float overlay1Alpha = -1;
    int scrollerQuads = 0;
    bool flatScroller = false;
    int starQuads = 0;
    float firstStarAlpha = -1;
};

struct TimelineTest : ::testing::Test {
    void SetUp() override {
        useVirtualClock(true);
        recgl::reset();
        seedRandom(1);
        clearFireworks();
        timelineState() = TimelineState{0, 0, 0};
        effectStartTime = scrollStartTime = scrollPauseTime = 0;
        scrollText = defaultScroller;
        lastEffect = -1;
        for (auto &slot : texture) slot = TiledTexture{};
        texture[slotFont] = TiledTexture{fontName, 256, 256, 1, 1};
        texture[slotSprites] = TiledTexture{restingName, 256, 256, 1, 1};
        texture[slotOverlay1] = TiledTexture{overlay1Name, 200, 200, 1, 1};
        texture[slotOverlay2] = TiledTexture{overlay2Name, 200, 200, 1, 1};
        texture[slotTitle] = TiledTexture{titleName, 640, 480, 3, 2};
        playingSong = 1;
        setVirtualTime(1000, 0);
        getTimeWithStatus(clockReset);
    }
    void TearDown() override {
        playingSong = 0;
        useVirtualClock(false);
    }

    long songStart = 1000;  // the time of day, in seconds, at which the song started

    // Runs display() at demo time t (centiseconds since the song started).
    Frame frameAt(int t) {
        setVirtualTime(songStart + t / 100, (t % 100) * 10000L);
        size_t from = recgl::calls().size();
        display();
        Frame f;
        long lastIdentity = -1;
        for (size_t i = from; i < recgl::calls().size(); ++i)
            if (recgl::calls()[i].name == "glLoadIdentity") lastIdentity = long(i);
        for (const recgl::Quad &q : recgl::quads(from)) {
            if (q.texture >= titleName && q.texture < titleName + 6 && q.v[0].z == -0.01f) {
                f.titleQuads++;
                f.titleFade = q.color[0];
            } else if (q.texture == overlay1Name) {
                f.overlay1++;
                f.overlay1Alpha = q.color[3];
            } else if (q.texture == overlay2Name) {
                f.overlay2++;
            } else if (q.v[0].s == 0.375f && q.v[0].x == -10) {
                f.flashAlphas.push_back(q.color[3]);
            } else if (q.texture == fontName && long(q.callIndex) > lastIdentity) {
                f.scrollerQuads++;
                f.flatScroller = q.v[0].z == 0 && q.v[3].z == 0;
            } else if (q.texture == restingName && q.normal[2] == 1 && std::fabs(q.v[0].x) == 0.25f) {
                if (f.starQuads == 0) f.firstStarAlpha = q.color[3];
                f.starQuads++;
            }
        }
        EXPECT_EQ(recgl::state().errors, 0) << "at t = " << t;
        EXPECT_EQ(recgl::state().modelviewDepth, 1) << "at t = " << t;
        return f;
    }
};

struct RunRow {
    int t;
    int effect;
    int effectStart;
    int scrollStart;
    int scrollPause;
    bool endText;
    int titleQuads;
    int scrollerQuads;  // 36 when a scroller runs
    bool flat;
};

TEST_F(TimelineTest, NormalRunAdvancesTheEffectNumbersAtTheirTimes) {
    const RunRow rows[] = {
        {0, 0, 0, 0, 0, false, 6, 0, false},          {400, 0, 0, 0, 0, false, 6, 0, false},
        {499, 0, 0, 0, 0, false, 6, 0, false},        {500, 0, 0, 0, 0, false, 0, 0, false},
        {749, 0, 0, 0, 0, false, 0, 0, false},        {750, 1, 750, 0, 0, false, 0, 0, false},
        {2625, 1, 750, 0, 0, false, 0, 0, false},     {2626, 2, 2626, 0, 0, false, 0, 0, false},
        {5000, 2, 2626, 0, 0, false, 0, 0, false},    {5001, 2, 2626, 5001, 0, false, 0, 36, false},
        {5850, 2, 2626, 5001, 0, false, 0, 36, false}, {5851, 3, 5851, 5001, 0, false, 0, 36, false},
        {8856, 3, 5851, 5001, 0, false, 0, 36, false}, {8857, 4, 8857, 5001, 8857, false, 0, 0, false},
        {12287, 4, 8857, 5001, 8857, false, 0, 0, false}, {12288, 5, 12288, 5001, 8857, false, 0, 0, false},
        {14287, 6, 14287, 5001, 8857, false, 0, 0, false}, {19950, 6, 14287, 5001, 8857, false, 0, 0, false},
        {19951, 7, 19951, 5001, 8857, false, 0, 0, false}, {20200, 7, 19951, 5001, 8857, false, 0, 0, false},
        {20201, 8, 20201, 20201, 0, true, 0, 36, true},  {25000, 8, 20201, 20201, 0, true, 0, 36, true},
    };
    for (const RunRow &r : rows) {
        Frame f = frameAt(r.t);
        SCOPED_TRACE("t = " + std::to_string(r.t));
        EXPECT_EQ(timelineState().effectCounter, r.effect);
        EXPECT_EQ(effectStartTime, r.effectStart);
        EXPECT_EQ(scrollStartTime, r.scrollStart);
        EXPECT_EQ(scrollPauseTime, r.scrollPause);
        EXPECT_EQ(scrollText == endScroller, r.endText);
        EXPECT_EQ(f.titleQuads, r.titleQuads);
        EXPECT_EQ(f.scrollerQuads, r.scrollerQuads);
        if (r.scrollerQuads) {
            EXPECT_EQ(f.flatScroller, r.flat);
        }
    }
}

TEST_F(TimelineTest, TitleFadesOutOverTheFifthSecond) {
    const std::pair<int, float> fades[] = {{0, 1.0f}, {400, 1.0f}, {401, 0.99f}, {450, 0.5f}, {499, 0.01f}};
    for (auto [t, fade] : fades) EXPECT_NEAR(frameAt(t).titleFade, fade, 1e-6) << t;
}

TEST_F(TimelineTest, FlashesAndOverlaysAppearAtTheirTimesAndStay) {
    struct Row {
        int t;
        std::vector<float> flashes;
        int overlay1, overlay2;
    };
    const Row rows[] = {
        {19949, {}, 0, 0},     {19950, {1.0f}, 1, 0},  {19999, {0.02f}, 1, 0},
        {20000, {}, 1, 0},     {20149, {}, 1, 0},      {20150, {1.0f}, 1, 1},
        {20199, {0.02f}, 1, 1}, {20200, {}, 1, 1},     {30000, {}, 1, 1},
    };
    for (const Row &r : rows) {
        Frame f = frameAt(r.t);
        SCOPED_TRACE("t = " + std::to_string(r.t));
        ASSERT_EQ(f.flashAlphas.size(), r.flashes.size());
        for (size_t i = 0; i < r.flashes.size(); ++i) EXPECT_NEAR(f.flashAlphas[i], r.flashes[i], 1e-6);
        EXPECT_EQ(f.overlay1, r.overlay1);
        EXPECT_EQ(f.overlay2, r.overlay2);
        if (f.overlay1) {
            EXPECT_EQ(f.overlay1Alpha, 1.0f);
        }
        EXPECT_EQ(recgl::state().boundTexture, restingName) << "overlays rebind the resting texture";
    }
    EXPECT_EQ(timelineState().effectCounter, 8);
}

TEST_F(TimelineTest, FadeInRampStartsAtTheFirstFrameInsideItsWindow) {
    frameAt(1400);
    EXPECT_EQ(frameAt(1500).starQuads, 0);
    // The ramp starts late, at 1600: it reaches only 0.798 by 1999, then jumps to 1.
    const std::pair<int, float> ramp[] = {{1600, 0.0f}, {1700, 0.2f}, {1999, 0.798f}, {2000, 1.0f}, {2500, 1.0f}};
    for (auto [t, fade] : ramp) {
        Frame f = frameAt(t);
        ASSERT_EQ(f.starQuads, 500) << t;
        double swing = 0.5 + 0.25 * std::sin(t * 3.1415 / 180);
        EXPECT_NEAR(f.firstStarAlpha, fade * swing, 1e-5) << t;
    }
    EXPECT_EQ(lastEffect, 0);
    EXPECT_EQ(timelineState().tmpTime, 1600);
}

TEST_F(TimelineTest, LateFramesDelaySwitchesButNeverSkipThem) {
    frameAt(700);
    frameAt(3000);
    EXPECT_EQ(timelineState().effectCounter, 1);
    EXPECT_EQ(effectStartTime, 3000);
    frameAt(3001);
    EXPECT_EQ(timelineState().effectCounter, 2);
    EXPECT_EQ(effectStartTime, 3001);
    // Scroll start and effect 3 both due: the scroll start (earlier rule) fires first.
    frameAt(6000);
    EXPECT_EQ(scrollStartTime, 6000);
    EXPECT_EQ(timelineState().effectCounter, 2);
    frameAt(6001);
    EXPECT_EQ(timelineState().effectCounter, 3);
}

TEST_F(TimelineTest, WaitingStateShowsTheTitleAndHoldsTheClock) {
    playingSong = 0;
    setVirtualTime(1005, 0);  // 5 s after the last reset
    size_t from = recgl::calls().size();
    display();
    EXPECT_EQ(getTime(), 0) << "the clock is reset every waiting frame";
    int title = 0;
    for (const auto &q : recgl::quads(from)) {
        EXPECT_GE(q.texture, titleName);
        EXPECT_EQ(q.color[0], 1.0f);
        ++title;
    }
    EXPECT_EQ(title, 6);
    EXPECT_EQ(recgl::count("glutSwapBuffers", from), 1u);
    EXPECT_EQ(timelineState().effectCounter, 0);
    // Left behind: the orthographic view, identity model-view, a title tile bound.
    recgl::Matrix ortho = recgl::identity();
    ortho[0] = 2.0f / 640;
    ortho[5] = -2.0f / 480;
    ortho[10] = -1;
    ortho[12] = -1;
    ortho[13] = 1;
    EXPECT_TRUE(recgl::nearlyEqual(recgl::state().projection, ortho));
    EXPECT_TRUE(recgl::nearlyEqual(recgl::state().modelview, recgl::identity()));
    EXPECT_EQ(recgl::state().boundTexture, titleName + 5);
}

TEST_F(TimelineTest, StopAndRestartOfTheSongReturnsToTheTitleWithoutRewinding) {
    frameAt(1600);
    frameAt(3000);
    ASSERT_EQ(timelineState().effectCounter, 2);
    playingSong = 0;
    Frame waiting = frameAt(3100);
    EXPECT_EQ(waiting.titleQuads, 6);
    EXPECT_EQ(waiting.starQuads, 0);
    playingSong = 1;
    // The clock counts from the restart again; the effect number stays.
    songStart = 2000;
    setVirtualTime(songStart, 0);
    getTimeWithStatus(clockReset);
    Frame again = frameAt(0);
    EXPECT_EQ(again.titleQuads, 6);
    EXPECT_EQ(timelineState().effectCounter, 2);
    frameAt(5001);
    EXPECT_EQ(scrollStartTime, 5001);
    EXPECT_EQ(timelineState().effectCounter, 2);
    frameAt(5851);
    EXPECT_EQ(timelineState().effectCounter, 3);
    EXPECT_EQ(timelineState().tmpTime, 1600) << "the ramp's start is captured once per run";
}

TEST_F(TimelineTest, PlayingFramesLeaveThePerspectiveAndTheRestingTexture) {
    frameAt(800);
    Frame f = frameAt(3000);
    (void)f;
    recgl::Matrix frustum{};
    frustum[0] = 1.414f;
    frustum[5] = 1.414f;
    frustum[10] = float(-(1000 + 1.414) / (1000 - 1.414));
    frustum[11] = -1;
    frustum[14] = float(-2 * 1000 * 1.414 / (1000 - 1.414));
    EXPECT_TRUE(recgl::nearlyEqual(recgl::state().projection, frustum, 1e-4f));
    EXPECT_TRUE(recgl::nearlyEqual(recgl::state().modelview, recgl::identity()));
    EXPECT_EQ(recgl::state().boundTexture, restingName);
    EXPECT_TRUE(recgl::state().blend);
}

}  // namespace
