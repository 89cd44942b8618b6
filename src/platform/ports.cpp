// The port operations: creating and deleting ports, finding public ones by name, putting,
// taking, waiting for and answering messages.
#include "platform/ports.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/memory.h"
#include "platform/ports_internal.h"
#include "platform/tasks.h"

namespace {
// The calling task's port found by name: one at a time, as FindPort promises.
struct FoundPort {
    PortInternals internals;
    MsgPort port{-1, nullptr, &internals};
    FoundPort() { internals.found = true; }
    ~FoundPort() {
        if (internals.connection >= 0) close(internals.connection);
    }
};

FoundPort &foundPort() {
    thread_local FoundPort slot;
    return slot;
}

bool isOurs(Hub &h, MsgPort *port) {
    return std::find(h.ports.begin(), h.ports.end(), port) != h.ports.end();
}

// The message could not go out: its sender's reply port sees no answer.
void noAnswer(Hub &h, MsgPort *replyPort) {
    std::lock_guard<std::mutex> hold(h.lock);
    if (!replyPort || !isOurs(h, replyPort)) return;
    replyPort->internals->unanswered++;
    Signal(replyPort->mp_SigTask, 1u << replyPort->mp_SigBit);
}

// Sends the record on the connection FindPort made and leaves the answer to the hub.
void putToFoundPort(MsgPort *port, Message *message) {
    Hub &h = hub();
    int fd = port->internals->connection;
    port->internals->connection = -1;
    MsgPort *replyPort = replyPortOf(message);
    unsigned char record[portRecordSize];
    bool sent = fd >= 0 && message->mn_Length == portRecordSize;
    if (sent) {
        toWire(message, record);
        sent = writeRecord(fd, record, sizeof record, true);
    }
    if (!sent || !replyPort) {
        if (fd >= 0) close(fd);
        if (!sent) noAnswer(h, replyPort);
        return;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::lock_guard<std::mutex> hold(h.lock);
    if (!isOurs(h, replyPort) || !startHubLocked(h)) {
        close(fd);
        return;
    }
    Outgoing out;
    out.fd = fd;
    out.message = message;
    out.replyPort = replyPort;
    out.got = 0;
    h.outgoing.push_back(out);
    wakeHub(h);
}
}  // namespace

MsgPort *CreatePort(const char *name, int) {
    int bit = AllocSignal();
    if (bit < 0) return nullptr;
    MsgPort *port = new MsgPort{bit, FindTask(nullptr), new PortInternals};
    PortInternals &in = *port->internals;
    if (name) {
        in.path = portPath(name);
        if (!in.path.empty()) in.listenFd = listenAtPort(in.path, &in.device, &in.inode);
        if (in.listenFd < 0) {
            FreeSignal(bit);
            delete port->internals;
            delete port;
            return nullptr;
        }
    }
    Hub &h = hub();
    std::lock_guard<std::mutex> hold(h.lock);
    if (in.listenFd >= 0 && !startHubLocked(h)) {
        close(in.listenFd);
        unlink(in.path.c_str());
        FreeSignal(bit);
        delete port->internals;
        delete port;
        return nullptr;
    }
    h.ports.push_back(port);
    wakeHub(h);
    return port;
}

void DeletePort(MsgPort *port) {
    if (!port || port->internals->found) return;
    Hub &h = hub();
    {
        std::unique_lock<std::mutex> hold(h.lock);
        auto it = std::find(h.ports.begin(), h.ports.end(), port);
        if (it == h.ports.end()) return;
        h.ports.erase(it);
        PortInternals &in = *port->internals;
        if (in.listenFd >= 0) {
            // Withdraw the name first, but only if the file is still ours.
            struct stat st;
            if (lstat(in.path.c_str(), &st) == 0 && st.st_dev == in.device && st.st_ino == in.inode)
                unlink(in.path.c_str());
            h.retired.push_back(in.listenFd);
        }
        // Conversations still held by the port end without an answer: their senders see EOF.
        for (auto i = h.incoming.begin(); i != h.incoming.end();) {
            if (i->port != port) {
                ++i;
                continue;
            }
            h.retired.push_back(i->fd);
            i = h.incoming.erase(i);
        }
        for (Message *m : in.queue) {
            auto a = h.answerFd.find(m);
            if (a == h.answerFd.end()) continue;  // a message of this process stays its sender's
            h.retired.push_back(a->second);
            h.answerFd.erase(a);
            FreeMem(m, portRecordSize);
        }
        for (auto o = h.outgoing.begin(); o != h.outgoing.end();) {
            if (o->replyPort != port) {
                ++o;
                continue;
            }
            h.retired.push_back(o->fd);
            o = h.outgoing.erase(o);
        }
        for (auto r = h.replyPorts.begin(); r != h.replyPorts.end();)
            r = (r->second == port) ? h.replyPorts.erase(r) : std::next(r);
        // Returns with the port's sockets closed: its senders see the end at once.
        waitForRetired(h, hold);
    }
    if (port->mp_SigTask == FindTask(nullptr)) FreeSignal(port->mp_SigBit);
    delete port->internals;
    delete port;
}

MsgPort *FindPort(const char *name) {
    std::string path = portPath(name);
    if (path.empty()) return nullptr;
    int fd = connectToPort(path, nullptr);
    if (fd < 0) return nullptr;
    FoundPort &slot = foundPort();
    if (slot.internals.connection >= 0) close(slot.internals.connection);
    slot.internals.connection = fd;
    return &slot.port;
}

bool portIsServed(const char *name) {
    std::string path = portPath(name);
    if (path.empty()) return false;
    int fd = connectToPort(path, nullptr);
    if (fd < 0) return false;
    close(fd);  // the receiver sees a peer that left before its record: dropped at once
    return true;
}

void PutMsg(MsgPort *port, Message *message) {
    if (!port || !message) return;
    if (port->internals->found) {
        putToFoundPort(port, message);
        return;
    }
    Hub &h = hub();
    std::lock_guard<std::mutex> hold(h.lock);
    if (isOurs(h, port)) deliverLocked(port, message);
}

Message *GetMsg(MsgPort *port) {
    if (!port || port->internals->found) return nullptr;
    Hub &h = hub();
    std::lock_guard<std::mutex> hold(h.lock);
    PortInternals &in = *port->internals;
    if (!in.queue.empty()) {
        Message *m = in.queue.front();
        in.queue.pop_front();
        return m;
    }
    if (in.unanswered > 0) in.unanswered--;
    return nullptr;
}

void WaitPort(MsgPort *port) {
    if (!port || port->internals->found) return;
    Hub &h = hub();
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(h.lock);
            if (!port->internals->queue.empty() || port->internals->unanswered > 0) return;
        }
        Wait(1u << port->mp_SigBit);
    }
}

bool WaitPortFor(MsgPort *port, long milliseconds) {
    if (milliseconds < 0) {
        WaitPort(port);
        return true;
    }
    if (!port || port->internals->found) return false;
    Hub &h = hub();
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(h.lock);
            if (!port->internals->queue.empty() || port->internals->unanswered > 0) return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        WaitTimeout(1u << port->mp_SigBit, left + 1);
    }
}

void ReplyMsg(Message *message) {
    if (!message) return;
    Hub &h = hub();
    int fd = -1;
    {
        std::lock_guard<std::mutex> hold(h.lock);
        auto a = h.answerFd.find(message);
        if (a == h.answerFd.end()) {
            auto r = h.replyPorts.find(message);
            if (r != h.replyPorts.end() && isOurs(h, r->second)) deliverLocked(r->second, message);
            return;
        }
        fd = a->second;
        h.answerFd.erase(a);
    }
    // The connection is no longer watched by the hub, so it is ours to answer on and close.
    unsigned char record[portRecordSize];
    toWire(message, record);
    writeRecord(fd, record, sizeof record, false);  // a vanished peer just misses its answer
    close(fd);
    FreeMem(message, portRecordSize);
}

void setReplyPort(Message *message, MsgPort *replyPort) {
    if (!message) return;
    Hub &h = hub();
    std::lock_guard<std::mutex> hold(h.lock);
    if (replyPort)
        h.replyPorts[message] = replyPort;
    else
        h.replyPorts.erase(message);
}

MsgPort *replyPortOf(const Message *message) {
    Hub &h = hub();
    std::lock_guard<std::mutex> hold(h.lock);
    auto r = h.replyPorts.find(message);
    return r == h.replyPorts.end() ? nullptr : r->second;
}

int portsInUse() {
    Hub &h = hub();
    std::lock_guard<std::mutex> hold(h.lock);
    return int(h.ports.size());
}
