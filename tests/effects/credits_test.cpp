// The credits screen through the recording GL: the sliding picture and its tile arithmetic,
// which caption and handle show when and how bright, the caption's drift origin, the handle's
// wave, and the GL state the rest of the frame gets back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "effects/credits.h"
#include "effects/stars.h"
#include "effects/subeffects.h"
#include "image/texture.h"
#include "platform/random.h"
#include "platform/time.h"
#include "recording_gl.h"
#include "shell/democlock.h"
#include "shell/timeline.h"

namespace {

constexpr GLuint fontName = 5, restingName = 11, closingName = 40;
constexpr ColourRecord white{1, 1, 1, 1};

// The perspective every frame starts with and the credits must leave behind.
recgl::Matrix frustum(double ratio) {
    const double n = 1.414, f = 1000;
    recgl::Matrix m{};
    m[0] = float(2 * n / (2 * ratio));
    m[5] = float(2 * n / 2);
    m[10] = float(-(f + n) / (f - n));
    m[11] = -1;
    m[14] = float(-2 * f * n / (f - n));
    return m;
}

struct Lines {
    std::vector<recgl::Quad> tiles, handle, caption;
};

// The text a run of glyph quads spells, read back from their atlas cells.
std::string spelled(const std::vector<recgl::Quad> &glyphs) {
    std::string text;
    for (const recgl::Quad &q : glyphs) {
        int column = int(std::lround(q.v[3].s / 0.0625)), row = int(std::lround(q.v[3].t / 0.0625));
        text += char(32 + column + 16 * row);
    }
    return text;
}

struct CreditsTest : ::testing::Test {
    TiledTexture savedTextures[textureSlots];
    int32_t savedReset = 0;
    float savedRatio = 1.0f;
    size_t from = 0;

    void SetUp() override {
        for (int i = 0; i < textureSlots; ++i) savedTextures[i] = texture[i];
        savedReset = creditsReset;
        savedRatio = ratio;
        for (TiledTexture &t : texture) t = TiledTexture{0, 0, 0, 0, 0};
        texture[slotFont] = TiledTexture{fontName, 256, 256, 1, 1};
        texture[slotSprites] = TiledTexture{restingName, 256, 256, 1, 1};
        texture[slotClosing] = TiledTexture{closingName, 640, 480, 3, 2};
        creditsReset = 0;
        ratio = 1.0f;
        seedRandom(1);
        recgl::reset();
        enterFrame();
    }
    void TearDown() override {
        for (int i = 0; i < textureSlots; ++i) texture[i] = savedTextures[i];
        creditsReset = savedReset;
        ratio = savedRatio;
    }

    // What the timeline and the star field's entry leave for the sub-effect.
    static void enterFrame() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-ratio, ratio, -1, 1, 1.414, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glBindTexture(GL_TEXTURE_2D, restingName);
    }

    // Draws one frame and sorts its quads into picture tiles, handle glyphs and caption glyphs.
    Lines frame(int time, int t, const ColourRecord &colour = white) {
        enterFrame();
        from = recgl::calls().size();
        drawCredits(time, t, colour);
        Lines lines;
        for (const recgl::Quad &q : recgl::quads(from)) {
            if (q.texture != fontName)
                lines.tiles.push_back(q);
            else if (q.v[0].y == -2.0f)
                lines.handle.push_back(q);
            else
                lines.caption.push_back(q);
        }
        return lines;
    }

    // The state the timeline's next steps rely on.
    static void expectStateLeftBehind(float expectedRatio) {
        const recgl::State &s = recgl::state();
        EXPECT_EQ(s.errors, 0);
        EXPECT_FALSE(s.inBegin);
        EXPECT_TRUE(recgl::nearlyEqual(s.projection, frustum(expectedRatio)));
        EXPECT_TRUE(recgl::nearlyEqual(s.modelview, recgl::identity()));
        EXPECT_EQ(s.matrixMode, GLenum(GL_MODELVIEW));
        EXPECT_EQ(s.modelviewDepth, 1);
        EXPECT_EQ(s.projectionDepth, 1);
        EXPECT_TRUE(s.blend);
        EXPECT_EQ(s.boundTexture, restingName);
    }
};

TEST_F(CreditsTest, PictureSlidesDownStandsAndSlidesBackUp) {
    const std::pair<int, float> cases[] = {
        {0, 480.0f}, {1, 475.2f}, {50, 240.0f}, {99, 4.8f}, {100, 0.0f}, {1000, 0.0f}, {1949, 0.0f},
        {1950, 0.0f}, {1951, 9.6f}, {1975, 240.0f}, {1999, 470.4f}, {2000, 0.0f}, {2200, 0.0f},
    };
    for (const auto &[t, s] : cases) {
        SCOPED_TRACE("t = " + std::to_string(t));
        Lines lines = frame(12288 + t, t);
        ASSERT_EQ(lines.tiles.size(), 6u);
        for (int k = 0; k < 6; ++k) {
            const recgl::Quad &q = lines.tiles[k];
            int i = k / 3, j = k % 3;
            EXPECT_EQ(q.texture, closingName + GLuint(j + 3 * i));
            EXPECT_FLOAT_EQ(q.v[0].x, 256.0f * j);
            EXPECT_FLOAT_EQ(q.v[1].x, 256.0f * (j + 1));
            EXPECT_NEAR(q.v[2].y, 256.0f * i - s, 1e-4);      // top
            EXPECT_NEAR(q.v[0].y, 256.0f * (i + 1) - s, 1e-4);  // bottom
        }
        expectStateLeftBehind(1.0f);
    }
}

TEST_F(CreditsTest, TilesAreOpaqueUprightAndStretchedOverTheScreen) {
    struct Case {
        int width, height, across, down;
        int tw, th;
    };
    const Case cases[] = {
        {640, 480, 3, 2, 256, 256},
        {768, 480, 3, 2, 213, 256},  // truncated: the three columns end at 639
        {256, 256, 1, 1, 640, 480},
        {200, 100, 1, 1, 819, 1228},
        {1024, 960, 4, 4, 160, 128},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        texture[slotClosing] = TiledTexture{closingName, c.width, c.height, c.across, c.down};
        Lines lines = frame(13000, 700);
        ASSERT_EQ(lines.tiles.size(), size_t(c.across * c.down));
        for (int i = 0; i < c.down; ++i) {
            for (int j = 0; j < c.across; ++j) {
                const recgl::Quad &q = lines.tiles[size_t(i * c.across + j)];
                EXPECT_EQ(q.texture, closingName + GLuint(j + i * c.across));
                EXPECT_FALSE(q.blend) << "the picture hides the stars";
                EXPECT_EQ(q.color, (std::array<float, 4>{1, 1, 1, 1}));
                const float st[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
                const float x0 = float(j * c.tw), x1 = float((j + 1) * c.tw);
                const float yT = float(i * c.th), yB = float((i + 1) * c.th);
                const float xy[4][2] = {{x0, yB}, {x1, yB}, {x1, yT}, {x0, yT}};
                for (int k = 0; k < 4; ++k) {
                    EXPECT_EQ(q.v[k].s, st[k][0]);
                    EXPECT_EQ(q.v[k].t, st[k][1]);
                    EXPECT_EQ(q.v[k].x, xy[k][0]);
                    EXPECT_EQ(q.v[k].y, xy[k][1]);
                    EXPECT_EQ(q.v[k].z, -0.01f);
                    EXPECT_EQ(q.v[k].w, 1.0f);
                }
            }
        }
        expectStateLeftBehind(1.0f);
    }
    // The 768-pixel picture leaves the last screen column bare.
    texture[slotClosing] = TiledTexture{closingName, 768, 480, 3, 2};
    EXPECT_EQ(frame(13000, 700).tiles[2].v[1].x, 639.0f);
}

TEST_F(CreditsTest, PictureIsDrawnInScreenPixelsWithBlendingOff) {
    frame(13000, 700);
    std::vector<std::string> head = recgl::names(from);
    head.resize(7);
    EXPECT_EQ(head, (std::vector<std::string>{"glMatrixMode", "glLoadIdentity", "glOrtho", "glMatrixMode",
                                              "glLoadIdentity", "glDisable", "glBindTexture"}));
    EXPECT_EQ(recgl::calls()[from].args[0], GL_PROJECTION);
    EXPECT_EQ(recgl::calls()[from + 2].args, (std::vector<double>{0, 640, 480, 0, -1, 1}));
    EXPECT_EQ(recgl::calls()[from + 3].args[0], GL_MODELVIEW);
    EXPECT_EQ(recgl::calls()[from + 5].args[0], GL_BLEND);
    // Each tile: bind, begin, colour, four vertices, end; no normal.
    std::vector<std::string> tile = recgl::names(from + 6);
    tile.resize(12);
    EXPECT_EQ(tile, (std::vector<std::string>{"glBindTexture", "glBegin", "glColor4f", "glTexCoord2f", "glVertex4f",
                                              "glTexCoord2f", "glVertex4f", "glTexCoord2f", "glVertex4f",
                                              "glTexCoord2f", "glVertex4f", "glEnd"}));
    // Then back to perspective and blending before the texts.
    size_t afterTiles = from + 6 + 6 * 12;
    std::vector<std::string> back = recgl::names(afterTiles);
    back.resize(9);
    EXPECT_EQ(back, (std::vector<std::string>{"glMatrixMode", "glLoadIdentity", "glFrustum", "glMatrixMode",
                                              "glEnable", "glBindTexture", "glPushMatrix", "glTranslatef",
                                              "glBegin"}));
    EXPECT_EQ(recgl::calls()[afterTiles + 2].args, (std::vector<double>{-1, 1, -1, 1, 1.414, 1000}));
    EXPECT_EQ(recgl::calls()[afterTiles + 5].args[1], fontName);
    EXPECT_EQ(recgl::calls()[afterTiles + 7].args, (std::vector<double>{0, 0, -22}));
}

TEST_F(CreditsTest, AnEmptyClosingSlotDrawsNoTileButTheTexts) {
    texture[slotClosing] = TiledTexture{0, 0, 0, 0, 0};
    Lines lines = frame(13000, 700);
    EXPECT_TRUE(lines.tiles.empty());
    EXPECT_EQ(recgl::count("glBindTexture", from), 2u);  // the font, then the resting texture
    EXPECT_EQ(spelled(lines.handle), "KESTRAMON");
    EXPECT_EQ(spelled(lines.caption), "GFX STARS");
    expectStateLeftBehind(1.0f);
}

struct TextCase {
    int t;
    const char *handle, *caption;
    float handleAlpha;  // only seen when the handle has glyphs
    float captionAlpha;
};

TEST_F(CreditsTest, CaptionsAndHandlesFadeInAndOutOnSchedule) {
    const TextCase cases[] = {
        {0, "", "CODE STAR", 0, 0.0f},
        {49, "", "CODE STAR", 0, 0.49f},
        {50, "", "CODE STAR", 0, 0.5f},  // handle alpha 1 here, but no handle yet
        {51, "PARVIEL", "CODE STAR", 0.02f, 0.5f},
        {99, "PARVIEL", "CODE STAR", 0.98f, 0.5f},
        {100, "PARVIEL", "CODE STAR", 1.0f, 0.5f},
        {399, "PARVIEL", "CODE STAR", 1.0f, 0.5f},
        {400, "PARVIEL", "CODE STAR", 1.0f, 0.5f},
        {401, "PARVIEL", "CODE STAR", 0.98f, 0.5f},
        {449, "PARVIEL", "CODE STAR", 0.02f, 0.5f},
        {450, "", "CODE STAR", 0, 0.5f},
        {499, "", "CODE STAR", 0, 0.01f},
        {500, "", "GFX STARS", 0, 0.0f},
        {549, "", "GFX STARS", 0, 0.49f},
        {550, "", "GFX STARS", 0, 0.5f},
        {551, "KESTRAMON", "GFX STARS", 0.02f, 0.5f},
        {599, "KESTRAMON", "GFX STARS", 0.98f, 0.5f},
        {800, "KESTRAMON", "GFX STARS", 1.0f, 0.5f},
        {849, "KESTRAMON", "GFX STARS", 0.02f, 0.5f},
        {850, "", "GFX STARS", 0, 0.5f},
        {851, "VELDORAN", "GFX STARS", 0.02f, 0.5f},
        {899, "VELDORAN", "GFX STARS", 0.98f, 0.5f},
        {1100, "VELDORAN", "GFX STARS", 1.0f, 0.5f},
        {1149, "VELDORAN", "GFX STARS", 0.02f, 0.5f},
        {1150, "", "GFX STARS", 0, 0.5f},
        {1151, "TARNOVIK", "GFX STARS", 0.02f, 0.5f},
        {1199, "TARNOVIK", "GFX STARS", 0.98f, 0.5f},
        {1449, "TARNOVIK", "GFX STARS", 0.02f, 0.5f},
        {1450, "", "GFX STARS", 0, 0.5f},
        {1499, "", "GFX STARS", 0, 0.01f},
        {1500, "", "MSX STAR", 0, 0.0f},
        {1549, "", "MSX STAR", 0, 0.49f},
        {1550, "", "MSX STAR", 0, 0.5f},
        {1551, "TARNOVIK", "MSX STAR", 0.02f, 0.5f},
        {1599, "TARNOVIK", "MSX STAR", 0.98f, 0.5f},
        {1600, "TARNOVIK", "MSX STAR", 1.0f, 0.5f},
        {1949, "TARNOVIK", "MSX STAR", 0.02f, 0.5f},
        {1950, "", "MSX STAR", 0, 0.5f},
        {1999, "", "MSX STAR", 0, 0.01f},
        {2000, "", "MSX STAR", 0, 0.0f},  // no text shows, the picture stands in place
        {2500, "", "MSX STAR", 0, 0.0f},
    };
    const ColourRecord tint{0.1f, 0.9f, 0.7f, 0.5f};  // the fade value plays no part
    for (const TextCase &c : cases) {
        SCOPED_TRACE("t = " + std::to_string(c.t));
        Lines lines = frame(12288 + c.t, c.t, tint);
        EXPECT_EQ(spelled(lines.handle), c.handle);
        EXPECT_EQ(spelled(lines.caption), c.caption);
        for (const recgl::Quad &q : lines.handle)
            EXPECT_EQ(q.color, (std::array<float, 4>{0.9f, 0.7f, 0.5f, c.handleAlpha}));
        for (const recgl::Quad &q : lines.caption)
            EXPECT_EQ(q.color, (std::array<float, 4>{0.9f, 0.7f, 0.5f, c.captionAlpha}));
        // The handle comes first, inside the same glBegin/glEnd as the caption.
        if (!lines.handle.empty()) {
            EXPECT_LT(lines.handle.back().callIndex, lines.caption.front().callIndex);
        }
        EXPECT_EQ(recgl::count("glBegin", from), lines.tiles.size() + 1);
        expectStateLeftBehind(1.0f);
    }
}

// The caption's first glyph's left edge, before the −m/2 base: its drift d.
double drift(const Lines &lines) {
    return double(lines.caption.front().v[0].x) + 0.5 * double(lines.caption.size());
}

TEST_F(CreditsTest, CaptionDriftOriginIsSetByTheFirstFrameOfEachNewCaption) {
    struct Step {
        int t;
        int32_t resetAfter;
        double d;
    };
    struct Run {
        const char *what;
        std::vector<Step> steps;
    };
    const Run runs[] = {
        {"every window reached",
         {{0, 0, 0.0}, {100, 0, -1.0}, {500, 600, 1.0}, {549, 600, 0.51}, {600, 600, 0.0}, {1400, 600, -8.0},
          {1500, 1500, 0.0}, {1549, 1500, -0.49}, {1900, 1500, -4.0}}},
        {"500 … 549 skipped on a first run", {{499, 0, -4.99}, {560, 0, -5.6}, {1000, 0, -10.0}}},
        {"1500 … 1549 skipped", {{520, 600, 0.8}, {1499, 600, -8.99}, {1560, 600, -9.6}}},
        {"1500 … 1549 reached without 500 … 549", {{1510, 1500, -0.1}, {1999, 1500, -4.99}, {2500, 1500, -10.0}}},
    };
    for (const Run &run : runs) {
        creditsReset = 0;
        for (const Step &step : run.steps) {
            SCOPED_TRACE(std::string(run.what) + ", t = " + std::to_string(step.t));
            Lines lines = frame(20000, step.t);
            EXPECT_EQ(creditsReset, step.resetAfter);
            EXPECT_NEAR(drift(lines), step.d, 1e-4);
        }
    }
}

TEST_F(CreditsTest, CaptionGlyphsAreFlatTwoByOneAboveTheHandle) {
    creditsReset = 600;
    Lines lines = frame(20000, 700);  // d = −1
    ASSERT_EQ(lines.caption.size(), 9u);
    for (size_t i = 0; i < lines.caption.size(); ++i) {
        const recgl::Quad &q = lines.caption[i];
        float x = -4.5f + 2.0f * float(i) - 1.0f;
        const float xy[4][2] = {{x, 3}, {x + 2, 3}, {x + 2, 4}, {x, 4}};
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(q.v[k].x, xy[k][0], 1e-5) << "glyph " << i;
            EXPECT_EQ(q.v[k].y, xy[k][1]);
            EXPECT_EQ(q.v[k].z, 0.0f);
            EXPECT_NEAR(q.v[k].ez, -22.0f, 1e-5);
        }
        EXPECT_EQ(q.normal, (std::array<float, 3>{0, 0, 1}));
        // Atlas cell corners: bottom-left, bottom-right, top-right, top-left.
        EXPECT_FLOAT_EQ(q.v[1].s - q.v[0].s, 0.0625f);
        EXPECT_FLOAT_EQ(q.v[0].t - q.v[3].t, 0.0625f);
        EXPECT_EQ(q.v[2].s, q.v[1].s);
        EXPECT_EQ(q.v[2].t, q.v[3].t);
    }
}

TEST_F(CreditsTest, HandleWavesInDepthWithTheDemoTimeNotTheEffectTime) {
    const int times[] = {12388, 13000, 14000};
    for (int time : times) {
        SCOPED_TRACE("time = " + std::to_string(time));
        Lines lines = frame(time, 200);  // "PARVIEL" at full brightness
        ASSERT_EQ(lines.handle.size(), 7u);
        for (size_t i = 0; i < 7; ++i) {
            const recgl::Quad &q = lines.handle[i];
            double a0 = time * 0.5 + 4.0 * double(i);
            float z0 = float(2 * std::sin(a0 * 3.1415 / 180)), z1 = float(2 * std::sin((a0 + 4) * 3.1415 / 180));
            float x = -3.5f + 2.0f * float(i);
            const float xyz[4][3] = {{x, -2, z0}, {x + 2, -2, z1}, {x + 2, 0, z1}, {x, 0, z0}};
            for (int k = 0; k < 4; ++k) {
                EXPECT_EQ(q.v[k].x, xyz[k][0]) << "glyph " << i;
                EXPECT_EQ(q.v[k].y, xyz[k][1]);
                EXPECT_NEAR(q.v[k].z, xyz[k][2], 1e-6);
                EXPECT_NEAR(q.v[k].ez, xyz[k][2] - 22.0f, 1e-5);
            }
        }
        EXPECT_EQ(lines.handle.back().v[1].x, 10.5f) << "the line sits right of centre";
    }
}

TEST_F(CreditsTest, LeavesThePerspectiveOfTheFrameWithItsRatio) {
    ratio = 1.25f;
    frame(13000, 700);
    expectStateLeftBehind(1.25f);
    std::vector<std::string> tail = recgl::names(recgl::calls().size() - 3);
    EXPECT_EQ(tail, (std::vector<std::string>{"glEnd", "glPopMatrix", "glBindTexture"}));
}

TEST_F(CreditsTest, DrawnByTheStarFieldForEffect5) {
    useVirtualClock(true);
    setVirtualTime(100, 0);
    getTimeWithStatus(clockReset);
    setVirtualTime(230, 0);  // demo time 13000
    const int32_t savedStart = effectStartTime;
    effectStartTime = 12288;  // t = 712
    enterFrame();
    from = recgl::calls().size();
    drawStars(0, white, 5);
    std::vector<recgl::Quad> quads = recgl::quads(from);
    effectStartTime = savedStart;
    useVirtualClock(false);

    ASSERT_EQ(quads.size(), size_t(2 * starCount + 6 + 9 + 9));  // stars, tiles, KESTRAMON, GFX STARS
    EXPECT_TRUE(quads.front().blend);
    EXPECT_FALSE(quads[2 * starCount].blend);
    expectStateLeftBehind(1.0f);
}

}  // namespace
