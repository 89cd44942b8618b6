// A port folder (CORVALIS_PORTS) that others could use, with the real demo and player under
// X: owned by another user, or open to group or others. The demo refuses it with one clear
// line; no port of ours appears there, the ports a neighbour planted there under our names get
// no connection, and the demo still shows its title and quits on Escape.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "fault_run.h"

namespace fs = std::filesystem;

namespace {

struct PortDirFault {
    const char *name;
    mode_t mode;
    bool otherOwner;
    const char *line;  // the refusal, after "Port directory <folder> "
};

const PortDirFault portDirFaults[] = {
    {"OpenToGroup", 0770, false, "is open to group or others (mode 0770): not using it\n"},
    {"OpenToOthers", 0703, false, "is open to group or others (mode 0703): not using it\n"},
    {"OpenToAll", 0777, false, "is open to group or others (mode 0777): not using it\n"},
    {"OwnedByAnotherUser", 0700, true, "belongs to user 65534, not to us: not using it\n"},
};

// A listening socket at path, taking connections without blocking; −1 on failure.
int plantPort(const std::string &path) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
        if (fd >= 0) close(fd);
        return -1;
    }
    return fd;
}

struct PortDirFaults : ::testing::TestWithParam<PortDirFault> {
    DemoRun run;
    std::string dir;
    std::string ports;
    int planted[2] = {-1, -1};  // a neighbour's "demoport" and "musicplayerport"

    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "fault tests need an X display (./test.sh starts Xvfb)";
        dir = makeRunDir(true);
        std::string pattern = (fs::temp_directory_path() / "corvalis-open-ports-XXXXXX").string();
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        ports = pattern;
    }
    void TearDown() override {
        for (int fd : planted)
            if (fd >= 0) close(fd);
        cleanUp(run);
        fs::remove_all(ports);
        fs::remove_all(dir);
    }
};

TEST_P(PortDirFaults, FolderIsRefusedWithOneLineAndNothingPassesThroughIt) {
    const PortDirFault &f = GetParam();
    if (f.otherOwner && getuid() != 0) GTEST_SKIP() << "only root can give the folder to another user";
    // A neighbour's ports under our names, waiting for the player's reports and the stop.
    planted[0] = plantPort(ports + "/demoport");
    planted[1] = plantPort(ports + "/musicplayerport");
    ASSERT_GE(planted[0], 0);
    ASSERT_GE(planted[1], 0);
    ASSERT_EQ(chmod(ports.c_str(), f.mode), 0);
    if (f.otherOwner) {
        ASSERT_EQ(chown(ports.c_str(), 65534, 65534), 0);
    }

    std::string why;
    run = startFaultDemo(dir, {"CORVALIS_PORTS=" + ports}, &why);
    ASSERT_GT(run.pid, 0) << why;
    std::this_thread::sleep_for(std::chrono::seconds(2));
    Picture title = screenshot(run);
    EXPECT_GT(fractionBrighterThan(title, 24, 0, 0, 640, 480), 0.2) << "the title picture";
    pressKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 5), 0);

    std::string err = fileText(run.errPath);
    EXPECT_EQ(countOf(run.errPath, "Port directory " + ports + " " + f.line), 1) << err;
    EXPECT_EQ(countOf(run.errPath, "Port directory "), 1) << "one line: " << err;
    EXPECT_EQ(folderEntries(ports), (std::vector<std::string>{"demoport", "musicplayerport"}))
        << "a port of ours appeared there";
    for (int fd : planted) {
        int connection = accept(fd, nullptr, nullptr);
        EXPECT_LT(connection, 0) << "something connected to a planted port";
        if (connection >= 0) close(connection);
    }
}

INSTANTIATE_TEST_SUITE_P(PortFolder, PortDirFaults, ::testing::ValuesIn(portDirFaults),
                         [](const ::testing::TestParamInfo<PortDirFault> &info) { return std::string(info.param.name); });

}  // namespace
