// The listener task on "demoport": the command table, answers to every message however they
// arrive, the quit, a listener without its port, and hostile peers that must change nothing.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <memory>
#include <thread>

#include "music/listener.h"
#include "music/message.h"
#include "platform/memory.h"
#include "platform/ports.h"
#include "platform/tasks.h"
#include "port_helpers.h"

namespace {

struct ListenerTest : ::testing::Test {
    ScopedPortDirectory ports;
    int fds = openFds();
    long blocks = memoryBlocksInUse();
    Task *task = nullptr;

    void SetUp() override {
        playingSong = 0;
        listenerStage = listenerStarting;
        task = CreateTask(subtaskname, 0, musichandler, 2000, 0);
        ASSERT_NE(task, nullptr);
        ASSERT_TRUE(waitForListener(2000));
    }
    void TearDown() override {
        if (task) {
            // Raw, with a time limit: a broken listener fails the test rather than hanging it.
            answerTo(wireRecord(commandQuit));
            DeleteTask(task);
        }
        EXPECT_EQ(memoryBlocksInUse(), blocks);
        EXPECT_TRUE(eventually([&] { return openFds() == fds; })) << openFds() << " open, " << fds << " before";
    }
    // Sends a raw record and returns the answer's command, or a reason there was none.
    static int32_t answerTo(const std::vector<unsigned char> &record) {
        int fd = rawConnect(demoPortName);
        if (fd < 0) return INT32_MIN;
        writeAll(fd, record);
        unsigned char back[1048];
        long n = readWithin(fd, back, sizeof back, 3000);
        close(fd);
        int32_t command;
        std::memcpy(&command, back + 20, 4);
        return n == 1048 ? command : INT32_MIN + 1;
    }
};

TEST_F(ListenerTest, ReportsSetAndClearTheSongFlag) {
    struct Step {
        int32_t report;
        int16_t flag;
    };
    const Step steps[] = {{1, 0}, {0, 1}, {2, 0}, {0, 1}, {0, 1}, {1, 0}, {1, 0}, {0, 1}, {2, 0}, {2, 0}};
    for (const Step &s : steps) {
        EXPECT_EQ(SendMessage(demoPortName, s.report), s.report) << "answered unchanged";
        EXPECT_EQ(playingSong.load(), s.flag) << "after report " << s.report;
    }
}

TEST_F(ListenerTest, OtherCommandsAreOnlyAnswered) {
    const int32_t others[] = {3, -2, 100, INT32_MIN, INT32_MAX};
    for (int16_t flag : {0, 1}) {
        SendMessage(demoPortName, flag ? commandSongPlays : commandSongLoading);
        for (int32_t command : others) {
            EXPECT_EQ(SendMessage(demoPortName, command), command);
            EXPECT_EQ(playingSong.load(), flag) << "command " << command;
        }
    }
}

TEST_F(ListenerTest, MessagesThatArriveTogetherAreAllTakenAndAnswered) {
    // Eight records on the wire before any answer is read: one wake-up may stand for several.
    for (int round = 0; round < 5; ++round) {
        std::vector<int> conns;
        for (int i = 0; i < 8; ++i) {
            int fd = rawConnect(demoPortName);
            ASSERT_GE(fd, 0);
            writeAll(fd, wireRecord(10 + i));
            conns.push_back(fd);
        }
        for (int i = 0; i < 8; ++i) {
            unsigned char back[1048];
            ASSERT_EQ(readWithin(conns[i], back, sizeof back, 3000), 1048) << "record " << i << " of round " << round;
            int32_t command;
            std::memcpy(&command, back + 20, 4);
            EXPECT_EQ(command, 10 + i);
            close(conns[i]);
        }
    }
    // And senders on several threads at once. They wait for answers without a limit, so a
    // listener that loses a message would keep them: the test waits for them with one.
    auto answered = std::make_shared<std::atomic<int>>(0);
    auto finished = std::make_shared<std::atomic<int>>(0);
    std::vector<std::thread> senders;
    for (int t = 0; t < 8; ++t)
        senders.emplace_back([answered, finished, t] {
            for (int i = 0; i < 20; ++i)
                if (SendMessage(demoPortName, 100 + t) == 100 + t) (*answered)++;
            (*finished)++;
        });
    bool allDone = eventually([&] { return finished->load() == 8; }, 10000);
    for (auto &s : senders) allDone ? s.join() : s.detach();
    EXPECT_TRUE(allDone) << "senders still waiting for their answers";
    EXPECT_EQ(answered->load(), 160);
}

TEST_F(ListenerTest, WakeUpsWithAnEmptyPortDoNoHarm) {
    for (int i = 0; i < 50; ++i) Signal(task, 0xFFFF0000u);  // every bit its port could have
    EXPECT_EQ(SendMessage(demoPortName, commandSongPlays), commandSongPlays);
    EXPECT_EQ(playingSong.load(), 1);
}

TEST_F(ListenerTest, AfterTheQuitThePortIsGoneBeforeTheTaskIsDeleted) {
    EXPECT_EQ(answerTo(wireRecord(commandQuit)), commandQuit) << "the quit is answered unchanged";
    Forbid();
    DeleteTask(task);
    Permit();
    task = nullptr;
    struct stat st;
    EXPECT_NE(lstat((ports.dir + "/demoport").c_str(), &st), 0) << "socket file removed";
    EXPECT_EQ(listenerStage.load(), listenerParked);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendMessage(demoPortName, commandSongPlays), -1);
    EXPECT_LT(millisSince(start), 500);
    EXPECT_EQ(playingSong.load(), 0);
}

TEST(ListenerWithoutPort, SaysSoParksAndTheQuitFindsNoPort) {
    ScopedPortDirectory ports;
    usePortDirectory(ports.dir + "/missing");
    listenerStage = listenerStarting;
    testing::internal::CaptureStderr();
    Task *task = CreateTask(subtaskname, 0, musichandler, 2000, 0);
    ASSERT_TRUE(waitForListener(2000));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Unable to create messageport!\n");
    EXPECT_EQ(listenerStage.load(), listenerParked);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendMessage(demoPortName, commandQuit), -1);
    EXPECT_LT(millisSince(start), 500);
    Forbid();
    DeleteTask(task);
    Permit();
    EXPECT_LT(millisSince(start), 900) << "a parked listener is deleted at once";
}

// Hostile peers. Each leaves the flag at 1: the records carry report 2, which would clear it.
struct ListenerHostileTest : ListenerTest {
    void SetUp() override {
        ListenerTest::SetUp();
        ASSERT_EQ(SendMessage(demoPortName, commandSongPlays), commandSongPlays);
    }
    // The listener still serves, and nothing hostile changed the flag.
    void expectStillServing() {
        EXPECT_EQ(playingSong.load(), 1);
        EXPECT_EQ(SendMessage(demoPortName, 3), 3);
    }
};

struct Hostile {
    const char *what;
    std::vector<unsigned char> bytes;
    bool stays;  // keeps the connection open after writing
};

std::vector<Hostile> hostilePeers() {
    std::vector<unsigned char> shortRecord = wireRecord(commandSongStopped);
    shortRecord.resize(500);
    return {
        {"short record, then gone", shortRecord, false},
        {"short record, then silence", shortRecord, true},
        {"wrong ln_Type", wireRecord(commandSongStopped, 4), false},
        {"wrong ln_Type, waits for an answer", wireRecord(commandSongStopped, 0), true},
        {"wrong mn_Length", wireRecord(commandSongStopped, 5, 1047), false},
        {"wrong mn_Length, waits for an answer", wireRecord(commandSongStopped, 5, 2048), true},
        {"connects and says nothing", {}, true},
        {"connects and leaves", {}, false},
    };
}

TEST_F(ListenerHostileTest, MalformedStalledOrVanishedPeersAreDroppedWithoutAnAnswer) {
    for (const Hostile &h : hostilePeers()) {
        SCOPED_TRACE(h.what);
        int fd = rawConnect(demoPortName);
        ASSERT_GE(fd, 0);
        if (!h.bytes.empty()) writeAll(fd, h.bytes);
        if (h.stays) {
            unsigned char back[1048];
            auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(readWithin(fd, back, sizeof back, 3000), 0) << "closed, with no answer";
            EXPECT_LT(millisSince(start), 1500) << "dropped after the one-second guard";
        }
        close(fd);
        expectStillServing();
    }
}

TEST_F(ListenerHostileTest, PeerThatVanishesBeforeItsAnswerCostsNothing) {
    int fd = rawConnect(demoPortName);
    ASSERT_GE(fd, 0);
    writeAll(fd, wireRecord(3));
    close(fd);
    expectStillServing();
}

TEST_F(ListenerHostileTest, SilentPeersDoNotHoldUpOtherSenders) {
    std::vector<int> silent;
    for (int i = 0; i < 20; ++i) silent.push_back(rawConnect(demoPortName));
    auto start = std::chrono::steady_clock::now();
    expectStillServing();
    EXPECT_LT(millisSince(start), 900) << "served while twenty peers say nothing";
    for (int fd : silent) {
        unsigned char back[1];
        EXPECT_EQ(readWithin(fd, back, 1, 3000), 0);
        close(fd);
    }
}

TEST_F(ListenerHostileTest, AThousandHostileConnectionsInARow) {
    std::vector<Hostile> peers = hostilePeers();
    std::vector<unsigned char> vanishing = wireRecord(3);
    for (int i = 0; i < 1000; ++i) {
        int fd = rawConnect(demoPortName);
        ASSERT_GE(fd, 0) << "connection " << i;
        const Hostile &h = peers[i % peers.size()];
        writeAll(fd, i % 9 == 8 ? vanishing : h.bytes);
        close(fd);  // none waits: the listener must clean up after all of them
    }
    expectStillServing();
    EXPECT_TRUE(eventually([&] { return memoryBlocksInUse() == blocks; }));
}

}  // namespace
