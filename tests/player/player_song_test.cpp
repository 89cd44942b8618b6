// The player's song: XM files cut short are caught before libopenmpt hides it, files that are
// not modules are refused, and the song loops from its restart position.
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.h>

#include <set>
#include <vector>

#include "song.h"
#include "test_paths.h"

namespace {

std::vector<unsigned char> bytesOf(const std::string &text) { return {text.begin(), text.end()}; }

TEST(PlayerSong, CutXmFilesAreMeasuredAndWholeOnesPass) {
    std::vector<unsigned char> song = bytesOf(readText(shortSong()));
    ASSERT_GT(song.size(), 1000u);
    EXPECT_EQ(xmMissingBytes(song.data(), song.size()), 0);
    EXPECT_EQ(xmMissingBytes(song.data(), song.size() - 1), 1) << "the last sample byte";
    const size_t cuts[] = {song.size() - 1000, song.size() / 2, 400, 100, 61};
    for (size_t cut : cuts) {
        long missing = xmMissingBytes(song.data(), cut);
        EXPECT_GT(missing, 0) << "cut at " << cut;
        EXPECT_LE(missing, long(song.size() - cut)) << "cut at " << cut;
    }
    std::vector<unsigned char> other = bytesOf("Extended Mod but not quite, and long enough to look at........");
    EXPECT_EQ(xmMissingBytes(other.data(), other.size()), -1);
    EXPECT_EQ(xmMissingBytes(song.data(), 40), -1) << "too short to be an XM at all";
}

TEST(PlayerSong, FilesThatAreNotWholeModulesAreRefusedWithAReason) {
    std::string dir = freshDir();
    std::string song = readText(shortSong());
    writeText(dir + "/text.xm", "just words\n");
    writeText(dir + "/cut.xm", song.substr(0, song.size() - 10));
    struct Case {
        std::string path;
        const char *reason;
    };
    const Case cases[] = {
        {dir + "/missing.xm", "cannot read"},
        {dir + "/text.xm", "is not a module"},
        {dir + "/cut.xm", "is cut short by 10 bytes"},
    };
    for (const Case &c : cases) {
        std::string error;
        EXPECT_EQ(loadSong(c.path.c_str(), &error), nullptr) << c.path;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
    }
    std::string error;
    openmpt_module *whole = loadSong(shortSong().c_str(), &error);
    EXPECT_NE(whole, nullptr) << error;
    freeSong(whole);
    removeDir(dir);
}

TEST(PlayerSong, LoopsFromTheRestartPositionForever) {
    // The test module with three orders and restart position 1: 0, 1, 2, 1, 2, 1, …
    std::string song = readText(shortSong());
    song[64] = 3;  // song length
    song[65] = 0;
    song[66] = 1;  // restart position
    song[67] = 0;
    song[80] = song[81] = song[82] = 0;  // every order plays pattern 0
    std::string dir = freshDir();
    writeText(dir + "/looping.xm", song);
    std::string error;
    openmpt_module *m = loadSong((dir + "/looping.xm").c_str(), &error);
    ASSERT_NE(m, nullptr) << error;
    double length = openmpt_module_get_duration_seconds(m);
    const int rate = 8000;
    std::vector<float> buffer(2 * rate / 10);
    std::vector<int> orders;
    for (int tenth = 0; tenth < int(length * 10 * 3); ++tenth) {
        renderSong(m, rate, buffer.data(), rate / 10);
        int order = openmpt_module_get_current_order(m);
        if (orders.empty() || orders.back() != order) orders.push_back(order);
    }
    ASSERT_GE(orders.size(), 6u);
    EXPECT_EQ(orders[0], 0);
    for (size_t i = 1; i < orders.size(); ++i) EXPECT_EQ(orders[i], i % 2 ? 1 : 2) << "step " << i;
    float loudest = 0;
    for (float s : buffer) loudest = std::max(loudest, std::abs(s));
    EXPECT_GT(loudest, 0.0f) << "still sounding after three times its length";
    freeSong(m);
    removeDir(dir);
}

}  // namespace
