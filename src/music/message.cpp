// Sending a MusicMessage: SafePutToPort and SendMessage.
#include "music/message.h"

#include "platform/memory.h"
#include "platform/tasks.h"

int SafePutToPort(Message *message, const char *portName) {
    Forbid();
    MsgPort *port = FindPort(portName);
    if (port) PutMsg(port, message);
    Permit();
    return port ? 1 : 0;
}

int32_t SendMessage(const char *portName, int32_t command) { return SendMessageWithin(portName, command, -1); }

int32_t SendMessageWithin(const char *portName, int32_t command, long milliseconds) {
    MsgPort *replyPort = CreatePort(nullptr, 0);
    if (!replyPort) return -1;
    auto *message = static_cast<MusicMessage *>(AllocMem(sizeof(MusicMessage), MEMF_PUBLIC | MEMF_CLEAR));
    if (!message) {
        DeletePort(replyPort);
        return -1;
    }
    message->command = command;
    message->msg.ln_Type = NT_MESSAGE;
    message->msg.mn_Length = sizeof(MusicMessage);
    setReplyPort(&message->msg, replyPort);

    int32_t result = -1;
    if (SafePutToPort(&message->msg, portName) && WaitPortFor(replyPort, milliseconds)) {
        if (auto *answer = reinterpret_cast<MusicMessage *>(GetMsg(replyPort))) result = answer->command;
    }
    setReplyPort(&message->msg, nullptr);
    // The reply port goes first: deleting it ends a conversation still waiting for its answer,
    // so a late answer can no longer be written into the message freed below.
    DeletePort(replyPort);
    FreeMem(message, sizeof(MusicMessage));
    return result;
}
