// Sound output for the player: SDL2 plays the song through the default device, or through
// SDL's dummy driver when no device opens (the show then runs silent).
#pragma once

#include <SDL2/SDL.h>

#include <atomic>
#include <cstdint>

struct openmpt_module;

struct AudioOut {
    SDL_AudioDeviceID device = 0;
    int rate = 0;           // frames per second the device takes
    int bufferFrames = 0;   // frames SDL asks for at a time
    bool dummy = false;     // true when no real device could be opened
    bool paused = false;    // true while command 3 holds the song
    openmpt_module *song = nullptr;
    std::atomic<int64_t> firstBufferNs{0};  // steady clock when the first buffer was filled
};

// Opens the output for the song, paused: the default device, else (after one line on stderr)
// the dummy driver. false when not even that opens; the reason is then on stderr.
bool openAudio(AudioOut *out, openmpt_module *song);

// Starts the output and returns at the moment its first sample is heard: once SDL has taken
// the first buffer, plus the length of one buffer, which the device holds ahead of what it
// plays. false when no buffer was taken within timeoutMs.
bool startAudio(AudioOut *out, long timeoutMs);

// Silences the output at once.
void stopAudio(AudioOut *out);

// Pauses the output (the song's position stays where it is; the device plays silence) or lets
// it go on from there.
void pauseAudio(AudioOut *out, bool paused);

// Closes the output and SDL's audio.
void closeAudio(AudioOut *out);

// Steady clock in nanoseconds, the clock of firstBufferNs.
int64_t steadyNs();
