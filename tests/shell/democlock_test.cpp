// The demo clock: separate truncation of both ends, the four modes, no normalisation.
#include <gtest/gtest.h>

#include "platform/time.h"
#include "shell/democlock.h"

namespace {

struct ClockTest : ::testing::Test {
    void SetUp() override { useVirtualClock(true); }
    void TearDown() override { useVirtualClock(false); }
    static void at(long sec, long usec) { setVirtualTime(sec, usec); }
};

struct ResetReadCase {
    long resetSec, resetUsec, readSec, readUsec;
    int expected;
};

TEST_F(ClockTest, ElapsedIsSecondsAndCentisecondsSubtractedApart) {
    const ResetReadCase cases[] = {
        {10, 0, 10, 0, 0},             // a read right after the reset
        {10, 0, 10, 9999, 0},          // still inside the same centisecond
        {10, 0, 12, 345000, 234},      // the read's centisecond is truncated
        {10, 5000, 12, 350000, 235},   // both ends truncated separately: 2.345 s reads 235
        {10, 990000, 11, 5000, 1},     // (11 − 10) × 100 + (0 − 99)
        {100, 0, 99, 0, -100},         // a read before the start is negative
    };
    for (const auto &c : cases) {
        at(c.resetSec, c.resetUsec);
        EXPECT_EQ(getTimeWithStatus(clockReset), 0);
        at(c.readSec, c.readUsec);
        EXPECT_EQ(getTime(), c.expected) << "reset " << c.resetSec << "s+" << c.resetUsec << "us, read "
                                         << c.readSec << "s+" << c.readUsec << "us";
        EXPECT_EQ(getTimeWithStatus(-1), c.expected);
        EXPECT_EQ(getTimeWithStatus(7), c.expected);
    }
}

TEST_F(ClockTest, PauseKeepsCountingAndResumeCutsThePauseOut) {
    at(20, 0);
    getTimeWithStatus(clockReset);
    at(25, 0);
    EXPECT_EQ(getTimeWithStatus(clockPause), 500);
    at(26, 500000);
    EXPECT_EQ(getTime(), 650);  // reads during the pause keep advancing
    at(28, 0);
    EXPECT_EQ(getTime(), 800);
    EXPECT_EQ(getTimeWithStatus(clockResume), 500);
    at(28, 10000);
    EXPECT_EQ(getTime(), 501);
}

TEST_F(ClockTest, ResumeUsesTheLastPauseAndLeavesCentisecondsUnnormalised) {
    at(0, 0);
    getTimeWithStatus(clockReset);
    at(1, 900000);
    getTimeWithStatus(clockPause);  // overwritten by the next pause
    at(3, 200000);
    EXPECT_EQ(getTimeWithStatus(clockPause), 320);
    at(5, 990000);
    // The start moves by 2 s and +79 centiseconds: its centisecond part is now 79.
    EXPECT_EQ(getTimeWithStatus(clockResume), 320);
    at(6, 0);
    // (6 − 2) × 100 + (0 − 79): a start centisecond that another step could push past 99
    // is never carried into the seconds, and the sum stays right.
    EXPECT_EQ(getTime(), 321);
}

TEST_F(ClockTest, ResumeWithPauseMomentZeroMovesTheStartByTheWholeTime) {
    at(0, 0);
    getTimeWithStatus(clockPause);  // the initial pause moment of a fresh program
    at(1000, 0);
    getTimeWithStatus(clockReset);
    at(1000, 500000);
    getTimeWithStatus(clockResume);
    at(1001, 0);
    EXPECT_LT(getTime(), -90000);
}

}  // namespace
