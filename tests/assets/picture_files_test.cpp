// Every committed picture: exact header and size, proportions that suit the quad showing it,
// and no stray pure-black pixels (the loader makes pure black transparent).
#include "picture_file.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

struct FileCase {
    const char* path;
    int maxW, maxH;      // the picture must fit these
    int exactW, exactH;  // 0: any size up to the maximum
    float aspect;        // width / height of the screen quad showing it; 0: not checked
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.path; }

const FileCase kFiles[] = {
    {"Fonts/font1.pbm", 256, 256, 256, 256, 0},
    {"gfx/gfx2.pbm", 256, 256, 256, 256, 0},
    {"gfx/greets1.pbm", 256, 256, 256, 256, 0},
    {"gfx/greets2.pbm", 256, 256, 256, 256, 0},
    {"gfx/apan-ls.pbm", 256, 256, 0, 0, 407.0f / 374.0f},
    {"gfx/lsd.pbm", 256, 256, 0, 0, 362.0f / 271.0f},
    {"gfx/closingwords.pbm", 640, 480, 640, 480, 0},
    {"gfx/veldoran_dpdp7.pbm", 640, 480, 640, 480, 0},
};

// A test name from a picture path: its stem with anything but letters and digits as '_'.
std::string stemName(const std::string& path) {
    std::string name = std::filesystem::path(path).stem().string();
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

class CommittedPicture : public ::testing::TestWithParam<FileCase> {};

TEST_P(CommittedPicture, HasTheExactHeaderAndSize) {
    const FileCase& c = GetParam();
    Picture p;
    std::string error;
    ASSERT_TRUE(readPicture(committedPath(c.path), p, error)) << error;
    EXPECT_LE(p.w, c.maxW);
    EXPECT_LE(p.h, c.maxH);
    if (c.exactW) {
        EXPECT_EQ(p.w, c.exactW);
        EXPECT_EQ(p.h, c.exactH);
    }
    if (c.aspect > 0) {
        EXPECT_NEAR(static_cast<float>(p.w) / p.h, c.aspect, c.aspect * 0.05f);
    }
}

INSTANTIATE_TEST_SUITE_P(AllEight, CommittedPicture, ::testing::ValuesIn(kFiles),
                         [](const ::testing::TestParamInfo<FileCase>& info) { return stemName(info.param.path); });

// Pure black inside a drawing punches a transparent hole in it. (The font atlas is checked on
// its own: a closed counter of a 16-pixel glyph may rightly be a single black pixel.)
class PaintedPicture : public ::testing::TestWithParam<const char*> {};

TEST_P(PaintedPicture, HasNoPinholes) {
    const Picture p = loadCommitted(GetParam());
    ASSERT_GT(p.w, 0);
    EXPECT_EQ(countPinholes(p, 0, 0, p.w, p.h), 0);
}

INSTANTIATE_TEST_SUITE_P(AllButTheFont, PaintedPicture,
                         ::testing::Values("gfx/gfx2.pbm", "gfx/greets1.pbm", "gfx/greets2.pbm", "gfx/apan-ls.pbm",
                                           "gfx/lsd.pbm", "gfx/closingwords.pbm", "gfx/veldoran_dpdp7.pbm"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return stemName(info.param); });

// Pictures shown as whole rectangles (opaque, or full-screen with blending off).
class WholePicture : public ::testing::TestWithParam<const char*> {};

TEST_P(WholePicture, HasNoPureBlackPixel) {
    const Picture p = loadCommitted(GetParam());
    ASSERT_GT(p.w, 0);
    EXPECT_EQ(countLit(p, 0, 0, p.w, p.h), p.w * p.h);
}

INSTANTIATE_TEST_SUITE_P(OpaqueOnes, WholePicture,
                         ::testing::Values("gfx/lsd.pbm", "gfx/closingwords.pbm", "gfx/veldoran_dpdp7.pbm"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return stemName(info.param); });

// The emblem is an overlay on the star field: its surround must be transparent.
TEST(Emblem, HasATransparentSurround) {
    const Picture p = loadCommitted("gfx/apan-ls.pbm");
    ASSERT_GT(p.w, 0);
    EXPECT_TRUE(isBlack(p, 0, 0) && isBlack(p, p.w - 1, 0) && isBlack(p, 0, p.h - 1) &&
                isBlack(p, p.w - 1, p.h - 1));
    EXPECT_LT(countLit(p, 0, 0, p.w, p.h), p.w * p.h * 7 / 10);
    EXPECT_GT(countLit(p, 0, 0, p.w, p.h), p.w * p.h / 5);
}

// The header check itself must reject near misses, or the tests above prove nothing.
TEST(PictureReader, RejectsNonCanonicalHeadersAndShortRasters) {
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir());
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"one_line", std::string("P6 2 1 255\n") + std::string(6, '\x10')},
        {"comment", std::string("P6\n# x\n2 1\n255\n") + std::string(6, '\x10')},
        {"max_sample", std::string("P6\n2 1\n65535\n") + std::string(12, '\x10')},
        {"short", std::string("P6\n2 1\n255\n") + std::string(5, '\x10')},
        {"long", std::string("P6\n2 1\n255\n") + std::string(7, '\x10')},
    };
    for (const auto& c : cases) {
        const std::filesystem::path file = dir / (std::string("corvalis_reader_") + c.name + ".pbm");
        std::ofstream(file, std::ios::binary) << c.bytes;
        Picture p;
        std::string error;
        EXPECT_FALSE(readPicture(file.string(), p, error)) << c.name;
        std::filesystem::remove(file);
    }
    const std::filesystem::path good = dir / "corvalis_reader_good.pbm";
    std::ofstream(good, std::ios::binary) << std::string("P6\n2 1\n255\n") + std::string(6, '\x10');
    Picture p;
    std::string error;
    EXPECT_TRUE(readPicture(good.string(), p, error)) << error;
    std::filesystem::remove(good);
}

}  // namespace
