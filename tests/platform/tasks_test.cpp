// Tasks, signals and the scheduling lock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/tasks.h"

namespace {

std::atomic<int> stepsAfterPark{0};
std::atomic<int> woke{0};
std::atomic<Task *> started{nullptr};
std::atomic<uint32_t> seen{0};
int parkedSignal = -1;

void parkAtOnce() {
    started = FindTask(nullptr);
    Wait(0);
    stepsAfterPark++;  // must never run
}

void waitForSignal() {
    parkedSignal = AllocSignal();
    started = FindTask(nullptr);
    seen = Wait(1u << parkedSignal);
    woke++;
    Wait(0);
    stepsAfterPark++;
}

template <typename Pred>
bool eventually(Pred p) {
    for (int i = 0; i < 400; ++i) {
        if (p()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(Tasks, DeleteEndsATaskParkedInWaitZero) {
    stepsAfterPark = 0;
    started = nullptr;
    Task *t = CreateTask("parker", 0, parkAtOnce, 2000, 0);
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(eventually([] { return started.load() != nullptr; }));
    EXPECT_STREQ(taskName(started), "parker");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    auto before = std::chrono::steady_clock::now();
    Forbid();
    DeleteTask(t);
    Permit();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(900));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(stepsAfterPark, 0);
}

TEST(Tasks, SignalsWakeTheirTaskOnceAndAreFlagsNotCounts) {
    woke = 0;
    seen = 0;
    stepsAfterPark = 0;
    started = nullptr;
    Task *t = CreateTask("waiter", 0, waitForSignal, 2000, 0);
    ASSERT_TRUE(eventually([] { return started.load() != nullptr; }));
    Signal(t, 1u << 3);  // a signal it does not wait for
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(woke, 0);
    Signal(t, 1u << parkedSignal);
    Signal(t, 1u << parkedSignal);
    ASSERT_TRUE(eventually([] { return woke.load() == 1; }));
    EXPECT_EQ(seen.load(), 1u << parkedSignal);
    DeleteTask(t);
    EXPECT_EQ(stepsAfterPark, 0);
}

TEST(Tasks, SignalBitsAreHandedOutOnceAndReturned) {
    int a = AllocSignal(), b = AllocSignal();
    EXPECT_GE(a, 16);
    EXPECT_GE(b, 16);
    EXPECT_NE(a, b);
    FreeSignal(a);
    EXPECT_EQ(AllocSignal(), a);
    FreeSignal(a);
    FreeSignal(b);
    int n = 0;
    while (AllocSignal() >= 0) ++n;
    EXPECT_EQ(n, 16);
    for (int bit = 16; bit < 32; ++bit) FreeSignal(bit);
}

TEST(Tasks, ForbidExcludesOtherTasksAndIsRecursive) {
    std::atomic<bool> entered{false};
    Forbid();
    Forbid();
    std::thread other([&] {
        Forbid();
        entered = true;
        Permit();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    Permit();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(entered);
    Permit();
    other.join();
    EXPECT_TRUE(entered);
}

TEST(Tasks, NoEntryNoTask) { EXPECT_EQ(CreateTask("none", 0, nullptr, 2000, 0), nullptr); }

}  // namespace
