// The fixes that the fault tests and the fuzzers called for, checked in-process against the
// production core: the bounded wait for an answer, the refused port folder, the record intake's
// guard time, and the PPM reader that takes no more memory than the file can fill.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "image/ppm.h"
#include "music/message.h"
#include "platform/memory.h"
#include "platform/ports.h"
#include "platform/ports_record.h"

namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

std::string freshFolder() {
    std::string pattern = (fs::temp_directory_path() / "corvalis-fault-unit-XXXXXX").string();
    return mkdtemp(&pattern[0]) ? pattern : std::string();
}

long millisSince(std::chrono::steady_clock::time_point start) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

// A receiver written against the socket alone: takes one record and answers it only after
// answerAfterMs (never, when negative).
struct SlowReceiver {
    int listenFd = -1;
    std::thread thread;

    SlowReceiver(const std::string &path, long answerAfterMs) {
        listenFd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        if (bind(listenFd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || listen(listenFd, 4) != 0) return;
        thread = std::thread([this, answerAfterMs] {
            int fd = accept(listenFd, nullptr, nullptr);
            if (fd < 0) return;
            unsigned char record[portRecordSize];
            size_t got = 0;
            while (got < sizeof record) {
                ssize_t n = read(fd, record + got, sizeof record - got);
                if (n <= 0) break;
                got += size_t(n);
            }
            if (answerAfterMs >= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(answerAfterMs));
                if (send(fd, record, got, MSG_NOSIGNAL) < 0) {
                    // The sender gave up and closed: what this test is about.
                }
            } else {
                char c;
                while (read(fd, &c, 1) > 0) {
                }
            }
            close(fd);
        });
    }
    ~SlowReceiver() {
        shutdown(listenFd, SHUT_RDWR);
        if (thread.joinable()) thread.join();
        close(listenFd);
    }
};

struct AnswerWait : ::testing::Test {
    std::string dir = freshFolder();
    long blocks = memoryBlocksInUse();
    int ports = portsInUse();
    void SetUp() override { usePortDirectory(dir); }
    void TearDown() override {
        usePortDirectory("");
        fs::remove_all(dir);
    }
};

TEST_F(AnswerWait, AReceiverThatAnswersInTimeGivesItsAnswer) {
    SlowReceiver receiver(dir + "/slowport", 50);
    EXPECT_EQ(SendMessageWithin("slowport", 2, 2000), 2);
    EXPECT_EQ(portsInUse(), ports);
    EXPECT_EQ(memoryBlocksInUse(), blocks);
}

TEST_F(AnswerWait, ASilentReceiverCostsTheBoundAndNothingMore) {
    // One never answers; the other answers after the sender has given up, into a message that
    // must no longer be there to be written.
    for (long answerAfter : {-1L, 400L}) {
        SCOPED_TRACE(answerAfter);
        std::string name = "silent" + std::to_string(answerAfter + 1);
        SlowReceiver receiver(dir + "/" + name, answerAfter);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(SendMessageWithin(name.c_str(), 2, 200), -1);
        long took = millisSince(start);
        EXPECT_GE(took, 190);
        EXPECT_LT(took, 700);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(portsInUse(), ports);
        EXPECT_EQ(memoryBlocksInUse(), blocks);
    }
}

enum class Folder { missing, file, open, otherOwner };

struct FolderCase {
    const char *name;
    Folder kind;
    mode_t mode;
    const char *line;  // after "Port directory <folder> "
};

const FolderCase folderCases[] = {
    {"Missing", Folder::missing, 0, "cannot be used: No such file or directory\n"},
    {"AFile", Folder::file, 0, "is not a folder: not using it\n"},
    {"GroupMayRead", Folder::open, 0740, "is open to group or others (mode 0740): not using it\n"},
    {"OthersMayEnter", Folder::open, 0701, "is open to group or others (mode 0701): not using it\n"},
    {"StickyAndOpen", Folder::open, 01777, "is open to group or others (mode 1777): not using it\n"},
    {"AnotherUsers", Folder::otherOwner, 0700, "belongs to user 65534, not to us: not using it\n"},
};

struct RefusedFolder : ::testing::TestWithParam<FolderCase> {
    std::string base = freshFolder();
    void TearDown() override {
        unsetenv("CORVALIS_PORTS");
        fs::remove_all(base);
    }
};

TEST_P(RefusedFolder, IsSaidOnceAndNoPortIsMadeOrFoundThere) {
    const FolderCase &c = GetParam();
    if (c.kind == Folder::otherOwner && getuid() != 0) GTEST_SKIP() << "only root can give a folder away";
    std::string folder = base + "/ports";
    if (c.kind == Folder::file) std::ofstream(folder) << "not a folder";
    if (c.kind == Folder::open || c.kind == Folder::otherOwner) {
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        ASSERT_EQ(chmod(folder.c_str(), c.mode), 0);
    }
    if (c.kind == Folder::otherOwner) {
        ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
    }
    setenv("CORVALIS_PORTS", folder.c_str(), 1);
    usePortDirectory("");

    testing::internal::CaptureStderr();
    EXPECT_EQ(portDirectory(), "");
    EXPECT_EQ(CreatePort("demoport", 0), nullptr);
    EXPECT_EQ(FindPort("demoport"), nullptr);
    EXPECT_EQ(SendMessage("demoport", 0), -1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Port directory " + folder + " " + c.line);
    if (c.kind == Folder::open || c.kind == Folder::otherOwner) {
        EXPECT_TRUE(fs::is_empty(folder));
    }
}

INSTANTIATE_TEST_SUITE_P(PortFolder, RefusedFolder, ::testing::ValuesIn(folderCases),
                         [](const ::testing::TestParamInfo<FolderCase> &info) { return std::string(info.param.name); });

TEST(TrustedFolder, OurOwnClosedFolderCarriesPorts) {
    std::string folder = freshFolder();
    setenv("CORVALIS_PORTS", folder.c_str(), 1);
    usePortDirectory("");
    testing::internal::CaptureStderr();
    EXPECT_EQ(portDirectory(), folder);
    MsgPort *port = CreatePort("demoport", 0);
    EXPECT_NE(port, nullptr);
    EXPECT_TRUE(portIsServed("demoport"));
    DeletePort(port);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    unsetenv("CORVALIS_PORTS");
    fs::remove_all(folder);
}

// A record's bytes in reads, each at a time after the connection was accepted.
struct Delivery {
    const char *name;
    std::vector<std::pair<int, size_t>> reads;  // (milliseconds, bytes); 0 bytes: the peer's end
    uint8_t type;
    uint16_t length;
    IntakeStep expected;
};

const Delivery deliveries[] = {
    {"WholeAtOnce", {{0, 1048}}, 5, 1048, IntakeStep::deliver},
    {"WholeJustInTime", {{0, 1000}, {1000, 48}}, 5, 1048, IntakeStep::deliver},
    {"LastBytesLate", {{0, 1000}, {1001, 48}}, 5, 1048, IntakeStep::drop},
    {"PeerEndsMidway", {{0, 600}, {10, 0}}, 5, 1048, IntakeStep::drop},
    {"WrongType", {{0, 1048}}, 4, 1048, IntakeStep::drop},
    {"WrongLength", {{0, 1048}}, 5, 1047, IntakeStep::drop},
};

struct RecordGuard : ::testing::TestWithParam<Delivery> {};

TEST_P(RecordGuard, ARecordIsTakenOnlyWholeValidAndInTime) {
    const Delivery &d = GetParam();
    unsigned char record[portRecordSize] = {};
    record[8] = d.type;
    std::memcpy(record + 18, &d.length, 2);
    record[20] = 7;
    static RecordIntake in;
    Clock::time_point accepted = Clock::now();
    beginIntake(in, accepted);
    IntakeStep step = IntakeStep::readMore;
    size_t sent = 0;
    for (auto [ms, bytes] : d.reads) {
        step = takeIntake(in, record + sent, bytes, accepted + std::chrono::milliseconds(ms));
        sent += bytes;
        if (step != IntakeStep::readMore) break;
    }
    EXPECT_EQ(int(step), int(d.expected));
    if (step == IntakeStep::deliver) {
        EXPECT_EQ(std::memcmp(in.record, record, sizeof record), 0);
    }
    EXPECT_EQ(int(takeIntake(in, record, 8, accepted)), int(IntakeStep::drop)) << "nothing more once decided";
}

INSTANTIATE_TEST_SUITE_P(Pacing, RecordGuard, ::testing::ValuesIn(deliveries),
                         [](const ::testing::TestParamInfo<Delivery> &info) { return std::string(info.param.name); });

TEST(PictureClaims, AHeaderClaimingMoreThanTheFileHoldsTakesNoMemoryForIt) {
    if (sanitized) GTEST_SKIP() << "sanitizers reserve more address space than the limit allows";
    std::string folder = freshFolder();
    std::string picture = folder + "/claim.pbm", out = folder + "/out.txt";
    std::ofstream(picture, std::ios::binary) << "P6\n16384 16384\n255\n" << std::string(9, '\x7f');
    // In a child with 256 MiB more address space than it has, a reader that allocated the
    // claimed 768 MiB raster would say "out of memory" instead.
    pid_t child = fork();
    if (child == 0) {
        if (!std::freopen(out.c_str(), "w", stdout)) _exit(3);
        rlimit limit{};
        std::ifstream status("/proc/self/statm");
        long pages = 0;
        status >> pages;
        limit.rlim_cur = limit.rlim_max = rlim_t(pages) * sysconf(_SC_PAGESIZE) + (256l << 20);
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(4);
        int w = -1, h = -1;
        unsigned char *rgba = LoadPPM(picture.c_str(), &w, &h, 0);
        std::fflush(stdout);
        _exit(rgba == nullptr && w == 0 && h == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::ifstream in(out);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "Error PPM raster too short\n");
    fs::remove_all(folder);
}

}  // namespace
