// cmake --install puts a working program under a prefix: run from any folder, it finds its
// data and its player next to its install, plays with its music and captures; the desktop
// entry and the icons are there.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "program_run.h"
#include "shell/capture_png.h"

namespace fs = std::filesystem;

namespace {

struct InstallTest : ::testing::Test {
    std::string prefix = freshFolder("corvalis-prefix-"), elsewhere = freshFolder("corvalis-cwd-");
    void SetUp() override {
        ProgramResult r = runProgram(CORVALIS_CMAKE, {"--install", CORVALIS_BUILD_DIR, "--prefix", prefix}, elsewhere);
        ASSERT_EQ(r.status, 0) << r.out << r.err;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(prefix, ec);
        fs::remove_all(elsewhere, ec);
    }
};

bool executable(const std::string &path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IXUSR);
}

TEST_F(InstallTest, PutsTheProgramItsDataItsPlayerADesktopEntryAndIcons) {
    EXPECT_TRUE(executable(prefix + "/bin/corvalis"));
    EXPECT_TRUE(executable(prefix + "/share/corvalis/MusicPlayer/sdlmusicplayer"));
    for (const char *f : {"Fonts/font1.pbm", "gfx/gfx2.pbm", "gfx/veldoran_dpdp7.pbm", "msx/qsm_insomnia.xm"})
        EXPECT_TRUE(fs::is_regular_file(prefix + "/share/corvalis/" + f)) << f;
    std::string desktop = fileText(prefix + "/share/applications/corvalis.desktop");
    EXPECT_NE(desktop.find("Exec=corvalis\n"), std::string::npos) << desktop;
    EXPECT_NE(desktop.find("Icon=corvalis\n"), std::string::npos);
    for (int size : {48, 64, 256}) {
        std::vector<unsigned char> rgb;
        int w = 0, h = 0;
        std::string s = std::to_string(size);
        ASSERT_TRUE(readPng(prefix + "/share/icons/hicolor/" + s + "x" + s + "/apps/corvalis.png", &rgb, &w, &h)) << s;
        EXPECT_EQ(w, size);
        EXPECT_EQ(h, size);
    }
}

TEST_F(InstallTest, RunFromAnotherFolderItCapturesTheShowFromItsInstalledData) {
    ProgramResult r = runProgram(prefix + "/bin/corvalis", {"--capture", "frames", "--frames", "100"}, elsewhere);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<unsigned char> rgb;
    int w = 0, h = 0;
    // The output goes where it was asked, relative to the folder the program was started in.
    ASSERT_TRUE(readPng(elsewhere + "/frames/frame-000100.png", &rgb, &w, &h));
    double sum = 0;
    for (unsigned char c : rgb) sum += c;
    EXPECT_GT(sum / double(rgb.size()), 30.0) << "the title picture, loaded from the installed data";
    EXPECT_EQ(r.err.find("Can't"), std::string::npos) << r.err;
}

TEST_F(InstallTest, RunFromAnotherFolderItPlaysWithItsInstalledPlayer) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "end-to-end tests need an X display (./test.sh starts Xvfb)";
    DemoRun run = startDemoWith(prefix + "/bin/corvalis", {}, elsewhere);
    ASSERT_TRUE(waitForWindow(run, 15)) << fileText(run.errPath);
    double until = now() + 10;
    std::string player;
    while (now() < until && player.empty()) {
        player = commandOutput("pgrep -f '^MusicPlayer/sdlmusicplayer msx/qsm_insomnia.xm'");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(player.empty()) << "the installed player was not started";
    Picture shot = screenshot(run);
    ASSERT_EQ(shot.width, 640) << fileText(run.errPath);
    EXPECT_GT(meanBrightness(shot, 0, 0, 640, 480), 10.0) << "the title picture, from the installed data";
    pressKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 5), 0);
    cleanUp(run);
}

}  // namespace
