// Reading PPM pictures into RGBA, and the screenshot file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "image/ppm.h"
#include "recording_gl.h"
#include "testfiles.h"

namespace {

struct PpmTest : ::testing::Test {
    std::string dir;
    void SetUp() override { dir = makeTempDir(); }
    void TearDown() override { removeTree(dir); }

    // Loads the bytes as a file; returns the RGBA bytes (empty on failure) and what was printed.
    std::vector<unsigned char> load(const std::string &bytes, int mode, int *w, int *h, std::string *out) {
        std::string path = dir + "/p.pbm";
        writeFile(path, bytes);
        testing::internal::CaptureStdout();
        unsigned char *p = LoadPPM(path.c_str(), w, h, mode);
        *out = testing::internal::GetCapturedStdout();
        std::vector<unsigned char> result;
        if (p) result.assign(p, p + size_t(*w) * size_t(*h) * 4);
        std::free(p);
        if (!p) result.push_back(0xEE);  // marks a null result apart from an empty picture
        return result;
    }
};

struct PixelCase {
    std::vector<unsigned char> rgb;
    int mode;
    std::vector<unsigned char> rgba;
};

TEST_F(PpmTest, AlphaModesFormEachPixel) {
    const PixelCase cases[] = {
        {{0, 0, 0}, 0, {0, 0, 0, 0}},          {{0, 0, 0}, 1, {0, 0, 0, 255}},
        {{0, 0, 0}, 2, {0, 0, 0, 255}},        {{0, 0, 0}, 3, {255, 255, 255, 0}},
        {{255, 255, 255}, 0, {255, 255, 255, 255}}, {{255, 255, 255}, 2, {255, 255, 255, 0}},
        {{255, 255, 255}, 3, {255, 255, 255, 255}}, {{10, 20, 31}, 3, {255, 255, 255, 20}},
        {{0, 0, 1}, 0, {0, 0, 1, 255}},        {{255, 255, 254}, 2, {255, 255, 254, 255}},
        {{200, 100, 50}, -7, {255, 255, 255, 116}},
    };
    for (const auto &c : cases) {
        int w = -1, h = -1;
        std::string out;
        auto rgba = load(ppmFile(1, 1, c.rgb), c.mode, &w, &h, &out);
        EXPECT_EQ(rgba, c.rgba) << "pixel " << int(c.rgb[0]) << "," << int(c.rgb[1]) << "," << int(c.rgb[2])
                                << " mode " << c.mode;
        EXPECT_EQ(w, 1);
        EXPECT_EQ(h, 1);
        EXPECT_EQ(out, "");
    }
}

TEST_F(PpmTest, RowsKeepFileOrder) {
    std::vector<unsigned char> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    int w = 0, h = 0;
    std::string out;
    auto rgba = load(ppmFile(2, 2, rgb), 1, &w, &h, &out);
    EXPECT_EQ(rgba, (std::vector<unsigned char>{1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255}));
}

struct HeaderCase {
    const char *what;
    std::string bytes;
    int width, height;            // expected sizes (0, 0 on failure)
    std::vector<unsigned char> rgba;  // expected pixels, {0xEE} for a null result
    std::string printed;
};

TEST_F(PpmTest, HeadersAndRastersAreCheckedBeforeAnythingIsTrusted) {
    const std::string raster3 = std::string("\x0a\x20\x30", 3);
    const HeaderCase cases[] = {
        {"single-line header", "P6 1 1 255\n" + raster3, 1, 1, {10, 32, 48, 255}, ""},
        {"raster starting with a line feed and a blank", "P6\n1 1\n255\n" + raster3, 1, 1, {10, 32, 48, 255}, ""},
        {"tabs and carriage returns as separators", "P6\t1\r\n1\n255 " + raster3, 1, 1, {10, 32, 48, 255}, ""},
        {"comment line", "P6\n# made here\n1 1\n255\n" + raster3, 0, 0, {0xEE}, "Error scanning PPM header\n"},
        {"wrong magic", "P3\n1 1\n255\n" + raster3, 0, 0, {0xEE}, "Error scanning PPM header\n"},
        {"non-numeric size", "P6\nx 1\n255\n" + raster3, 0, 0, {0xEE}, "Error scanning PPM header\n"},
        {"file shorter than the header", "P6\n1", 0, 0, {0xEE}, "Error scanning PPM header\n"},
        {"empty file", "", 0, 0, {0xEE}, "Error scanning PPM header\n"},
        {"maximum sample value 65535", "P6\n1 1\n65535\n" + raster3 + raster3, 0, 0, {0xEE},
         "Error scanning PPM header\n"},
        {"maximum sample value 2550", "P6\n1 1\n2550\n" + raster3, 0, 0, {0xEE}, "Error scanning PPM header\n"},
        {"maximum sample value 15", "P6\n1 1\n15\n" + raster3, 0, 0, {0xEE}, "Error scanning PPM header\n"},
        {"no byte after 255", "P6\n1 1\n255", 0, 0, {0xEE}, "Error scanning PPM header\n"},
        {"short raster", "P6\n2 1\n255\n" + raster3, 0, 0, {0xEE}, "Error PPM raster too short\n"},
        {"negative width", "P6\n-1 1\n255\n" + raster3, 0, 0, {0xEE}, "Error PPM size out of range\n"},
        {"negative height", "P6\n1 -4\n255\n" + raster3, 0, 0, {0xEE}, "Error PPM size out of range\n"},
        {"side above the limit", "P6\n16385 1\n255\n" + raster3, 0, 0, {0xEE}, "Error PPM size out of range\n"},
        {"size whose byte count overflows", "P6\n99999999999 99999999999\n255\n", 0, 0, {0xEE},
         "Error scanning PPM header\n"},
        {"zero area", "P6\n0 5\n255\n", 0, 5, {}, ""},
    };
    for (const auto &c : cases) {
        int w = -1, h = -1;
        std::string out;
        auto rgba = load(c.bytes, 1, &w, &h, &out);
        EXPECT_EQ(rgba, c.rgba) << c.what;
        EXPECT_EQ(w, c.width) << c.what;
        EXPECT_EQ(h, c.height) << c.what;
        EXPECT_EQ(out, c.printed) << c.what;
    }
}

TEST_F(PpmTest, MissingFileIsSilentAndEmpty) {
    int w = 7, h = 7;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    unsigned char *p = LoadPPM((dir + "/nothing.pbm").c_str(), &w, &h, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

struct ScreenshotTest : ::testing::Test {
    std::string dir;
    void SetUp() override {
        dir = makeTempDir();
        setenv("CORVALIS_RAM", dir.c_str(), 1);
        recgl::reset();
    }
    void TearDown() override {
        unsetenv("CORVALIS_RAM");
        removeTree(dir);
    }
};

// A frame whose every row is filled with its own index, bottom row first as GL delivers it.
std::vector<unsigned char> rowNumberedFrame() {
    std::vector<unsigned char> fb(640 * 480 * 3);
    for (int glRow = 0; glRow < 480; ++glRow)
        for (int x = 0; x < 640; ++x) {
            unsigned char *p = &fb[(size_t(glRow) * 640 + x) * 3];
            p[0] = static_cast<unsigned char>(glRow & 0xFF);
            p[1] = static_cast<unsigned char>(glRow >> 8);
            p[2] = static_cast<unsigned char>(x & 0xFF);
        }
    return fb;
}

TEST_F(ScreenshotTest, WritesTheFrameUprightAndReplacesTheEarlierFile) {
    recgl::setFramebuffer(rowNumberedFrame());
    ASSERT_EQ(savePBM(), 1);
    ASSERT_EQ(savePBM(), 1);
    std::string file = readFile(dir + "/screenshot.ppm");
    ASSERT_EQ(file.size(), 921615u);
    EXPECT_EQ(file.substr(0, 15), "P6 640 480 255\n");
    // File row 0 is the top of the window: GL's last row.
    for (int fileRow : {0, 1, 240, 479}) {
        int glRow = 479 - fileRow;
        const unsigned char *p = reinterpret_cast<const unsigned char *>(file.data()) + 15 + size_t(fileRow) * 1920;
        EXPECT_EQ(p[0] | (p[1] << 8), glRow) << "file row " << fileRow;
        EXPECT_EQ(p[3 * 77 + 2], 77);
    }
    EXPECT_EQ(recgl::count("glReadPixels"), 2u);
    EXPECT_FALSE(std::ifstream(dir + "/screenshot.ppm.tmp").good());
}

TEST_F(ScreenshotTest, UnwritableVolumeReportsOneLineAndKeepsTheOldFile) {
    recgl::setFramebuffer(rowNumberedFrame());
    ASSERT_EQ(savePBM(), 1);
    std::string before = readFile(dir + "/screenshot.ppm");
    if (geteuid() == 0) {
        // root writes through permission bits: make the temporary name a folder instead.
        ASSERT_EQ(mkdir((dir + "/screenshot.ppm.tmp").c_str(), 0700), 0);
    } else {
        chmod(dir.c_str(), 0500);
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(savePBM(), 0);
    std::string err = testing::internal::GetCapturedStderr();
    chmod(dir.c_str(), 0700);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("Screenshot failed"), std::string::npos) << err;
    EXPECT_EQ(readFile(dir + "/screenshot.ppm"), before);
}

TEST_F(ScreenshotTest, FullVolumeLeavesNoPartialFile) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    // A RAM: volume whose screenshot.ppm.tmp is /dev/full: every write fails.
    ASSERT_EQ(symlink("/dev/full", (dir + "/screenshot.ppm.tmp").c_str()), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(savePBM(), 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Screenshot failed"), std::string::npos) << err;
    EXPECT_FALSE(std::ifstream(dir + "/screenshot.ppm").good());
}

}  // namespace
