// The screenshot volume (RAM:) unwritable or full, with the real demo under X: the s key
// then says so in one line, leaves no file, not even a partial one, and the show goes on: once
// the volume is usable again, the next s writes a whole screenshot.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "fault_run.h"

namespace fs = std::filesystem;

namespace {

enum class Volume { missing, notAFolder, readOnly, full };

struct VolumeFault {
    const char *name;
    Volume volume;
};

const VolumeFault volumeFaults[] = {
    {"Missing", Volume::missing},
    {"NotAFolder", Volume::notAFolder},
    {"ReadOnly", Volume::readOnly},
    {"Full", Volume::full},
};

constexpr off_t screenshotBytes = 921615;

struct VolumeFaults : ::testing::TestWithParam<VolumeFault> {
    DemoRun run;
    std::string dir;
    std::string base;    // a folder of the test's own
    std::string volume;  // what RAM: names, inside base
    bool mounted = false;

    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "fault tests need an X display (./test.sh starts Xvfb)";
        dir = makeRunDir(false);
        std::string pattern = (fs::temp_directory_path() / "corvalis-volume-XXXXXX").string();
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        base = pattern;
        volume = base + "/ram";
    }
    void TearDown() override {
        cleanUp(run);
        if (mounted) umount2(volume.c_str(), MNT_DETACH);
        chmod(volume.c_str(), 0700);
        fs::remove_all(base);
        fs::remove_all(dir);
    }
    // Makes the volume unusable in the way asked; false (with the reason) when this machine
    // cannot: a read-only or full volume needs a mount of its own, which only root may make.
    bool spoil(Volume v, std::string *why) {
        switch (v) {
            case Volume::missing: return true;
            case Volume::notAFolder: std::ofstream(volume) << "a file where the folder should be"; return true;
            case Volume::readOnly:
                fs::create_directory(volume);
                if (getuid() != 0) {
                    chmod(volume.c_str(), 0500);  // enough for anyone but root
                    return true;
                }
                mounted = mount("corvalis-ro", volume.c_str(), "tmpfs", MS_RDONLY, "size=4m") == 0;
                *why = "cannot mount a read-only tmpfs";
                return mounted;
            case Volume::full:
                fs::create_directory(volume);
                // Room for a third of a screenshot: the write fails part-way.
                mounted = getuid() == 0 && mount("corvalis-full", volume.c_str(), "tmpfs", 0, "size=300k") == 0;
                *why = "a full volume needs a small tmpfs, which only root may mount";
                return mounted;
        }
        return false;
    }
    // Makes the volume usable again.
    void repair(Volume v) {
        switch (v) {
            case Volume::missing: fs::create_directory(volume); break;
            case Volume::notAFolder:
                fs::remove(volume);
                fs::create_directory(volume);
                break;
            case Volume::readOnly:
                if (mounted) {
                    ASSERT_EQ(mount("corvalis-ro", volume.c_str(), "tmpfs", MS_REMOUNT, "size=4m"), 0);
                } else {
                    chmod(volume.c_str(), 0700);
                }
                break;
            case Volume::full: ASSERT_EQ(mount("corvalis-full", volume.c_str(), "tmpfs", MS_REMOUNT, "size=4m"), 0); break;
        }
    }
    // The screenshot file's size once it is whole, or −1 when none comes within the time.
    off_t screenshotSize(double timeoutSeconds) {
        double until = now() + timeoutSeconds;
        while (now() < until) {
            struct stat st;
            if (stat((volume + "/screenshot.ppm").c_str(), &st) == 0 && st.st_size == screenshotBytes) return st.st_size;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
};

TEST_P(VolumeFaults, ScreenshotFailsInOneLineLeavesNoFileAndTheShowGoesOn) {
    const VolumeFault &f = GetParam();
    std::string why;
    if (!spoil(f.volume, &why)) GTEST_SKIP() << why;
    run = startFaultDemo(dir, {"CORVALIS_RAM=" + volume}, &why);
    ASSERT_GT(run.pid, 0) << why;

    pressKey(run, "s");
    double until = now() + 5;
    while (countOf(run.errPath, "Screenshot failed") == 0 && now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(countOf(run.errPath, "Screenshot failed"), 1) << fileText(run.errPath);
    EXPECT_EQ(countOf(run.errPath, "\nScreenshot failed: cannot write " + volume + "/screenshot.ppm"), 1)
        << "one line naming the file: " << fileText(run.errPath);
    if (f.volume != Volume::notAFolder) {
        EXPECT_TRUE(folderEntries(volume).empty()) << "a partial file was left";
    }

    repair(f.volume);
    pressKey(run, "s");
    EXPECT_EQ(screenshotSize(5), screenshotBytes) << "the show went on, and the next screenshot is whole";
    EXPECT_EQ(folderEntries(volume), std::vector<std::string>{"screenshot.ppm"});
    pressKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 5), 0);
}

INSTANTIATE_TEST_SUITE_P(ScreenshotVolume, VolumeFaults, ::testing::ValuesIn(volumeFaults),
                         [](const ::testing::TestParamInfo<VolumeFault> &info) { return std::string(info.param.name); });

}  // namespace
