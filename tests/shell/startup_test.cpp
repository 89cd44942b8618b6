// Start-up order, the window's failure path, and the keys.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/texture.h"
#include "platform/process.h"
#include "recording_gl.h"
#include "shell/keys.h"
#include "shell/startup.h"
#include "testfiles.h"

namespace {

int exitStatus = -1;
void recordExit(int status) { exitStatus = status; }

struct StartupTest : ::testing::Test {
    std::string dir;
    void SetUp() override {
        recgl::reset();
        dir = makeTempDir();
        exitStatus = -1;
        setExitHook(recordExit);
        for (auto &slot : texture) slot = TiledTexture{};
    }
    void TearDown() override {
        setExitHook(nullptr);
        removeTree(dir);
    }
    int run() {
        ScopedWorkingDir cwd(dir);
        char name[] = "corvalis";
        char *argv[] = {name, nullptr};
        return demoMain(1, argv);
    }
};

// Lines of a captured stream.
std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        out.push_back(text.substr(start, nl - start));
    return out;
}

TEST_F(StartupTest, OpensTheWindowInitialisesAndEntersTheLoopInOrder) {
    testing::internal::CaptureStderr();
    run();
    std::vector<std::string> err = lines(testing::internal::GetCapturedStderr());
    ASSERT_GE(err.size(), 3u);
    EXPECT_EQ(err.front(), "Corvalis v1.0");
    EXPECT_EQ(err[1], "Setting up MiniGL parameters...");
    EXPECT_EQ(err.back(), "Setup completed!");

    const auto &g = recgl::glut();
    EXPECT_EQ(g.displayMode, unsigned(GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH));
    EXPECT_EQ(g.windowWidth, 640);
    EXPECT_EQ(g.windowHeight, 480);
    EXPECT_EQ(g.title, "Corvalis v1.0");
    EXPECT_EQ(g.mainLoops, 1);
    EXPECT_NE(g.display, nullptr);
    EXPECT_EQ(g.idle, &idle);
    EXPECT_EQ(g.keyboard, &key);
    EXPECT_EQ(g.swaps, 2) << "both buffers cleared before the first frame";

    // Window first, then init's fixed state, blending off, the callbacks in order, the loop.
    long window = recgl::find("glutCreateWindow");
    long depthOff = recgl::find("glDisable");
    long displayFunc = recgl::find("glutDisplayFunc");
    ASSERT_GE(window, 0);
    EXPECT_LT(recgl::find("glutInit"), window);
    EXPECT_LT(window, recgl::find("glClearColor"));
    EXPECT_LT(depthOff, displayFunc);
    EXPECT_LT(displayFunc, recgl::find("glutIdleFunc"));
    EXPECT_LT(recgl::find("glutIdleFunc"), recgl::find("glutKeyboardFunc"));
    EXPECT_LT(recgl::find("glutKeyboardFunc"), recgl::find("glutMainLoop"));

    const auto &s = recgl::state();
    EXPECT_FALSE(s.blend) << "blending is off when the first frame starts";
    EXPECT_FALSE(s.depthTest);
    EXPECT_TRUE(s.texture2d);
    EXPECT_EQ(s.texEnvMode, GL_MODULATE);
    EXPECT_EQ(s.clearColor, (std::array<float, 4>{0, 0, 0, 0}));
    EXPECT_EQ(s.boundTexture, texture[slotSprites].first);
    EXPECT_EQ(s.errors, 0);
}

TEST_F(StartupTest, LoadsTheEightSlotsInOrderWithTheirAlphaModes) {
    // Two pictures present: slot 1 (black transparent) and slot 5 (opaque).
    std::vector<unsigned char> black(4 * 4 * 3, 0);
    mkdir((dir + "/gfx").c_str(), 0700);
    writeFile(dir + "/gfx/gfx2.pbm", ppmFile(4, 4, black));
    writeFile(dir + "/gfx/lsd.pbm", ppmFile(4, 4, black));
    testing::internal::CaptureStderr();
    run();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(texture[slotFont].first, 0u);
    EXPECT_EQ(texture[slotSprites].first, 1u);
    EXPECT_EQ(texture[slotOverlay2].first, 2u);
    EXPECT_EQ(recgl::textures().at(1).pixels[3], 0) << "slot 1 makes black transparent";
    EXPECT_EQ(recgl::textures().at(2).pixels[3], 255) << "slot 5 keeps every pixel opaque";
    EXPECT_EQ(recgl::state().boundTexture, 1u);
}

TEST_F(StartupTest, WindowThatCannotBeCreatedIsReportedAsAFailure) {
    recgl::glut().createWindowResult = -1;
    testing::internal::CaptureStderr();
    int rc = run();
    std::vector<std::string> err = lines(testing::internal::GetCapturedStderr());
    EXPECT_EQ(exitStatus, 1);
    EXPECT_NE(rc, 0);
    ASSERT_EQ(err.size(), 2u);
    EXPECT_EQ(err[0], "Corvalis v1.0");
    EXPECT_NE(err[1].find("Cannot open the window"), std::string::npos);
    EXPECT_EQ(recgl::find("glutMainLoop"), -1);
    EXPECT_EQ(recgl::find("glClearColor"), -1) << "init must not run without a window";
}

struct KeyTest : ::testing::Test {
    std::string dir;
    void SetUp() override {
        recgl::reset();
        exitStatus = -1;
        setExitHook(recordExit);
        dir = makeTempDir();
        setenv("CORVALIS_RAM", dir.c_str(), 1);
    }
    void TearDown() override {
        setExitHook(nullptr);
        unsetenv("CORVALIS_RAM");
        removeTree(dir);
    }
};

TEST_F(KeyTest, UpperCaseAndOtherKeysDoNothing) {
    const unsigned char others[] = {'F', 'S', 'q', ' ', 'e', '\r', 155};
    for (unsigned char c : others) key(c, 10, 10);
    EXPECT_TRUE(recgl::calls().empty()) << recgl::dump();
    EXPECT_EQ(exitStatus, -1);
}

TEST_F(KeyTest, FTogglesFullScreenAndBack) {
    key('f', 0, 0);
    EXPECT_TRUE(recgl::glut().fullScreen);
    key('f', 0, 0);
    EXPECT_FALSE(recgl::glut().fullScreen);
    EXPECT_EQ(recgl::names(), (std::vector<std::string>{"glutFullScreen", "glutLeaveFullScreen"}));
}

TEST_F(KeyTest, SWritesTheScreenshotFromTheBackBuffer) {
    key('s', 0, 0);
    EXPECT_EQ(recgl::names(), (std::vector<std::string>{"glDrawBuffer", "glutPostRedisplay", "glReadPixels"}));
    EXPECT_EQ(recgl::calls()[0].args[0], GL_BACK);
    EXPECT_EQ(readFile(dir + "/screenshot.ppm").size(), 921615u);
}

TEST_F(KeyTest, EscapeEndsTheProgramWithStatusZero) {
    key(27, 0, 0);
    EXPECT_EQ(exitStatus, 0);
}

TEST(Idle, OnlyAsksForTheNextFrame) {
    recgl::reset();
    idle();
    EXPECT_EQ(recgl::names(), (std::vector<std::string>{"glutPostRedisplay"}));
}

}  // namespace
