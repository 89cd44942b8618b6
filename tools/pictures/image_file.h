// Writing pictures to disk: the show's binary PPM files and PNG for the documentation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes "P6\n<w> <h>\n255\n" and the raw RGB bytes; false (and a message on stderr) on failure.
bool writePpm(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb);
// Writes an 8-bit RGB PNG; false (and a message on stderr) on failure.
bool writePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb);
