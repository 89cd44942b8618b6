// Helpers for the port, listener and music-link tests.
#include "port_helpers.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "platform/ports.h"
#include "testfiles.h"

ScopedPortDirectory::ScopedPortDirectory() : dir(makeTempDir()) {
    usePortDirectory(dir);
    // The port layer's own wake-up descriptor opens on first use and stays: open it before
    // the tests count descriptors.
    DeletePort(CreatePort("warm-up", 0));
}

ScopedPortDirectory::~ScopedPortDirectory() {
    usePortDirectory("");
    removeTree(dir);
}

int openFds() {
    int n = 0;
    if (DIR *d = opendir("/proc/self/fd")) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n - 1;  // the directory stream itself
}

bool eventually(const std::function<bool()> &condition, long ms) {
    auto start = std::chrono::steady_clock::now();
    while (!condition()) {
        if (millisSince(start) > ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::vector<unsigned char> wireRecord(int32_t command, uint8_t type, uint16_t length) {
    std::vector<unsigned char> r(1048, 0);
    r[8] = type;
    std::memcpy(&r[18], &length, 2);
    std::memcpy(&r[20], &command, 4);
    return r;
}

namespace {
sockaddr_un addressOf(const std::string &name) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string path = portDirectory() + "/" + name;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    return addr;
}
}  // namespace

int rawConnect(const std::string &name) {
    sockaddr_un addr = addressOf(name);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int rawListen(const std::string &name) {
    sockaddr_un addr = addressOf(name);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

long readWithin(int fd, unsigned char *out, size_t size, long ms) {
    size_t got = 0;
    auto start = std::chrono::steady_clock::now();
    while (got < size) {
        long left = ms - millisSince(start);
        if (left <= 0) return got ? long(got) : -1;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(left)) <= 0) continue;
        ssize_t n = recv(fd, out + got, size - got, 0);
        if (n <= 0) return long(got);
        got += size_t(n);
    }
    return long(got);
}

bool writeAll(int fd, const std::vector<unsigned char> &bytes) {
    return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
}

long millisSince(std::chrono::steady_clock::time_point start) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}
