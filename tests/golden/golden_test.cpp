// Golden frames: one capture run of the real program writes a frame at each of twelve moments
// of the show (each effect, the two flashes, the closing scroller), and each is compared with
// its committed reference within a small tolerance, since Mesa's llvmpipe may round a little
// differently from version to version. A failure names the frame and says by how much it
// differs, and keeps the captured frame beside the report.
//
// One run with a list of frames (--frames) instead of one --from/--to run per moment: every
// capture runs the show from its start, so twelve runs would cost twelve times the show up to
// each moment; one run costs the show once, up to the last moment (about 20 s at 50 fps).
//
// The demo draws through its batching GL layer; the frames must match the references with the
// layer on and off (CORVALIS_GL_BATCH=0), i.e. the layer changes no operation's result beyond
// the rounding of the model-view product.
//
// CORVALIS_UPDATE_GOLDEN=1 makes the test write the references (from the run without the layer)
// and docs/show.png, the contact sheet of the twelve frames, instead of comparing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <vector>

#include "shell/capture_png.h"

namespace fs = std::filesystem;

namespace {

constexpr int goldenFps = 50;

struct Moment {
    long frame;  // at 50 frames per second
    const char *what;
};

constexpr Moment moments[] = {
    {100, "title"},           {225, "title-fading"},   {625, "wheel-texts"},   {1050, "stars-and-wheel"},
    {1800, "fireworks"},      {3000, "sine-scroller"}, {5300, "greetings"},    {6600, "credits"},
    {8800, "stroke-logo"},    {9980, "flash-a"},       {10080, "flash-b"},     {10750, "closing-scroller"},
};

// Tolerances: the mean difference per channel, and the share of pixels whose largest channel
// difference exceeds bigDifference.
constexpr double meanTolerance = 1.5;
constexpr int bigDifference = 48;
constexpr double bigShareTolerance = 0.01;

std::string referenceName(const Moment &m) {
    char name[64];
    std::snprintf(name, sizeof name, "frame-%06ld-%s.png", m.frame, m.what);
    return name;
}

std::string capturedName(long frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06ld.png", frame);
    return name;
}

struct Picture {
    std::vector<unsigned char> rgb;
    int width = 0, height = 0;
};

Picture load(const std::string &path) {
    Picture p;
    if (!readPng(path, &p.rgb, &p.width, &p.height)) return Picture{};
    return p;
}

// The twelve frames at a quarter of their area each, four to a row, on black with gaps.
void writeContactSheet(const std::vector<Picture> &frames, const std::string &path) {
    constexpr int cellW = 256, cellH = 192, gap = 4, columns = 4;
    const int rows = int(frames.size() + columns - 1) / columns;
    const int width = columns * cellW + (columns + 1) * gap, height = rows * cellH + (rows + 1) * gap;
    std::vector<unsigned char> sheet(size_t(width) * height * 3, 0);
    for (size_t i = 0; i < frames.size(); ++i) {
        const Picture &f = frames[i];
        int x0 = gap + int(i % columns) * (cellW + gap), y0 = gap + int(i / columns) * (cellH + gap);
        for (int y = 0; y < cellH; ++y)
            for (int x = 0; x < cellW; ++x) {
                // Box filter over the 2.5 × 2.5 source pixels of the cell pixel.
                double sum[3] = {0, 0, 0}, weight = 0;
                double sx0 = x * 2.5, sy0 = y * 2.5;
                for (int sy = int(sy0); sy < sy0 + 2.5 && sy < f.height; ++sy)
                    for (int sx = int(sx0); sx < sx0 + 2.5 && sx < f.width; ++sx) {
                        double w = (std::min(sx0 + 2.5, sx + 1.0) - std::max(sx0, double(sx))) *
                                   (std::min(sy0 + 2.5, sy + 1.0) - std::max(sy0, double(sy)));
                        for (int c = 0; c < 3; ++c) sum[c] += w * f.rgb[(size_t(sy) * f.width + sx) * 3 + c];
                        weight += w;
                    }
                for (int c = 0; c < 3; ++c)
                    sheet[(size_t(y0 + y) * width + x0 + x) * 3 + c] = (unsigned char)(sum[c] / weight + 0.5);
            }
    }
    std::string error;
    ASSERT_TRUE(writePng(path, sheet.data(), width, height, &error)) << error;
}

// One capture run: with the batching layer or without it.
struct Layer {
    const char *name;
    const char *batch;  // the value of CORVALIS_GL_BATCH
};

struct Golden : ::testing::TestWithParam<Layer> {};

TEST_P(Golden, TwelveMomentsOfTheShowMatchTheirReferences) {
    std::string pattern = (fs::temp_directory_path() / "corvalis-golden-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    const std::string folder = name.data(), out = folder + "/frames";
    std::error_code ec;
    std::string list;
    for (const Moment &m : moments) list += (list.empty() ? "" : ",") + std::to_string(m.frame);
    std::string command = std::string("CORVALIS_GL_BATCH=") + GetParam().batch + " '" + CORVALIS_RUN_DIR +
                          "/corvalis' --capture '" + out + "' --fps " +
                          std::to_string(goldenFps) + " --frames " + list + " 2>'" + folder + "/capture.log'";
    ASSERT_EQ(std::system(command.c_str()), 0) << "capture failed; see " << folder << "/capture.log";

    const bool update = std::getenv("CORVALIS_UPDATE_GOLDEN") != nullptr;
    if (update && std::string(GetParam().batch) != "0") GTEST_SKIP() << "references come from the run without the layer";
    const std::string references = std::string(CORVALIS_SOURCE_DIR) + "/tests/golden";
    std::vector<Picture> captured;
    for (const Moment &m : moments) {
        std::string shot = out + "/" + capturedName(m.frame);
        Picture got = load(shot);
        ASSERT_EQ(got.width, 640) << shot;
        ASSERT_EQ(got.height, 480) << shot;
        captured.push_back(got);
        if (update) {
            fs::copy_file(shot, references + "/" + referenceName(m), fs::copy_options::overwrite_existing);
            continue;
        }
        Picture want = load(references + "/" + referenceName(m));
        ASSERT_EQ(want.rgb.size(), got.rgb.size()) << "no reference " << referenceName(m);
        double sum = 0;
        long big = 0;
        for (size_t p = 0; p < got.rgb.size(); p += 3) {
            int worst = 0;
            for (int c = 0; c < 3; ++c) {
                int d = std::abs(int(got.rgb[p + c]) - int(want.rgb[p + c]));
                sum += d;
                worst = std::max(worst, d);
            }
            if (worst > bigDifference) ++big;
        }
        double mean = sum / double(got.rgb.size()), share = double(big) / double(got.rgb.size() / 3);
        std::printf("frame %5ld %-16s mean difference %.4f, %.4f%% of pixels off by more than %d\n", m.frame, m.what,
                    mean, share * 100, bigDifference);
        EXPECT_TRUE(mean <= meanTolerance && share <= bigShareTolerance)
            << "frame " << m.frame << " (" << m.frame / double(goldenFps) << " s, " << m.what
            << ") differs from its reference: mean difference " << mean << " per channel, " << share * 100
            << "% of pixels off by more than " << bigDifference << " (tolerances " << meanTolerance << " and "
            << bigShareTolerance * 100 << "%); captured frame: " << shot;
    }
    if (update) writeContactSheet(captured, std::string(CORVALIS_SOURCE_DIR) + "/docs/show.png");
    if (!HasFailure()) fs::remove_all(folder, ec);
}

INSTANTIATE_TEST_SUITE_P(Layers, Golden, ::testing::Values(Layer{"Batched", "1"}, Layer{"Unbatched", "0"}),
                         [](const ::testing::TestParamInfo<Layer> &info) { return std::string(info.param.name); });

}  // namespace
