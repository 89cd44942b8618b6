// The greetings wipe through the recording GL: plates and the plate swinging away, the header
// fade, the texture change in segment 6, the sparks at the wipe edge and their random draws.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/fireworks.h"
#include "effects/stars.h"
#include "effects/subeffects.h"
#include "image/texture.h"
#include "platform/random.h"
#include "platform/time.h"
#include "recording_gl.h"
#include "shell/democlock.h"
#include "shell/timeline.h"

namespace {

constexpr GLuint restingName = 11, greets1Name = 21, greets2Name = 31;
constexpr float band = 0.15234375f;
constexpr ColourRecord white{1, 1, 1, 1};
constexpr int sparkCalls = 16;  // push, translate, rotate, begin, normal, colour, 8 vertex calls, end, pop

struct GreetingsTest : ::testing::Test {
    TiledTexture savedTextures[textureSlots];
    size_t from = 0;

    void SetUp() override {
        for (int i = 0; i < textureSlots; ++i) savedTextures[i] = texture[i];
        for (TiledTexture &t : texture) t = TiledTexture{0, 0, 0, 0, 0};
        texture[slotSprites] = TiledTexture{restingName, 256, 256, 1, 1};
        texture[slotGreets1] = TiledTexture{greets1Name, 256, 256, 1, 1};
        texture[slotGreets2] = TiledTexture{greets2Name, 256, 256, 1, 1};
        clearFireworks();
        seedRandom(1);
        recgl::reset();
        // What the timeline and the star field's entry leave for the sub-effect.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-1, 1, -1, 1, 1.414, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glBindTexture(GL_TEXTURE_2D, restingName);
        from = recgl::calls().size();
    }
    void TearDown() override {
        for (int i = 0; i < textureSlots; ++i) texture[i] = savedTextures[i];
        clearFireworks();
        seedRandom(1);
    }

    // Draws one frame and returns its quads; every frame must leave the state as it found it.
    std::vector<recgl::Quad> frame(int time, int e, const ColourRecord &colour = white) {
        from = recgl::calls().size();
        drawGreetings(time, e, colour);
        const recgl::State &s = recgl::state();
        EXPECT_EQ(s.errors, 0) << recgl::dump(from, 60);
        EXPECT_FALSE(s.inBegin);
        EXPECT_EQ(s.modelviewDepth, 1);
        EXPECT_EQ(s.projectionDepth, 1);
        EXPECT_TRUE(recgl::nearlyEqual(s.modelview, recgl::identity()));
        EXPECT_EQ(s.boundTexture, restingName);
        EXPECT_TRUE(s.blend);
        return recgl::quads(from);
    }
};

// The centre of a quad in eye space.
std::array<float, 3> centre(const recgl::Quad &q) {
    std::array<float, 3> c{0, 0, 0};
    for (const recgl::Vertex &v : q.v) {
        c[0] += v.ex / 4;
        c[1] += v.ey / 4;
        c[2] += v.ez / 4;
    }
    return c;
}

void expectQuad(const recgl::Quad &q, const float st[4][2], const float xyz[4][3], const char *what) {
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(q.v[k].s, st[k][0], 1e-5) << what << " vertex " << k;
        EXPECT_NEAR(q.v[k].t, st[k][1], 1e-5) << what << " vertex " << k;
        EXPECT_NEAR(q.v[k].x, xyz[k][0], 1e-4) << what << " vertex " << k;
        EXPECT_NEAR(q.v[k].y, xyz[k][1], 1e-4) << what << " vertex " << k;
        EXPECT_NEAR(q.v[k].z, xyz[k][2], 1e-4) << what << " vertex " << k;
        EXPECT_EQ(q.v[k].w, 1.0f);
        EXPECT_NEAR(q.v[k].ez, xyz[k][2], 1e-4) << what << " is drawn in the frame's own view";
    }
}

struct PlateCase {
    int e;
    bool revealed;  // a plate is being revealed
    GLuint revealTexture;
    int revealBand;
    float xw, sL;
    bool swings;  // a finished plate swings away
    GLuint swingTexture;
    int swingBand;
    float swingAlpha, zL, zR;
};

TEST_F(GreetingsTest, PlatesAreRevealedRightToLeftAndSwingAwayBehindTheNext) {
    const PlateCase cases[] = {
        // e = 0: plate 0 starts with zero width at the right edge; nothing swings yet.
        {0, true, greets1Name, 0, 6.0f, 1.0f, false, 0, 0, 0, 0, 0},
        {189, true, greets1Name, 0, 6 - 12 * 189 / 379.0f, 1 - 189 / 379.0f, false, 0, 0, 0, 0, 0},
        {378, true, greets1Name, 0, -5.968338f, 0.0026385f, false, 0, 0, 0, 0, 0},
        // e = 379: plate 1 starts; plate 0 is at full width, alpha 1, depth 10, and swings.
        {379, true, greets1Name, 1, 6.0f, 1.0f, true, greets1Name, 0, 1.0f, -10.0f, -10.0f},
        {428, true, greets1Name, 1, 6 - 12 * 49 / 379.0f, 1 - 49 / 379.0f, true, greets1Name, 0, 0.02f,
         -10 - 49 / 22.0f, -10 - 49 / 3.0f},
        {429, true, greets1Name, 1, 6 - 12 * 50 / 379.0f, 1 - 50 / 379.0f, true, greets1Name, 0, 0.0f,
         -10 - 50 / 22.0f, -10 - 50 / 3.0f},
        // Later in a segment the swinging plate is still issued, with a negative alpha.
        {1000, true, greets1Name, 2, 6 - 12 * 242 / 379.0f, 1 - 242 / 379.0f, true, greets1Name, 1, -3.84f,
         -10 - 242 / 22.0f, -10 - 242 / 3.0f},
        {2273, true, greets1Name, 5, 6 - 12 * 378 / 379.0f, 1 - 378 / 379.0f, true, greets1Name, 4, -6.56f,
         -10 - 378 / 22.0f, -10 - 378 / 3.0f},
        // Segment 6: the second picture's first band, while the first picture's last band swings.
        {2274, true, greets2Name, 0, 6.0f, 1.0f, true, greets1Name, 5, 1.0f, -10.0f, -10.0f},
        {2652, true, greets2Name, 0, 6 - 12 * 378 / 379.0f, 1 - 378 / 379.0f, true, greets1Name, 5, -6.56f,
         -10 - 378 / 22.0f, -10 - 378 / 3.0f},
        {2653, true, greets2Name, 1, 6.0f, 1.0f, true, greets2Name, 0, 1.0f, -10.0f, -10.0f},
        // e = 3410: plate 8 (band 2 of the second picture) is the last one revealed.
        {3410, true, greets2Name, 2, 6 - 12 * 378 / 379.0f, 1 - 378 / 379.0f, true, greets2Name, 1, -6.56f,
         -10 - 378 / 22.0f, -10 - 378 / 3.0f},
        // e = 3411: nothing is revealed any more; plate 8 swings away.
        {3411, false, 0, 0, 0, 0, true, greets2Name, 2, 1.0f, -10.0f, -10.0f},
        {3430, false, 0, 0, 0, 0, true, greets2Name, 2, 1 - 19 / 50.0f, -10 - 19 / 22.0f, -10 - 19 / 3.0f},
    };
    for (const PlateCase &c : cases) {
        SCOPED_TRACE("e = " + std::to_string(c.e));
        std::vector<recgl::Quad> quads = frame(10000 + c.e, c.e);
        size_t plates = size_t(c.revealed) + size_t(c.swings);
        ASSERT_EQ(quads.size(), particleCount + 1 + plates);
        size_t next = particleCount + 1;
        if (c.revealed) {
            const recgl::Quad &q = quads[next++];
            float t0 = c.revealBand * band, t1 = (c.revealBand + 1) * band;
            const float st[4][2] = {{c.sL, t0}, {1, t0}, {1, t1}, {c.sL, t1}};
            const float xyz[4][3] = {{c.xw, 0.5f, -10}, {6, 0.5f, -10}, {6, -0.5f, -10}, {c.xw, -0.5f, -10}};
            expectQuad(q, st, xyz, "revealed plate");
            EXPECT_EQ(q.texture, c.revealTexture);
            EXPECT_EQ(q.color, (std::array<float, 4>{0.5f, 0.5f, 1, 1}));
            EXPECT_EQ(q.normal, (std::array<float, 3>{0, 0, 1}));
        }
        if (c.swings) {
            const recgl::Quad &q = quads[next++];
            float t0 = c.swingBand * band, t1 = (c.swingBand + 1) * band;
            const float st[4][2] = {{0, t0}, {1, t0}, {1, t1}, {0, t1}};
            const float xyz[4][3] = {{-6, 0.5f, c.zL}, {6, 0.5f, c.zR}, {6, -0.5f, c.zR}, {-6, -0.5f, c.zL}};
            expectQuad(q, st, xyz, "swinging plate");
            EXPECT_EQ(q.texture, c.swingTexture);
            EXPECT_FLOAT_EQ(q.color[3], c.swingAlpha);
            EXPECT_EQ(q.color[0], 0.5f);
            EXPECT_EQ(q.color[2], 1.0f);
        }
    }
}

TEST_F(GreetingsTest, Segment6ChangesTextureBetweenTheTwoPlatesAndOtherSegmentsDoNot) {
    struct Case {
        int e;
        std::vector<GLuint> binds;  // every texture bound in the frame, in order
    };
    const Case cases[] = {
        {2274, {greets2Name, greets2Name, greets1Name, restingName}},
        {2500, {greets2Name, greets2Name, greets1Name, restingName}},
        {2653, {greets2Name, greets2Name, restingName}},
        {1000, {greets2Name, greets1Name, restingName}},
        {100, {greets2Name, greets1Name, restingName}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("e = " + std::to_string(c.e));
        std::vector<recgl::Quad> quads = frame(20000, c.e);
        std::vector<GLuint> binds;
        for (size_t i = from; i < recgl::calls().size(); ++i)
            if (recgl::calls()[i].name == "glBindTexture") binds.push_back(GLuint(recgl::calls()[i].args[1]));
        EXPECT_EQ(binds, c.binds);
    }
    // Between the revealed plate's last vertex and the swinging plate: end, bind, begin.
    std::vector<recgl::Quad> quads = frame(20000, 2300);
    ASSERT_EQ(quads.size(), size_t(particleCount + 3));
    size_t revealedEnd = quads[particleCount + 1].callIndex + 7;  // just after its fourth vertex
    std::vector<std::string> between = recgl::names(revealedEnd);
    between.resize(3);
    EXPECT_EQ(between, (std::vector<std::string>{"glEnd", "glBindTexture", "glBegin"}));
    EXPECT_EQ(recgl::calls()[revealedEnd + 1].args[1], greets1Name);
}

TEST_F(GreetingsTest, HeaderFadesInToHalfOverTheFirstSecond) {
    const std::pair<int, float> cases[] = {{0, 0.0f}, {1, 0.005f}, {50, 0.25f}, {99, 0.495f}, {100, 0.5f}, {3430, 0.5f}};
    const ColourRecord tint{0.25f, 0.8f, 0.6f, 0.4f};
    for (const auto &[e, alpha] : cases) {
        SCOPED_TRACE("e = " + std::to_string(e));
        std::vector<recgl::Quad> quads = frame(5000, e, tint);
        const recgl::Quad &h = quads[particleCount];
        const float st[4][2] = {{0, 0.609375f}, {1, 0.609375f}, {1, 0.76171875f}, {0, 0.76171875f}};
        const float xyz[4][3] = {{-4, 3, -10}, {4, 3, -10}, {4, 2.25f, -10}, {-4, 2.25f, -10}};
        expectQuad(h, st, xyz, "header");
        EXPECT_EQ(h.texture, greets2Name);
        EXPECT_FLOAT_EQ(h.color[3], alpha);
        EXPECT_EQ(h.color[0], 0.8f);
        EXPECT_EQ(h.color[1], 0.6f);
        EXPECT_EQ(h.color[2], 0.4f);
    }
}

TEST_F(GreetingsTest, ColourTintsEverythingAndFadeOnlySetsTheRevealedPlatesAlpha) {
    const ColourRecord tint{0.3f, 0.8f, 0.6f, 0.4f};
    std::vector<recgl::Quad> quads = frame(1000, 400, tint);  // plate 1 revealed, plate 0 swinging
    const recgl::Quad &revealed = quads[particleCount + 1], &swinging = quads[particleCount + 2];
    EXPECT_EQ(revealed.color, (std::array<float, 4>{0.4f, 0.3f, 0.4f, 0.3f}));
    EXPECT_FLOAT_EQ(swinging.color[0], 0.4f);
    EXPECT_FLOAT_EQ(swinging.color[1], 0.3f);
    EXPECT_FLOAT_EQ(swinging.color[2], 0.4f);
    EXPECT_FLOAT_EQ(swinging.color[3], 1 - 21 / 50.0f);
    for (int i = 0; i < particleCount; ++i) {
        EXPECT_EQ(quads[i].color[2], 0.4f) << "spark " << i;
        EXPECT_LE(quads[i].color[0], 0.8f);
        EXPECT_LE(quads[i].color[1], 0.6f);
        EXPECT_EQ(quads[i].color[3], fireworks[i].life) << "a spark's alpha is its life, not the fade";
    }
}

TEST_F(GreetingsTest, SparksAreOneByOneStarCellsSpinningAboutTheirOwnCentre) {
    const int time = 1001;
    std::vector<recgl::Quad> quads = frame(time, 500);
    std::vector<std::string> expected;
    for (int i = 0; i < particleCount; ++i) {
        for (const char *n : {"glPushMatrix", "glTranslatef", "glRotatef", "glBegin", "glNormal3f", "glColor4f"})
            expected.push_back(n);
        for (int k = 0; k < 4; ++k) {
            expected.push_back("glTexCoord2f");
            expected.push_back("glVertex4f");
        }
        expected.push_back("glEnd");
        expected.push_back("glPopMatrix");
    }
    std::vector<std::string> got = recgl::names(from);
    got.resize(expected.size());
    ASSERT_EQ(got, expected);

    const std::pair<int, float> angles[] = {{0, 333}, {1, 334}, {2, 334}, {3, 334}, {4, 335}, {399, 466}};
    for (const auto &[i, angle] : angles) {
        const recgl::Call &rotate = recgl::calls()[from + size_t(i) * sparkCalls + 2];
        EXPECT_EQ(rotate.args, (std::vector<double>{angle, 0, 0, 1})) << "spark " << i;
    }
    for (int i = 0; i < particleCount; ++i) {
        const recgl::Quad &q = quads[i];
        EXPECT_EQ(q.texture, restingName) << "sparks show the star cell of the texture bound on entry";
        const float st[4][2] = {{0, 0}, {0.125f, 0}, {0.125f, 0.125f}, {0, 0.125f}};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(q.v[k].s, st[k][0]);
            EXPECT_EQ(q.v[k].t, st[k][1]);
            EXPECT_EQ(std::fabs(q.v[k].x), 0.5f);
            EXPECT_EQ(std::fabs(q.v[k].y), 0.5f);
            EXPECT_EQ(q.v[k].z, 0.0f);
        }
    }
}

TEST_F(GreetingsTest, RelaunchedSparksStartAtTheWipeEdgeAliveUntil3410AndDarkFrom3411) {
    struct Case {
        int time, e;
        float life;
    };
    const Case cases[] = {{1000, 500, 1.0f}, {1037, 0, 1.0f}, {1049, 3410, 1.0f}, {1013, 3411, 0.0f}, {1020, 3430, 0.0f}};
    for (const Case &c : cases) {
        SCOPED_TRACE("e = " + std::to_string(c.e));
        clearFireworks();
        std::vector<recgl::Quad> quads = frame(c.time, c.e);
        int q = c.e % 379;
        float edge = 6.0f - 12.0f * float(q) / 379.0f;
        for (int i = 0; i < particleCount; ++i) {
            std::array<float, 3> at = centre(quads[i]);
            if (i % 50 == c.time % 50) {
                EXPECT_GE(at[0], edge - 1e-5f) << "spark " << i;
                EXPECT_LE(at[0], edge + 0.1f + 1e-5f) << "spark " << i;
                EXPECT_GE(at[1], -0.75f);
                EXPECT_LE(at[1], 0.75f);
                EXPECT_NEAR(at[2], -10.0f, 1e-5);
                EXPECT_EQ(quads[i].color[3], c.life);
                EXPECT_LT(fireworks[i].vz, 0.0f);
                EXPECT_GE(fireworks[i].vz, -1.0f);
                EXPECT_LE(std::fabs(fireworks[i].vx), 0.00005f);
                EXPECT_LE(std::fabs(fireworks[i].vy), 0.00005f);
            } else {
                // A cleared record is dark and stays put, but is still drawn.
                for (float coordinate : at) EXPECT_NEAR(coordinate, 0.0f, 1e-6) << "spark " << i;
                EXPECT_EQ(quads[i].color[3], 0.0f);
            }
        }
    }
}

TEST_F(GreetingsTest, LiveSparksAgeAndFlyTowardsTheViewerWhileDarkOnesStayPut) {
    frame(1000, 500);  // launches 0, 50, …, 350
    const Particle launched = fireworks[0];
    fireworks[2] = Particle{0.5f, 1, 2, -3, 0.25f, -0.5f, -0.75f};   // alive
    fireworks[3] = Particle{-0.02f, 1, 2, -3, 0.25f, -0.5f, -0.75f};  // spent
    fireworks[4] = Particle{0.0f, 1, 2, -3, 0.25f, -0.5f, -0.75f};    // dark

    std::vector<recgl::Quad> quads = frame(1001, 501);  // relaunches 1, 51, …; 0, 2, 3, 4 advance
    const Particle &p = fireworks[0];
    EXPECT_EQ(p.life, float(1.0f - 0.02));
    EXPECT_EQ(p.x, launched.x + launched.vx);
    EXPECT_EQ(p.y, launched.y + launched.vy);
    EXPECT_EQ(p.z, launched.z - launched.vz);
    EXPECT_GT(p.z, launched.z) << "a spark moves towards the viewer";
    EXPECT_NEAR(centre(quads[0])[2], p.z, 1e-5);

    EXPECT_FLOAT_EQ(fireworks[2].life, 0.48f);
    EXPECT_EQ(fireworks[2].x, 1.25f);
    EXPECT_EQ(fireworks[2].y, 1.5f);
    EXPECT_EQ(fireworks[2].z, -2.25f);
    for (int i : {3, 4}) {
        EXPECT_EQ(fireworks[i].x, 1.0f) << "spark " << i;
        EXPECT_EQ(fireworks[i].z, -3.0f) << "spark " << i;
        EXPECT_EQ(quads[i].color[3], fireworks[i].life);
    }

    // Launched alive, a spark comes nearer on each of 51 advances and is dark after them.
    // Frames skip its relaunch centisecond 1050.
    std::vector<int> times;
    for (int t = 1002; t <= 1049; ++t) times.push_back(t);
    times.push_back(1051);
    times.push_back(1052);
    int advances = 1;
    for (int t : times) {
        float before = fireworks[0].z, lifeBefore = fireworks[0].life;
        frame(t, t - 500);
        ++advances;
        EXPECT_GT(lifeBefore, 0.0f);
        EXPECT_GT(fireworks[0].z, before) << "advance " << advances;
        if (advances == 50) {
            EXPECT_GT(fireworks[0].life, 0.0f);
        }
    }
    EXPECT_EQ(advances, 51);
    EXPECT_LE(fireworks[0].life, 0.0f);
    EXPECT_GT(fireworks[0].life, -0.02f);
    float z = fireworks[0].z;
    frame(1053, 553);
    EXPECT_EQ(fireworks[0].z, z) << "a dark spark stays put";
}

TEST_F(GreetingsTest, RandomDrawsFollowTheStatedOrder) {
    const ColourRecord tint{1, 0.8f, 0.6f, 0.4f};
    const int e = 500;  // q = 121
    frame(1000, e, tint);  // relaunches 0, 50, …, 350
    const Particle s0 = fireworks[0], s50 = fireworks[50];
    std::vector<recgl::Quad> quads = recgl::quads(from);
    long afterFrame = randomValue();

    seedRandom(1);
    std::vector<double> u(842);
    for (double &v : u) v = uniformRandom();
    const float edge = 6.0f - 12.0f * 121.0f / 379.0f;
    // Spark 0: x jitter, y, vx, vy, vz, then red and green factors.
    EXPECT_EQ(s0.x, float(edge + 0.1 * u[0]));
    EXPECT_EQ(s0.y, float(0.75 - 1.5 * u[1]));
    EXPECT_EQ(s0.vx, float((0.5 - u[2]) * 0.0001));
    EXPECT_EQ(s0.vy, float((0.5 - u[3]) * 0.0001));
    EXPECT_EQ(s0.vz, float(-u[4]));
    EXPECT_EQ(quads[0].color, (std::array<float, 4>{float(tint.red * u[5]), float(tint.green * u[6]), 0.4f, 1.0f}));
    EXPECT_EQ(quads[1].color, (std::array<float, 4>{float(tint.red * u[7]), float(tint.green * u[8]), 0.4f, 0.0f}));
    // Spark 50 follows 7 draws for spark 0 and 2 for each of sparks 1 … 49.
    EXPECT_EQ(s50.x, float(edge + 0.1 * u[105]));
    EXPECT_EQ(s50.vz, float(-u[109]));
    EXPECT_EQ(quads[50].color[0], float(tint.red * u[110]));
    // 400 sparks × 2 colour draws + 8 relaunches × 5: the frame drew exactly 840 values.
    EXPECT_EQ(afterFrame, long(std::lround(u[840] * double(randomMax))));
}

TEST_F(GreetingsTest, DrawnByTheStarFieldForEffect4) {
    useVirtualClock(true);
    setVirtualTime(100, 0);
    getTimeWithStatus(clockReset);
    setVirtualTime(190, 0);  // demo time 9000
    const int32_t savedStart = effectStartTime;
    effectStartTime = 8857;  // e = 143
    from = recgl::calls().size();
    drawStars(0, white, 4);
    std::vector<recgl::Quad> quads = recgl::quads(from);
    effectStartTime = savedStart;
    useVirtualClock(false);

    ASSERT_EQ(quads.size(), size_t(2 * starCount + particleCount + 2));
    const recgl::Quad &plate = quads.back();
    EXPECT_NEAR(plate.v[0].x, 6 - 12 * 143 / 379.0, 1e-5);
    EXPECT_EQ(plate.texture, greets1Name);
    EXPECT_FLOAT_EQ(quads[quads.size() - 2].color[3], 0.5f);  // header at e = 143
    const recgl::State &s = recgl::state();
    EXPECT_EQ(s.errors, 0);
    EXPECT_EQ(s.modelviewDepth, 1);
    EXPECT_EQ(s.boundTexture, restingName);
    EXPECT_TRUE(s.blend);
}

}  // namespace
