// The capture's frame loop on the recording GL: which frames run and which are written, the
// clock each frame sees, rasterisation discarded for frames only run, rows turned top first,
// and the stop. Also the span arithmetic and the progress line.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "effects/fireworks.h"
#include "effects/scrolltexts.h"
#include "image/texture.h"
#include "music/listener.h"
#include "platform/frame.h"
#include "platform/random.h"
#include "platform/time.h"
#include "recording_gl.h"
#include "shell/capture.h"
#include "shell/progress.h"
#include "shell/timeline.h"

namespace {

TEST(CaptureSpan, FramesWhoseTimeFallsInTheInterval) {
    CaptureSpan s = captureSpan(50, 0, 2000000, {});
    EXPECT_EQ(s.first, 0);
    EXPECT_EQ(s.end, 100);
    EXPECT_EQ(framesWritten(s), 100);
    // One frame: --from S --to S plus one frame's length.
    s = captureSpan(50, 12500000, 12520000, {});
    EXPECT_EQ(s.first, 625);
    EXPECT_EQ(s.end, 626);
    // A start between two frames begins at the next one.
    s = captureSpan(30, 1000001, 2000000, {});
    EXPECT_EQ(s.first, 31);
    EXPECT_EQ(s.end, 60);
    // A list keeps only its frames inside the interval; the run ends after the last.
    s = captureSpan(50, 1000000, 3000000, {120, 10, 60, 60, 149, 150});
    EXPECT_EQ(s.only, (std::vector<long>{60, 120, 149}));
    EXPECT_EQ(s.first, 60);
    EXPECT_EQ(s.end, 150);
    EXPECT_TRUE(writesFrame(s, 120));
    EXPECT_FALSE(writesFrame(s, 121));
    EXPECT_EQ(framesWritten(captureSpan(50, 0, 1000000, {500})), 0);
}

TEST(CaptureSpan, EveryFrameSpansAWholeNumberOfSamples) {
    for (int fps : {24, 25, 30, 50, 60, 100}) {
        EXPECT_EQ(frameSample(fps, fps), captureSampleRate) << fps;  // one second later
        EXPECT_EQ(frameSample(7, fps) - frameSample(6, fps), captureSampleRate / fps);
    }
    EXPECT_EQ(frameTimeUs(3, 30), 100000);
    EXPECT_EQ(frameTimeUs(1, 30), 33333);  // rounded down: the clock reads 3 centiseconds
}

TEST(Progress, LineShowsBarShareFramesRateAndTimeLeft) {
    EXPECT_EQ(progressLine(500, 1000, 2.0), "[###############---------------]  50%  500/1000 frames  250.0 fps  0:02 left");
    EXPECT_EQ(progressLine(0, 1000, 0.0), "[------------------------------]   0%  0/1000 frames");
    EXPECT_EQ(progressLine(10, 130, 1.0), "[##----------------------------]   7%  10/130 frames  10.0 fps  0:12 left");
}

// What the show's display callback saw of each frame, read from the recording GL's log.
struct CaptureLoopTest : ::testing::Test {
    std::vector<long> written;
    std::vector<std::vector<unsigned char>> pictures;
    long refuseAt = -1;

    static bool take(void *user, long frame, const unsigned char *rgb) {
        auto *self = static_cast<CaptureLoopTest *>(user);
        if (frame == self->refuseAt) return false;
        self->written.push_back(frame);
        self->pictures.emplace_back(rgb, rgb + 640 * 480 * 3);
        return true;
    }
    void SetUp() override {
        resetShow();
        testing::internal::CaptureStderr();  // the progress bar
    }
    // The show as start-up leaves it, with the offscreen frame and presentation off.
    void resetShow() {
        recgl::reset();
        recgl::setRecording(true);
        seedRandom(1);
        clearFireworks();
        timelineState() = TimelineState{0, 0, 0};
        effectStartTime = scrollStartTime = scrollPauseTime = 0;
        scrollText = defaultScroller;
        lastEffect = -1;
        for (auto &slot : texture) slot = TiledTexture{};
        setPresentToWindow(false);
        ASSERT_TRUE(openFrame());
        playingSong = 0;
    }
    void TearDown() override {
        testing::internal::GetCapturedStderr();
        setPresentToWindow(true);
        playingSong = 0;
        useVirtualClock(false);
    }
};

TEST_F(CaptureLoopTest, RunsEveryFrameFromTheStartAndWritesOnlyTheSpan) {
    CaptureSpan span = captureSpan(50, 1000000, 1100000, {});  // frames 50 … 54
    ASSERT_TRUE(runCaptureFrames(span, FrameSink{this, take}, nullptr));
    EXPECT_EQ(written, (std::vector<long>{50, 51, 52, 53, 54}));
    EXPECT_EQ(playingSong.load(), 1) << "the song counts as playing from frame 0";
    EXPECT_EQ(recgl::count("glClear"), 55u) << "frames 0 … 54 all run";
    EXPECT_EQ(recgl::count("glReadPixels"), 5u);
    EXPECT_EQ(recgl::count("glutSwapBuffers"), 0u) << "the window is never touched";
    // Frames that are only run draw nothing: rasterisation is discarded around each of them,
    // and never while a written frame draws.
    size_t discarded = 0, clearsDiscarded = 0;
    bool discarding = false;
    for (const recgl::Call &c : recgl::calls()) {
        if ((c.name == "glEnable" || c.name == "glDisable") && c.args[0] == GL_RASTERIZER_DISCARD) {
            EXPECT_NE(discarding, c.name == "glEnable") << "unbalanced";
            discarding = c.name == "glEnable";
            if (discarding) ++discarded;
        }
        if (c.name == "glClear" && discarding) ++clearsDiscarded;
        if (c.name == "glReadPixels") {
            EXPECT_FALSE(discarding);
        }
    }
    EXPECT_EQ(discarded, 50u);
    EXPECT_EQ(clearsDiscarded, 50u);
    EXPECT_FALSE(discarding);
    // The last frame (54 at 50 fps) read the clock at 108 centiseconds.
    EXPECT_EQ(timelineState().tmp, 108);
}

TEST_F(CaptureLoopTest, EachFrameSeesTheClockAdvanceByOneHundredOverNCentiseconds) {
    for (int fps : {50, 100, 30}) {
        resetShow();
        CaptureSpan span = captureSpan(fps, 0, 200000, {});
        std::vector<int> seen;
        struct Seen {
            static bool take(void *user, long, const unsigned char *) {
                static_cast<std::vector<int> *>(user)->push_back(timelineState().tmp);
                return true;
            }
        };
        ASSERT_TRUE(runCaptureFrames(span, FrameSink{&seen, Seen::take}, nullptr));
        std::vector<int> expected;
        for (long k = 0; k < span.end; ++k) expected.push_back(int(k * 100 / fps));
        EXPECT_EQ(seen, expected) << fps << " fps";
    }
}

TEST_F(CaptureLoopTest, WrittenFramesAreTurnedTopRowFirst) {
    std::vector<unsigned char> bottomFirst(640 * 480 * 3);
    for (int row = 0; row < 480; ++row)
        for (int i = 0; i < 640 * 3; ++i) bottomFirst[size_t(row) * 1920 + i] = static_cast<unsigned char>(row);
    recgl::setFramebuffer(bottomFirst);
    ASSERT_TRUE(runCaptureFrames(captureSpan(50, 0, 20000, {}), FrameSink{this, take}, nullptr));
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0][0], static_cast<unsigned char>(479)) << "top row";
    EXPECT_EQ(pictures[0][size_t(479) * 1920], 0) << "bottom row";
}

TEST_F(CaptureLoopTest, ARefusedFrameOrAStopEndsTheRun) {
    refuseAt = 3;
    EXPECT_FALSE(runCaptureFrames(captureSpan(50, 0, 200000, {}), FrameSink{this, take}, nullptr));
    EXPECT_EQ(written, (std::vector<long>{0, 1, 2}));
    resetShow();
    written.clear();
    std::atomic<bool> stop{true};
    EXPECT_FALSE(runCaptureFrames(captureSpan(50, 0, 200000, {}), FrameSink{this, take}, &stop));
    EXPECT_TRUE(written.empty());
}

}  // namespace
