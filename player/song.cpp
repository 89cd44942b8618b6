// Loading, checking and decoding the song with libopenmpt.
#include "song.h"

#include <libopenmpt/libopenmpt.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace {
uint32_t le32(const unsigned char *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const unsigned char *p) { return uint16_t(p[0] | p[1] << 8); }

// Swallows libopenmpt's own log lines: the player says what went wrong in one line of its own.
void quietLog(const char *, void *) {}
}  // namespace

long xmMissingBytes(const unsigned char *data, size_t size) {
    const char magic[] = "Extended Module: ";
    if (size < 60 || std::memcmp(data, magic, 17) != 0) return -1;
    // Walk the declared layout: header, patterns, instruments with their sample headers and data.
    uint64_t pos = 60;
    auto need = [&](uint64_t bytes) { return pos + bytes > size; };
    auto missing = [&](uint64_t upTo) { return long(upTo - size); };
    if (need(16)) return missing(pos + 16);
    uint64_t headerSize = le32(data + 60);
    uint16_t patterns = le16(data + 70), instruments = le16(data + 72);
    pos += headerSize;
    for (int i = 0; i < patterns; ++i) {
        if (need(9)) return missing(pos + 9);
        pos += le32(data + pos) + le16(data + pos + 7);
    }
    for (int i = 0; i < instruments; ++i) {
        if (need(29)) return missing(pos + 29);
        uint64_t instrumentSize = le32(data + pos);
        uint16_t samples = le16(data + pos + 27);
        if (samples == 0) {
            pos += instrumentSize;
            continue;
        }
        if (need(33)) return missing(pos + 33);
        uint64_t sampleHeaderSize = le32(data + pos + 29);
        pos += instrumentSize;
        uint64_t sampleBytes = 0;
        for (int s = 0; s < samples; ++s) {
            if (need(4)) return missing(pos + 4);
            sampleBytes += le32(data + pos);
            pos += sampleHeaderSize;
        }
        pos += sampleBytes;
    }
    return pos > size ? missing(pos) : 0;
}

openmpt_module *loadSong(const char *path, std::string *error) {
    std::vector<unsigned char> bytes;
    if (!readFileBytes(path, &bytes)) {
        *error = std::string("cannot read the song ") + path;
        return nullptr;
    }
    long cut = xmMissingBytes(bytes.data(), bytes.size());
    if (cut > 0) {
        *error = std::string("the song ") + path + " is cut short by " + std::to_string(cut) + " bytes";
        return nullptr;
    }
    openmpt_module *song = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), quietLog, nullptr, nullptr,
                                                              nullptr, nullptr, nullptr, nullptr);
    if (!song || openmpt_module_get_num_orders(song) < 1 || openmpt_module_get_num_channels(song) < 1 ||
        openmpt_module_get_duration_seconds(song) <= 0) {
        if (song) openmpt_module_destroy(song);
        *error = std::string("the song ") + path + " is not a module";
        return nullptr;
    }
    openmpt_module_set_repeat_count(song, -1);  // endless: after the end, on from the restart position
    return song;
}

void freeSong(openmpt_module *song) {
    if (song) openmpt_module_destroy(song);
}

void renderSong(openmpt_module *song, int rate, float *stereo, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        size_t n = openmpt_module_read_interleaved_float_stereo(song, rate, frames - done, stereo + 2 * done);
        if (n == 0) break;
        done += n;
    }
    std::memset(stereo + 2 * done, 0, (frames - done) * 2 * sizeof(float));
}
