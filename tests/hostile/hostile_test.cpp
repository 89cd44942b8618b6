// Hostile neighbours: while the real demo runs under X, a local client opens 10,000 malformed
// or stalled connections to "demoport". Frames keep coming (the frame rate is measured against
// a quiet stretch of the same run, through a preloaded frame counter), no record of theirs is
// answered or changes the song flag, proper reports are still served among them, every such
// connection is dropped within the guard time, and no descriptor is left behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "fault_run.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t recordSize = 1048;

// The ways the neighbour abuses a connection, taken in turn.
enum class Abuse { silent, wrongType, wrongLength, cutShort, late, garbage, hangUp };
constexpr Abuse abuses[] = {Abuse::silent,  Abuse::wrongType, Abuse::wrongLength, Abuse::cutShort,
                            Abuse::late,    Abuse::garbage,   Abuse::hangUp};

// A record as a sender puts it on the wire.
std::vector<unsigned char> record(int32_t command, uint8_t type = 5, uint16_t length = recordSize) {
    std::vector<unsigned char> r(recordSize, 0);
    r[8] = type;
    std::memcpy(&r[18], &length, 2);
    std::memcpy(&r[20], &command, 4);
    return r;
}

// A non-blocking connection to the socket; −1 when none can be made within a second.
int connectTo(const std::string &path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    for (int attempt = 0; attempt < 200; ++attempt) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) return fd;
        close(fd);
        if (errno != EAGAIN) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the backlog is full
    }
    return -1;
}

// Writes what fits without waiting; a closed peer is not an error here.
void offer(int fd, const unsigned char *bytes, size_t size) {
    if (send(fd, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
        // Dropped already: what the demo is meant to do.
    }
}

// Sends a proper report and waits for its answer; the answer's command, or a value that is no
// command (−1000) when none came within the guard time.
int32_t report(const std::string &path, int32_t command) {
    int fd = connectTo(path);
    if (fd < 0) return -1000;
    std::vector<unsigned char> r = record(command);
    offer(fd, r.data(), r.size());
    unsigned char back[recordSize];
    size_t got = 0;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (got < recordSize && std::chrono::steady_clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 50);
        ssize_t n = recv(fd, back + got, recordSize - got, MSG_DONTWAIT);
        if (n == 0) break;
        if (n > 0) got += size_t(n);
    }
    close(fd);
    int32_t answer = -1000;
    if (got == recordSize) std::memcpy(&answer, back + 20, 4);
    return answer;
}

struct FloodResult {
    int opened = 0;
    int answered = 0;     // malformed or stalled connections that got anything back: none may
    int notDropped = 0;   // still open well after the guard time
    int reportsServed = 0, reports = 0;  // proper reports among them, answered unchanged
};

// Opens `count` abusive connections in rounds of `round`, each carrying `command` where it
// carries a record, with one proper record at the end of each round (command 3, which is only
// answered and leaves the song flag alone).
FloodResult flood(const std::string &path, int count, int round, int32_t command) {
    FloodResult result;
    std::mt19937 random(7);
    std::vector<unsigned char> garbage(2000);
    for (unsigned char &b : garbage) b = static_cast<unsigned char>(random());
    garbage[8] = 0x77;
    const std::vector<unsigned char> wrongType = record(command, 4), wrongLength = record(command, 5, 1047),
                                     valid = record(command);
    for (int first = 0; first < count; first += round) {
        struct Client {
            int fd;
            Abuse abuse;
        };
        std::vector<Client> clients;
        for (int i = first; i < std::min(count, first + round); ++i) {
            Abuse abuse = abuses[i % (sizeof abuses / sizeof abuses[0])];
            int fd = connectTo(path);
            if (fd < 0) continue;
            ++result.opened;
            switch (abuse) {
                case Abuse::silent: break;
                case Abuse::wrongType: offer(fd, wrongType.data(), recordSize); break;
                case Abuse::wrongLength: offer(fd, wrongLength.data(), recordSize); break;
                case Abuse::cutShort:
                    offer(fd, valid.data(), 600);
                    shutdown(fd, SHUT_WR);
                    break;
                case Abuse::late: offer(fd, valid.data(), 1000); break;
                case Abuse::garbage: offer(fd, garbage.data(), garbage.size()); break;
                case Abuse::hangUp:
                    close(fd);
                    continue;
            }
            clients.push_back({fd, abuse});
        }
        ++result.reports;
        if (report(path, 3) == 3) ++result.reportsServed;

        // Watch them: the demo must close every one without a byte back, within its guard time.
        auto start = std::chrono::steady_clock::now();
        bool lateSent = false;
        while (!clients.empty() && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(2500)) {
            if (!lateSent && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(1100)) {
                for (const Client &c : clients)
                    if (c.abuse == Abuse::late) offer(c.fd, valid.data() + 1000, recordSize - 1000);
                lateSent = true;
            }
            std::vector<pollfd> fds;
            for (const Client &c : clients) fds.push_back({c.fd, POLLIN, 0});
            poll(fds.data(), fds.size(), 20);
            std::vector<Client> open;
            for (size_t k = 0; k < clients.size(); ++k) {
                if (!fds[k].revents) {
                    open.push_back(clients[k]);
                    continue;
                }
                unsigned char buf[recordSize];
                ssize_t n = recv(clients[k].fd, buf, sizeof buf, MSG_DONTWAIT);
                if (n > 0) ++result.answered;
                if (n < 0 && errno == EAGAIN) {
                    open.push_back(clients[k]);
                    continue;
                }
                close(clients[k].fd);
            }
            clients.swap(open);
        }
        result.notDropped += int(clients.size());
        for (const Client &c : clients) close(c.fd);
    }
    return result;
}

// The frame counter the preloaded library increments in the demo.
struct FrameCounter {
    std::string path;
    std::atomic<uint64_t> *count = nullptr;
    FrameCounter() {
        std::string pattern = (fs::temp_directory_path() / "corvalis-frames-XXXXXX").string();
        int fd = mkstemp(&pattern[0]);
        path = pattern;
        if (fd < 0 || ftruncate(fd, sizeof(uint64_t)) != 0) return;
        void *at = mmap(nullptr, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        if (at != MAP_FAILED) count = static_cast<std::atomic<uint64_t> *>(at);
    }
    ~FrameCounter() {
        if (count) munmap(count, sizeof(uint64_t));
        unlink(path.c_str());
    }
    uint64_t frames() const { return count ? count->load() : 0; }
    // Frames a second over the next `seconds`.
    double rate(double seconds) const {
        uint64_t before = frames();
        double start = now();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        return double(frames() - before) / (now() - start);
    }
};

TEST(HostileNeighbours, TenThousandBadConnectionsLeaveFramesSongFlagAndDescriptorsAlone) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "hostile tests need an X display (./test.sh starts Xvfb)";
    FrameCounter counter;
    ASSERT_NE(counter.count, nullptr);
    // No player: this test speaks for it, with proper reports among the bad ones.
    std::string dir = makeRunDir(false);
    std::string why;
    DemoRun run = startFaultDemo(dir, {"LD_PRELOAD=" CORVALIS_FRAME_COUNTER, "CORVALIS_FRAME_COUNT_FILE=" + counter.path},
                                 &why);
    ASSERT_GT(run.pid, 0) << why;
    const std::string demoport = run.portDir + "/demoport";
    Picture title = screenshot(run);
    ASSERT_GT(fractionBrighterThan(title, 24, 0, 0, 640, 480), 0.2) << "the title picture";
    ASSERT_GT(counter.frames(), 0u) << "the frame counter is not in the demo";
    int descriptors = openDescriptors(run.pid);

    double quiet = counter.rate(3);
    uint64_t before = counter.frames();
    double start = now();
    FloodResult bad = flood(demoport, 10000, 500, 0);  // every record says "the song plays"
    double floodSeconds = now() - start;
    double busy = double(counter.frames() - before) / floodSeconds;
    std::printf("frames a second: quiet %.0f, under 10,000 bad connections %.0f (%.0f%%), over %.1f s\n", quiet, busy,
                100 * busy / quiet, floodSeconds);
    RecordProperty("quiet_fps", int(quiet));
    RecordProperty("flood_fps", int(busy));

    EXPECT_EQ(bad.opened, 10000);
    EXPECT_EQ(bad.answered, 0) << "a bad connection got an answer";
    EXPECT_EQ(bad.notDropped, 0) << "bad connections still open after the guard time";
    EXPECT_EQ(bad.reportsServed, bad.reports) << "proper reports went unanswered among the bad ones";
    EXPECT_GT(busy, 0.5 * quiet) << "frames must keep coming";

    // No bad record set the song flag: the title still stands, unfaded, long after.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(openDescriptors(run.pid), descriptors) << "descriptors left behind";
    EXPECT_LT(pictureDifference(title, screenshot(run)), 1.0) << "the title must stand: no bad record started the song";

    // A proper report does: the title fades. Then bad records that say "stopped" do not bring
    // it back.
    EXPECT_EQ(report(demoport, 0), 0);
    EXPECT_EQ(waitForChange(run, title, 8).width, 640) << "the proper report did not start the show";
    FloodResult stopped = flood(demoport, 1000, 500, 2);
    EXPECT_EQ(stopped.answered, 0);
    EXPECT_GT(pictureDifference(title, screenshot(run)), 10.0) << "a bad 'stopped' record brought the title back";

    pressKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 5), 0);
    cleanUp(run);
    fs::remove_all(dir);
}

}  // namespace
