// The MusicMessage record that the demo and the music player exchange, and the two ways the
// main task sends one: SafePutToPort and the synchronous SendMessage.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ports.h"

// 1048 bytes, packed, native byte order: the message header, the command, a text area that
// no routine reads. This layout is the wire format between the two programs.
struct __attribute__((packed)) MusicMessage {
    Message msg;
    int32_t command;
    char text[1024];
};
static_assert(sizeof(MusicMessage) == portRecordSize, "a MusicMessage is one port record");
static_assert(offsetof(MusicMessage, msg.ln_Type) == 8, "ln_Type at byte 8");
static_assert(offsetof(MusicMessage, msg.ln_Pri) == 9, "ln_Pri at byte 9");
static_assert(offsetof(MusicMessage, msg.ln_Name) == 10, "ln_Name at byte 10");
static_assert(offsetof(MusicMessage, msg.mn_ReplyPort) == 14, "mn_ReplyPort at byte 14");
static_assert(offsetof(MusicMessage, msg.mn_Length) == 18, "mn_Length at byte 18");
static_assert(offsetof(MusicMessage, command) == 20, "command at byte 20");
static_assert(offsetof(MusicMessage, text) == 24, "text area at byte 24");

// Command values. The player reports the first three to "demoport"; the main task sends
// commandStop to "musicplayerport" and commandQuit to "demoport".
constexpr int32_t commandSongPlays = 0;
constexpr int32_t commandSongLoading = 1;
constexpr int32_t commandSongStopped = 2;
constexpr int32_t commandStop = 2;
constexpr int32_t commandQuit = -1;
// Command 3 at "musicplayerport": the first one silences the song where it stands, the next
// one lets it go on from there (the show's pause key).
constexpr int32_t commandPauseResume = 3;

// The names of the two ports.
constexpr const char *demoPortName = "demoport";
constexpr const char *playerPortName = "musicplayerport";

// Puts the message to the public port of that name, holding the scheduling lock from the
// look-up to the put so the port cannot vanish in between. 1 if the port was there, 0 if not
// (the message is then untouched and still the caller's).
int SafePutToPort(Message *message, const char *portName);

// Sends the command to the named port and waits for the answer, however long it takes.
// Returns the command field of the answer, or −1 when there was no reply port, no memory, no
// such port, or no answer (the receiver died). Everything it takes is released on every path.
int32_t SendMessage(const char *portName, int32_t command);

// SendMessage that waits at most the milliseconds for the answer (a negative time: no limit).
// A receiver that has not answered by then counts as no answer: −1. An answer that comes
// later is thrown away; the message is never touched again.
int32_t SendMessageWithin(const char *portName, int32_t command, long milliseconds);
