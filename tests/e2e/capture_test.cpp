// The real program's command line and capture: --help, --version and a bad option; two
// captures of the same two seconds give the same bytes, one of them with no display at all;
// the song is exactly as long as the frames and sample-exact to them; frames before --from
// are run, not written, and leave the show exactly where drawing them would; a video has its
// frames and its sound.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "program_run.h"
#include "shell/capture_png.h"

namespace fs = std::filesystem;

namespace {

const std::string program = std::string(CORVALIS_RUN_DIR) + "/corvalis";

std::string bytesOf(const std::string &path) { return fileText(path); }

// Little-endian 32-bit field of a file's bytes.
uint32_t le32(const std::string &b, size_t at) {
    return uint32_t((unsigned char)b[at]) | uint32_t((unsigned char)b[at + 1]) << 8 |
           uint32_t((unsigned char)b[at + 2]) << 16 | uint32_t((unsigned char)b[at + 3]) << 24;
}

// Sorted names of the files in a folder.
std::vector<std::string> filesIn(const std::string &dir) {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct CaptureTest : ::testing::Test {
    std::string work = freshFolder("corvalis-capture-");
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(work, ec);
    }
    ProgramResult capture(const std::string &out, std::vector<std::string> args, std::vector<std::string> unset = {}) {
        args.insert(args.begin(), {"--capture", out});
        return runProgram(program, args, CORVALIS_RUN_DIR, {}, unset);
    }
};

TEST(CommandLine, HelpVersionAndABadOption) {
    ProgramResult help = runProgram(program, {"--help"}, CORVALIS_RUN_DIR);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: corvalis [OPTION]...\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--capture OUT"), std::string::npos);
    EXPECT_EQ(help.err, "");

    ProgramResult version = runProgram(program, {"--version"}, CORVALIS_RUN_DIR);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("corvalis 1.0\n", 0), 0u) << version.out;

    ProgramResult bad = runProgram(program, {"--fullscreen"}, CORVALIS_RUN_DIR);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "corvalis: unrecognized option '--fullscreen'\nTry 'corvalis --help' for more information.\n");

    ProgramResult rate = runProgram(program, {"--capture", "x", "--fps", "7"}, CORVALIS_RUN_DIR);
    EXPECT_EQ(rate.status, 2);
    EXPECT_NE(rate.err.find("invalid frame rate '7'"), std::string::npos) << rate.err;
}

TEST_F(CaptureTest, TwoCapturesOfTwoSecondsGiveTheSameBytesWithOrWithoutADisplay) {
    ProgramResult a = capture(work + "/a", {"--to", "2"});
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_NE(a.err.find("Captured 100 frames at 50 fps"), std::string::npos) << a.err;
    EXPECT_NE(a.err.find("100/100 frames"), std::string::npos) << "progress bar";
    // The second one headless: it starts its own X server.
    ProgramResult b = capture(work + "/b", {"--to", "2"}, {"DISPLAY"});
    ASSERT_EQ(b.status, 0) << b.err;

    std::vector<std::string> names = filesIn(work + "/a");
    ASSERT_EQ(names.size(), 101u);
    EXPECT_EQ(names.front(), "frame-000000.png");
    EXPECT_EQ(names[99], "frame-000099.png");
    EXPECT_EQ(names.back(), "song.wav");
    EXPECT_EQ(filesIn(work + "/b"), names);
    for (const auto &name : names)
        EXPECT_TRUE(bytesOf(work + "/a/" + name) == bytesOf(work + "/b/" + name)) << name << " differs";

    // The frames are the show: the title picture at full brightness.
    std::vector<unsigned char> rgb;
    int w = 0, h = 0;
    ASSERT_TRUE(readPng(work + "/a/frame-000050.png", &rgb, &w, &h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    Picture title = readPicture(std::string(CORVALIS_SOURCE_DIR) + "/data/gfx/veldoran_dpdp7.pbm");
    ASSERT_EQ(title.rgb.size(), rgb.size());
    double diff = 0;
    for (size_t i = 0; i < rgb.size(); ++i) diff += std::abs(int(rgb[i]) - int(title.rgb[i]));
    EXPECT_LT(diff / double(rgb.size()), 2.0) << "mean difference per channel from the title picture";

    // Two seconds of sound, 960 samples a frame, 16-bit stereo at 48 kHz.
    std::string wav = bytesOf(work + "/a/song.wav");
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(wav, 24), 48000u);
    EXPECT_EQ(le32(wav, 40), 100u * 960 * 4);
    EXPECT_EQ(wav.size(), 44u + 100 * 960 * 4);
}

TEST_F(CaptureTest, TheSongIsExactlyAsLongAsTheFramesAndSampleExactToThem) {
    ProgramResult whole = capture(work + "/whole", {"--to", "2"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    // At 24 fps from 1.3 s to 2.05 s: frames 32 … 49 (18 frames, 2000 samples each).
    ProgramResult part = capture(work + "/part", {"--fps", "24", "--from", "1.3", "--to", "2.05"});
    ASSERT_EQ(part.status, 0) << part.err;
    std::vector<std::string> names = filesIn(work + "/part");
    ASSERT_EQ(names.size(), 19u);
    EXPECT_EQ(names.front(), "frame-000032.png");
    EXPECT_EQ(names[17], "frame-000049.png");
    std::string a = bytesOf(work + "/whole/song.wav"), b = bytesOf(work + "/part/song.wav");
    ASSERT_EQ(le32(b, 40), 18u * 2000 * 4);
    ASSERT_EQ(b.size(), 44u + 18 * 2000 * 4);
    // Frame 32 at 24 fps starts at sample 64000: the same samples as the capture from 0 has there.
    size_t overlap = (96000 - 64000) * 4;
    EXPECT_TRUE(std::memcmp(a.data() + 44 + 64000 * 4, b.data() + 44, overlap) == 0)
        << "the song of a capture from --from is not the song at that point";
    bool sound = false;
    for (size_t i = 44; i < b.size() && !sound; ++i) sound = b[i] != 0;
    EXPECT_TRUE(sound) << "the song is silent";
}

TEST_F(CaptureTest, FramesBeforeFromAreRunAndLeaveTheShowAsDrawingThemWould) {
    // At 5 fps the fireworks begin at frame 132 (26.4 s); frame 135 holds four frames of them,
    // after stars, wheel texts and the title. Drawn all the way, and run but not written.
    ProgramResult drawn = capture(work + "/drawn", {"--fps", "5", "--to", "27.2"});
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    ProgramResult run = capture(work + "/run", {"--fps", "5", "--from", "27", "--to", "27.2"});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(filesIn(work + "/run"), (std::vector<std::string>{"frame-000135.png", "song.wav"}));
    EXPECT_TRUE(bytesOf(work + "/drawn/frame-000135.png") == bytesOf(work + "/run/frame-000135.png"));
    std::vector<unsigned char> rgb;
    int w, h;
    ASSERT_TRUE(readPng(work + "/run/frame-000135.png", &rgb, &w, &h));
    long warm = 0;
    for (size_t i = 0; i < rgb.size(); i += 3)
        if (rgb[i] > 25 && rgb[i] > rgb[i + 2] + 10) ++warm;
    EXPECT_GT(warm, 100) << "the first fireworks' faint warm sparks are there";
}

TEST_F(CaptureTest, AVideoHasItsFramesAndItsSound) {
    if (!commandOutput("command -v ffprobe").size()) GTEST_SKIP() << "no ffprobe";
    std::string out = work + "/show.mp4";
    ProgramResult r = capture(out, {"--fps", "25", "--from", "10", "--to", "11"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string frames = commandOutput("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                       "stream=nb_read_frames,width,height -of csv=p=0 '" + out + "'");
    EXPECT_EQ(frames, "640,480,25\n");
    std::string audio = commandOutput("ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate,channels "
                                      "-of csv=p=0 '" + out + "'");
    EXPECT_EQ(audio, "48000,2\n");
    EXPECT_FALSE(fs::exists(out + ".wav"));
}

TEST_F(CaptureTest, WithoutFfmpegAVideoIsRefusedBeforeAnyWork) {
    ProgramResult r = runProgram(program, {"--capture", work + "/x.mkv", "--to", "1"}, CORVALIS_RUN_DIR,
                                 {"PATH=" + work});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("ffmpeg is not on PATH"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(work + "/x.mkv"));
}

}  // namespace
