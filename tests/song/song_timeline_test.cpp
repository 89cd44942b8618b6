// The song against the show's timeline: each moment at which the show changes has a marked row
// in the score, libopenmpt plays that row within one row of the moment, and something new starts
// on it; the closing section is where the song loops and lasts at least a minute.
#include "score.h"
#include "song_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Seconds from the song's start at which the show changes: title fade, wheel texts, stars,
// fireworks, scroller, scroller alone, greetings, credits, logo, the two flashes, closing text.
const double kShowMoments[] = {4.01, 7.50, 15.01, 26.26, 50.01, 58.51, 88.57,
                               122.88, 142.87, 199.50, 201.50, 202.01};
constexpr double kClosingMoment = 202.01;

struct Fixture : public ::testing::Test {
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(songgen::load_score(SONG_SCORE, false, score, error)) << error;
        loaded = songtest::load_openmpt(songtest::read_bytes(SONG_XM));
        ASSERT_TRUE(loaded.module) << loaded.log;
    }

    // Start time of a row and the length of that row as libopenmpt plays it.
    void row_time(int order, int row, double& start, double& length) {
        openmpt::module& m = *loaded.module;
        start = m.set_position_order_row(order, row);
        length = 2.5 * m.get_current_speed() / m.get_current_tempo();
    }

    // Channels that start a note (not a key-off) on this row.
    int notes_on_row(int order, int row) {
        openmpt::module& m = *loaded.module;
        int pattern = m.get_order_pattern(order);
        int count = 0;
        for (int ch = 0; ch < m.get_num_channels(); ++ch) {
            int note = m.get_pattern_row_channel_command(pattern, row, ch, openmpt::module::command_note);
            if (note >= 1 && note <= 120) ++count;
        }
        return count;
    }

    songgen::Song score;
    songtest::Loaded loaded;
};

using SongTimeline = Fixture;

TEST_F(SongTimeline, ScoreAndModuleHaveTheSameOrderList) {
    openmpt::module& m = *loaded.module;
    ASSERT_EQ(m.get_num_orders(), static_cast<int>(score.orders.size()));
    for (size_t i = 0; i < score.orders.size(); ++i) EXPECT_EQ(m.get_order_pattern(static_cast<int>(i)), score.orders[i]);
}

TEST_F(SongTimeline, EveryShowMomentHasAMarkedRowThatPlaysWithinOneRow) {
    for (double moment : kShowMoments) {
        SCOPED_TRACE(moment);
        const songgen::Mark* mark = nullptr;
        for (const songgen::Mark& m : score.marks)
            if (std::fabs(m.seconds - moment) < 0.005) mark = &m;
        ASSERT_NE(mark, nullptr) << "no mark in the score";
        double start = 0.0, length = 0.0;
        row_time(mark->order, mark->row, start, length);
        EXPECT_GT(length, 0.05);
        EXPECT_LE(std::fabs(start - moment), length) << "order " << mark->order << " row " << mark->row << " plays at " << start;
    }
}

TEST_F(SongTimeline, SomethingNewStartsOnEveryMarkedRow) {
    for (const songgen::Mark& mark : score.marks) {
        SCOPED_TRACE(mark.seconds);
        EXPECT_GE(notes_on_row(mark.order, mark.row), 2);
    }
}

TEST_F(SongTimeline, SongLoopsFromTheClosingSectionWhichLastsAMinute) {
    std::vector<uint8_t> bytes = songtest::read_bytes(SONG_XM);
    ASSERT_GT(bytes.size(), 80u);
    int restart = bytes[66] | (bytes[67] << 8);
    EXPECT_EQ(restart, score.restart);

    const songgen::Mark* closing = nullptr;
    for (const songgen::Mark& m : score.marks)
        if (std::fabs(m.seconds - kClosingMoment) < 0.005) closing = &m;
    ASSERT_NE(closing, nullptr);
    EXPECT_EQ(closing->order, restart);
    EXPECT_EQ(closing->row, 0);

    double start = 0.0, length = 0.0;
    row_time(restart, 0, start, length);
    double end = loaded.module->get_duration_seconds();
    EXPECT_GE(end - start, 60.0);
}

// After the end the player goes back to the restart order: rendering on past the end with
// looping on lands in the closing section, not at the song's start.
TEST_F(SongTimeline, PlayingPastTheEndContinuesAtTheRestartOrder) {
    openmpt::module& m = *loaded.module;
    m.set_repeat_count(-1);
    double end = m.get_duration_seconds();
    m.set_position_seconds(end - 1.0);
    std::vector<float> block(2 * 48000 * 2);
    m.read_interleaved_stereo(48000, 48000 * 2, block.data());
    EXPECT_EQ(m.get_current_order(), score.restart);
    EXPECT_LT(m.get_current_row(), 32);
}

}  // namespace
