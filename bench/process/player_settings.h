// The player's own code, run in the benchmark: how it sets up the song and the output (so that
// another renderer can be given the same settings), and what decoding alone costs, with no
// sound output, no waiting and no other process.
#pragma once

#include <string>

struct PlayerSettings {
    bool ok = false;
    std::string error;
    double songSeconds = 0;   // one pass through the song
    int rate = 0;             // frames per second SDL's dummy driver grants the player
    int bufferFrames = 0;     // frames per callback
    int channels = 2;         // the player always decodes interleaved stereo floats
    int filterTaps = 0;       // libopenmpt's interpolation filter length
    int stereoSeparation = 0; // in %
    int volumeRamping = 0;    // −1: the library's default
    int gainMillibel = 0;
};

// Loads the song and opens the output as the player does (SDL_AUDIODRIVER=dummy must be set).
PlayerSettings playerSettings(const std::string &song);

// Processor seconds this thread spends decoding the song from fromS to toS the way the player's
// audio callback does (renderSong, bufferFrames at a time): flat out, or paced, one piece per
// piece's length of real time, as an audio device asks for them; −1 when the song does not load.
double decodeCpuSeconds(const std::string &song, int rate, int bufferFrames, double fromS, double toS, bool paced);
