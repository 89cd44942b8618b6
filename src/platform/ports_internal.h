// Inside the port layer: the state of ports and conversations, and the one thread (the hub)
// that does every socket read, so that no task ever blocks on a peer. Not for use outside
// src/platform/ports*.cpp.
//
// Invariants, all under Hub::lock:
// - a socket registered with the hub (listening, incoming, outgoing) is closed only by the
//   hub thread, through `retired`, so a number in its poll set is never reused under it;
// - a received message is in `answerFd` from its delivery until ReplyMsg or DeletePort;
// - `replyPorts` never names a deleted port.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ports.h"
#include "platform/ports_record.h"

struct PortInternals {
    std::string path;             // socket file of a public port, "" for a private one
    dev_t device = 0;             // identity of that file, so a port removes only its own
    ino_t inode = 0;
    int listenFd = -1;            // public ports: the listening socket
    std::deque<Message *> queue;  // messages waiting for GetMsg
    int unanswered = 0;           // ended conversations with no answer, each one nullptr for GetMsg
    bool found = false;           // a port found by name, standing for someone else's
    int connection = -1;          // found ports: the connection FindPort made, until PutMsg
};

// A connection to one of our public ports whose record has not fully arrived.
struct Incoming {
    int fd;
    MsgPort *port;
    RecordIntake intake;
};

// A message of ours on its way: the connection it went out on, waiting for the answer.
struct Outgoing {
    int fd;
    Message *message;
    MsgPort *replyPort;
    size_t got;
    unsigned char record[portRecordSize];
};

struct Hub {
    std::mutex lock;
    std::vector<MsgPort *> ports;      // every port this process created and has not deleted
    std::vector<Incoming> incoming;
    std::vector<Outgoing> outgoing;
    std::unordered_map<const Message *, int> answerFd;        // received message → its connection
    std::unordered_map<const Message *, MsgPort *> replyPorts;
    std::vector<int> retired;          // sockets for the hub thread to close
    uint64_t retireAsked = 0;          // rounds of retired sockets asked for, and closed
    uint64_t retireDone = 0;
    std::condition_variable retiredClosed;
    int wakeFd = -1;
    bool running = false;
};

// Most connections a port layer keeps waiting for their record; the oldest goes first.
constexpr size_t maxWaitingConnections = 256;

Hub &hub();

// Starts the hub thread if it is not running; false when it cannot be started. Hub::lock held.
bool startHubLocked(Hub &h);

// Makes the hub thread look at its lists again.
void wakeHub(Hub &h);

// Waits until the hub thread has closed every socket retired so far. Hub::lock held by hold.
void waitForRetired(Hub &h, std::unique_lock<std::mutex> &hold);

// Queues a message at one of our ports and signals its owner. Hub::lock held.
void deliverLocked(MsgPort *port, Message *message);

// Sockets.

// Connects to the socket file as a sender; −1 when nothing of this user listens there. Sets
// *refused when the file exists but no one listens (a stale file).
int connectToPort(const std::string &path, bool *refused);

// A listening socket at path, replacing a stale file; −1 when that fails or a live port has it.
int listenAtPort(const std::string &path, dev_t *device, ino_t *inode);

// True when the connected peer runs under our own user id.
bool peerIsOurs(int fd);

// Writes the whole buffer within the guard time; false when the peer is gone or stalls.
bool writeRecord(int fd, const unsigned char *bytes, size_t size, bool wait);

// The message as it goes on the wire: its 1048 bytes with the pointer fields cleared.
void toWire(const Message *message, unsigned char out[portRecordSize]);



// The socket file of a public port; "" when the name or the port directory is not usable.
std::string portPath(const char *name);
