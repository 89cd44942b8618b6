// The real demo with the real player under an X server of the test's own (Xvfb, so that no
// other test's window with the same title is in the way): the show's clock waits for the
// player's report 0, Escape ends the program with status 0 within a second, and afterwards no
// player, socket or port directory is left.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "process_helpers.h"
#include "test_paths.h"

namespace {

const char *const xvfbPath = "/usr/bin/Xvfb";

// Runs xdotool on the display with the arguments; its first line of output.
std::string xdotool(const std::string &display, const std::vector<std::string> &args) {
    std::vector<std::string> argv = {"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    StartOptions options;
    options.pipes = true;
    options.env = {"DISPLAY=" + display};
    Process p = startProcess(argv, options);
    std::string line;
    readLine(p, &line, 5000);
    waitForExit(p.pid, 5000);
    close(p.in);
    close(p.out);
    return line;
}

// Port directories a demo of that pid made, under both places they can be.
std::vector<std::string> portDirectoriesOf(pid_t pid) {
    std::vector<std::string> found;
    std::string prefix = "corvalis-ports-" + std::to_string(pid) + "-";
    for (const char *base : {static_cast<const char *>(std::getenv("XDG_RUNTIME_DIR")), "/tmp"}) {
        if (!base || !*base) continue;
        if (DIR *d = opendir(base)) {
            while (dirent *e = readdir(d))
                if (std::string(e->d_name).rfind(prefix, 0) == 0) found.push_back(std::string(base) + "/" + e->d_name);
            closedir(d);
        }
    }
    return found;
}

struct ShowProcessTest : ::testing::Test {
    std::string ram = freshDir();
    std::string cwd;
    Process xserver;
    std::string display;
    Process demo;
    std::string window;
    pid_t player = 0;

    void SetUp() override {
        struct stat st;
        if (stat(xvfbPath, &st) != 0) GTEST_SKIP() << "no Xvfb";
        StartOptions options;
        options.pipes = true;
        // -noreset: without it the server resets each time its last client leaves (every xdotool
        // call below), and a demo connecting during a reset is refused.
        xserver = startProcess(
            {xvfbPath, "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"}, options);
        std::string number;
        ASSERT_TRUE(readLine(xserver, &number, 10000)) << "Xvfb did not start";
        display = ":" + number;
    }
    void TearDown() override {
        killAndReap(demo);
        killAndReap(xserver);
        if (player > 0 && isRunning(player)) kill(player, SIGKILL);
        removeDir(ram);
        if (!cwd.empty() && cwd != runDir()) removeDir(cwd);
    }
    // Starts the demo in dir and waits for its window and its player.
    void startShow(const std::string &dir) {
        cwd = dir;
        StartOptions options;
        options.cwd = dir;
        const char *tsan = std::getenv("TSAN_OPTIONS");
        options.env = {"DISPLAY=" + display, "SDL_AUDIODRIVER=dummy", "CORVALIS_RAM=" + ram,
                       std::string("TSAN_OPTIONS=") + (tsan ? tsan : "") + " suppressions=" + CORVALIS_SOURCE_DIR +
                           "/tests/player/mesa.tsan.supp",
                       // Mesa's driver is unloaded before LeakSanitizer looks, so its memory
                       // cannot be told apart; the player's leaks are checked by its own tests.
                       "LSAN_OPTIONS=detect_leaks=0"};
        options.unset = {"CORVALIS_PORTS"};
        options.errFile = ram + "/stderr.txt";
        demo = startProcess({demoPath()}, options);
        ASSERT_GT(demo.pid, 0);
        for (int i = 0; i < 300 && window.empty(); ++i) {  // up to 30 s on a busy machine
            window = xdotool(display, {"search", "--name", "^Corvalis v1.0$"});
            if (window.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_FALSE(window.empty()) << "no window; the demo is " << (isRunning(demo.pid) ? "running" : "gone")
                                     << ", the X server " << display << " is " << (isRunning(xserver.pid) ? "running" : "gone")
                                     << "; its stderr:\n" << readText(ram + "/stderr.txt");
        for (int i = 0; i < 250 && !player; ++i) {
            std::vector<pid_t> children = childrenOf(demo.pid);
            if (!children.empty()) player = children[0];
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    void press(const std::string &key) { xdotool(display, {"windowfocus", "--sync", window, "key", key}); }
    // The frame on screen now, as the demo's screenshot key writes it.
    std::string screenshot() {
        std::string path = ram + "/screenshot.ppm";
        unlink(path.c_str());
        press("s");
        for (int i = 0; i < 100; ++i) {
            struct stat st;
            if (stat(path.c_str(), &st) == 0 && st.st_size == 921615) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return readText(path);
    }
    static bool isBlack(const std::string &ppm) {
        return ppm.size() < 20 || ppm.find_first_not_of('\0', 15) == std::string::npos;
    }
    // Escape: status 0 within a second, and nothing left behind.
    void escapeAndExpectNothingLeft() {
        auto asked = std::chrono::steady_clock::now();
        press("Escape");
        int status = waitForExit(demo.pid, 1500);
        auto took = std::chrono::steady_clock::now() - asked;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "status " << status << "; its stderr:\n" << readText(ram + "/stderr.txt");
        EXPECT_LT(took, std::chrono::seconds(1));
        pid_t pid = demo.pid;
        demo.pid = 0;
        if (player) {
            EXPECT_FALSE(isRunning(player)) << "the player outlived the demo";
        }
        EXPECT_TRUE(portDirectoriesOf(pid).empty()) << portDirectoriesOf(pid)[0];
    }
};

TEST_F(ShowProcessTest, ClockStartsAtThePlayersReportAndEscapeLeavesNothing) {
    struct stat st;
    if (stat(showSong().c_str(), &st) != 0) GTEST_SKIP() << "the show's song is not there yet";
    startShow(runDir());
    ASSERT_GT(player, 0) << "the demo started no player";
    // The title picture holds while the demo waits and for four seconds of song; by seven it is gone.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    std::string early = screenshot();
    std::this_thread::sleep_for(std::chrono::milliseconds(5500));
    std::string late = screenshot();
    ASSERT_EQ(early.size(), 921615u);
    ASSERT_EQ(late.size(), 921615u);
    if (isBlack(early)) GTEST_SKIP() << "no title picture to watch";
    EXPECT_TRUE(early != late) << "the show never started";
    EXPECT_TRUE(isRunning(player));
    escapeAndExpectNothingLeft();
}

TEST_F(ShowProcessTest, WithoutItsSongTheDemoHoldsTheTitleAndStillQuitsOnEscape) {
    // A run directory with the pictures and the player but no song.
    std::string dir = freshDir();
    for (const char *sub : {"Fonts", "gfx", "MusicPlayer"}) {
        std::error_code ec;
        std::filesystem::create_directory_symlink(std::filesystem::canonical(runDir() + "/" + sub, ec), dir + "/" + sub, ec);
    }
    startShow(dir);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    std::string early = screenshot();
    std::this_thread::sleep_for(std::chrono::milliseconds(5500));
    std::string late = screenshot();
    ASSERT_EQ(early.size(), 921615u);
    EXPECT_TRUE(early == late) << "the clock ran without the song";
    if (player) {
        EXPECT_FALSE(isRunning(player)) << "the player gives up on a missing song";
    }
    std::string err = readText(ram + "/stderr.txt");
    EXPECT_NE(err.find("Loading song...\n"), std::string::npos) << err;
    escapeAndExpectNothingLeft();
}

}  // namespace
