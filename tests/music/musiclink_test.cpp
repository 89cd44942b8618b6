// Start and stop of the music link with the recording GLUT: the listener and the player's
// command line (started only once "demoport" is served), a signal while they start, Escape
// with and without the song, a listener without its port, a task that cannot be created, and
// the other ways out (close button, Ctrl-C, SIGTERM).
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "music/listener.h"
#include "music/message.h"
#include "platform/ports.h"
#include "platform/process.h"
#include "platform/shellrun.h"
#include "platform/tasks.h"
#include "port_helpers.h"
#include "recording_gl.h"
#include "shell/musiclink.h"
#include "testfiles.h"

// Something that happens while the listener binds its port's socket file: a busy machine that
// makes the port come late, or a signal that comes meanwhile.
std::atomic<void (*)()> whileBindingDemoport{nullptr};

extern "C" int bind(int fd, const sockaddr *address, socklen_t length) {
    using Bind = int (*)(int, const sockaddr *, socklen_t);
    static Bind real = reinterpret_cast<Bind>(dlsym(RTLD_NEXT, "bind"));
    void (*happen)() = whileBindingDemoport.load();
    if (happen && address && address->sa_family == AF_UNIX) {
        const char *path = reinterpret_cast<const sockaddr_un *>(address)->sun_path;
        const char *slash = std::strrchr(path, '/');
        if (slash && std::strcmp(slash + 1, demoPortName) == 0) happen();
    }
    return real(fd, address, length);
}

namespace {

int exitStatus = -1;
void recordExit(int status) { exitStatus = status; }

// A stand-in player: owns "musicplayerport", notes each command and whether "demoport" was
// still served when it came, answers, and leaves on −99.
struct Received {
    int32_t command;
    bool demoPortServed;
};
std::mutex receivedLock;
std::vector<Received> received;
std::atomic<bool> fakePlayerReady{false};

void fakePlayer() {
    MsgPort *port = CreatePort(playerPortName, 0);
    fakePlayerReady = true;
    bool done = !port;
    while (!done) {
        Wait(1u << port->mp_SigBit);
        while (Message *m = GetMsg(port)) {
            int32_t command = reinterpret_cast<MusicMessage *>(m)->command;
            {
                std::lock_guard<std::mutex> hold(receivedLock);
                received.push_back({command, portIsServed(demoPortName)});
            }
            ReplyMsg(m);
            if (command == -99) done = true;
        }
    }
    DeletePort(port);
    Wait(0);
}

struct MusicLinkTest : ::testing::Test {
    ScopedPortDirectory ports;
    std::string runDir = makeTempDir();
    Task *player = nullptr;

    void SetUp() override {
        recgl::reset();
        exitStatus = -1;
        setExitHook(recordExit);
        received.clear();
    }
    void TearDown() override {
        if (player) {
            SendMessage(playerPortName, -99);
            DeleteTask(player);
        }
        if (subtask) {  // a test that did not leave
            SendMessage(demoPortName, commandQuit);
            DeleteTask(subtask);
            subtask = nullptr;
        }
        endChildren(100);
        setExitHook(nullptr);
        removeTree(runDir);
    }
    void startFakePlayer() {
        fakePlayerReady = false;
        player = CreateTask("fake player", 0, fakePlayer, 2000, 0);
        ASSERT_TRUE(eventually([] { return fakePlayerReady.load(); }));
    }
    // startMusic in the run directory, with its stderr.
    std::string start() {
        ScopedWorkingDir cwd(runDir);
        testing::internal::CaptureStderr();
        startMusic();
        EXPECT_TRUE(waitForListener(2000));
        return testing::internal::GetCapturedStderr();
    }
    std::vector<Received> receivedNow() {
        std::lock_guard<std::mutex> hold(receivedLock);
        return received;
    }
};

TEST_F(MusicLinkTest, StartCreatesTheListenerThenRunsThePlayersCommandLine) {
    // A player that notes how it was started: argument, port directory, where its output goes.
    mkdir((runDir + "/MusicPlayer").c_str(), 0700);
    writeFile(runDir + "/MusicPlayer/sdlmusicplayer",
              "#!/bin/sh\necho \"$1|$CORVALIS_PORTS|$(readlink /proc/$$/fd/1)\" > started.txt\nexec sleep 0.3\n");
    chmod((runDir + "/MusicPlayer/sdlmusicplayer").c_str(), 0700);

    EXPECT_EQ(start(), "Loading song...\n");
    ASSERT_NE(subtask, nullptr);
    EXPECT_STREQ(taskName(subtask), "musichandler_subtask");
    EXPECT_EQ(listenerStage.load(), listenerServing);
    EXPECT_TRUE(portIsServed(demoPortName));
    ASSERT_TRUE(eventually([&] { return readFile(runDir + "/started.txt").find('\n') != std::string::npos; }));
    EXPECT_EQ(readFile(runDir + "/started.txt"), "msx/qsm_insomnia.xm|" + ports.dir + "|/dev/null\n");

    // The close button, the signal watch and the timer are wired to GLUT.
    long option = recgl::find("glutSetOption");
    ASSERT_GE(option, 0);
    EXPECT_EQ(recgl::calls()[option].args, (std::vector<double>{GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION}));
    EXPECT_NE(recgl::glut().close, nullptr);
    ASSERT_NE(recgl::glut().timer, nullptr);
    EXPECT_EQ(recgl::glut().timerMs, watchIntervalMs);

    // The timer reaps the ended player, so it is no zombie while the show runs.
    ASSERT_EQ(runningChildren().size(), 1u);
    pid_t child = runningChildren()[0];
    EXPECT_TRUE(eventually([&] {
        recgl::glut().timer(0);
        return runningChildren().empty();
    }));
    struct stat st;
    EXPECT_NE(stat(("/proc/" + std::to_string(child)).c_str(), &st), 0) << "reaped, not a zombie";
    EXPECT_EQ(exitStatus, -1) << "ticks without a signal do not leave";
}

TEST_F(MusicLinkTest, PlayerStartsOnlyOnceTheListenerServesItsPort) {
    // The real player reports to "demoport" first and leaves when it finds none.
    mkdir((runDir + "/MusicPlayer").c_str(), 0700);
    writeFile(runDir + "/MusicPlayer/sdlmusicplayer",
              "#!/bin/sh\nif [ -S \"$CORVALIS_PORTS/demoport\" ]; then echo served; else echo missing; fi > started.txt\n");
    chmod((runDir + "/MusicPlayer/sdlmusicplayer").c_str(), 0700);
    whileBindingDemoport = [] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); };
    start();
    whileBindingDemoport = nullptr;
    ASSERT_TRUE(eventually([&] { return readFile(runDir + "/started.txt").find('\n') != std::string::npos; }));
    EXPECT_EQ(readFile(runDir + "/started.txt"), "served\n");
}

TEST_F(MusicLinkTest, SigtermWhileTheMusicStartsIsHeldForTheWayOut) {
    // Uncaught, it would end the process with the port folder and the player left to chance.
    signal(SIGTERM, SIG_DFL);
    whileBindingDemoport = [] { raise(SIGTERM); };
    start();
    whileBindingDemoport = nullptr;
    EXPECT_EQ(exitStatus, -1) << "the way out is the timer's to take";
    recgl::glut().timer(0);
    EXPECT_EQ(exitStatus, 0);
    EXPECT_EQ(subtask, nullptr);
    EXPECT_FALSE(portIsServed(demoPortName));
}

TEST_F(MusicLinkTest, PrivatePortDirectoryIsSharedWithThePlayerAndRemovedOnTheWayOut) {
    usePortDirectory("");
    const char *shared = std::getenv("CORVALIS_PORTS");
    std::string saved = shared ? shared : "";
    unsetenv("CORVALIS_PORTS");
    start();
    std::string dir = portDirectory();
    struct stat st;
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_NE(dir, ports.dir);
    EXPECT_TRUE(portIsServed(demoPortName));
    leaveShow();
    EXPECT_EQ(exitStatus, 0);
    EXPECT_NE(stat(dir.c_str(), &st), 0) << dir << " is left behind";
    if (!saved.empty()) setenv("CORVALIS_PORTS", saved.c_str(), 1);
    usePortDirectory(ports.dir);
}

TEST_F(MusicLinkTest, EscapeBeforeTheSongPlaysSendsNothingToThePlayer) {
    startFakePlayer();
    start();
    SendMessage(demoPortName, commandSongLoading);
    leaveShow();
    EXPECT_EQ(exitStatus, 0);
    EXPECT_TRUE(receivedNow().empty());
    EXPECT_EQ(subtask, nullptr);
    EXPECT_FALSE(portIsServed(demoPortName));
}

TEST_F(MusicLinkTest, EscapeWhileTheSongPlaysStopsThePlayerThenTheListener) {
    startFakePlayer();
    start();
    ASSERT_EQ(SendMessage(demoPortName, commandSongPlays), commandSongPlays);
    ASSERT_EQ(playingSong.load(), 1);
    leaveShow();
    EXPECT_EQ(exitStatus, 0);
    std::vector<Received> got = receivedNow();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].command, commandStop);
    EXPECT_TRUE(got[0].demoPortServed) << "the stop comes before the listener's quit";
    EXPECT_EQ(subtask, nullptr);
    EXPECT_FALSE(portIsServed(demoPortName));
}

TEST_F(MusicLinkTest, EscapeAfterTheListenerFailedToCreateItsPort) {
    usePortDirectory(ports.dir + "/missing");
    std::string err = start();  // two tasks write these lines: either may come first
    EXPECT_NE(err.find("Loading song...\n"), std::string::npos) << err;
    EXPECT_NE(err.find("Unable to create messageport!\n"), std::string::npos) << err;
    EXPECT_EQ(err.size(), std::string("Loading song...\nUnable to create messageport!\n").size()) << err;
    auto begin = std::chrono::steady_clock::now();
    leaveShow();
    EXPECT_LT(millisSince(begin), 900) << "no port to wait for";
    EXPECT_EQ(exitStatus, 0);
    EXPECT_EQ(subtask, nullptr);
}

TEST_F(MusicLinkTest, EveryWayOutEndsLikeEscape) {
    struct Way {
        const char *what;
        void (*take)();
    };
    const Way ways[] = {
        {"SIGTERM", [] { raise(SIGTERM); recgl::glut().timer(0); }},
        {"Ctrl-C", [] { raise(SIGINT); recgl::glut().timer(0); }},
        {"close button", [] { recgl::glut().close(); }},
    };
    startFakePlayer();
    for (const Way &way : ways) {
        SCOPED_TRACE(way.what);
        received.clear();
        exitStatus = -1;
        recgl::reset();
        start();
        ASSERT_EQ(SendMessage(demoPortName, commandSongPlays), commandSongPlays);
        way.take();
        EXPECT_EQ(exitStatus, 0);
        EXPECT_EQ(subtask, nullptr);
        EXPECT_FALSE(portIsServed(demoPortName));
        std::vector<Received> got = receivedNow();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].command, commandStop);
    }
}

// freeglut calls the close callback once more while the process ends: that is no second way out.
int exitsTaken = 0;
void closeWindowWhileExiting(int status) {
    exitsTaken++;
    exitStatus = status;
    recgl::glut().close();
}

TEST_F(MusicLinkTest, CloseCallbackWhileTheProgramEndsIsNoSecondWayOut) {
    start();
    exitsTaken = 0;
    setExitHook(closeWindowWhileExiting);
    leaveShow();
    EXPECT_EQ(exitsTaken, 1);
    EXPECT_EQ(exitStatus, 0);
    EXPECT_FALSE(portIsServed(demoPortName));
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

// In a process of its own: with no address space left for a thread's stack the listener cannot
// be created; the player is not started and Escape still ends the program with status 0.
void startWithoutRoomForATask() {
    usePortDirectory("");  // a private one, removed on the way out
    unsetenv("CORVALIS_PORTS");
    dup2(2, 1);  // stdout joins stderr, where the death test looks
    long pages = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    rlimit room{rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (2u << 20), RLIM_INFINITY};
    setrlimit(RLIMIT_AS, &room);
    startMusic();
    std::fflush(stdout);
    std::fprintf(stderr, "subtask %s, children %zu\n", subtask ? "made" : "null", runningChildren().size());
    setExitHook(nullptr);
    leaveShow();
}

TEST(MusicLinkDeathTest, TaskThatCannotBeCreatedIsReportedAndNoPlayerStarts) {
    if (sanitized) GTEST_SKIP() << "sanitizers reserve more address space than the limit allows";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(startWithoutRoomForATask(), testing::ExitedWithCode(0),
                "Can't create subtask\nsubtask null, children 0\n");
}

}  // namespace
