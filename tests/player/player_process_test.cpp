// The real music player as a process, with "demoport" served by this test and SDL's dummy
// driver: its reports, its port, the stop command, songs it cannot play, no audio device,
// a demo that goes away, and the socket file a killed player leaves.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "music/message.h"
#include "platform/ports.h"
#include "platform/tasks.h"
#include "process_helpers.h"
#include "test_paths.h"

namespace {

// "demoport" in the test: notes every report and answers it; leaves on −99.
std::mutex reportLock;
std::condition_variable reportCame;
std::vector<int32_t> reports;
std::atomic<bool> demoPortReady{false};

void forgetReports() {
    std::lock_guard<std::mutex> hold(reportLock);
    reports.clear();
}

void demoPortRecorder() {
    MsgPort *port = CreatePort(demoPortName, 0);
    demoPortReady = true;
    bool done = !port;
    while (!done) {
        Wait(1u << port->mp_SigBit);
        while (Message *m = GetMsg(port)) {
            int32_t command = reinterpret_cast<MusicMessage *>(m)->command;
            ReplyMsg(m);
            if (command == -99) {
                done = true;
                continue;
            }
            std::lock_guard<std::mutex> hold(reportLock);
            reports.push_back(command);
            reportCame.notify_all();
        }
    }
    DeletePort(port);
    Wait(0);
}

struct PlayerProcessTest : ::testing::Test {
    std::string dir = freshDir();
    std::string errFile = dir + "/player.err";
    Task *recorder = nullptr;
    Process player;

    void SetUp() override {
        usePortDirectory(dir + "/ports");
        mkdir((dir + "/ports").c_str(), 0700);
        forgetReports();
        startRecorder();
    }
    void TearDown() override {
        killAndReap(player);
        stopRecorder();
        usePortDirectory("");
        removeDir(dir);
    }
    void startRecorder() {
        demoPortReady = false;
        recorder = CreateTask("demoport recorder", 0, demoPortRecorder, 2000, 0);
        ASSERT_TRUE(recorder);
        while (!demoPortReady) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void stopRecorder() {
        if (!recorder) return;
        SendMessage(demoPortName, -99);
        DeleteTask(recorder);
        recorder = nullptr;
    }
    void startPlayer(const std::string &song, std::vector<std::string> env = {"SDL_AUDIODRIVER=dummy"}) {
        env.push_back("CORVALIS_PORTS=" + dir + "/ports");
        StartOptions options;
        options.env = env;
        options.errFile = errFile;
        player = startProcess({playerPath(), song}, options);
        ASSERT_GT(player.pid, 0);
    }
    // The reports so far, once there are at least n of them or ms have passed.
    std::vector<int32_t> reportsAfter(size_t n, long ms) {
        std::unique_lock<std::mutex> hold(reportLock);
        reportCame.wait_for(hold, std::chrono::milliseconds(ms), [n] { return reports.size() >= n; });
        return reports;
    }
    bool socketFileExists(const char *name) {
        struct stat st;
        return lstat((dir + "/ports/" + name).c_str(), &st) == 0;
    }
};

TEST_F(PlayerProcessTest, ReportsLoadingThenPlayingAnswersItsPortAndStopsOnTwo) {
    startPlayer(shortSong());
    EXPECT_EQ(reportsAfter(2, 10000), (std::vector<int32_t>{commandSongLoading, commandSongPlays}));
    EXPECT_TRUE(portIsServed(playerPortName));
    for (int32_t other : {4, -1, 0, 1, 12345}) EXPECT_EQ(SendMessage(playerPortName, other), other);
    EXPECT_TRUE(isRunning(player.pid)) << "only 2 stops it";

    EXPECT_EQ(SendMessage(playerPortName, commandStop), commandStop);
    EXPECT_EQ(reportsAfter(3, 3000), (std::vector<int32_t>{1, 0, 2}));
    int status = waitForExit(player.pid, 1000);
    player.pid = 0;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_FALSE(socketFileExists(playerPortName)) << "its port is removed";
    EXPECT_EQ(readText(errFile), "");
}

TEST_F(PlayerProcessTest, SongItCannotPlayIsOneLineAReportOfTwoAndAFailure) {
    std::string song = readText(shortSong());
    writeText(dir + "/notes.xm", "these are not the notes you are looking for\n");
    writeText(dir + "/cut.xm", song.substr(0, song.size() / 2));
    writeText(dir + "/empty.xm", "");
    const char *songs[] = {"missing.xm", "notes.xm", "cut.xm", "empty.xm"};
    for (const char *name : songs) {
        SCOPED_TRACE(name);
        forgetReports();
        startPlayer(dir + "/" + name);
        int status = waitForExit(player.pid, 5000);
        player.pid = 0;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << "status " << status;
        EXPECT_EQ(reportsAfter(2, 1000), (std::vector<int32_t>{commandSongLoading, commandSongStopped}));
        std::string err = readText(errFile);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(err.find("sdlmusicplayer: "), 0u) << err;
        EXPECT_FALSE(socketFileExists(playerPortName));
    }
}

TEST_F(PlayerProcessTest, WithoutAnAudioDeviceItSaysSoAndPlaysSilently) {
    startPlayer(shortSong(), {"SDL_AUDIODRIVER=no-such-driver"});
    EXPECT_EQ(reportsAfter(2, 10000), (std::vector<int32_t>{commandSongLoading, commandSongPlays}));
    std::string err = readText(errFile);
    EXPECT_EQ(err.find("sdlmusicplayer: no audio device"), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(SendMessage(playerPortName, commandStop), commandStop);
}

TEST_F(PlayerProcessTest, LeavesWithinASecondOnceDemoportIsGone) {
    startPlayer(shortSong());
    ASSERT_EQ(reportsAfter(2, 10000).size(), 2u);
    stopRecorder();
    int status = waitForExit(player.pid, 1000);
    EXPECT_NE(status, -1) << "still running a second after demoport went";
    player.pid = 0;
    EXPECT_FALSE(socketFileExists(playerPortName));
}

TEST_F(PlayerProcessTest, WithNoDemoportItLeavesAtOnce) {
    stopRecorder();
    startPlayer(shortSong());
    int status = waitForExit(player.pid, 1000);
    player.pid = 0;
    EXPECT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_FALSE(socketFileExists(playerPortName));
}

TEST_F(PlayerProcessTest, StaleSocketFileOfAKilledPlayerDoesNotStopTheNextOne) {
    startPlayer(shortSong());
    ASSERT_EQ(reportsAfter(2, 10000).size(), 2u);
    killAndReap(player);
    ASSERT_TRUE(socketFileExists(playerPortName)) << "a killed player leaves its socket file";
    EXPECT_FALSE(portIsServed(playerPortName));

    forgetReports();
    startPlayer(shortSong());
    EXPECT_EQ(reportsAfter(2, 10000), (std::vector<int32_t>{commandSongLoading, commandSongPlays}));
    EXPECT_EQ(SendMessage(playerPortName, commandStop), commandStop);
    EXPECT_NE(waitForExit(player.pid, 1000), -1);
    player.pid = 0;
}

}  // namespace
