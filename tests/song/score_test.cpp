// The score reader: how phrases become pattern cells, and the faults it reports with their line.
#include "score.h"
#include "song_test_util.h"

#include <gtest/gtest.h>

namespace {

using songgen::Cell;
using songgen::Song;

// A two-channel score frame around the given phrase, pattern and order lines.
std::string frame(const std::string& body) {
    return "song test\nchannels a b\nbpm 125\ninstrument lead lead\ninstrument kick kick vol=40\n" + body;
}

const Cell& cell(const Song& s, int pattern, int row, int channel) {
    return s.patterns[pattern].cells[static_cast<size_t>(row * s.channels + channel)];
}

TEST(ScoreReader, PhrasesRepeatToFillTheirChannelAndKeepNotesVolumesAndEffects) {
    Song s;
    std::string error;
    ASSERT_TRUE(songgen::parse_score(frame("phrase p C-4v32!A04 . off .\nend\n"
                                           "pattern main rows=8\n  a lead p\nend\norder\n  main\nend\n"),
                                     false, s, error))
        << error;
    ASSERT_EQ(s.channels, 3);  // two music channels and the control channel
    ASSERT_EQ(s.patterns[0].rows, 8);
    for (int row : {0, 4}) {
        const Cell& c = cell(s, 0, row, 0);
        EXPECT_EQ(c.note, 49);  // C-4
        EXPECT_EQ(c.instrument, 1);
        EXPECT_EQ(c.volume, 0x10 + 32);
        EXPECT_EQ(c.effect, 0x0a);
        EXPECT_EQ(c.param, 0x04);
        EXPECT_EQ(cell(s, 0, row + 2, 0).note, songgen::kKeyOff);
        EXPECT_EQ(cell(s, 0, row + 2, 0).instrument, 0);
    }
    EXPECT_EQ(cell(s, 0, 1, 0).note, 0);
    EXPECT_EQ(cell(s, 0, 0, 1).note, 0);  // channel b stays empty
}

TEST(ScoreReader, ReferenceModifiersTransposeRotateScaleRepeatAndSwapInstruments) {
    Song s;
    std::string error;
    ASSERT_TRUE(songgen::parse_score(frame("phrase p A-3v40 . . C-4@kick end\n"
                                           "pattern main rows=16\n  a lead p+12>1%50*2 ~4 p-1\n  b lead ~16\nend\n"
                                           "order\n  main\nend\n"),
                                     false, s, error))
        << error;
    // p+12 rotated by one row: C-5@kick, A-4v20, ., .
    EXPECT_EQ(cell(s, 0, 0, 0).note, 61);
    EXPECT_EQ(cell(s, 0, 0, 0).instrument, 2);
    EXPECT_EQ(cell(s, 0, 0, 0).volume, 0x10 + 20);  // half the kick's default 40
    EXPECT_EQ(cell(s, 0, 1, 0).note, 58);
    EXPECT_EQ(cell(s, 0, 1, 0).volume, 0x10 + 20);
    EXPECT_EQ(cell(s, 0, 5, 0).note, 58);  // second repeat
    EXPECT_EQ(cell(s, 0, 8, 0).note, 0);   // the rest
    EXPECT_EQ(cell(s, 0, 12, 0).note, 45); // p-1: G#3
    EXPECT_EQ(cell(s, 0, 12, 0).volume, 0x10 + 40);
}

TEST(ScoreReader, TempoAndVolumeGoToFreeEffectColumnsOfTheFirstRow) {
    Song s;
    std::string error;
    ASSERT_TRUE(songgen::parse_score(frame("phrase p C-4!A01 end\n"
                                           "pattern main rows=4 speed=5 bpm=140\n  b lead p\nend\n"
                                           "order\n  main\n  main restart mark=1.5@2\nend\n"),
                                     false, s, error))
        << error;
    EXPECT_EQ(cell(s, 0, 0, 2).effect, 0x0f);
    EXPECT_EQ(cell(s, 0, 0, 2).param, 5);
    EXPECT_EQ(cell(s, 0, 0, 1).effect, 0x0a);  // the phrase's own effect stays
    EXPECT_EQ(cell(s, 0, 0, 0).effect, 0x0f);
    EXPECT_EQ(cell(s, 0, 0, 0).param, 140);
    EXPECT_EQ(s.restart, 1);
    ASSERT_EQ(s.marks.size(), 1u);
    EXPECT_EQ(s.marks[0].order, 1);
    EXPECT_EQ(s.marks[0].row, 2);
    EXPECT_DOUBLE_EQ(s.marks[0].seconds, 1.5);
}

TEST(ScoreReader, InstrumentOptionsAreApplied) {
    Song s;
    std::string error;
    ASSERT_TRUE(songgen::parse_score("channels a\ninstrument x pad vol=12 pan=200 env=2,3,40,5 fade=99\n"
                                     "phrase p C-4 end\npattern m rows=1\n a x p\nend\norder\n m\nend\n",
                                     true, s, error))
        << error;
    const songgen::Instrument& ins = s.instruments[0];
    EXPECT_EQ(ins.volume, 12);
    EXPECT_EQ(ins.panning, 200);
    EXPECT_EQ(ins.fadeout, 99);
    ASSERT_EQ(ins.envelope.points.size(), 4u);
    EXPECT_EQ(ins.envelope.points[2].tick, 5);
    EXPECT_EQ(ins.envelope.points[2].value, 40);
    EXPECT_EQ(ins.envelope.sustain, 2);
    EXPECT_FALSE(ins.data.empty());
}

struct BadScore {
    const char* what;
    const char* body;
    const char* line;  // the line the message must name
};

const BadScore kBad[] = {
    {"bad note", "phrase p H-4 end\n", "line 6:"},
    {"note past B-7", "phrase p C-8 end\n", "line 6:"},
    {"volume over 64", "phrase p C-4v65 end\n", "line 6:"},
    {"bad effect", "phrase p C-4!A1 end\n", "line 6:"},
    {"unknown phrase", "pattern m rows=4\n a lead nothing\nend\n", "line 7:"},
    {"unknown instrument", "phrase p C-4 end\npattern m rows=4\n a drum p\nend\n", "line 8:"},
    {"unknown channel", "phrase p C-4 end\npattern m rows=4\n z lead p\nend\n", "line 8:"},
    {"phrase longer than pattern", "phrase p C-4 .4 end\npattern m rows=4\n a lead p\nend\n", "line 9:"},
    {"transposed out of range", "phrase p B-7 end\npattern m rows=4\n a lead p+1\nend\n", "line 8:"},
    {"mark past the pattern", "phrase p C-4 end\npattern m rows=4\n a lead p\nend\norder\n m mark=1@4\nend\n", "line 11:"},
    {"unknown pattern in order", "order\n nope\nend\n", "line 7:"},
    {"unknown recipe", "instrument y flute\n", "line 6:"},
    {"bad bpm", "pattern m rows=4 bpm=20\nend\n", "line 6:"},
    {"unknown line", "tempo 5\n", "line 6:"},
    {"no free effect column for tempo",
     "phrase p C-4!A01 end\npattern m rows=4 speed=5 bpm=140 gvol=40\n a lead p\n b lead p\nend\n", "line 10:"},
    {"marks out of time order", "phrase p C-4 end\npattern m rows=4\n a lead p\nend\norder\n m mark=2\n m mark=1\nend\n", ""},
    {"missing end", "phrase p C-4\n", ""},
    {"no order list", "phrase p C-4 end\n", ""},
};

class ScoreFault : public ::testing::TestWithParam<BadScore> {};

TEST_P(ScoreFault, IsRejectedWithItsLine) {
    Song s;
    std::string error;
    EXPECT_FALSE(songgen::parse_score(frame(GetParam().body), true, s, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.rfind(GetParam().line, 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(Faults, ScoreFault, ::testing::ValuesIn(kBad),
                         [](const ::testing::TestParamInfo<BadScore>& info) { return songtest::test_name(info.param.what); });

TEST(ScoreReader, MissingFileIsReported) {
    Song s;
    std::string error;
    EXPECT_FALSE(songgen::load_score("/nonexistent/score.txt", false, s, error));
    EXPECT_NE(error.find("/nonexistent/score.txt"), std::string::npos);
}

}  // namespace
