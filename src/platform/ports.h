// Message ports: named public ports through which the demo and the music player talk, and the
// private reply ports of senders. A public port is a Unix-domain stream socket in the port
// directory; each message travels on a connection of its own and its answer comes back on it.
// The wire protocol is written down in docs/protocol.md.
//
// Invariants: a port is used by the task that created it; it is deleted before that task
// ends; a message handed to PutMsg belongs to the port layer until it comes back through
// the sender's reply port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct Task;

// The standard message header: a list node of 14 bytes, then the reply port and the length.
// Packed, native byte order. The pointer fields mean nothing across processes and travel as
// zero; a message's reply port is kept beside it (setReplyPort), never in the header.
struct __attribute__((packed)) Message {
    uint32_t ln_Succ;
    uint32_t ln_Pred;
    uint8_t ln_Type;
    int8_t ln_Pri;
    uint32_t ln_Name;
    uint32_t mn_ReplyPort;
    uint16_t mn_Length;
};
static_assert(sizeof(Message) == 20, "the message header is 20 bytes");

constexpr uint8_t NT_MESSAGE = 5;

// Every record on the wire is this long, and its mn_Length says so. Ports carry nothing else.
constexpr size_t portRecordSize = 1048;

// A receiver drops a record that is not complete this long after its peer connected; a sender
// gives up connecting to a port whose queue of connections stays full this long.
constexpr int portGuardMilliseconds = 1000;

struct PortInternals;

// A port. Ports of this process (CreatePort) have an owner and a signal bit; a port found by
// name (FindPort) stands for someone else's and only takes PutMsg.
struct MsgPort {
    int mp_SigBit;             // owner's signal bit, set when a message arrives; −1 if found
    Task *mp_SigTask;          // owner; nullptr if found
    PortInternals *internals;  // queue and socket, private to the port layer
};

// A port owned by the calling task with a fresh signal bit; public under name when name is
// not null. nullptr when no signal bit is free, the name is not usable (empty, '/', too long),
// the port directory cannot be used, or a live port already has the name. A socket file left
// by a crashed run counts as no port and is replaced.
MsgPort *CreatePort(const char *name, int priority);

// Withdraws the name (FindPort fails from the moment this returns), ends every conversation
// still held by the port (their senders see no answer) and frees its signal bit.
void DeletePort(MsgPort *port);

// The public port of that name, if something of this user listens there; nullptr otherwise.
// The result is good for one PutMsg and only until the calling task's next FindPort.
MsgPort *FindPort(const char *name);

// True when a public port of that name is served right now; takes no message.
bool portIsServed(const char *name);

// Puts the message to the port. For a port found by name, the record goes on its connection
// and the answer, or the news that none will come, arrives at the message's reply port.
void PutMsg(MsgPort *port, Message *message);

// The first message queued at the port, removed from the queue; nullptr when there is none.
// At a reply port, a conversation that ended with no answer is also taken as one nullptr.
Message *GetMsg(MsgPort *port);

// Blocks until GetMsg has something to return (a message, or a conversation that ended with
// no answer), without removing it. Called by the port's owner.
void WaitPort(MsgPort *port);

// WaitPort for at most the milliseconds; false when it gave up with nothing to take. A
// negative time waits as long as WaitPort.
bool WaitPortFor(MsgPort *port, long milliseconds);

// Answers a message taken with GetMsg: on its connection when it came from one, else to its
// reply port. The message must not be touched afterwards.
void ReplyMsg(Message *message);

// The port to which answers to the message go; nullptr clears it. Kept apart from the
// header, keyed by the message's address, and forgotten when that port is deleted.
void setReplyPort(Message *message, MsgPort *replyPort);
MsgPort *replyPortOf(const Message *message);

// Ports of this process that exist now, for leak checks.
int portsInUse();

// The folder that holds the public ports: $CORVALIS_PORTS when set, otherwise a private
// folder made for this run (mode 0700, under $XDG_RUNTIME_DIR or /tmp). Empty when it cannot
// be made, or when the folder $CORVALIS_PORTS names is not a folder of our own user closed to
// group and others (one line on stderr says so): no port is then created or found through it.
// The player started by Execute finds it in its own CORVALIS_PORTS.
std::string portDirectory();

// Uses dir as the port directory from now on (tests keep their ports apart this way); an
// empty string goes back to the rule above.
void usePortDirectory(const std::string &dir);

// Removes the private folder this run made, with anything left in it; a folder given by
// $CORVALIS_PORTS or usePortDirectory is left alone. The next use makes a new one. Making a
// private folder also removes those of earlier runs whose process is gone (killed runs).
void removePortDirectory();
