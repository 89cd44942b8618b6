// Strict PPM reading and pixel statistics for the asset tests.
#include "picture_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

bool readPicture(const std::string& path, Picture& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int w = 0, h = 0, consumed = 0;
    if (std::sscanf(bytes.c_str(), "P6\n%d %d\n255\n%n", &w, &h, &consumed) != 2 || consumed == 0) {
        error = "header is not P6\\n<w> <h>\\n255\\n";
        return false;
    }
    // sscanf lets whitespace match runs; the header must be exactly the canonical text.
    const std::string canonical = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    if (bytes.compare(0, canonical.size(), canonical) != 0) {
        error = "header is not exactly \"" + canonical + "\"";
        return false;
    }
    const size_t raster = static_cast<size_t>(w) * h * 3;
    if (w <= 0 || h <= 0 || bytes.size() != canonical.size() + raster) {
        error = "raster size " + std::to_string(bytes.size() - canonical.size()) + " does not match " +
                std::to_string(w) + "x" + std::to_string(h);
        return false;
    }
    out.w = w;
    out.h = h;
    out.rgb.assign(bytes.begin() + static_cast<long>(canonical.size()), bytes.end());
    return true;
}

std::string committedPath(const std::string& relative) {
    return std::string(CORVALIS_SOURCE_DIR) + "/data/" + relative;
}

Picture loadCommitted(const std::string& relative) {
    Picture p;
    std::string error;
    if (!readPicture(committedPath(relative), p, error)) return Picture{};
    return p;
}

float brightness(const Picture& p, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * p.w + x) * 3;
    return (p.rgb[i] + p.rgb[i + 1] + p.rgb[i + 2]) / 3.0f;
}

bool isBlack(const Picture& p, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * p.w + x) * 3;
    return p.rgb[i] == 0 && p.rgb[i + 1] == 0 && p.rgb[i + 2] == 0;
}

int countLit(const Picture& p, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += isBlack(p, x, y) ? 0 : 1;
    return n;
}

int countPinholes(const Picture& p, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = std::max(1, y0); y < std::min(p.h - 1, y1); ++y)
        for (int x = std::max(1, x0); x < std::min(p.w - 1, x1); ++x) {
            if (!isBlack(p, x, y)) continue;
            bool enclosed = true;
            for (int dy = -1; dy <= 1 && enclosed; ++dy)
                for (int dx = -1; dx <= 1 && enclosed; ++dx)
                    if ((dx || dy) && isBlack(p, x + dx, y + dy)) enclosed = false;
            n += enclosed ? 1 : 0;
        }
    return n;
}

Stats brightnessStats(const Picture& p, int x0, int y0, int x1, int y1) {
    double sum = 0, sq = 0;
    const double n = static_cast<double>(x1 - x0) * (y1 - y0);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const double b = brightness(p, x, y);
            sum += b;
            sq += b * b;
        }
    Stats s;
    s.mean = sum / n;
    s.stddev = std::sqrt(std::max(0.0, sq / n - s.mean * s.mean));
    return s;
}
