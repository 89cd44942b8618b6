// Ports over Unix sockets: the record on the wire, answers and their absence, stale and live
// socket files, names, deletion with senders waiting, and peers of another user.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <thread>

#include "music/message.h"
#include "platform/memory.h"
#include "platform/ports.h"
#include "platform/tasks.h"
#include "port_helpers.h"
#include "testfiles.h"

namespace {

// What the raw receiver does with the one record it takes.
enum class Answer { unchanged, altered, none, shortAnswer, wrongType };

// A receiver written against the socket alone: takes one record, keeps its bytes, answers.
struct RawReceiver {
    int listenFd;
    std::thread thread;

    RawReceiver(const std::string &name, Answer answer, std::vector<unsigned char> *seen = nullptr)
        : listenFd(rawListen(name)) {
        thread = std::thread([this, answer, seen] {
            int fd = accept(listenFd, nullptr, nullptr);
            if (fd < 0) return;
            std::vector<unsigned char> record(1048);
            if (readWithin(fd, record.data(), record.size(), 2000) == 1048 && seen) *seen = record;
            std::vector<unsigned char> back = record;
            int32_t altered = 42;
            switch (answer) {
                case Answer::unchanged: writeAll(fd, back); break;
                case Answer::altered: std::memcpy(&back[20], &altered, 4); writeAll(fd, back); break;
                case Answer::none: break;
                case Answer::shortAnswer: back.resize(500); writeAll(fd, back); break;
                case Answer::wrongType: back[8] = 4; writeAll(fd, back); break;
            }
            close(fd);
        });
    }
    ~RawReceiver() {
        thread.join();
        close(listenFd);
    }
};

struct PortTest : ::testing::Test {
    ScopedPortDirectory ports;
    int fds = openFds();
    long blocks = memoryBlocksInUse();
    int portCount = portsInUse();

    // Nothing the test made is left behind: ports, memory, descriptors (the hub may close
    // its last sockets a moment later).
    void expectNothingLeft() {
        EXPECT_EQ(portsInUse(), portCount);
        EXPECT_EQ(memoryBlocksInUse(), blocks);
        EXPECT_TRUE(eventually([&] { return openFds() == fds; })) << openFds() << " open, " << fds << " before";
    }
};

TEST_F(PortTest, RecordArrivesWithItsLayoutAndTheCommandComesBackUnchanged) {
    const int32_t commands[] = {0, 1, 2, -1, 3, -2, INT32_MIN, INT32_MAX};
    for (int32_t command : commands) {
        SCOPED_TRACE(command);
        int32_t result;
        std::vector<unsigned char> seen;
        {
            RawReceiver receiver("rawport", Answer::unchanged, &seen);
            result = SendMessage("rawport", command);
        }
        unlink((ports.dir + "/rawport").c_str());
        EXPECT_EQ(result, command);
        ASSERT_EQ(seen.size(), 1048u);
        EXPECT_EQ(seen[8], 5) << "ln_Type";
        EXPECT_EQ(seen[9], 0) << "ln_Pri";
        uint16_t length;
        int32_t sent;
        std::memcpy(&length, &seen[18], 2);
        std::memcpy(&sent, &seen[20], 4);
        EXPECT_EQ(length, 1048);
        EXPECT_EQ(sent, command);
        for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 15, 16, 17}) EXPECT_EQ(seen[i], 0) << "pointer byte " << i;
        EXPECT_EQ(std::count(seen.begin() + 24, seen.end(), 0), 1024) << "the text area is all zero";
    }
    expectNothingLeft();
}

TEST_F(PortTest, ResultIsTheAnswersCommandOrMinusOneWithoutAProperAnswer) {
    struct Case {
        Answer answer;
        int32_t expected;
    };
    const Case cases[] = {
        {Answer::unchanged, 7}, {Answer::altered, 42}, {Answer::none, -1},
        {Answer::shortAnswer, -1}, {Answer::wrongType, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.answer));
        int32_t result;
        {
            RawReceiver receiver("rawport", c.answer);
            result = SendMessage("rawport", 7);
        }
        unlink((ports.dir + "/rawport").c_str());
        EXPECT_EQ(result, c.expected);
    }
    expectNothingLeft();
}

TEST_F(PortTest, SendToAMissingPortReturnsMinusOneAtOnceAndLeavesNothing) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendMessage("nobody", 2), -1);
    EXPECT_LT(millisSince(start), 500) << "nothing to wait for";
    Message m{};
    EXPECT_EQ(SafePutToPort(&m, "nobody"), 0);
    expectNothingLeft();
}

TEST_F(PortTest, SendThatCannotStartReleasesWhatItTookAndPutsNothing) {
    int listenFd = rawListen("target");
    ASSERT_GE(listenFd, 0);
    // No signal bit for the reply port.
    std::vector<int> bits;
    for (int bit; (bit = AllocSignal()) >= 0;) bits.push_back(bit);
    EXPECT_EQ(SendMessage("target", 2), -1);
    for (int bit : bits) FreeSignal(bit);
    // No memory for the message.
    failNextAllocations(1);
    EXPECT_EQ(SendMessage("target", 2), -1);
    failNextAllocations(0);

    pollfd waiting{listenFd, POLLIN, 0};
    EXPECT_EQ(poll(&waiting, 1, 0), 0) << "no connection was made";
    close(listenFd);
    unlink((ports.dir + "/target").c_str());
    expectNothingLeft();
}

TEST_F(PortTest, StaleSocketFileIsReplacedButALivePortOrAnotherFileIsNot) {
    // A socket file whose listener is gone, as a killed run leaves it.
    close(rawListen("stale"));
    EXPECT_FALSE(portIsServed("stale"));
    EXPECT_EQ(FindPort("stale"), nullptr);
    MsgPort *port = CreatePort("stale", 0);
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(portIsServed("stale"));
    EXPECT_EQ(CreatePort("stale", 0), nullptr) << "a live port keeps its name";

    writeFile(ports.dir + "/plainfile", "keep me");
    EXPECT_EQ(CreatePort("plainfile", 0), nullptr);
    EXPECT_EQ(readFile(ports.dir + "/plainfile"), "keep me");

    DeletePort(port);
    EXPECT_FALSE(portIsServed("stale"));
    struct stat st;
    EXPECT_NE(lstat((ports.dir + "/stale").c_str(), &st), 0) << "the name is withdrawn";
    unlink((ports.dir + "/plainfile").c_str());
    expectNothingLeft();
}

TEST_F(PortTest, UnusableNamesAndDirectoriesGiveNoPort) {
    const std::string tooLong(200, 'p');
    const char *names[] = {"", "a/b", ".", "..", tooLong.c_str()};
    for (const char *name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(CreatePort(name, 0), nullptr);
        EXPECT_EQ(FindPort(name), nullptr);
    }
    usePortDirectory(ports.dir + "/missing");
    EXPECT_EQ(CreatePort("demoport", 0), nullptr);
    usePortDirectory(ports.dir);
    // A private port needs no directory, and every refused port gave its signal bit back.
    MsgPort *own = CreatePort(nullptr, 0);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->mp_SigBit, 16);
    DeletePort(own);
    expectNothingLeft();
}

// A task that owns "slow", waits for one message, and deletes the port without answering.
std::atomic<bool> slowReady{false};
void slowReceiver() {
    MsgPort *port = CreatePort("slow", 0);
    slowReady = true;
    if (port) {
        WaitPort(port);
        DeletePort(port);
    }
    Wait(0);
}

TEST_F(PortTest, SenderWhoseMessageIsHeldByADeletedPortGetsNoAnswer) {
    slowReady = false;
    Task *task = CreateTask("slow", 0, slowReceiver, 2000, 0);
    ASSERT_TRUE(eventually([] { return slowReady.load(); }));
    EXPECT_EQ(SendMessage("slow", 0), -1);
    EXPECT_FALSE(portIsServed("slow"));
    DeleteTask(task);
    expectNothingLeft();
}

TEST_F(PortTest, LocalPortsPassMessagesByReferenceAndReplyToTheReplyPort) {
    MsgPort *port = CreatePort(nullptr, 0);
    MsgPort *reply = CreatePort(nullptr, 0);
    ASSERT_TRUE(port && reply);
    Message m{};
    setReplyPort(&m, reply);
    EXPECT_EQ(replyPortOf(&m), reply);
    PutMsg(port, &m);
    EXPECT_TRUE(pendingSignals() & (1u << port->mp_SigBit));
    WaitPort(port);
    EXPECT_EQ(GetMsg(port), &m);
    EXPECT_EQ(GetMsg(port), nullptr);
    ReplyMsg(&m);
    EXPECT_EQ(GetMsg(reply), &m);
    DeletePort(reply);
    EXPECT_EQ(replyPortOf(&m), nullptr) << "a deleted port is forgotten as a reply port";
    DeletePort(port);
    expectNothingLeft();
}

TEST_F(PortTest, PeerOfAnotherUserIsRefusedEvenWhenTheFileWouldLetItIn) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to run a peer under another user";
    chmod(ports.dir.c_str(), 0777);
    MsgPort *port = CreatePort("guarded", 0);
    ASSERT_NE(port, nullptr);
    chmod((ports.dir + "/guarded").c_str(), 0777);
    std::vector<unsigned char> record = wireRecord(0);
    pid_t child = fork();
    if (child == 0) {
        if (setuid(65534) != 0) _exit(3);
        int fd = rawConnect("guarded");
        if (fd < 0) _exit(4);
        writeAll(fd, record);
        unsigned char back[1048];
        _exit(readWithin(fd, back, sizeof back, 3000) == 0 ? 0 : 1);  // end of file, no answer
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    EXPECT_EQ(GetMsg(port), nullptr);
    DeletePort(port);
    expectNothingLeft();
}

}  // namespace
