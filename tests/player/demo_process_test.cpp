// The music link between real processes: a demo (the headless one, with the production start
// and ways out) and the real player. Reports reach the demo; Escape and SIGTERM stop the
// player and leave nothing; a killed demo takes the player with it; two demos at once keep
// to their own ports; a song that cannot be played leaves the demo waiting until Escape.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>

#include "process_helpers.h"
#include "test_paths.h"

namespace {

struct Demo {
    Process process;
    std::string ports;
    pid_t player = 0;
};

struct DemoProcessTest : ::testing::Test {
    std::vector<std::string> runDirs;
    std::deque<Demo> demos;  // references stay good as demos are added

    static void SetUpTestSuite() {
        // A player whose demo dies is handed to this test, which can then wait for it.
        prctl(PR_SET_CHILD_SUBREAPER, 1);
    }
    void TearDown() override {
        for (Demo &d : demos) {
            killAndReap(d.process);
            if (d.player > 0 && isRunning(d.player)) {
                kill(d.player, SIGKILL);
                endsWithin(d.player, 2000);
            }
        }
        for (const std::string &dir : runDirs) removeDir(dir);
    }
    // Starts a demo in a run directory of its own; the player gets the dummy driver.
    Demo &startDemo(const std::string &song) {
        runDirs.push_back(makeRunDir(song));
        StartOptions options;
        options.cwd = runDirs.back();
        options.env = {"SDL_AUDIODRIVER=dummy"};
        options.unset = {"CORVALIS_PORTS"};
        options.pipes = true;
        demos.push_back(Demo{startProcess({headlessDemoPath()}, options), "", 0});
        Demo &d = demos.back();
        d.ports = waitForLine(d.process, "ports ", 5000);
        d.player = pid_t(std::atoi(waitForLine(d.process, "player ", 5000).c_str()));
        return d;
    }
    static bool exists(const std::string &path) {
        struct stat st;
        return lstat(path.c_str(), &st) == 0;
    }
    // The demo has left with status 0 within a second, its player is gone, and so is its
    // port directory.
    static void expectCleanExit(Demo &d, std::chrono::steady_clock::time_point asked) {
        int status = waitForExit(d.process.pid, 1000);
        auto took = std::chrono::steady_clock::now() - asked;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        EXPECT_LT(took, std::chrono::seconds(1));
        d.process.pid = 0;
        EXPECT_TRUE(endsWithin(d.player, 1000)) << "the player outlived the demo";
        d.player = 0;
        EXPECT_FALSE(exists(d.ports)) << d.ports << " is left behind";
    }
};

TEST_F(DemoProcessTest, SongStartsAndEscapeStopsThePlayerAndLeavesNothing) {
    Demo &d = startDemo(shortSong());
    ASSERT_FALSE(d.ports.empty());
    ASSERT_GT(d.player, 0);
    EXPECT_TRUE(sawLine(d.process, "playing 1", 10000)) << "the player's report 0 reached the demo";
    EXPECT_TRUE(exists(d.ports + "/musicplayerport"));
    auto asked = std::chrono::steady_clock::now();
    ASSERT_EQ(write(d.process.in, "escape\n", 7), 7);
    expectCleanExit(d, asked);
}

TEST_F(DemoProcessTest, SigtermTakesTheSameWayOut) {
    Demo &d = startDemo(shortSong());
    ASSERT_TRUE(sawLine(d.process, "playing 1", 10000));
    auto asked = std::chrono::steady_clock::now();
    kill(d.process.pid, SIGTERM);
    expectCleanExit(d, asked);
}

TEST_F(DemoProcessTest, KilledDemoTakesThePlayerWithItWithinASecond) {
    Demo &d = startDemo(shortSong());
    ASSERT_TRUE(sawLine(d.process, "playing 1", 10000));
    auto killed = std::chrono::steady_clock::now();
    kill(d.process.pid, SIGKILL);
    waitForExit(d.process.pid, 1000);
    d.process.pid = 0;
    EXPECT_TRUE(endsWithin(d.player, 1000)) << "the player outlived its demo";
    EXPECT_LT(std::chrono::steady_clock::now() - killed, std::chrono::seconds(1));
    d.player = 0;
    // The killed demo's port directory is swept by the next demo that makes one (a demo of
    // another test running at the same time may have swept it already).
    std::string stale = d.ports;
    Demo &next = startDemo(shortSong());
    EXPECT_FALSE(exists(stale));
    EXPECT_TRUE(sawLine(next.process, "playing 1", 10000));
}

TEST_F(DemoProcessTest, TwoDemosAtOnceKeepToTheirOwnPorts) {
    Demo *both[] = {&startDemo(shortSong()), &startDemo(shortSong())};
    EXPECT_NE(both[0]->ports, both[1]->ports);
    for (Demo *d : both) EXPECT_TRUE(sawLine(d->process, "playing 1", 10000));
    auto asked = std::chrono::steady_clock::now();
    ASSERT_EQ(write(both[0]->process.in, "escape\n", 7), 7);
    expectCleanExit(*both[0], asked);
    EXPECT_TRUE(isRunning(both[1]->player)) << "the other demo's player plays on";
    EXPECT_TRUE(exists(both[1]->ports + "/demoport"));
    std::string line;
    EXPECT_FALSE(readLine(both[1]->process, &line, 300)) << "the other demo saw: " << line;
    asked = std::chrono::steady_clock::now();
    ASSERT_EQ(write(both[1]->process.in, "escape\n", 7), 7);
    expectCleanExit(*both[1], asked);
}

TEST_F(DemoProcessTest, SongThatCannotBePlayedLeavesTheDemoWaitingUntilEscape) {
    Demo &d = startDemo("");
    EXPECT_TRUE(sawLine(d.process, "playing 0", 5000));
    EXPECT_TRUE(endsWithin(d.player, 5000)) << "the player gives up";
    std::string line;
    EXPECT_FALSE(readLine(d.process, &line, 500)) << "the song flag never rises: " << line;
    auto asked = std::chrono::steady_clock::now();
    ASSERT_EQ(write(d.process.in, "escape\n", 7), 7);
    expectCleanExit(d, asked);
}

}  // namespace
