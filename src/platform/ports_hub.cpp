// The hub: one thread that accepts connections to our public ports, reads their records
// under the one-second guard, and reads the answers to our own messages. It hands complete
// records to the ports' queues and signals their owners; tasks never wait on a socket.
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/memory.h"
#include "platform/ports_internal.h"
#include "platform/tasks.h"

namespace {
// Closes a connection now; only the hub thread does this for registered sockets.
void closeNow(int fd) {
    if (fd >= 0) close(fd);
}

// Accepts what waits on a public port, keeping peers of our own user only.
void acceptConnections(Hub &h, MsgPort *port) {
    for (int i = 0; i < 64; ++i) {
        int fd = accept4(port->internals->listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        if (!peerIsOurs(fd)) {
            closeNow(fd);
            continue;
        }
        if (h.incoming.size() >= maxWaitingConnections) {
            closeNow(h.incoming.front().fd);  // the oldest has waited longest for its record
            h.incoming.erase(h.incoming.begin());
        }
        h.incoming.emplace_back();
        Incoming &in = h.incoming.back();
        in.fd = fd;
        in.port = port;
        beginIntake(in.intake, Clock::now());
    }
}

// Reads what has come of a record; false when the connection is done with (delivered or
// dropped), so the entry goes.
bool readIncoming(Hub &h, Incoming &in) {
    unsigned char chunk[portRecordSize];
    ssize_t n = recv(in.fd, chunk, portRecordSize - in.intake.got, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    // An error counts as the peer's end: the record will never be whole.
    IntakeStep step = takeIntake(in.intake, chunk, n > 0 ? size_t(n) : 0, Clock::now());
    if (step == IntakeStep::readMore) return true;
    Message *copy = step == IntakeStep::deliver
                        ? static_cast<Message *>(AllocMem(portRecordSize, MEMF_PUBLIC | MEMF_CLEAR))
                        : nullptr;
    if (!copy) {
        closeNow(in.fd);  // late, cut short, malformed, or no memory: dropped without an answer
        return false;
    }
    std::memcpy(copy, in.intake.record, portRecordSize);
    h.answerFd[copy] = in.fd;
    deliverLocked(in.port, copy);
    return false;
}

// Reads what has come of an answer; false when the conversation is over.
bool readOutgoing(Outgoing &out) {
    ssize_t n = recv(out.fd, out.record + out.got, portRecordSize - out.got, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    if (n > 0) {
        out.got += size_t(n);
        if (out.got < portRecordSize) return true;
    }
    closeNow(out.fd);
    if (n > 0 && isValidRecord(out.record)) {
        // The answer replaces the message's content; its local pointer fields stay as they were.
        unsigned char *block = reinterpret_cast<unsigned char *>(out.message);
        size_t from = offsetof(Message, ln_Type);
        std::memcpy(block + from, out.record + from, offsetof(Message, ln_Name) - from);
        from = offsetof(Message, mn_Length);
        std::memcpy(block + from, out.record + from, portRecordSize - from);
        deliverLocked(out.replyPort, out.message);
    } else {
        // The receiver died, closed, or answered nonsense: the sender sees no answer.
        out.replyPort->internals->unanswered++;
        Signal(out.replyPort->mp_SigTask, 1u << out.replyPort->mp_SigBit);
    }
    return false;
}

template <typename List>
auto findByFd(List &list, int fd) -> decltype(list.begin()) {
    return std::find_if(list.begin(), list.end(), [fd](const auto &e) { return e.fd == fd; });
}

// What one poll entry stands for.
enum class Watch { wake, listener, incoming, outgoing };

void *hubThread(void *arg) {
    Hub &h = *static_cast<Hub *>(arg);
    std::vector<pollfd> fds;
    std::vector<Watch> kinds;
    std::vector<MsgPort *> listeners;
    for (;;) {
        fds.clear();
        kinds.clear();
        listeners.clear();
        int timeout = -1;
        {
            std::lock_guard<std::mutex> hold(h.lock);
            for (int fd : h.retired) closeNow(fd);
            h.retired.clear();
            if (h.retireDone != h.retireAsked) {
                h.retireDone = h.retireAsked;
                h.retiredClosed.notify_all();
            }
            Clock::time_point now = Clock::now();
            h.incoming.erase(std::remove_if(h.incoming.begin(), h.incoming.end(),
                                            [now](const Incoming &in) {
                                                if (!intakeOverdue(in.intake, now)) return false;
                                                closeNow(in.fd);  // silent or slow: dropped
                                                return true;
                                            }),
                             h.incoming.end());
            fds.push_back({h.wakeFd, POLLIN, 0});
            kinds.push_back(Watch::wake);
            for (MsgPort *port : h.ports) {
                if (port->internals->listenFd < 0) continue;
                fds.push_back({port->internals->listenFd, POLLIN, 0});
                kinds.push_back(Watch::listener);
                listeners.push_back(port);
            }
            for (const Incoming &in : h.incoming) {
                fds.push_back({in.fd, POLLIN, 0});
                kinds.push_back(Watch::incoming);
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(in.intake.deadline - now).count() + 1;
                if (timeout < 0 || left < timeout) timeout = int(left);
            }
            for (const Outgoing &out : h.outgoing) {
                fds.push_back({out.fd, POLLIN, 0});
                kinds.push_back(Watch::outgoing);
            }
        }
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) continue;

        std::lock_guard<std::mutex> hold(h.lock);
        size_t listenerIndex = 0;
        for (size_t i = 0; i < fds.size(); ++i) {
            MsgPort *listener = kinds[i] == Watch::listener ? listeners[listenerIndex++] : nullptr;
            if (!fds[i].revents) continue;
            int fd = fds[i].fd;
            switch (kinds[i]) {
                case Watch::wake: {
                    uint64_t count;
                    while (read(h.wakeFd, &count, sizeof count) > 0) {
                    }
                    break;
                }
                case Watch::listener:
                    // The port may have been deleted since the poll began: then it is not listed.
                    if (std::find(h.ports.begin(), h.ports.end(), listener) != h.ports.end() &&
                        listener->internals->listenFd == fd)
                        acceptConnections(h, listener);
                    break;
                case Watch::incoming: {
                    auto it = findByFd(h.incoming, fd);
                    if (it != h.incoming.end() && !readIncoming(h, *it)) h.incoming.erase(it);
                    break;
                }
                case Watch::outgoing: {
                    auto it = findByFd(h.outgoing, fd);
                    if (it != h.outgoing.end() && !readOutgoing(*it)) h.outgoing.erase(it);
                    break;
                }
            }
        }
    }
    return nullptr;
}
}  // namespace

Hub &hub() {
    static Hub *h = new Hub;  // never destroyed: the hub thread runs until the process ends
    return *h;
}

bool startHubLocked(Hub &h) {
    if (h.running) return true;
    if (h.wakeFd < 0) h.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (h.wakeFd < 0) return false;
    // The hub takes no signals: they belong to the program's own threads.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    pthread_t id;
    int rc = pthread_create(&id, nullptr, hubThread, &h);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (rc != 0) return false;
    pthread_detach(id);
    h.running = true;
    return true;
}

void wakeHub(Hub &h) {
    uint64_t one = 1;
    if (h.wakeFd >= 0 && write(h.wakeFd, &one, sizeof one) < 0) {
        // The counter is full only if the hub has not run for ages; it is awake then anyway.
    }
}

void waitForRetired(Hub &h, std::unique_lock<std::mutex> &hold) {
    if (h.retired.empty() || !h.running) return;
    uint64_t ticket = ++h.retireAsked;
    wakeHub(h);
    h.retiredClosed.wait(hold, [&h, ticket] { return h.retireDone >= ticket; });
}

void deliverLocked(MsgPort *port, Message *message) {
    port->internals->queue.push_back(message);
    Signal(port->mp_SigTask, 1u << port->mp_SigBit);
}
