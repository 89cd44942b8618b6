// The XM writer: what libopenmpt reads back from a small hand-made song, the byte layout of
// the parts the player and tests rely on, and the limits it refuses.
#include "song_test_util.h"
#include "synth.h"
#include "xm_writer.h"

#include <gtest/gtest.h>

namespace {

using songgen::Song;

// Two channels, two patterns, one looped instrument and one one-shot.
Song small_song() {
    Song s;
    s.name = "writer test";
    s.channels = 2;
    s.speed = 5;
    s.bpm = 140;
    s.restart = 1;
    for (int p = 0; p < 2; ++p) {
        songgen::Pattern pat;
        pat.name = "p" + std::to_string(p);
        pat.rows = 16 + 16 * p;
        pat.cells.assign(static_cast<size_t>(pat.rows * 2), songgen::Cell{});
        pat.cells[0] = {49, 1, 0x30, 0, 0};                  // C-4, instrument 1, volume 32
        pat.cells[3] = {61, 2, 0x50, 0x0c, 0x20};            // row 1 channel 1: every field
        pat.cells[static_cast<size_t>(2 * 4)] = {songgen::kKeyOff, 0, 0, 0, 0};
        s.patterns.push_back(pat);
    }
    s.orders = {0, 1, 1};
    for (int i = 0; i < 2; ++i) {
        songgen::Instrument ins;
        ins.name = i ? "oneshot" : "looped";
        ins.data.assign(1000, 0);
        for (size_t k = 0; k < ins.data.size(); ++k) ins.data[k] = static_cast<int16_t>((k % 100) * 300 - 15000);
        if (!i) {
            ins.loop_start = 200;
            ins.loop_length = 500;
        }
        ins.volume = 48;
        ins.envelope = songgen::adsr(2, 3, 40, 5);
        s.instruments.push_back(ins);
    }
    return s;
}

TEST(XmWriter, LibopenmptReadsBackTheSongAsWritten) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(songgen::write_xm(small_song(), bytes, error)) << error;
    songtest::Loaded loaded = songtest::load_openmpt(bytes);
    ASSERT_TRUE(loaded.module) << loaded.log;
    EXPECT_EQ(loaded.log, "");
    openmpt::module& m = *loaded.module;
    EXPECT_EQ(m.get_metadata("title"), "writer test");
    EXPECT_EQ(m.get_num_channels(), 2);
    EXPECT_EQ(m.get_num_orders(), 3);
    EXPECT_EQ(m.get_num_patterns(), 2);
    EXPECT_EQ(m.get_pattern_num_rows(1), 32);
    EXPECT_EQ(m.get_num_instruments(), 2);
    EXPECT_EQ(m.get_instrument_names()[1], "oneshot");
    EXPECT_EQ(m.get_current_speed(), 5);
    EXPECT_EQ(m.get_current_tempo(), 140);
    using M = openmpt::module;
    EXPECT_EQ(m.get_pattern_row_channel_command(0, 0, 0, M::command_note), 49 + 12);  // libopenmpt counts from C-(-1)
    EXPECT_EQ(m.get_pattern_row_channel_command(0, 0, 0, M::command_instrument), 1);
    EXPECT_EQ(m.get_pattern_row_channel_command(0, 0, 0, M::command_volume), 32);
    EXPECT_EQ(m.get_pattern_row_channel_command(0, 1, 1, M::command_instrument), 2);
    EXPECT_EQ(m.get_pattern_row_channel_command(0, 1, 1, M::command_parameter), 0x20);
    EXPECT_EQ(m.get_pattern_row_channel_command(0, 4, 0, M::command_note), 255);  // key-off
    // 16 + 32 + 32 rows at 5 ticks of 2.5/140 s (libopenmpt rounds ticks to whole samples).
    EXPECT_NEAR(m.get_duration_seconds(), 80 * 5 * 2.5 / 140, 0.01);
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

TEST(XmWriter, HeaderAndSampleFieldsSitWhereTheFormatPutsThem) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(songgen::write_xm(small_song(), bytes, error)) << error;
    EXPECT_EQ(le32(bytes, 60), 276u);
    EXPECT_EQ(bytes[64], 3);  // song length
    EXPECT_EQ(bytes[66], 1);  // restart position
    EXPECT_EQ(bytes[80], 0);
    EXPECT_EQ(bytes[81], 1);
    EXPECT_EQ(bytes[82], 1);
    // Skip the two patterns to the first instrument, then its 263-byte header.
    size_t at = 336;
    for (int p = 0; p < 2; ++p) at += 9 + (bytes[at + 7] | (bytes[at + 8] << 8));
    EXPECT_EQ(le32(bytes, at), 263u);
    size_t sample = at + 263;
    EXPECT_EQ(le32(bytes, sample), 2000u);      // 1000 16-bit frames
    EXPECT_EQ(le32(bytes, sample + 4), 400u);   // loop start in bytes
    EXPECT_EQ(le32(bytes, sample + 8), 1000u);  // loop length in bytes
    EXPECT_EQ(bytes[sample + 12], 48);
    EXPECT_EQ(bytes[sample + 14], 0x11);        // forward loop, 16-bit
    // Delta coding: the first value as is, then differences.
    size_t data = sample + 40;
    EXPECT_EQ(static_cast<int16_t>(bytes[data] | (bytes[data + 1] << 8)), -15000);
    EXPECT_EQ(static_cast<int16_t>(bytes[data + 2] | (bytes[data + 3] << 8)), 300);
}

struct Limit {
    const char* what;
    void (*breakit)(Song&);
};

const Limit kLimits[] = {
    {"restart past the orders", [](Song& s) { s.restart = 3; }},
    {"order of a missing pattern", [](Song& s) { s.orders.push_back(2); }},
    {"no channels", [](Song& s) { s.channels = 0; }},
    {"cells not matching rows", [](Song& s) { s.patterns[0].rows = 17; }},
    {"more than 256 rows", [](Song& s) { s.patterns[0].rows = 257; s.patterns[0].cells.resize(514); }},
    {"loop past the end", [](Song& s) { s.instruments[0].loop_length = 801; }},
    {"long name", [](Song& s) { s.name = std::string(21, 'x'); }},
    {"envelope over 12 points", [](Song& s) { s.instruments[0].envelope.points.resize(13); }},
    {"bpm under 32", [](Song& s) { s.bpm = 31; }},
};

class WriterLimit : public ::testing::TestWithParam<Limit> {};

TEST_P(WriterLimit, IsRefusedWithAReason) {
    Song s = small_song();
    GetParam().breakit(s);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(songgen::write_xm(s, bytes, error));
    EXPECT_FALSE(error.empty());
}

INSTANTIATE_TEST_SUITE_P(Limits, WriterLimit, ::testing::ValuesIn(kLimits),
                         [](const ::testing::TestParamInfo<Limit>& info) { return songtest::test_name(info.param.what); });

}  // namespace
