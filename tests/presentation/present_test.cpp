// The fixed 640×480 frame: the letterbox for a table of window sizes, what one presentation
// does in GL, the start-up that draws into the frame from the first clear on, and the
// screenshot that reads the frame whatever the window.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/texture.h"
#include "platform/frame.h"
#include "platform/process.h"
#include "recording_gl.h"
#include "shell/keys.h"
#include "shell/startup.h"
#include "testfiles.h"

namespace {

struct LetterboxCase {
    int windowWidth, windowHeight;
    Letterbox expected;
};

class LetterboxTest : public ::testing::TestWithParam<LetterboxCase> {};

TEST_P(LetterboxTest, LargestCentred4By3Rectangle) {
    const LetterboxCase &c = GetParam();
    Letterbox box = letterboxFor(c.windowWidth, c.windowHeight);
    EXPECT_EQ(box.x, c.expected.x);
    EXPECT_EQ(box.y, c.expected.y);
    EXPECT_EQ(box.width, c.expected.width);
    EXPECT_EQ(box.height, c.expected.height);
    // Whatever the size: inside the window, and as close to 4:3 as whole pixels allow.
    EXPECT_GE(box.x, 0);
    EXPECT_GE(box.y, 0);
    EXPECT_LE(box.x + box.width, std::max(c.windowWidth, 1));
    EXPECT_LE(box.y + box.height, std::max(c.windowHeight, 1));
    if (box.width > 8) {
        EXPECT_NEAR(double(box.width) / box.height, 4.0 / 3.0, 2.0 / box.height);
    }
}

INSTANTIATE_TEST_SUITE_P(
    WindowSizes, LetterboxTest,
    ::testing::Values(LetterboxCase{640, 480, {0, 0, 640, 480}},      // the show's own size: 1:1
                      LetterboxCase{1920, 1080, {240, 0, 1440, 1080}}, // wide: bars left and right
                      LetterboxCase{1080, 1920, {0, 555, 1080, 810}},  // tall: bars above and below
                      LetterboxCase{1, 1, {0, 0, 1, 1}},               // never empty
                      LetterboxCase{1280, 1024, {0, 32, 1280, 960}},   // 5:4 screen
                      LetterboxCase{641, 480, {0, 0, 640, 480}},       // one spare column: no stretch
                      LetterboxCase{0, 0, {0, 0, 1, 1}}),              // a window not sized yet
    [](const auto &info) {
        return std::to_string(info.param.windowWidth) + "x" + std::to_string(info.param.windowHeight);
    });

struct PresentTest : ::testing::Test {
    void SetUp() override {
        recgl::reset();
        setPresentToWindow(true);
        setWindowSize(640, 480);
    }
    void TearDown() override {
        setPresentToWindow(true);
        setWindowSize(640, 480);
    }
};

TEST_F(PresentTest, OpenFrameBindsTheOffscreenFrameForDrawingAndReading) {
    ASSERT_TRUE(openFrame());
    EXPECT_TRUE(frameIsOffscreen());
    const auto &s = recgl::state();
    EXPECT_NE(s.drawFramebuffer, 0u);
    EXPECT_EQ(s.readFramebuffer, s.drawFramebuffer);
    // 640×480 colour and depth, the viewport on the frame, and the reshape callback taken over
    // so that freeglut no longer stretches the viewport to the window.
    long storage = recgl::find("glRenderbufferStorage");
    ASSERT_GE(storage, 0);
    EXPECT_EQ(recgl::calls()[storage].args[2], 640);
    EXPECT_EQ(recgl::calls()[storage].args[3], 480);
    EXPECT_EQ(recgl::count("glFramebufferRenderbuffer"), 2u);
    long viewport = recgl::find("glViewport");
    ASSERT_GE(viewport, 0);
    EXPECT_EQ(recgl::calls()[viewport].args, (std::vector<double>{0, 0, 640, 480}));
    EXPECT_GE(recgl::find("glutReshapeFunc"), 0);
    EXPECT_EQ(recgl::count("glGenTextures"), 0u) << "texture names stay consecutive for the show";
}

struct PresentCase {
    int windowWidth, windowHeight;
    std::vector<double> blit;  // source and destination rectangles, then the filter
};

class PresentSizeTest : public PresentTest, public ::testing::WithParamInterface<PresentCase> {};

TEST_P(PresentSizeTest, CopiesTheFrameIntoTheWindowBetweenBlackBarsThenDrawsIntoTheFrameAgain) {
    ASSERT_TRUE(openFrame());
    const GLuint frame = recgl::state().drawFramebuffer;
    setWindowSize(GetParam().windowWidth, GetParam().windowHeight);
    size_t from = recgl::calls().size();
    presentFrame();
    // The window is cleared only where the frame leaves bars.
    const bool bars = GetParam().windowWidth != 640 || GetParam().windowHeight != 480;
    std::vector<std::string> expected = {"glBindFramebuffer", "glBindFramebuffer", "glViewport", "glClear",
                                         "glBlitFramebuffer", "glutSwapBuffers", "glBindFramebuffer", "glViewport"};
    if (!bars) expected.erase(expected.begin() + 3);
    EXPECT_EQ(recgl::names(from), expected) << recgl::dump(from);
    const auto &c = recgl::calls();
    EXPECT_EQ(c[from].args, (std::vector<double>{GL_READ_FRAMEBUFFER, double(frame)}));
    EXPECT_EQ(c[from + 1].args, (std::vector<double>{GL_DRAW_FRAMEBUFFER, 0}));
    EXPECT_EQ(c[from + 2].args, (std::vector<double>{0, 0, double(GetParam().windowWidth), double(GetParam().windowHeight)}));
    if (bars) {
        EXPECT_EQ(c[from + 3].args[0], GL_COLOR_BUFFER_BIT) << "only the window's colour is cleared: the bars";
    }
    const size_t blitAt = from + (bars ? 4 : 3);
    std::vector<double> blit(c[blitAt].args.begin(), c[blitAt].args.end());
    blit.erase(blit.begin() + 8);  // the mask, always colour
    EXPECT_EQ(blit, GetParam().blit);
    EXPECT_EQ(recgl::state().drawFramebuffer, frame);
    EXPECT_EQ(recgl::state().readFramebuffer, frame);
    EXPECT_EQ(c.back().args, (std::vector<double>{0, 0, 640, 480}));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, PresentSizeTest,
    ::testing::Values(PresentCase{640, 480, {0, 0, 640, 480, 0, 0, 640, 480, GL_NEAREST}},
                      PresentCase{1920, 1080, {0, 0, 640, 480, 240, 0, 1680, 1080, GL_LINEAR}},
                      PresentCase{1080, 1920, {0, 0, 640, 480, 0, 555, 1080, 1365, GL_LINEAR}}),
    [](const auto &info) {
        return std::to_string(info.param.windowWidth) + "x" + std::to_string(info.param.windowHeight);
    });

TEST_F(PresentTest, WithPresentationOffTheWindowIsNeverTouched) {
    ASSERT_TRUE(openFrame());
    setPresentToWindow(false);
    size_t from = recgl::calls().size();
    presentFrame();
    EXPECT_EQ(recgl::calls().size(), from) << recgl::dump(from);
    EXPECT_EQ(recgl::glut().swaps, 0);
}

TEST_F(PresentTest, WithoutFramebufferObjectsTheShowDrawsIntoTheWindowAsBefore) {
    recgl::reset();
    // A GL without framebuffer objects hands out name 0.
    recgl::setFramebufferObjects(false);
    EXPECT_FALSE(openFrame());
    EXPECT_FALSE(frameIsOffscreen());
    EXPECT_EQ(recgl::find("glutReshapeFunc"), -1) << "freeglut's own reshape stays";
    size_t from = recgl::calls().size();
    presentFrame();
    EXPECT_EQ(recgl::names(from), (std::vector<std::string>{"glutSwapBuffers"}));
}

int exitStatus = -1;
void recordExit(int status) { exitStatus = status; }

struct StartupFrameTest : PresentTest {
    std::string dir;
    void SetUp() override {
        PresentTest::SetUp();
        dir = makeTempDir();
        setExitHook(recordExit);
        setenv("CORVALIS_RAM", dir.c_str(), 1);
        for (auto &slot : texture) slot = TiledTexture{};
    }
    void TearDown() override {
        setExitHook(nullptr);
        unsetenv("CORVALIS_RAM");
        removeTree(dir);
        PresentTest::TearDown();
    }
};

TEST_F(StartupFrameTest, TheShowDrawsIntoTheFrameFromItsFirstClearAndTheScreenshotReadsIt) {
    {
        ScopedWorkingDir cwd(dir);
        char name[] = "corvalis";
        char *argv[] = {name, nullptr};
        testing::internal::CaptureStderr();
        demoMain(1, argv);
        testing::internal::GetCapturedStderr();
    }
    // The frame is bound before init clears anything, and both clears reach the window.
    long bind = recgl::find("glBindFramebuffer");
    long firstClear = recgl::find("glClear");
    ASSERT_GE(bind, 0);
    EXPECT_LT(bind, firstClear);
    EXPECT_LT(recgl::find("glutCreateWindow"), bind);
    EXPECT_EQ(recgl::count("glBlitFramebuffer"), 2u) << "both window buffers black before the first frame";
    EXPECT_EQ(recgl::glut().swaps, 2);

    // A screenshot in a big window still reads the whole 640×480 frame, from the frame.
    setWindowSize(1280, 1024);
    std::vector<unsigned char> frame(640 * 480 * 3);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<unsigned char>(i * 7);
    recgl::setFramebuffer(frame);
    size_t from = recgl::calls().size();
    key('s', 0, 0);
    long read = recgl::find("glReadPixels", from);
    ASSERT_GE(read, 0);
    EXPECT_EQ(recgl::calls()[read].args[2], 640);
    EXPECT_EQ(recgl::calls()[read].args[3], 480);
    EXPECT_NE(recgl::state().readFramebuffer, 0u) << "read from the offscreen frame, not the window";
    std::string shot = readFile(dir + "/screenshot.ppm");
    ASSERT_EQ(shot.size(), 921615u);
    // Top row of the file is the bottom-first buffer's last row.
    EXPECT_EQ(static_cast<unsigned char>(shot[15]), frame[size_t(479) * 640 * 3]);
}

}  // namespace
