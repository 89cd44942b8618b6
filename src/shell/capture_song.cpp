// Song decoding to WAV. The decoder renders floats, as it does for the player; they are turned
// into 16-bit samples here, without dither, so that two captures give the same bytes.
#include "shell/capture_song.h"

#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "shell/capture.h"

namespace {
void put16(unsigned char *p, unsigned v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void put32(unsigned char *p, unsigned long v) {
    put16(p, unsigned(v & 0xffff));
    put16(p + 2, unsigned(v >> 16));
}

void quietLog(const char *, void *) {}

// One float sample as 16-bit little-endian, rounded and clipped.
void toPcm16(float x, unsigned char *out) {
    long v = std::lround(double(x) * 32767.0);
    if (v > 32767) v = 32767;
    if (v < -32768) v = -32768;
    put16(out, unsigned(v) & 0xffff);
}

// Decodes the next frames into floats; what the song does not fill is silence.
void decode(openmpt_module *song, float *stereo, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        size_t n = openmpt_module_read_interleaved_float_stereo(song, captureSampleRate, frames - done, stereo + 2 * done);
        if (n == 0) break;
        done += n;
    }
    std::memset(stereo + 2 * done, 0, (frames - done) * 2 * sizeof(float));
}
}  // namespace

void wavHeader(unsigned char out[wavHeaderBytes], long frames) {
    const unsigned long dataBytes = static_cast<unsigned long>(frames) * 4;
    std::memcpy(out, "RIFF", 4);
    put32(out + 4, 36 + dataBytes);
    std::memcpy(out + 8, "WAVEfmt ", 8);
    put32(out + 16, 16);                    // format chunk size
    put16(out + 20, 1);                     // PCM
    put16(out + 22, 2);                     // channels
    put32(out + 24, captureSampleRate);     // frames per second
    put32(out + 28, captureSampleRate * 4); // bytes per second
    put16(out + 32, 4);                     // bytes per frame
    put16(out + 34, 16);                    // bits per sample
    std::memcpy(out + 36, "data", 4);
    put32(out + 40, dataBytes);
}

bool writeSongWav(const std::string &songPath, long firstSample, long count, const std::string &wavPath,
                  std::string *error) {
    std::vector<unsigned char> bytes;
    if (!readFileBytes(songPath.c_str(), &bytes)) {
        *error = "cannot read the song " + songPath;
        return false;
    }
    openmpt_module *song = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), quietLog, nullptr, nullptr,
                                                              nullptr, nullptr, nullptr, nullptr);
    if (!song) {
        *error = "the song " + songPath + " is not a module";
        return false;
    }
    openmpt_module_set_repeat_count(song, -1);  // as the player: on from the restart position

    std::FILE *out = std::fopen(wavPath.c_str(), "wb");
    if (!out) {
        openmpt_module_destroy(song);
        *error = "cannot write " + wavPath + ": " + std::strerror(errno);
        return false;
    }
    unsigned char header[wavHeaderBytes];
    wavHeader(header, count);
    bool ok = std::fwrite(header, 1, sizeof header, out) == sizeof header;

    constexpr size_t chunk = 4800;
    std::vector<float> stereo(chunk * 2);
    std::vector<unsigned char> pcm(chunk * 4);
    for (long skipped = 0; ok && skipped < firstSample;) {
        size_t n = size_t(std::min<long>(long(chunk), firstSample - skipped));
        decode(song, stereo.data(), n);
        skipped += long(n);
    }
    for (long written = 0; ok && written < count;) {
        size_t n = size_t(std::min<long>(long(chunk), count - written));
        decode(song, stereo.data(), n);
        for (size_t i = 0; i < n * 2; ++i) toPcm16(stereo[i], &pcm[i * 2]);
        ok = std::fwrite(pcm.data(), 1, n * 4, out) == n * 4;
        written += long(n);
    }
    if (std::fclose(out) != 0) ok = false;
    openmpt_module_destroy(song);
    if (!ok) *error = "cannot write " + wavPath + ": " + std::strerror(errno);
    return ok;
}
