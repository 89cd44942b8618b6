// The music player: sdlmusicplayer SONG. Reports 1 to "demoport" while it loads, 0 when the
// song starts to sound, 2 when it stops; serves "musicplayerport", where 2 stops it and 3
// pauses or resumes it; and
// leaves within a second once the demo is gone. Its port protocol: docs/protocol.md.
#include <cstdio>
#include <string>

#include "audio.h"
#include "music/message.h"
#include "platform/ports.h"
#include "platform/tasks.h"
#include "song.h"
#include "watch.h"

namespace {
// Exit statuses.
constexpr int exitStopped = 0;    // stopped by the demo, or the demo went away
constexpr int exitNoSong = 1;     // the song could not be loaded or played
constexpr int exitNoPorts = 2;    // wrong arguments, or no port to talk through

// Answers every message waiting at the port, unchanged; true if one was the stop command. The
// sound stops (or pauses, or goes on) before the command is answered, so the answer means it
// is done.
bool answerAll(MsgPort *port, AudioOut *out) {
    bool stop = false;
    while (Message *m = GetMsg(port)) {
        int32_t command = reinterpret_cast<MusicMessage *>(m)->command;
        if (command == commandStop) {
            stop = true;
            if (out) stopAudio(out);
        } else if (command == commandPauseResume && out && !stop) {
            pauseAudio(out, !out->paused);
        }
        ReplyMsg(m);
    }
    return stop;
}

// Plays until the stop command, a stop signal, or the demo's going; true for the stop command.
bool play(MsgPort *port, AudioOut *out) {
    const uint32_t mask = 1u << port->mp_SigBit;
    for (;;) {
        WaitTimeout(mask, watchIntervalMs);
        if (answerAll(port, out)) return true;
        if (stopSignalled() || demoGone()) return false;
    }
}

// Reports a failure the way the demo expects, then leaves.
int fail(MsgPort *port, int status) {
    SendMessage(demoPortName, commandSongStopped);
    answerAll(port, nullptr);
    DeletePort(port);
    return status;
}
}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fputs("usage: sdlmusicplayer SONG\n", stderr);
        return exitNoPorts;
    }
    catchStopSignals();
    if (!watchParent()) return exitStopped;
    MsgPort *port = CreatePort(playerPortName, 0);
    if (!port) {
        std::fprintf(stderr, "sdlmusicplayer: cannot create the port %s\n", playerPortName);
        SendMessage(demoPortName, commandSongStopped);
        return exitNoPorts;
    }
    if (SendMessage(demoPortName, commandSongLoading) == -1) {
        DeletePort(port);  // no demo to play for
        return exitStopped;
    }
    std::string error;
    openmpt_module *song = loadSong(argv[1], &error);
    if (!song) {
        std::fprintf(stderr, "sdlmusicplayer: %s\n", error.c_str());
        return fail(port, exitNoSong);
    }
    AudioOut out;
    if (!openAudio(&out, song) || !startAudio(&out, 2000)) {
        if (out.device) std::fputs("sdlmusicplayer: the audio output never started\n", stderr);
        closeAudio(&out);
        freeSong(song);
        return fail(port, exitNoSong);
    }

    bool stopped = SendMessage(demoPortName, commandSongPlays) != -1 && play(port, &out);
    stopAudio(&out);
    answerAll(port, nullptr);
    if (stopped) SendMessage(demoPortName, commandSongStopped);
    DeletePort(port);
    closeAudio(&out);
    freeSong(song);
    return exitStopped;
}
