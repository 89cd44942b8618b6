// The show's own frames through the batching layer and without it: the same quads in the same
// order, with the same textures, colours, texture coordinates and blending, at the same eye-space
// positions up to float rounding, and a frame's quads reach GL in a handful of draws. Two runs
// of the show from its start on the virtual clock at 50 frames per second (as the golden frames),
// compared at a moment of each effect.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "effects/credits.h"
#include "effects/fireworks.h"
#include "effects/scrollers.h"
#include "effects/scrolltexts.h"
#include "effects/stars.h"
#include "image/texture.h"
#include "music/listener.h"
#include "platform/frame.h"
#include "platform/glbatch/glbatch.h"
#include "platform/random.h"
#include "platform/time.h"
#include "recording_gl.h"
#include "shell/democlock.h"
#include "shell/startup.h"
#include "shell/timeline.h"

namespace {

struct Moment {
    long centisecond;
    const char *what;
};

constexpr Moment moments[] = {
    {200, "title"},         {450, "title fading"},  {1250, "wheel texts"},  {2100, "stars and wheel"},
    {3600, "fireworks"},    {6000, "sine scroller"}, {10600, "greetings"},  {13200, "credits"},
    {17600, "stroke logo"}, {19960, "flash a"},     {20160, "flash b"},     {21500, "closing scroller"},
};

struct Frame {
    std::vector<recgl::Quad> quads;
    size_t begins = 0, draws = 0;
    long errors = 0;
};

// The show as start-up leaves it, in a fresh recording GL, drawing through the layer or not.
void freshShow(bool batched) {
    setBatchedDrawing(false);
    recgl::reset();
    setBatchedDrawing(batched);
    seedRandom(1);
    timelineState() = TimelineState{0, 0, 0};
    effectStartTime = scrollStartTime = scrollPauseTime = 0;
    lastEffect = -1;
    creditsReset = 0;
    scrolltimer = 0;
    rot = 0;
    for (auto &slot : texture) slot = TiledTexture{};
    setPresentToWindow(false);
    openFrame();
    recgl::setRecording(false);
    testing::internal::CaptureStderr();  // start-up lines
    initShowState();
    testing::internal::GetCapturedStderr();
    scrollText = defaultScroller;
}

// Runs the show to the last moment and keeps what each moment's frame drew.
std::map<long, Frame> runShow(bool batched) {
    freshShow(batched);
    useVirtualClock(true);
    setVirtualTime(1000, 0);
    getTimeWithStatus(clockReset);
    playingSong.store(1, std::memory_order_relaxed);
    std::map<long, Frame> frames;
    for (const Moment &m : moments) frames[m.centisecond];
    for (long k = 0; k <= moments[std::size(moments) - 1].centisecond; k += 2) {
        bool keep = frames.count(k) != 0;
        recgl::setRecording(keep);
        size_t from = recgl::calls().size();
        int errorsBefore = recgl::state().errors;
        setVirtualTime(1000, k * 10000);
        display();
        glutSwapBuffers();  // as the window would: nothing is left gathered after it
        if (!keep) continue;
        Frame &f = frames[k];
        f.quads = recgl::quads(from);
        f.begins = recgl::count("glBegin", from);
        f.draws = recgl::count("glDrawArrays", from);
        f.errors = recgl::state().errors - errorsBefore;
    }
    recgl::setRecording(true);
    playingSong.store(0, std::memory_order_relaxed);
    useVirtualClock(false);
    setPresentToWindow(true);
    setBatchedDrawing(false);
    return frames;
}

bool close(float a, float b) { return std::fabs(a - b) <= 2e-4f * std::max(1.0f, std::fabs(b)); }

TEST(ShowFrames, ThroughTheLayerTheyDrawTheSameQuadsInFewDraws) {
    ASSERT_EQ(chdir(CORVALIS_RUN_DIR), 0);
    const std::map<long, Frame> direct = runShow(false), batched = runShow(true);
    for (const Moment &m : moments) {
        SCOPED_TRACE(m.what);
        const Frame &d = direct.at(m.centisecond), &b = batched.at(m.centisecond);
        EXPECT_EQ(d.errors, 0);
        EXPECT_EQ(b.errors, 0);
        EXPECT_EQ(b.begins, 0u);
        ASSERT_GT(d.quads.size(), 0u);
        ASSERT_EQ(b.quads.size(), d.quads.size());
        std::printf("%-17s %4zu quads: %4zu glBegin blocks without the layer, %2zu draws with it\n", m.what,
                    d.quads.size(), d.begins, b.draws);
        EXPECT_LE(b.draws, 20u);
        int reported = 0;
        for (size_t i = 0; i < d.quads.size() && reported < 3; ++i) {
            const recgl::Quad &dq = d.quads[i], &bq = b.quads[i];
            bool same = dq.texture == bq.texture && dq.blend == bq.blend && dq.color == bq.color;
            for (size_t k = 0; k < 4; ++k) {
                const recgl::Vertex &dv = dq.v[k], &bv = bq.v[k];
                same = same && dv.s == bv.s && dv.t == bv.t && close(bv.ex, dv.ex) && close(bv.ey, dv.ey) &&
                       close(bv.ez, dv.ez);
            }
            if (!same) {
                ++reported;
                ADD_FAILURE() << "quad " << i << " differs: texture " << dq.texture << "/" << bq.texture << ", alpha "
                              << dq.color[3] << "/" << bq.color[3] << ", first vertex (" << dq.v[0].ex << ", " << dq.v[0].ey
                              << ", " << dq.v[0].ez << ") / (" << bq.v[0].ex << ", " << bq.v[0].ey << ", " << bq.v[0].ez
                              << ")";
            }
        }
    }
}

}  // namespace
