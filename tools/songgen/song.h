// The song as the generator holds it between reading the score and writing the XM file.
// Invariants: every pattern holds rows * channels cells; instrument numbers in cells are
// 1-based indexes into instruments; orders index patterns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace songgen {

// One pattern cell in XM terms: note 1..96 (C-0..B-7), 97 key-off, 0 none; volume is the raw
// volume-column byte (0x10..0x50 set volume 0..64, 0 none); effect/param are the effect column.
struct Cell {
    uint8_t note = 0;
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t param = 0;
};

constexpr uint8_t kKeyOff = 97;

struct Pattern {
    std::string name;
    int rows = 0;
    std::vector<Cell> cells;  // row-major: cells[row * channels + channel]
};

struct EnvelopePoint {
    uint16_t tick = 0;
    uint16_t value = 0;  // 0..64
};

// An XM volume envelope; an empty point list means the envelope is off.
struct Envelope {
    std::vector<EnvelopePoint> points;
    int sustain = -1;  // point index, -1 none
};

// One single-sample instrument with 16-bit mono sample data.
struct Instrument {
    std::string name;
    std::vector<int16_t> data;
    uint32_t loop_start = 0;   // in frames
    uint32_t loop_length = 0;  // in frames, 0: no loop
    int volume = 64;           // 0..64
    int panning = 128;         // 0..255
    int relative_note = 0;     // semitones, -96..95
    int finetune = 0;          // 1/128 semitone, -128..127
    Envelope envelope;
    int fadeout = 0;           // 0..0xfff
    int vibrato_type = 0;
    int vibrato_sweep = 0;
    int vibrato_depth = 0;
    int vibrato_rate = 0;
};

// A moment of the show that a row of the song must meet.
struct Mark {
    double seconds = 0.0;
    int order = 0;
    int row = 0;
};

struct Song {
    std::string name;
    int channels = 0;
    int speed = 6;
    int bpm = 125;
    int restart = 0;  // order the player loops back to
    std::vector<Pattern> patterns;
    std::vector<int> orders;
    std::vector<Instrument> instruments;
    std::vector<Mark> marks;
};

}  // namespace songgen
