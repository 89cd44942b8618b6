// The song's level as a listener meets it: a full libopenmpt render at 48 kHz with default
// settings, measured by ffmpeg's EBU R128 meter: integrated loudness and true peak.
#include "song_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Runs the meter on a WAV file; false when ffmpeg cannot be run or prints no summary.
bool measure(const std::string& wav, double& integrated, double& true_peak) {
    std::string cmd = "ffmpeg -hide_banner -nostats -i '" + wav + "' -af ebur128=peak=true -f null - 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return false;
    std::string text;
    char buf[4096];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) text.append(buf, n);
    pclose(p);
    size_t summary = text.rfind("Summary:");
    if (summary == std::string::npos) return false;
    size_t i = text.find("I:", summary);
    size_t pk = text.find("Peak:", summary);
    if (i == std::string::npos || pk == std::string::npos) return false;
    integrated = std::strtod(text.c_str() + i + 2, nullptr);
    true_peak = std::strtod(text.c_str() + pk + 5, nullptr);
    return true;
}

TEST(SongLoudness, IntegratedLoudnessAndTruePeakAreInRange) {
    songtest::Loaded loaded = songtest::load_openmpt(songtest::read_bytes(SONG_XM));
    ASSERT_TRUE(loaded.module) << loaded.log;
    std::vector<float> pcm = songtest::render_all(*loaded.module);
    std::string dir = songtest::make_temp_dir();
    ASSERT_FALSE(dir.empty());
    std::string wav = dir + "/song.wav";
    ASSERT_TRUE(songtest::write_wav(wav, pcm));
    double integrated = 0.0, true_peak = 0.0;
    bool measured = measure(wav, integrated, true_peak);
    std::remove(wav.c_str());
    std::remove(dir.c_str());
    ASSERT_TRUE(measured) << "ffmpeg's ebur128 meter gave no summary";
    EXPECT_GE(integrated, -16.0);
    EXPECT_LE(integrated, -10.0);
    EXPECT_LE(true_peak, -1.0);
}

}  // namespace
