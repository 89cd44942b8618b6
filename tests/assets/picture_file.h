// Reading the committed pictures for the tests, plus pixel helpers. The reader is strict:
// it accepts only the exact header "P6\n<w> <h>\n255\n" followed by exactly w × h × 3 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
};

// Reads `path`; on failure returns false and says why in `error`.
bool readPicture(const std::string& path, Picture& out, std::string& error);
// Reads a committed picture by its path below data/ (e.g. "gfx/gfx2.pbm"); empty on failure.
Picture loadCommitted(const std::string& relative);
// Absolute path of a file below data/.
std::string committedPath(const std::string& relative);

// Mean of the three channels, 0 … 255.
float brightness(const Picture& p, int x, int y);
bool isBlack(const Picture& p, int x, int y);
// Black pixels of the rectangle [x0, x1) × [y0, y1) that are not black.
int countLit(const Picture& p, int x0, int y0, int x1, int y1);
// Pure black pixels inside the rectangle whose eight neighbours are all lit: holes that no
// drawing meant to leave (the loader would punch them out as transparent).
int countPinholes(const Picture& p, int x0, int y0, int x1, int y1);

struct Stats {
    double mean = 0, stddev = 0;
};
// Mean and standard deviation of brightness over the rectangle.
Stats brightnessStats(const Picture& p, int x0, int y0, int x1, int y1);
