// Helpers for the song tests.
#include "song_test_util.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace songtest {

std::vector<uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Loaded load_openmpt(const std::vector<uint8_t>& bytes) {
    Loaded out;
    std::ostringstream log;
    try {
        out.module = std::make_unique<openmpt::module>(bytes, log);
    } catch (const openmpt::exception& e) {
        log << "exception: " << e.what();
    }
    out.log = log.str();
    return out;
}

std::vector<float> render_all(openmpt::module& module) {
    module.set_repeat_count(0);
    module.set_position_seconds(0.0);
    std::vector<float> all;
    std::vector<float> block(2 * 4800);
    for (;;) {
        size_t frames = module.read_interleaved_stereo(48000, 4800, block.data());
        if (frames == 0) break;
        all.insert(all.end(), block.begin(), block.begin() + static_cast<long>(2 * frames));
    }
    return all;
}

double peak_dbfs(const std::vector<float>& interleaved) {
    float peak = 0.0f;
    for (float v : interleaved) peak = std::max(peak, std::fabs(v));
    return peak > 0.0f ? 20.0 * std::log10(peak) : -1000.0;
}

bool write_wav(const std::string& path, const std::vector<float>& interleaved) {
    std::ofstream out(path, std::ios::binary);
    auto put = [&out](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    uint32_t data_bytes = static_cast<uint32_t>(interleaved.size() * 4);
    out.write("RIFF", 4);
    put(36 + data_bytes, 4);
    out.write("WAVEfmt ", 8);
    put(16, 4);
    put(3, 2);  // IEEE float samples, so nothing is clipped or rounded before measuring
    put(2, 2);
    put(48000, 4);
    put(48000 * 8, 4);
    put(8, 2);
    put(32, 2);
    out.write("data", 4);
    put(data_bytes, 4);
    out.write(reinterpret_cast<const char*>(interleaved.data()), static_cast<std::streamsize>(data_bytes));
    return static_cast<bool>(out);
}

std::string test_name(const std::string& text) {
    std::string out;
    for (char c : text) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return out;
}

std::string make_temp_dir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/corvalis_song_XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    char* made = mkdtemp(buf.data());
    return made ? std::string(made) : std::string();
}

}  // namespace songtest
