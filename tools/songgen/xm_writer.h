// Serialises a Song into the bytes of an XM (FastTracker 2 extended module) file, version 0x0104.
#pragma once

#include "song.h"

#include <cstdint>
#include <string>
#include <vector>

namespace songgen {

// Builds the whole file in memory; returns false with a reason when the song breaks a limit of
// the format (channel, pattern, order or instrument counts, row counts, names too long).
bool write_xm(const Song& song, std::vector<uint8_t>& out, std::string& error);

// Writes bytes to a file; false with a reason when the file cannot be written.
bool save_file(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

}  // namespace songgen
