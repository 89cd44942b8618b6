// The player's settings and its decoding cost, through the player's own song and audio code.
#include "player_settings.h"

#include <libopenmpt/libopenmpt.h>

#include <ctime>
#include <vector>

#include "audio.h"
#include "song.h"

namespace {
int renderParam(openmpt_module *song, int param) {
    int32_t value = 0;
    openmpt_module_get_render_param(song, param, &value);
    return int(value);
}

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}
}  // namespace

PlayerSettings playerSettings(const std::string &path) {
    PlayerSettings s;
    openmpt_module *song = loadSong(path.c_str(), &s.error);
    if (!song) return s;
    s.songSeconds = openmpt_module_get_duration_seconds(song);
    s.filterTaps = renderParam(song, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH);
    s.stereoSeparation = renderParam(song, OPENMPT_MODULE_RENDER_STEREOSEPARATION_PERCENT);
    s.volumeRamping = renderParam(song, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH);
    s.gainMillibel = renderParam(song, OPENMPT_MODULE_RENDER_MASTERGAIN_MILLIBEL);
    AudioOut out;
    if (openAudio(&out, song)) {
        s.rate = out.rate;
        s.bufferFrames = out.bufferFrames;
        s.ok = true;
    } else {
        s.error = "the player's audio output does not open";
    }
    closeAudio(&out);
    freeSong(song);
    return s;
}

double decodeCpuSeconds(const std::string &path, int rate, int bufferFrames, double fromS, double toS, bool paced) {
    std::string error;
    openmpt_module *song = loadSong(path.c_str(), &error);
    if (!song || rate <= 0 || bufferFrames <= 0) {
        freeSong(song);
        return -1;
    }
    if (fromS > 0) openmpt_module_set_position_seconds(song, fromS);
    std::vector<float> buffer(size_t(bufferFrames) * 2);
    long long frames = (long long)((toS - fromS) * rate);
    const long long pieceNs = (long long)bufferFrames * 1000000000LL / rate;
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    double start = threadCpuSeconds();
    for (long long done = 0; done < frames; done += bufferFrames) {
        renderSong(song, rate, buffer.data(), size_t(bufferFrames));
        if (!paced) continue;
        long long at = (long long)next.tv_sec * 1000000000LL + next.tv_nsec + pieceNs;
        next = timespec{time_t(at / 1000000000LL), long(at % 1000000000LL)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    double used = threadCpuSeconds() - start;
    freeSong(song);
    return used;
}
