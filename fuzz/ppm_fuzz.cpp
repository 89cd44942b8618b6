// Fuzz target: the PPM reader on arbitrary file bytes. The first byte picks the alpha mode,
// the rest is the file. Whatever the bytes, LoadPPM must either fail cleanly (null, width and
// height 0) or return a picture of exactly width × height RGBA pixels that obey the mode.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "image/ppm.h"

namespace {
std::string picturePath;

// Where each input is written: a file in a private folder, in memory when /dev/shm exists.
std::string makePicturePath() {
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/corvalis-fuzz-ppm-XXXXXX";
    if (!mkdtemp(&pattern[0])) abort();
    return pattern + "/picture.pbm";
}

void removePicture() {
    unlink(picturePath.c_str());
    rmdir(picturePath.substr(0, picturePath.rfind('/')).c_str());
}

// Checks one pixel against the rule of its alpha mode.
bool pixelObeys(const unsigned char *p, int mode) {
    switch (mode) {
        case alphaBlackTransparent: return p[3] == ((p[0] | p[1] | p[2]) == 0 ? 0 : 255);
        case alphaOpaque: return p[3] == 255;
        case alphaWhiteTransparent: return p[3] == ((p[0] & p[1] & p[2]) == 255 ? 0 : 255);
        default: return p[0] == 255 && p[1] == 255 && p[2] == 255;
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    picturePath = makePicturePath();
    atexit(removePicture);
    // The reader's failure lines go to stdout; thousands a second would only slow the run.
    if (!freopen("/dev/null", "w", stdout)) abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    const int modes[] = {alphaBlackTransparent, alphaOpaque, alphaWhiteTransparent, 3};
    int mode = modes[data[0] % 4];
    FILE *f = fopen(picturePath.c_str(), "wb");
    if (!f) abort();
    if (size > 1 && fwrite(data + 1, 1, size - 1, f) != size - 1) abort();
    fclose(f);

    int width = -1, height = -1;
    unsigned char *rgba = LoadPPM(picturePath.c_str(), &width, &height, mode);
    if (!rgba) {
        if (width != 0 || height != 0) abort();
        return 0;
    }
    if (width < 0 || height < 0 || width > ppmMaxSide || height > ppmMaxSide) abort();
    // The raster had to come from the file: three bytes a pixel after a header of at least
    // ten bytes ("P6", two sizes, 255, each apart, and the byte that ends the header).
    if (size_t(width) * size_t(height) * 3 + 10 > size - 1) abort();
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i)
        if (!pixelObeys(rgba + 4 * i, mode)) abort();
    free(rgba);
    return 0;
}
