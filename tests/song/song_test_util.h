// Helpers for the song tests: reading files, loading modules in libopenmpt, rendering.
#pragma once

#include <cstdint>
#include <libopenmpt/libopenmpt.hpp>
#include <memory>
#include <string>
#include <vector>

namespace songtest {

// The whole file, or an empty vector when it cannot be read.
std::vector<uint8_t> read_bytes(const std::string& path);

// A libopenmpt module loaded from bytes with its log captured; null when loading failed.
struct Loaded {
    std::unique_ptr<openmpt::module> module;
    std::string log;
};
Loaded load_openmpt(const std::vector<uint8_t>& bytes);

// Renders the module from its start to its end at 48 kHz stereo with default settings.
std::vector<float> render_all(openmpt::module& module);

// Largest absolute sample value of a render, in dBFS.
double peak_dbfs(const std::vector<float>& interleaved);

// Writes 48 kHz stereo 32-bit float WAV (little-endian host); false when it cannot be written.
bool write_wav(const std::string& path, const std::vector<float>& interleaved);

// A test-name-safe form of a description: letters and digits kept, everything else '_'.
std::string test_name(const std::string& text);

// A fresh empty folder under the system's temporary folder.
std::string make_temp_dir();

}  // namespace songtest
