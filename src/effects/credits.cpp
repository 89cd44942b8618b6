// Effect 5, the credits screen: the closing picture (slot 6) slides down over the star field,
// stands while role captions and member handles fade in and out one after another, and slides
// back up. Everything follows from the effect time t and the demo time, except the caption's
// drift origin, which the first frame of each caption change sets and which is never set back.
#include "effects/credits.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "effects/font.h"
#include "effects/subeffects.h"
#include "image/texture.h"
#include "shell/timeline.h"

int32_t creditsReset = 0;

namespace {

// One textured vertex, texture coordinate first, w = 1.
void vertex(float s, float t, float x, float y, float z) {
    glTexCoord2f(s, t);
    glVertex4f(x, y, z, 1.0f);
}

// A stretch of effect time, both ends included, and the handle shown during it.
struct HandleSpan {
    int first, last;
    const char *text;
};

// "TARNOVIK" is credited twice: under the second caption and under the third.
constexpr HandleSpan handleSpans[] = {
    {51, 449, "PARVIEL"},     {551, 849, "KESTRAMON"}, {851, 1149, "VELDORAN"},
    {1151, 1449, "TARNOVIK"}, {1551, 1949, "TARNOVIK"},
};

// A 50-centisecond fade of the handle: rising from 0, or falling from 1, measured from start.
struct HandleFade {
    int first, last, start;
    bool rising;
};

// Each fade-in starts one centisecond before its handle shows, so the first visible frame of
// a handle already has alpha 0.02.
constexpr HandleFade handleFades[] = {
    {51, 99, 50, true},      {400, 449, 400, false},   {550, 599, 550, true},   {800, 849, 800, false},
    {850, 899, 850, true},   {1100, 1149, 1100, false}, {1150, 1199, 1150, true}, {1400, 1449, 1400, false},
    {1550, 1599, 1550, true}, {1900, 1949, 1900, false},
};

const char *handleAt(int t) {
    for (const HandleSpan &span : handleSpans)
        if (t >= span.first && t <= span.last) return span.text;
    return "";
}

const char *captionAt(int t) {
    if (t <= 499) return "CODE STAR";
    if (t <= 1499) return "GFX STARS";
    return "MSX STAR";
}

float handleAlpha(int t) {
    for (const HandleFade &f : handleFades) {
        if (t < f.first || t > f.last) continue;
        return f.rising ? float((t - f.start) / 50.0) : float((t - f.start) / -50.0 + 1.0);
    }
    return 1.0f;
}

struct TextAlphas {
    float caption, handle;
};

// The caption's alpha, overriding the handle's while the captions change (the handle is empty
// then anyway); the first frame of each new caption moves the drift origin.
TextAlphas textAlphas(int t) {
    if (t <= 49) return {float(t / 100.0), 0};
    if (t >= 450 && t <= 499) return {float((t - 450) / -100.0 + 0.5), 0};
    if (t >= 500 && t <= 549) {
        creditsReset = 600;  // the caption enters one unit right of its place and passes it at 600
        return {float((t - 500) / 100.0), 0};
    }
    if (t >= 1450 && t <= 1499) return {float((t - 1450) / -100.0 + 0.5), 0};
    if (t >= 1500 && t <= 1549) {
        creditsReset = 1500;
        return {float((t - 1500) / 100.0), 0};
    }
    if (t >= 1950 && t <= 1999) return {float((t - 1950) / -100.0 + 0.5), 0};
    if (t >= 2000) return {0, 0};
    return {0.5f, handleAlpha(t)};
}

// How many pixels above its resting place the picture stands: sliding in, then out at the end.
float slideOffset(int t) {
    if (t <= 99) return float((t / -100.0) * 480 + 480);
    if (t >= 1950 && t <= 1999) return float(((t - 1950) / 50.0) * 480);
    return 0.0f;
}

// The closing picture's tiles stretched over the 640×480 screen, opaque. Tile sizes are
// truncated, so a picture whose width does not divide evenly leaves the last columns bare.
// An empty slot draws nothing (and its zero size is never divided by).
void drawPicture(float s) {
    const TiledTexture &pic = texture[slotClosing];
    if (pic.tilesAcross <= 0 || pic.tilesDown <= 0 || pic.width <= 0 || pic.height <= 0) return;
    int tw = int(640.0f / (float(pic.width) * 0.00390625f));
    int th = int(480.0f / (float(pic.height) * 0.00390625f));
    for (int i = 0; i < pic.tilesDown; ++i) {
        for (int j = 0; j < pic.tilesAcross; ++j) {
            float x0 = float(j * tw), x1 = float((j + 1) * tw);
            float yT = float(i * th) - s, yB = float((i + 1) * th) - s;
            glBindTexture(GL_TEXTURE_2D, pic.first + GLuint(j + i * pic.tilesAcross));
            glBegin(GL_QUADS);
            glColor4f(1, 1, 1, 1);
            vertex(0, 1, x0, yB, -0.01f);
            vertex(1, 1, x1, yB, -0.01f);
            vertex(1, 0, x1, yT, -0.01f);
            vertex(0, 0, x0, yT, -0.01f);
            glEnd();
        }
    }
}

// The handle: 2 × 2 glyphs whose edges ride a wave in depth that runs along the line with the
// demo time. The line starts at −n/2, which leaves it right of centre.
void drawHandle(const char *text, int time, float alpha, const ColourRecord &colour) {
    int n = int(std::strlen(text));
    float x = float(n) * -0.5f;
    for (int i = 0; i < n; ++i) {
        glNormal3f(0, 0, 1);
        glColor4f(colour.red, colour.green, colour.blue, alpha);
        GlyphCell c = glyphCell(static_cast<unsigned char>(text[i]));
        double a0 = time * 0.5 + 4 * i, a1 = a0 + 4;
        float z0 = float(2 * std::sin(a0 * 3.1415 / 180.0));
        float z1 = float(2 * std::sin(a1 * 3.1415 / 180.0));
        vertex(c.s0, c.t1, x, -2, z0);
        vertex(c.s1, c.t1, x + 2, -2, z1);
        vertex(c.s1, c.t0, x + 2, 0, z1);
        vertex(c.s0, c.t0, x, 0, z0);
        x = x + 2;
    }
}

// The caption: flat 2 × 1 glyphs above the handle, drifting left one unit per second from
// the drift origin.
void drawCaption(const char *text, int t, float alpha, const ColourRecord &colour) {
    int m = int(std::strlen(text));
    float x = float(m) * -0.5f;
    double d = (t - creditsReset) / -100.0;
    for (int i = 0; i < m; ++i) {
        glNormal3f(0, 0, 1);
        glColor4f(colour.red, colour.green, colour.blue, alpha);
        GlyphCell c = glyphCell(static_cast<unsigned char>(text[i]));
        vertex(c.s0, c.t1, float(x + d), 3, 0);
        vertex(c.s1, c.t1, float(x + 2.0f + d), 3, 0);
        vertex(c.s1, c.t0, float(x + 2.0f + d), 4, 0);
        vertex(c.s0, c.t0, float(x + d), 4, 0);
        x = x + 2;
    }
}

}  // namespace

void drawCredits(int time, int effectTime, const ColourRecord &colour) {
    int t = effectTime;

    // The picture is drawn flat in screen pixels, without blending, so it hides the stars.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_BLEND);
    drawPicture(slideOffset(t));

    // The texts are drawn in depth, in the perspective the rest of the frame expects.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-ratio, ratio, -1, 1, 1.414, 1000);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_BLEND);

    const char *handle = handleAt(t);
    const char *caption = captionAt(t);
    TextAlphas alphas = textAlphas(t);

    glBindTexture(GL_TEXTURE_2D, texture[slotFont].first);
    glPushMatrix();
    glTranslatef(0, 0, -22);
    glBegin(GL_QUADS);
    drawHandle(handle, time, alphas.handle, colour);
    drawCaption(caption, t, alphas.caption, colour);
    finishSubEffect();
}
