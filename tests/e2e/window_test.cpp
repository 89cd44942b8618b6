// The real program under X: it opens its window, prints its start-up lines in order, writes
// a screenshot of what it drew on s, and exits 0 on Escape.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "demo_process.h"

namespace {

TEST(Window, OpensDrawsTheTitleWritesAScreenshotAndQuitsOnEscape) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "end-to-end tests need an X display (./test.sh starts Xvfb)";
    // No player in this run directory: the show waits on its title picture.
    std::string dir = makeRunDir(false);
    DemoRun run = startDemo(dir);
    ASSERT_GT(run.pid, 0);
    ASSERT_TRUE(waitForWindow(run, 15)) << fileText(run.errPath);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    Picture shot = screenshot(run);
    ASSERT_EQ(shot.width, 640) << fileText(run.errPath);
    ASSERT_EQ(shot.height, 480);
    Picture title = readPicture(std::string(CORVALIS_SOURCE_DIR) + "/data/gfx/veldoran_dpdp7.pbm");
    ASSERT_EQ(title.width, 640);
    // The title picture is drawn 1:1, upright: the screenshot matches it pixel for pixel
    // within filtering noise.
    double diff = 0;
    for (size_t i = 0; i < shot.rgb.size(); ++i) diff += std::abs(int(shot.rgb[i]) - int(title.rgb[i]));
    diff /= double(shot.rgb.size());
    EXPECT_LT(diff, 2.0) << "mean difference per channel against the title picture";
    EXPECT_GT(meanBrightness(shot, 0, 0, 640, 480), 10.0);

    // Upper-case keys do nothing; Escape ends the program with status 0 at once.
    pressKey(run, "F");
    double before = now();
    pressKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 5), 0);
    EXPECT_LT(now() - before, 2.0);

    std::string err = fileText(run.errPath);
    size_t banner = err.find("Corvalis v1.0\n"), setup = err.find("Setting up MiniGL parameters...\n");
    size_t loading = err.find("Loading song...\n"), done = err.find("Setup completed!\n");
    EXPECT_EQ(banner, 0u) << err;
    EXPECT_NE(setup, std::string::npos) << err;
    EXPECT_NE(loading, std::string::npos) << err;
    EXPECT_NE(done, std::string::npos) << err;
    EXPECT_LT(setup, loading);
    EXPECT_LT(loading, done);
    EXPECT_EQ(fileText(run.outPath), "");
    cleanUp(run);
    std::filesystem::remove_all(dir);
}

TEST(Window, NoDisplayIsReportedInOneLineWithStatusOne) {
    std::string dir = makeRunDir(false);
    DemoRun run = startDemo(dir, {"DISPLAY=:9999"});
    EXPECT_EQ(waitForExit(run, 10), 1);
    std::string err = fileText(run.errPath);
    EXPECT_EQ(err.rfind("Corvalis v1.0\n", 0), 0u) << err;
    EXPECT_NE(err.find("Cannot open the window on display \":9999\""), std::string::npos) << err;
    cleanUp(run);
    std::filesystem::remove_all(dir);
}

}  // namespace
