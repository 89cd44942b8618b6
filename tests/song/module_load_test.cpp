// The committed song and the short test module: both load cleanly in libopenmpt and libxmp,
// carry the header the player relies on, and last as long in both libraries.
#include "song_test_util.h"

#include <gtest/gtest.h>
#include <xmp.h>

#include <cmath>

namespace {

struct ModuleCase {
    const char* name;
    const char* path;
    double min_seconds;
    double max_seconds;
};

const ModuleCase kModules[] = {
    {"song", SONG_XM, 240.0, 330.0},
    {"short", SHORT_XM, 4.0, 6.0},
};

class CommittedModule : public ::testing::TestWithParam<ModuleCase> {};

uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

TEST_P(CommittedModule, HeaderIsXm0104WithLinearFrequencies) {
    std::vector<uint8_t> bytes = songtest::read_bytes(GetParam().path);
    ASSERT_GT(bytes.size(), 336u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 17), "Extended Module: ");
    EXPECT_EQ(bytes[37], 0x1a);
    EXPECT_EQ(le16(bytes, 58), 0x0104);
    EXPECT_EQ(le16(bytes, 74) & 1, 1);
}

TEST_P(CommittedModule, LoadsInLibopenmptWithoutWarnings) {
    songtest::Loaded loaded = songtest::load_openmpt(songtest::read_bytes(GetParam().path));
    ASSERT_TRUE(loaded.module) << loaded.log;
    EXPECT_EQ(loaded.log, "");
    EXPECT_EQ(loaded.module->get_metadata("warnings"), "");
    EXPECT_EQ(loaded.module->get_metadata("type"), "xm");
}

TEST_P(CommittedModule, LoadsInLibxmpAndLastsAsLongAsInLibopenmpt) {
    std::vector<uint8_t> bytes = songtest::read_bytes(GetParam().path);
    songtest::Loaded loaded = songtest::load_openmpt(bytes);
    ASSERT_TRUE(loaded.module);
    double openmpt_seconds = loaded.module->get_duration_seconds();

    xmp_context ctx = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(ctx, bytes.data(), static_cast<long>(bytes.size())), 0);
    ASSERT_EQ(xmp_start_player(ctx, 48000, 0), 0);
    xmp_frame_info info;
    xmp_get_frame_info(ctx, &info);
    double xmp_seconds = info.total_time / 1000.0;
    xmp_end_player(ctx);
    xmp_release_module(ctx);
    xmp_free_context(ctx);

    EXPECT_NEAR(xmp_seconds, openmpt_seconds, 1.0);
    EXPECT_GE(openmpt_seconds, GetParam().min_seconds);
    EXPECT_LE(openmpt_seconds, GetParam().max_seconds);
}

TEST_P(CommittedModule, FullRenderPeaksBelowMinusOneDbfs) {
    songtest::Loaded loaded = songtest::load_openmpt(songtest::read_bytes(GetParam().path));
    ASSERT_TRUE(loaded.module);
    std::vector<float> pcm = songtest::render_all(*loaded.module);
    double seconds = static_cast<double>(pcm.size()) / 2.0 / 48000.0;
    EXPECT_NEAR(seconds, loaded.module->get_duration_seconds(), 0.2);
    EXPECT_LT(songtest::peak_dbfs(pcm), -1.0);
    EXPECT_GT(songtest::peak_dbfs(pcm), -20.0);  // and is not near silence either
}

INSTANTIATE_TEST_SUITE_P(Modules, CommittedModule, ::testing::ValuesIn(kModules),
                         [](const ::testing::TestParamInfo<ModuleCase>& info) { return std::string(info.param.name); });

// The player loops forever from the restart position; the short module loops from its start.
TEST(ShortModule, RestartsFromTheFirstOrderAndStartsAtOnce) {
    std::vector<uint8_t> bytes = songtest::read_bytes(SHORT_XM);
    ASSERT_GT(bytes.size(), 80u);
    EXPECT_EQ(le16(bytes, 66), 0);
    songtest::Loaded loaded = songtest::load_openmpt(bytes);
    ASSERT_TRUE(loaded.module);
    std::vector<float> first(2 * 480);
    loaded.module->read_interleaved_stereo(48000, 480, first.data());
    EXPECT_GT(songtest::peak_dbfs(first), -30.0);  // sound within the first 10 ms
}

}  // namespace
