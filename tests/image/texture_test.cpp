// Uploading pictures into the texture table: single textures, tiles with consecutive names,
// cleared partial tiles, and the drawing state the loader leaves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/texture.h"
#include "recording_gl.h"
#include "testfiles.h"

namespace {

struct TextureTest : ::testing::Test {
    std::string dir;
    void SetUp() override {
        dir = makeTempDir();
        recgl::reset();
    }
    void TearDown() override { removeTree(dir); }

    // A picture whose every pixel encodes its own position: (x mod 251 + 1, y mod 251 + 1, 7).
    std::string picture(int w, int h) {
        std::vector<unsigned char> rgb;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                rgb.push_back(static_cast<unsigned char>(x % 251 + 1));
                rgb.push_back(static_cast<unsigned char>(y % 251 + 1));
                rgb.push_back(7);
            }
        std::string path = dir + "/pic" + std::to_string(w) + "x" + std::to_string(h) + ".pbm";
        writeFile(path, ppmFile(w, h, rgb));
        return path;
    }
};

struct TilingCase {
    int width, height;
    int across, down;        // expected tile grid
    int textureW, textureH;  // expected size of every uploaded texture
};

TEST_F(TextureTest, PicturesBecomeOneTextureOrTilesWithConsecutiveNames) {
    const TilingCase cases[] = {
        {256, 256, 1, 1, 256, 256}, {200, 100, 1, 1, 200, 100}, {640, 480, 3, 2, 256, 256},
        {257, 10, 2, 1, 256, 256},  {100, 300, 1, 2, 256, 256}, {512, 512, 2, 2, 256, 256},
    };
    for (const auto &c : cases) {
        recgl::reset();
        TiledTexture record{};
        std::string path = picture(c.width, c.height);
        TexInit(&record, path.c_str(), 1);
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_EQ(record.width, c.width);
        EXPECT_EQ(record.height, c.height);
        EXPECT_EQ(record.tilesAcross, c.across);
        EXPECT_EQ(record.tilesDown, c.down);
        ASSERT_NE(record.first, 0u);
        const auto &textures = recgl::textures();
        ASSERT_EQ(textures.size(), size_t(c.across * c.down));
        for (int i = 0; i < c.down; ++i)
            for (int j = 0; j < c.across; ++j) {
                GLuint name = record.first + GLuint(i * c.across + j);
                auto it = textures.find(name);
                ASSERT_NE(it, textures.end());
                const recgl::Texture &t = it->second;
                EXPECT_EQ(t.width, c.textureW);
                EXPECT_EQ(t.height, c.textureH);
                EXPECT_EQ(t.internalFormat, 4);
                EXPECT_EQ(t.minFilter, GL_LINEAR) << "a level-0-only texture would draw untextured";
                // The tile's top-left texel is picture pixel (256 j, 256 i).
                EXPECT_EQ(t.pixels[0], (256 * j) % 251 + 1);
                EXPECT_EQ(t.pixels[1], (256 * i) % 251 + 1);
            }
        EXPECT_EQ(recgl::state().errors, 0);
    }
}

TEST_F(TextureTest, PartialTilesHoldTheirPixelsAndTransparentBlackBeyond) {
    TiledTexture record{};
    std::string path = picture(640, 480);
    TexInit(&record, path.c_str(), 0);
    const auto &textures = recgl::textures();
    // Bottom-right tile: 128 picture columns and 224 picture lines.
    const recgl::Texture &t = textures.at(record.first + 5);
    auto texel = [&](int x, int y) { return &t.pixels[(size_t(y) * 256 + x) * 4]; };
    const unsigned char *last = texel(127, 223);
    EXPECT_EQ(last[0], 639 % 251 + 1);
    EXPECT_EQ(last[1], 479 % 251 + 1);
    EXPECT_EQ(last[3], 255);
    for (auto xy : {std::pair<int, int>{128, 0}, {255, 0}, {0, 224}, {255, 255}, {128, 223}}) {
        const unsigned char *p = texel(xy.first, xy.second);
        EXPECT_EQ(p[0] | p[1] | p[2] | p[3], 0) << "texel " << xy.first << "," << xy.second;
    }
    // A 257×10 picture: the second tile holds one column of 10 pixels.
    recgl::reset();
    TiledTexture narrow{};
    std::string path2 = picture(257, 10);
    TexInit(&narrow, path2.c_str(), 1);
    const recgl::Texture &second = recgl::textures().at(narrow.first + 1);
    EXPECT_EQ(second.pixels[(9 * 256 + 0) * 4 + 3], 255);
    EXPECT_EQ(second.pixels[(9 * 256 + 1) * 4 + 3], 0);
    EXPECT_EQ(second.pixels[(10 * 256 + 0) * 4 + 3], 0);
}

TEST_F(TextureTest, LeavesTheDrawingStateAfterEveryLoadedPicture) {
    TiledTexture record{};
    std::string path = picture(16, 16);
    TexInit(&record, path.c_str(), 0);
    const auto &s = recgl::state();
    EXPECT_TRUE(s.texture2d);
    EXPECT_TRUE(s.blend);
    EXPECT_EQ(s.blendSrc, GLenum(GL_SRC_ALPHA));
    EXPECT_EQ(s.blendDst, GLenum(GL_ONE));
    EXPECT_EQ(s.texEnvMode, GL_MODULATE);
    EXPECT_EQ(s.unpackAlignment, 1);
    EXPECT_EQ(s.packAlignment, 1);
}

TEST_F(TextureTest, MissingOrNullPictureLeavesTheRecordUntouched) {
    TiledTexture record{0, 0, 0, 0, 0};
    TexInit(&record, (dir + "/missing.pbm").c_str(), 0);
    TexInit(&record, nullptr, 0);
    EXPECT_EQ(record.first, 0u);
    EXPECT_EQ(record.width, 0);
    EXPECT_EQ(record.tilesAcross, 0);
    EXPECT_TRUE(recgl::textures().empty());
    // Only the pixel-store settings happen; no blending state without a picture.
    EXPECT_EQ(recgl::names(), (std::vector<std::string>{"glPixelStorei", "glPixelStorei", "glPixelStorei",
                                                         "glPixelStorei"}));
}

TEST(TileCount, RoundsPartialTilesUp) {
    const std::pair<int, int> cases[] = {{1, 1}, {255, 1}, {256, 1}, {257, 2}, {512, 2}, {640, 3}, {480, 2}};
    for (auto c : cases) EXPECT_EQ(tilesFor(c.first), c.second) << c.first;
}

}  // namespace
