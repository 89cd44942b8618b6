// SDL2 output with the dummy-driver fallback, and the moment the song starts to sound.
#include "audio.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "song.h"

namespace {
constexpr int wantedRate = 48000;
constexpr int wantedBufferFrames = 1024;  // 21 ms at 48 kHz: small, yet safe on a busy machine

// SDL's audio thread: decodes the next buffer.
void fill(void *user, Uint8 *stream, int len) {
    auto *out = static_cast<AudioOut *>(user);
    if (out->firstBufferNs.load(std::memory_order_acquire) == 0)
        out->firstBufferNs.store(steadyNs(), std::memory_order_release);
    renderSong(out->song, out->rate, reinterpret_cast<float *>(stream), size_t(len) / (2 * sizeof(float)));
}

// Opens SDL's current driver's default device; 0 when it cannot.
SDL_AudioDeviceID openDevice(AudioOut *out) {
    SDL_AudioSpec want{}, have{};
    want.freq = wantedRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = wantedBufferFrames;
    want.callback = fill;
    want.userdata = out;
    SDL_AudioDeviceID dev =
        SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (dev) {
        out->rate = have.freq;
        out->bufferFrames = have.samples;
    }
    return dev;
}
}  // namespace

int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool openAudio(AudioOut *out, openmpt_module *song) {
    out->song = song;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) out->device = openDevice(out);
    if (!out->device) {
        std::fprintf(stderr, "sdlmusicplayer: no audio device (%s), playing silently\n", SDL_GetError());
        SDL_AudioQuit();
        if (SDL_AudioInit("dummy") == 0) out->device = openDevice(out);
        out->dummy = true;
    }
    if (!out->device) {
        std::fprintf(stderr, "sdlmusicplayer: cannot open any audio output (%s)\n", SDL_GetError());
        return false;
    }
    return true;
}

bool startAudio(AudioOut *out, long timeoutMs) {
    SDL_PauseAudioDevice(out->device, 0);
    int64_t deadline = steadyNs() + timeoutMs * 1000000;
    int64_t first;
    while ((first = out->firstBufferNs.load(std::memory_order_acquire)) == 0) {
        if (steadyNs() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    int64_t heard = first + int64_t(out->bufferFrames) * 1000000000 / out->rate;
    int64_t wait = heard - steadyNs();
    if (wait > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
    return true;
}

void stopAudio(AudioOut *out) {
    if (out->device) SDL_PauseAudioDevice(out->device, 1);
}

void pauseAudio(AudioOut *out, bool paused) {
    if (out->device) SDL_PauseAudioDevice(out->device, paused ? 1 : 0);
    out->paused = paused;
}

void closeAudio(AudioOut *out) {
    if (out->device) SDL_CloseAudioDevice(out->device);
    out->device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_Quit();
}
