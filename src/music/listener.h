// The listener task: owns "demoport" and turns the player's reports into the song-playing flag.
#pragma once

#include <atomic>
#include <cstdint>

// Non-zero while the song plays. One writer (the listener), read by the main task once per
// frame and on the way out; a single 16-bit store and load, no lock.
extern std::atomic<int16_t> playingSong;
