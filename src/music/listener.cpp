// The listener task and its command table.
#include "music/listener.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "music/message.h"
#include "platform/ports.h"
#include "platform/tasks.h"

std::atomic<int16_t> playingSong{0};
std::atomic<int> listenerStage{listenerStarting};

namespace {
struct Report {
    int32_t command;
    int16_t flag;  // the song-playing flag after this report
};

// The player's reports; every other command is only answered.
constexpr Report reports[] = {
    {commandSongPlays, 1},
    {commandSongLoading, 0},
    {commandSongStopped, 0},
};
}  // namespace

bool waitForListener(long ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (listenerStage.load() == listenerStarting) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

int16_t flagAfter(int32_t command, int16_t current) {
    for (const Report &r : reports)
        if (r.command == command) return r.flag;
    return current;
}

void musichandler() {
    MsgPort *port = CreatePort(demoPortName, 0);
    if (!port) {
        std::fputs("Unable to create messageport!\n", stderr);
        listenerStage = listenerParked;
        Wait(0);
    }
    listenerStage = listenerServing;
    const uint32_t mask = 1u << port->mp_SigBit;
    bool quit = false;
    while (!quit) {
        Wait(mask);
        // One signal may stand for several messages, or for none: take all there are.
        while (Message *m = GetMsg(port)) {
            auto *music = reinterpret_cast<MusicMessage *>(m);
            int32_t command = music->command;
            playingSong.store(flagAfter(command, playingSong.load(std::memory_order_relaxed)),
                              std::memory_order_relaxed);
            ReplyMsg(m);
            if (command == commandQuit) quit = true;
        }
    }
    // Still before the park: the main task deletes this task only at its next Wait, so the
    // port is gone by then.
    DeletePort(port);
    listenerStage = listenerParked;
    Wait(0);
}
