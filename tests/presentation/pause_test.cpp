// Space: the demo clock through its pause and resume modes, the player told with command 3,
// no frame drawn while paused (the held frame shown again instead), nothing before the song.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "music/listener.h"
#include "music/message.h"
#include "platform/frame.h"
#include "platform/ports.h"
#include "platform/time.h"
#include "recording_gl.h"
#include "shell/democlock.h"
#include "shell/keys.h"
#include "shell/pause.h"
#include "testfiles.h"

namespace {

// A stand-in for the player's "musicplayerport": answers every record unchanged and keeps the
// commands it got, in order.
struct FakePlayer {
    int listenFd = -1;
    std::thread thread;
    std::atomic<bool> done{false};
    std::mutex lock;
    std::vector<int32_t> received;

    // The commands received so far, in order.
    std::vector<int32_t> commands() {
        std::lock_guard<std::mutex> hold(lock);
        return received;
    }

    void start(const std::string &portDir) {
        std::string path = portDir + "/" + playerPortName;
        listenFd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        ASSERT_EQ(bind(listenFd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        ASSERT_EQ(listen(listenFd, 4), 0);
        thread = std::thread([this] {
            while (!done) {
                int fd = accept(listenFd, nullptr, nullptr);
                if (fd < 0) return;
                unsigned char record[portRecordSize];
                size_t got = 0;
                while (got < sizeof record) {
                    ssize_t n = read(fd, record + got, sizeof record - got);
                    if (n <= 0) break;
                    got += size_t(n);
                }
                if (got == sizeof record) {
                    int32_t command;
                    std::memcpy(&command, record + 20, 4);
                    {
                        std::lock_guard<std::mutex> hold(lock);
                        received.push_back(command);
                    }
                    (void)!write(fd, record, sizeof record);
                }
                close(fd);
            }
        });
    }
    void stop() {
        done = true;
        if (listenFd >= 0) shutdown(listenFd, SHUT_RDWR);
        if (thread.joinable()) thread.join();
        if (listenFd >= 0) close(listenFd);
    }
};

struct PauseTest : ::testing::Test {
    std::string portDir = makeTempDir();
    FakePlayer player;
    void SetUp() override {
        recgl::reset();
        usePortDirectory(portDir);
        useVirtualClock(true);
        setVirtualTime(5000, 0);
        getTimeWithStatus(clockReset);
        playingSong = 1;
        setPresentToWindow(true);
        ASSERT_TRUE(openFrame());
        player.start(portDir);
    }
    void TearDown() override {
        if (showPaused()) togglePause();
        player.stop();
        playingSong = 0;
        useVirtualClock(false);
        usePortDirectory("");
        removeTree(portDir);
    }
};

TEST_F(PauseTest, SpaceHoldsTheClockAndThePlayerAndResumesBothWhereTheyStood) {
    setVirtualTime(5012, 340000);  // 12.34 s into the song
    ASSERT_EQ(getTime(), 1234);
    key(keyPause, 0, 0);
    EXPECT_TRUE(showPaused());
    EXPECT_EQ(recgl::glut().idle, nullptr) << "no frames are asked for while paused";

    // The clock's own contract: reads go on between pause and resume ...
    setVirtualTime(5019, 0);
    EXPECT_EQ(getTime(), 1900);
    // ... and the resume cuts the paused time out.
    key(keyPause, 0, 0);
    EXPECT_FALSE(showPaused());
    EXPECT_EQ(getTime(), 1234);
    EXPECT_EQ(recgl::glut().idle, &idle);
    setVirtualTime(5020, 0);
    EXPECT_EQ(getTime(), 1334);

    EXPECT_EQ(player.commands(), (std::vector<int32_t>{commandPauseResume, commandPauseResume}));
}

TEST_F(PauseTest, WhilePausedTheDisplayCallbackShowsTheHeldFrameWithoutDrawing) {
    key(keyPause, 0, 0);
    ASSERT_TRUE(showPaused());
    setWindowSize(1920, 1080);  // a resize while paused asks for a redisplay
    size_t from = recgl::calls().size();
    showFrame();
    EXPECT_EQ(recgl::count("glBegin", from), 0u) << recgl::dump(from);
    EXPECT_EQ(recgl::count("glClear", from), 1u) << "only the window's bars";
    EXPECT_EQ(recgl::count("glBlitFramebuffer", from), 1u);
    EXPECT_EQ(recgl::count("glutSwapBuffers", from), 1u);
    setWindowSize(640, 480);
}

TEST_F(PauseTest, BeforeTheSongPlaysSpaceDoesNothing) {
    playingSong = 0;
    key(keyPause, 0, 0);
    EXPECT_FALSE(showPaused());
    EXPECT_EQ(recgl::find("glutIdleFunc"), -1);
    EXPECT_TRUE(player.commands().empty());
}

TEST_F(PauseTest, APauseWithThePlayerGoneStillHoldsThePicture) {
    player.stop();
    key(keyPause, 0, 0);
    EXPECT_TRUE(showPaused());
    key(keyPause, 0, 0);
    EXPECT_FALSE(showPaused());
}

}  // namespace
