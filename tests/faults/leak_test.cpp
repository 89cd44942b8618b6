// One full run of the demo built with AddressSanitizer, from start to Escape with the song
// playing and the star field up, with LeakSanitizer on: no leak, no memory error, status 0.
// Only a build with AddressSanitizer runs it (CI's sanitizer build); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "fault_run.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif

TEST(Leaks, FullRunFromStartToEscapeReportsNoLeak) {
    if (!addressSanitizer) GTEST_SKIP() << "needs the build with AddressSanitizer (-DCORVALIS_SANITIZE=address,undefined)";
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "fault tests need an X display (./test.sh starts Xvfb)";
    std::string dir = makeFaultRunDir(true);
    std::string suppressions = std::string(CORVALIS_SOURCE_DIR) + "/tests/faults/system.lsan.supp";
    std::string why;
    // The preload keeps the GL driver mapped until LeakSanitizer has looked, so that what the
    // driver keeps is named and suppressed by name; it is not ASan's first library, hence the
    // link-order check is off.
    DemoRun run = startFaultDemo(dir, {"ASAN_OPTIONS=detect_leaks=1:exitcode=23:verify_asan_link_order=0",
                                  "LD_PRELOAD=" CORVALIS_KEEP_MODULES,
                                  "LSAN_OPTIONS=print_suppressions=1:suppressions=" + suppressions,
                                  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=24"},
                                 &why);
    ASSERT_GT(run.pid, 0) << why;
    Picture title = screenshot(run, 10);
    ASSERT_EQ(title.width, 640) << fileText(run.errPath);
    // The song starts (the title fades), then the show runs on into the star field (15 s).
    ASSERT_EQ(waitForChange(run, title, 40).width, 640) << "the song never started";
    std::this_thread::sleep_for(std::chrono::seconds(14));
    Picture stars = screenshot(run, 10);
    EXPECT_GT(fractionBrighterThan(stars, 40, 0, 0, 640, 480), 0.001) << "the show ran on";
    pressKey(run, "Escape");
    int status = waitForExit(run, 30);
    std::string err = fileText(run.errPath);
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err.find("LeakSanitizer"), std::string::npos) << err;
    EXPECT_EQ(err.find("ERROR: AddressSanitizer"), std::string::npos) << err;
    EXPECT_EQ(err.find("runtime error"), std::string::npos) << err;
    // What the suppressions took, for the record.
    size_t used = err.find("Suppressions used:");
    if (used != std::string::npos) std::printf("%s\n", err.substr(used).c_str());
    cleanUp(run);
    std::filesystem::remove_all(dir);
}

}  // namespace
