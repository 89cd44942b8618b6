// The generator rebuilds the committed modules byte for byte from their scores, and fails
// cleanly on bad input.
#include "song_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

struct RegenCase {
    const char* name;
    const char* score;
    const char* committed;
};

const RegenCase kRegen[] = {
    {"song", SONG_SCORE, SONG_XM},
    {"short", SHORT_SCORE, SHORT_XM},
};

class Regenerate : public ::testing::TestWithParam<RegenCase> {};

int run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

TEST_P(Regenerate, GeneratorRebuildsTheCommittedFileExactly) {
    std::string dir = songtest::make_temp_dir();
    ASSERT_FALSE(dir.empty());
    std::string out = dir + "/out.xm";
    ASSERT_EQ(run(std::string("'") + SONGGEN_PATH + "' '" + GetParam().score + "' '" + out + "'"), 0);
    std::vector<uint8_t> made = songtest::read_bytes(out);
    std::vector<uint8_t> committed = songtest::read_bytes(GetParam().committed);
    ASSERT_FALSE(committed.empty());
    EXPECT_EQ(made.size(), committed.size());
    EXPECT_TRUE(made == committed) << "regenerate with: corvalis_songgen " << GetParam().score << " "
                                   << GetParam().committed;
    std::remove(out.c_str());
    std::remove(dir.c_str());
}

INSTANTIATE_TEST_SUITE_P(Modules, Regenerate, ::testing::ValuesIn(kRegen),
                         [](const ::testing::TestParamInfo<RegenCase>& info) { return std::string(info.param.name); });

TEST(GeneratorCommandLine, FailsWithoutWritingOnABadScoreOrArguments) {
    std::string dir = songtest::make_temp_dir();
    ASSERT_FALSE(dir.empty());
    std::string bad_score = dir + "/bad.txt";
    std::ofstream(bad_score) << "channels a\nphrase p C-9 end\n";
    std::string out = dir + "/out.xm";
    std::string gen = std::string("'") + SONGGEN_PATH + "'";
    EXPECT_NE(run(gen + " '" + bad_score + "' '" + out + "'"), 0);
    EXPECT_NE(run(gen + " '" + dir + "/missing.txt' '" + out + "'"), 0);
    EXPECT_NE(run(gen + " '" + bad_score + "'"), 0);
    EXPECT_TRUE(songtest::read_bytes(out).empty());
    std::remove(bad_score.c_str());
    std::remove(dir.c_str());
}

}  // namespace
