// Faults of the music link with the real demo and player under X: the player killed or
// stopped mid-show, the demo killed, and no audio device. The show must keep drawing, quit
// on Escape with status 0 within about a second, and leave no player behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "fault_run.h"

namespace {

// A lit pixel anywhere: the screen is not black.
double litFraction(const Picture &p) { return fractionBrighterThan(p, 24, 0, 0, p.width, p.height); }

struct PlayerFaults : ::testing::Test {
    DemoRun run;
    std::string dir;
    pid_t player = 0;

    static void SetUpTestSuite() {
        // A player whose demo is killed is handed to this process, which can then reap it.
        prctl(PR_SET_CHILD_SUBREAPER, 1);
    }
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "fault tests need an X display (./test.sh starts Xvfb)";
        dir = makeFaultRunDir(true);
    }
    void TearDown() override {
        if (player > 0 && isAlive(player)) {
            kill(player, SIGKILL);
            goneWithin(player, 2000);
        }
        cleanUp(run);
        std::filesystem::remove_all(dir);
    }
    // Starts the demo and its player and waits until the song plays: the title has begun to
    // fade (show time 4 s) and then the screen is black (5 s to 7.5 s).
    void startShowAndWaitForBlack(const std::vector<std::string> &env = {}) {
        std::string why;
        run = startFaultDemo(dir, env, &why);
        ASSERT_GT(run.pid, 0) << why;
        player = playerOf(run.pid);
        ASSERT_GT(player, 0) << "no player started";
        Picture title = screenshot(run);
        ASSERT_EQ(title.width, 640) << fileText(run.errPath);
        ASSERT_GT(litFraction(title), 0.2) << "the title picture";
        ASSERT_EQ(waitForChange(run, title, 30).width, 640) << "the song never started";
        double until = now() + 5;
        while (now() < until) {
            Picture p = screenshot(run);
            if (p.width == 640 && litFraction(p) < 0.0005) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        FAIL() << "the title never faded to black";
    }
    // The wheel text lights the screen within the timeout: frames keep coming, the clock runs.
    bool showMovesOn(double timeoutSeconds) {
        double until = now() + timeoutSeconds;
        while (now() < until) {
            Picture p = screenshot(run);
            if (p.width == 640 && litFraction(p) > 0.002) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // Escape: status 0, and how long it took in seconds.
    double escape() {
        double asked = now();
        pressKey(run, "Escape");
        EXPECT_EQ(waitForExit(run, 5), 0) << fileText(run.errPath);
        return now() - asked;
    }
};

TEST_F(PlayerFaults, PlayerKilledMidShowTheShowGoesOnAndEscapeQuitsWithinASecond) {
    startShowAndWaitForBlack();
    ASSERT_FALSE(HasFatalFailure());
    kill(player, SIGKILL);
    EXPECT_TRUE(goneWithin(player, 1000));
    EXPECT_TRUE(showMovesOn(6)) << "no wheel text after the player died: the show stopped drawing";
    EXPECT_LT(escape(), 1.0);
}

TEST_F(PlayerFaults, PlayerStoppedMidShowEscapeStillQuitsWithinAboutASecond) {
    startShowAndWaitForBlack();
    ASSERT_FALSE(HasFatalFailure());
    kill(player, SIGSTOP);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    double took = escape();
    // The stop command's answer is awaited 500 ms; the player, let go on, then leaves by itself.
    EXPECT_LT(took, 1.3) << "Escape with a hung player";
    RecordProperty("escape_ms", int(took * 1000));
    std::printf("Escape with a stopped player took %.0f ms\n", took * 1000);
    EXPECT_TRUE(goneWithin(player, 1000)) << "the stopped player outlived the demo";
    EXPECT_TRUE(folderEntries(run.portDir).empty()) << "ports left behind";
}

TEST_F(PlayerFaults, DemoKilledThePlayerLeavesWithinASecondAndTheNextStartWorks) {
    startShowAndWaitForBlack();
    ASSERT_FALSE(HasFatalFailure());
    kill(run.pid, SIGKILL);
    EXPECT_EQ(waitForExit(run, 5), 128 + SIGKILL);
    EXPECT_TRUE(goneWithin(player, 1000)) << "the player outlived the killed demo";
    // The killed demo could not remove "demoport": its socket file stays, stale.
    std::vector<std::string> left = folderEntries(run.portDir);
    EXPECT_NE(std::find(left.begin(), left.end(), "demoport"), left.end());

    // The next demo, with the same port folder, takes the stale name over and plays.
    DemoRun first = run;
    startShowAndWaitForBlack({"CORVALIS_PORTS=" + first.portDir});
    EXPECT_TRUE(showMovesOn(6));
    EXPECT_LT(escape(), 1.0);
    EXPECT_TRUE(goneWithin(player, 1000));
    EXPECT_TRUE(folderEntries(first.portDir).empty()) << "ports left behind";
    cleanUp(first);
}

TEST_F(PlayerFaults, NoAudioDeviceTheShowRunsOnTheDummyDriver) {
    // No driver asked for: SDL probes the real ones, finds no device on these machines, and
    // the player falls back to the dummy driver.
    startShowAndWaitForBlack({"SDL_AUDIODRIVER="});
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(showMovesOn(6));
    EXPECT_LT(escape(), 1.0);
    EXPECT_TRUE(goneWithin(player, 1000));
}

}  // namespace
