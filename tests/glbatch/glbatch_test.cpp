// The batching layer's rules, each with a small fixture drawn through the layer into the
// recording GL: what joins into one draw and what ends it, the order against other calls,
// vertices in eye space, what a real GL refuses, the matrix stack's limits, and switching the
// layer off and on.
#include <gtest/gtest.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <string>
#include <vector>

#include "platform/glbatch/glbatch.h"
#include "recording_gl.h"

namespace {

// A unit quad at z = 0, its colour given first.
void quad(float r = 1, float g = 1, float b = 1, float a = 1) {
    glBegin(GL_QUADS);
    glColor4f(r, g, b, a);
    glTexCoord2f(0, 0);
    glVertex4f(0, 0, 0, 1);
    glTexCoord2f(1, 0);
    glVertex4f(1, 0, 0, 1);
    glTexCoord2f(1, 1);
    glVertex4f(1, 1, 0, 1);
    glTexCoord2f(0, 1);
    glVertex4f(0, 1, 0, 1);
    glEnd();
}

struct GlBatchTest : ::testing::Test {
    void SetUp() override {
        setBatchedDrawing(false);
        recgl::reset();
        setBatchedDrawing(true);  // takes GL's (identity) model-view and forgets binds and enables
    }
    void TearDown() override { setBatchedDrawing(false); }
    // The names of the calls that reached GL, without the array set-up around each draw.
    static std::vector<std::string> reached(size_t from = 0) {
        std::vector<std::string> out;
        for (const std::string &n : recgl::names(from))
            if (n == "glDrawArrays" || (n.find("Pointer") == std::string::npos && n.find("ClientState") == std::string::npos &&
                                        n != "glColor4f" && n != "glTexCoord2f" && n != "glNormal3f" && n != "glGetFloatv" &&
                                        n != "glGetIntegerv" && n != "glMatrixMode" && n != "glLoadIdentity"))
                out.push_back(n);
        return out;
    }
};

TEST_F(GlBatchTest, QuadsUnderDifferentMatricesAndColoursBecomeOneDrawInEyeSpace) {
    glPushMatrix();
    glTranslatef(2, 0, -5);
    quad(1, 0, 0, 0.5f);
    glRotatef(90, 0, 0, 1);
    quad(0, 1, 0, 1);
    glPopMatrix();
    quad(0, 0, 1, 1);
    glutSwapBuffers();

    EXPECT_EQ(reached(), (std::vector<std::string>{"glDrawArrays", "glutSwapBuffers"}));
    std::vector<recgl::Quad> q = recgl::quads();
    ASSERT_EQ(q.size(), 3u);
    // Translated: (0,0) → (2,0,−5), (1,1) → (3,1,−5).
    EXPECT_FLOAT_EQ(q[0].v[0].ex, 2);
    EXPECT_FLOAT_EQ(q[0].v[2].ex, 3);
    EXPECT_FLOAT_EQ(q[0].v[2].ey, 1);
    EXPECT_FLOAT_EQ(q[0].v[2].ez, -5);
    // Turned by 90° about z after the translation: (1,0) → (2,1).
    EXPECT_NEAR(q[1].v[1].ex, 2, 1e-6);
    EXPECT_NEAR(q[1].v[1].ey, 1, 1e-6);
    // Popped: back at the origin.
    EXPECT_FLOAT_EQ(q[2].v[2].ex, 1);
    EXPECT_FLOAT_EQ(q[2].v[2].ez, 0);
    EXPECT_EQ(q[0].color, (std::array<float, 4>{1, 0, 0, 0.5f}));
    EXPECT_EQ(q[1].color, (std::array<float, 4>{0, 1, 0, 1}));
    EXPECT_FLOAT_EQ(q[0].v[2].s, 1);
    EXPECT_FLOAT_EQ(q[0].v[3].t, 1);
    // GL's own model-view never moved, and GL's current colour is the show's last.
    EXPECT_TRUE(recgl::nearlyEqual(recgl::state().modelview, recgl::identity()));
    EXPECT_EQ(recgl::state().color, (std::array<float, 4>{0, 0, 1, 1}));
    EXPECT_EQ(recgl::state().errors, 0);
}

// Each call that changes what the next quads look like ends the draw before it goes to GL.
TEST_F(GlBatchTest, StateChangesEndTheDrawAndKeepTheirPlaceInTheOrder) {
    struct Case {
        const char *name;
        void (*change)();
        const char *reaches;  // the call GL sees between the two draws
    };
    const Case cases[] = {
        {"bind", [] { glBindTexture(GL_TEXTURE_2D, 7); }, "glBindTexture"},
        {"enable", [] { glEnable(GL_DEPTH_TEST); }, "glEnable"},
        {"blend function", [] { glBlendFunc(GL_ONE, GL_ONE); }, "glBlendFunc"},
        {"projection", [] {
             glMatrixMode(GL_PROJECTION);
             glOrtho(0, 640, 480, 0, -1, 1);
             glMatrixMode(GL_MODELVIEW);
         }, "glOrtho"},
        {"clear", [] { glClear(GL_COLOR_BUFFER_BIT); }, "glClear"},
        {"framebuffer", [] { glBindFramebuffer(GL_FRAMEBUFFER, 0); }, "glBindFramebuffer"},
        {"upload", [] { glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr); }, "glTexImage2D"},
        {"read-back", [] {
             static unsigned char pixel[4];
             glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
         }, "glReadPixels"},
    };
    for (const Case &c : cases) {
        SetUp();
        glBindTexture(GL_TEXTURE_2D, 3);
        glDisable(GL_DEPTH_TEST);
        size_t from = recgl::calls().size();
        quad();
        c.change();
        quad();
        glutSwapBuffers();
        std::vector<std::string> seen;
        for (const std::string &n : reached(from))
            if (n == "glDrawArrays" || n == c.reaches || n == "glutSwapBuffers") seen.push_back(n);
        EXPECT_EQ(seen, (std::vector<std::string>{"glDrawArrays", c.reaches, "glDrawArrays", "glutSwapBuffers"}))
            << c.name << "\n" << recgl::dump(from);
    }
}

TEST_F(GlBatchTest, ABindOrEnableThatChangesNothingDoesNotEndTheDraw) {
    glBindTexture(GL_TEXTURE_2D, 3);
    glEnable(GL_BLEND);
    quad();
    glBindTexture(GL_TEXTURE_2D, 3);
    glEnable(GL_BLEND);
    quad();
    glDisable(GL_BLEND);
    quad();
    glutSwapBuffers();
    EXPECT_EQ(reached(), (std::vector<std::string>{"glBindTexture", "glEnable", "glDrawArrays", "glDisable", "glDrawArrays",
                                                   "glutSwapBuffers"}));
    std::vector<recgl::Quad> q = recgl::quads();
    ASSERT_EQ(q.size(), 3u);
    EXPECT_TRUE(q[1].blend);
    EXPECT_FALSE(q[2].blend);
}

TEST_F(GlBatchTest, AnIncompleteQuadIsDroppedAndDoesNotShiftTheNext) {
    glBegin(GL_QUADS);
    for (int i = 0; i < 6; ++i) glVertex4f(100, 100, 100, 1);  // one quad and a half
    glEnd();
    quad();
    glutSwapBuffers();
    std::vector<recgl::Quad> q = recgl::quads();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_FLOAT_EQ(q[0].v[3].ex, 100);
    EXPECT_FLOAT_EQ(q[1].v[0].ex, 0);  // the unit quad starts where it should
    EXPECT_FLOAT_EQ(q[1].v[2].ex, 1);
    EXPECT_EQ(recgl::state().errors, 0);  // GL was handed whole quads only
}

TEST_F(GlBatchTest, CallsARealGlRefusesBetweenBeginAndEndAreDropped) {
    long before = batchCounts().dropped;
    glBindTexture(GL_TEXTURE_2D, 3);
    glBegin(GL_QUADS);
    glColor4f(1, 0, 0, 1);
    glVertex4f(0, 0, 0, 1);
    glBindTexture(GL_TEXTURE_2D, 9);
    glRotatef(90, 0, 0, 1);
    glPushMatrix();
    glTranslatef(5, 5, 5);
    glMatrixMode(GL_PROJECTION);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    glVertex4f(1, 0, 0, 1);
    glVertex4f(1, 1, 0, 1);
    glVertex4f(0, 1, 0, 1);
    glEnd();
    glEnd();  // the second glEnd has no glBegin
    glPopMatrix();  // nothing was pushed
    glutSwapBuffers();
    EXPECT_EQ(batchCounts().dropped - before, 9);
    std::vector<recgl::Quad> q = recgl::quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q[0].texture, 3u);
    EXPECT_FLOAT_EQ(q[0].v[2].ex, 1);  // neither turned nor moved
    EXPECT_FLOAT_EQ(q[0].v[2].ey, 1);
    EXPECT_EQ(recgl::count("glClear"), 0u);
    EXPECT_EQ(recgl::state().matrixMode, GLenum(GL_MODELVIEW));
    // The matrix mode stayed model-view: this translation is the layer's, not GL's projection's.
    glTranslatef(1, 0, 0);
    quad();
    glutSwapBuffers();
    EXPECT_FLOAT_EQ(recgl::quads().back().v[0].ex, 1);
    EXPECT_TRUE(recgl::nearlyEqual(recgl::state().projection, recgl::identity()));
}

TEST_F(GlBatchTest, TheModelViewStackHoldsThirtyTwoAndRefusesBeyond) {
    long before = batchCounts().dropped;
    for (int i = 0; i < 40; ++i) {
        glPushMatrix();
        glTranslatef(1, 0, 0);
    }
    // 31 pushes fit; every translation applies to the top, the refused pushes' too.
    quad();
    for (int i = 0; i < 40; ++i) glPopMatrix();
    quad();
    glutSwapBuffers();
    EXPECT_EQ(batchCounts().dropped - before, 9 + 9);  // 9 overflows, then 9 underflows
    std::vector<recgl::Quad> q = recgl::quads();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_FLOAT_EQ(q[0].v[0].ex, 40);
    EXPECT_FLOAT_EQ(q[1].v[0].ex, 0);
}

TEST_F(GlBatchTest, ProjectionOperationsGoToGlAndModelViewOnesDoNot) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1.5, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -5);
    quad();
    glutSwapBuffers();
    EXPECT_EQ(recgl::count("glFrustum"), 1u);
    EXPECT_EQ(recgl::count("glTranslatef"), 0u);
    EXPECT_FLOAT_EQ(recgl::state().projection[0], 1.5f);  // 2n / (r − l)
    EXPECT_TRUE(recgl::nearlyEqual(recgl::state().modelview, recgl::identity()));
    EXPECT_FLOAT_EQ(recgl::quads()[0].v[0].ez, -5);
}

TEST_F(GlBatchTest, SwitchedOffGlTakesOverTheModelViewAndTheCallsAsTheyAre) {
    glTranslatef(3, 0, 0);
    glColor4f(0.25f, 0.5f, 0.75f, 1);
    quad();
    setBatchedDrawing(false);  // draws the gathered quad first
    EXPECT_EQ(recgl::count("glDrawArrays"), 1u);
    EXPECT_FLOAT_EQ(recgl::state().modelview[12], 3);
    quad();
    std::vector<recgl::Quad> q = recgl::quads();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(recgl::count("glBegin"), 1u);  // the second went through as it is
    EXPECT_FLOAT_EQ(q[1].v[0].ex, 3);
    // And back on: GL's model-view comes over and GL's becomes the identity again.
    setBatchedDrawing(true);
    EXPECT_TRUE(recgl::nearlyEqual(recgl::state().modelview, recgl::identity()));
    quad();
    glutSwapBuffers();
    EXPECT_FLOAT_EQ(recgl::quads().back().v[0].ex, 3);
    EXPECT_EQ(recgl::state().errors, 0);
}

}  // namespace
