// The real program's window: in a 1280×1024 window the show keeps its 4:3 shape between black
// bars and the screenshot is still the whole 640×480 frame; Space pauses the real show and its
// real player, the picture standing still until Space again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "program_run.h"
#include "shell/capture_png.h"

namespace {

// Mean difference per channel between two pictures of the same size.
double meanDifference(const Picture &a, const Picture &b) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    return sum / double(a.rgb.size());
}

// The X screen as ffmpeg's x11grab sees it, without the pointer; empty when it cannot.
Picture grabScreen(int width, int height, const std::string &folder) {
    std::string png = folder + "/screen.png";
    std::string cmd = "ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size " + std::to_string(width) + "x" +
                      std::to_string(height) + " -i '" + std::getenv("DISPLAY") + "+0,0' -frames:v 1 '" + png +
                      "' </dev/null";
    Picture p;
    if (std::system(cmd.c_str()) != 0 || !readPng(png, &p.rgb, &p.width, &p.height)) return Picture{};
    return p;
}

TEST(Presentation, InA1280By1024WindowTheShowKeepsItsShapeAndTheScreenshotIsTheWholeFrame) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "end-to-end tests need an X display (./test.sh starts Xvfb)";
    std::string dir = makeRunDir(false);  // no player: the title stays
    DemoRun run = startDemoWith(dir + "/corvalis", {}, dir);
    ASSERT_GT(run.pid, 0);
    ASSERT_TRUE(waitForWindow(run, 15)) << fileText(run.errPath);
    std::string geometry = commandOutput("xdotool getdisplaygeometry");
    if (geometry != "1280 1024\n") {
        cleanUp(run);
        GTEST_SKIP() << "the X screen is " << geometry << "; ./test.sh runs Xvfb at 1280x1024";
    }
    ASSERT_EQ(std::system(("xdotool windowmove " + run.window + " 0 0 windowsize " + run.window + " 1280 1024").c_str()),
              0);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ASSERT_EQ(commandOutput("xdotool getwindowgeometry " + run.window + " | grep Geometry"), "  Geometry: 1280x1024\n");

    Picture title = readPicture(std::string(CORVALIS_SOURCE_DIR) + "/data/gfx/veldoran_dpdp7.pbm");
    Picture shot = screenshot(run);
    ASSERT_EQ(shot.width, 640) << fileText(run.errPath);
    ASSERT_EQ(shot.height, 480);
    EXPECT_LT(meanDifference(shot, title), 2.0) << "the screenshot is the whole frame, upright";

    // On the screen: 32 black rows above and below, the title scaled by 2 in between.
    Picture screen = grabScreen(1280, 1024, run.ramDir);
    ASSERT_EQ(screen.width, 1280) << "ffmpeg's x11grab gave no picture";
    EXPECT_LT(meanBrightness(screen, 0, 2, 1280, 28), 1.0) << "black bar above";
    EXPECT_LT(meanBrightness(screen, 0, 998, 1280, 1022), 1.0) << "black bar below";
    double diff = 0;
    long n = 0;
    for (int y = 40; y < 984; y += 7)
        for (int x = 8; x < 1272; x += 5, ++n) {
            const unsigned char *s = screen.at(x, y), *t = title.at(x / 2, (y - 32) / 2);
            for (int c = 0; c < 3; ++c) diff += std::abs(int(s[c]) - int(t[c]));
        }
    EXPECT_LT(diff / (3.0 * n), 12.0) << "the frame fills the window's width, scaled twice";

    pressKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 5), 0);
    cleanUp(run);
    std::filesystem::remove_all(dir);
}

TEST(Presentation, SpacePausesTheShowAndItsPlayerAndResumesThem) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "end-to-end tests need an X display (./test.sh starts Xvfb)";
    std::string dir = makeRunDir(true);
    DemoRun run = startDemoWith(dir + "/corvalis", {"--no-vsync"}, dir);
    ASSERT_TRUE(waitForWindow(run, 15)) << fileText(run.errPath);
    // Wait for the show to run: the title, black from 5 s, the wheel text from 7.5 s.
    double until = now() + 25;
    bool title = false, black = false, moving = false;
    while (now() < until && !moving) {
        Picture p = screenshot(run);
        if (p.width != 640) continue;
        double lit = fractionBrighterThan(p, 24, 0, 0, 640, 480);
        if (meanBrightness(p, 0, 0, 640, 480) > 30) title = true;
        else if (title && lit < 0.0005) black = true;
        else if (black && lit > 0.001) moving = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(moving) << "the show never started";
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // well into the wheel text
    // This run's player: the child of this demo (other runs' players may still be leaving).
    std::string player = commandOutput("pgrep -P " + std::to_string(run.pid) + " -x sdlmusicplayer");
    ASSERT_FALSE(player.empty()) << "the demo's player is not running";
    player = player.substr(0, player.find('\n'));

    pressKey(run, "space");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Picture held = screenshot(run);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Picture stillHeld = screenshot(run);
    ASSERT_EQ(held.width, 640);
    EXPECT_EQ(meanDifference(held, stillHeld), 0.0) << "the picture stands still while paused";

    pressKey(run, "space");
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    Picture resumed = screenshot(run);
    EXPECT_GT(meanDifference(held, resumed), 0.05) << "the show goes on after the second Space";
    // The wheel text goes on from where it stood: the picture is still the wheel text's (lit
    // pixels only in the middle band), not a jump ahead to the stars.
    EXPECT_EQ(fractionBrighterThan(resumed, 60, 0, 0, 640, 40), 0.0);

    pressKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 5), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_EQ(commandOutput("ps -o stat= -p " + player + " | grep -v '^Z'"), "") << "the player outlived the demo";
    cleanUp(run);
    std::filesystem::remove_all(dir);
}

}  // namespace
