// The tiled title picture: its tiles on screen, its fade, and the view it always leaves.
#include <gtest/gtest.h>

#include "effects/titlepicture.h"
#include "image/texture.h"
#include "platform/time.h"
#include "recording_gl.h"
#include "shell/democlock.h"

namespace {

struct TitleTest : ::testing::Test {
    void SetUp() override {
        useVirtualClock(true);
        recgl::reset();
        texture[slotTitle] = TiledTexture{40, 640, 480, 3, 2};
        setVirtualTime(300, 0);
        getTimeWithStatus(clockReset);
    }
    void TearDown() override {
        texture[slotTitle] = TiledTexture{};
        useVirtualClock(false);
    }
    void at(int t) { setVirtualTime(300 + t / 100, (t % 100) * 10000L); }
    static bool leftOrthoView() {
        recgl::Matrix ortho = recgl::identity();
        ortho[0] = 2.0f / 640;
        ortho[5] = -2.0f / 480;
        ortho[10] = -1;
        ortho[12] = -1;
        ortho[13] = 1;
        const auto &s = recgl::state();
        return recgl::nearlyEqual(s.projection, ortho) && recgl::nearlyEqual(s.modelview, recgl::identity()) &&
               s.matrixMode == GL_MODELVIEW;
    }
};

TEST_F(TitleTest, FullScreenPictureIsSixTilesInRowOrder) {
    drawPicture();
    auto quads = recgl::quads();
    ASSERT_EQ(quads.size(), 6u);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) {
            const auto &q = quads[size_t(i * 3 + j)];
            EXPECT_EQ(q.texture, GLuint(40 + i * 3 + j));
            // Corners: bottom-left, bottom-right, top-right, top-left; t = 0 is the tile's top.
            EXPECT_EQ(q.v[0].x, 256.0f * j);
            EXPECT_EQ(q.v[1].x, 256.0f * (j + 1));
            EXPECT_EQ(q.v[0].y, 256.0f * (i + 1));
            EXPECT_EQ(q.v[2].y, 256.0f * i);
            EXPECT_EQ(q.v[0].t, 1.0f);
            EXPECT_EQ(q.v[3].t, 0.0f);
            EXPECT_EQ(q.v[0].z, -0.01f);
        }
    EXPECT_TRUE(leftOrthoView());
    EXPECT_EQ(recgl::state().boundTexture, 45u);
}

TEST_F(TitleTest, FadesOverTheFifthSecondAndThenDrawsNothing) {
    const std::pair<int, float> cases[] = {{-50, 1.0f}, {0, 1.0f}, {400, 1.0f}, {401, 0.99f}, {499, 0.01f}};
    for (auto [t, fade] : cases) {
        recgl::reset();
        at(t);
        drawPicture();
        auto quads = recgl::quads();
        ASSERT_EQ(quads.size(), 6u) << t;
        EXPECT_EQ(quads[0].color, (std::array<float, 4>{fade, fade, fade, fade})) << t;
    }
    for (int t : {500, 501, 20000}) {
        recgl::reset();
        at(t);
        drawPicture();
        EXPECT_TRUE(recgl::quads().empty()) << t;
        EXPECT_TRUE(leftOrthoView()) << "the view is set even when nothing is drawn";
    }
}

TEST_F(TitleTest, SmallPicturesAreStretchedByTheTileRule) {
    struct Case {
        TiledTexture slot;
        float right, bottom;
    };
    const Case cases[] = {
        {{40, 256, 256, 1, 1}, 640, 480},  // one texture fills the window
        {{40, 200, 256, 1, 1}, 819, 480},  // narrower: drawn wider than the window
        {{40, 256, 100, 1, 1}, 640, 1228},
    };
    for (const Case &c : cases) {
        recgl::reset();
        texture[slotTitle] = c.slot;
        drawPicture();
        auto quads = recgl::quads();
        ASSERT_EQ(quads.size(), 1u);
        EXPECT_EQ(quads[0].v[1].x, c.right) << c.slot.width;
        EXPECT_EQ(quads[0].v[1].y, c.bottom) << c.slot.height;
    }
}

TEST_F(TitleTest, EmptySlotDrawsNothing) {
    texture[slotTitle] = TiledTexture{};
    drawPicture();
    EXPECT_TRUE(recgl::quads().empty());
    EXPECT_EQ(recgl::count("glBindTexture"), 0u);
    EXPECT_TRUE(leftOrthoView());
}

}  // namespace
