// PPM reading and the screenshot writer.
#include "image/ppm.h"

#include <GL/gl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/volumes.h"

namespace {

unsigned char *fail(std::FILE *f, int *width, int *height, const char *line) {
    if (line) std::printf("%s\n", line);
    if (f) std::fclose(f);
    *width = 0;
    *height = 0;
    return nullptr;
}

// After the two sizes: whitespace, the maximum sample value, which must be 255, and the one
// whitespace byte that ends the header.
bool readMaxValue(std::FILE *f) {
    int maxValue = 0;
    if (std::fscanf(f, "%6d", &maxValue) != 1 || maxValue != 255) return false;
    int end = std::fgetc(f);
    return end != EOF;
}

// True when the file holds at least size bytes after the current position. A file whose size
// cannot be told (a pipe) is given the benefit of the doubt: the read still checks its count.
bool rasterFits(std::FILE *f, size_t size) {
    struct stat st;
    long here = std::ftell(f);
    if (here < 0 || fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return true;
    return st.st_size >= here && size_t(st.st_size - here) >= size;
}

void convert(const unsigned char *rgb, unsigned char *rgba, long pixels, int alphaMode) {
    for (long i = 0; i < pixels; ++i, rgb += 3, rgba += 4) {
        unsigned r = rgb[0], g = rgb[1], b = rgb[2];
        switch (alphaMode) {
            case alphaBlackTransparent:
            case alphaOpaque:
            case alphaWhiteTransparent: {
                unsigned char a = 255;
                if (alphaMode == alphaBlackTransparent && r == 0 && g == 0 && b == 0) a = 0;
                if (alphaMode == alphaWhiteTransparent && r == 255 && g == 255 && b == 255) a = 0;
                rgba[0] = static_cast<unsigned char>(r);
                rgba[1] = static_cast<unsigned char>(g);
                rgba[2] = static_cast<unsigned char>(b);
                rgba[3] = a;
                break;
            }
            default:
                rgba[0] = rgba[1] = rgba[2] = 255;
                rgba[3] = static_cast<unsigned char>((r + g + b) / 3);
                break;
        }
    }
}

}  // namespace

unsigned char *LoadPPM(const char *path, int *width, int *height, int alphaMode) {
    std::FILE *f = std::fopen(path, "rb");
    if (!f) return fail(nullptr, width, height, nullptr);

    long w = 0, h = 0;
    // Field widths keep every number far from overflow; larger sizes are refused below anyway.
    if (std::fscanf(f, "P6\n%6ld %6ld\n", &w, &h) != 2 || !readMaxValue(f))
        return fail(f, width, height, "Error scanning PPM header");
    if (w < 0 || h < 0 || w > ppmMaxSide || h > ppmMaxSide)
        return fail(f, width, height, "Error PPM size out of range");

    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    // A header can claim far more than the file holds: a file of a few bytes would make us take
    // hundreds of megabytes before the read came up short. Only what the file has is taken.
    if (!rasterFits(f, pixels * 3)) return fail(f, width, height, "Error PPM raster too short");
    // At least one byte, so that an empty picture is still a valid, releasable result.
    unsigned char *raster = static_cast<unsigned char *>(std::malloc(pixels * 3 + 1));
    if (!raster) return fail(f, width, height, "Error out of Memory");

    size_t got = std::fread(raster, 1, pixels * 3, f);
    std::fclose(f);
    if (got != pixels * 3) {
        std::free(raster);
        return fail(nullptr, width, height, "Error PPM raster too short");
    }

    unsigned char *rgba = static_cast<unsigned char *>(std::malloc(pixels * 4 + 1));
    if (!rgba) {
        std::free(raster);
        return fail(nullptr, width, height, "Error out of Memory");
    }
    convert(raster, rgba, static_cast<long>(pixels), alphaMode);
    std::free(raster);
    return rgba;
}

int savePBM() {
    constexpr int w = 640, h = 480, rowBytes = w * 3;
    const std::string path = hostPath("RAM:screenshot.ppm");
    const std::string temp = path + ".tmp";

    unsigned char *buffer = static_cast<unsigned char *>(std::malloc(size_t(rowBytes) * h));
    if (!buffer) {
        std::fprintf(stderr, "Screenshot failed: out of memory\n");
        return 0;
    }
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, buffer);

    std::FILE *f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "Screenshot failed: cannot write %s: %s\n", temp.c_str(), std::strerror(errno));
        std::free(buffer);
        return 0;
    }
    bool ok = std::fprintf(f, "P6 %d %d 255\n", w, h) > 0;
    // GL delivers the bottom row first; the file holds the top row first.
    for (int row = h - 1; ok && row >= 0; --row)
        ok = std::fwrite(buffer + size_t(row) * rowBytes, 1, rowBytes, f) == size_t(rowBytes);
    int savedErrno = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    std::free(buffer);
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        std::remove(temp.c_str());
        std::fprintf(stderr, "Screenshot failed: cannot write %s: %s\n", path.c_str(), std::strerror(savedErrno));
        return 0;
    }
    return 1;
}
