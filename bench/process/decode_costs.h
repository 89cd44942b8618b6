// What decoding the song costs outside the show: openmpt123 rendering it to a WAV file, and the
// player's own decoding run in the benchmark, flat out or paced like an audio device.
#pragma once

#include <string>
#include <vector>

#include "bench_common.h"
#include "player_settings.h"

// One way of decoding the song and what it cost.
struct DecodeCost {
    std::string label;
    std::string detail;   // the command or the way it ran
    double cpuS = -1;     // processor seconds; −1 when it failed
    double musicS = 0;    // seconds of music it made
    double wallS = 0;
};

// openmpt123 over the whole song, with the extra options.
DecodeCost renderWithOpenmpt123(const Paths &paths, const PlayerSettings &s, const std::string &label,
                                const std::vector<std::string> &settings);

// The player's own decoding, here, frames at a time from fromS to toS of the song.
DecodeCost decodeHere(const Paths &paths, const PlayerSettings &s, int frames, double fromS, double toS, bool paced);
