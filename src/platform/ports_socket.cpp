// Socket helpers of the port layer: connecting, listening with stale files replaced, peer
// checks, and the record as it travels.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/ports_internal.h"

namespace {
// Fills a socket address; false when the path does not fit.
bool socketAddress(const std::string &path, sockaddr_un *addr) {
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr->sun_path) return false;
    std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Binds and listens; errno tells why not.
int bindAndListen(const sockaddr_un &addr) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (bind(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0 || listen(fd, SOMAXCONN) != 0) {
        int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}
}  // namespace

std::string portPath(const char *name) {
    if (!name || !*name || std::strchr(name, '/') || !std::strcmp(name, ".") || !std::strcmp(name, ".."))
        return "";
    std::string dir = portDirectory();
    if (dir.empty()) return "";
    std::string path = dir + "/" + name;
    sockaddr_un probe;
    return socketAddress(path, &probe) ? path : "";
}

bool peerIsOurs(int fd) {
    ucred cred;
    socklen_t len = sizeof cred;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == getuid();
}

int connectToPort(const std::string &path, bool *refused) {
    if (refused) *refused = false;
    sockaddr_un addr;
    if (!socketAddress(path, &addr)) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    // A receiver whose queue of connections is full makes connect wait: at most the guard time.
    timeval guard{portGuardMilliseconds / 1000, (portGuardMilliseconds % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &guard, sizeof guard);
    int rc;
    do {
        rc = connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        if (refused) *refused = (errno == ECONNREFUSED);
        close(fd);
        return -1;
    }
    if (!peerIsOurs(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

int listenAtPort(const std::string &path, dev_t *device, ino_t *inode) {
    sockaddr_un addr;
    if (!socketAddress(path, &addr)) return -1;
    int fd = bindAndListen(addr);
    if (fd < 0 && errno == EADDRINUSE) {
        // Someone's file is there: a live port keeps it, a stale socket file is replaced.
        bool refused = false;
        int live = connectToPort(path, &refused);
        if (live >= 0) {
            close(live);
            return -1;
        }
        struct stat st;
        if (!refused || lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return -1;
        if (unlink(path.c_str()) != 0) return -1;
        fd = bindAndListen(addr);
    }
    if (fd < 0) return -1;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        close(fd);
        return -1;
    }
    *device = st.st_dev;
    *inode = st.st_ino;
    return fd;
}

bool writeRecord(int fd, const unsigned char *bytes, size_t size, bool wait) {
    size_t done = 0;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(portGuardMilliseconds);
    while (done < size) {
        ssize_t n = send(fd, bytes + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN && wait) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, int(left.count()));
            continue;
        }
        return false;
    }
    return true;
}

void toWire(const Message *message, unsigned char out[portRecordSize]) {
    std::memcpy(out, message, portRecordSize);
    std::memset(out + offsetof(Message, ln_Succ), 0, 8);  // ln_Succ, ln_Pred
    std::memset(out + offsetof(Message, ln_Name), 0, 8);  // ln_Name, mn_ReplyPort
}

bool isValidRecord(const unsigned char record[portRecordSize]) {
    Message header;
    std::memcpy(&header, record, sizeof header);
    return header.ln_Type == NT_MESSAGE && header.mn_Length == portRecordSize;
}
