// The scrollers. The text advances one character every 32 centiseconds and moves smoothly by a
// 32nd of a glyph per centisecond in between; 36 glyph positions span more than the view.
#include "effects/scrollers.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "effects/font.h"
#include "image/texture.h"
#include "shell/democlock.h"
#include "shell/timeline.h"

int32_t scrolltimer = 0;

namespace {
constexpr int positions = 36;

struct ScrollStep {
    int32_t k;     // whole characters scrolled
    double shift;  // sub-character shift, 0.25 … 0.0078125
};

// Reads the clock and starts a frame of either scroller (left with glBegin open).
ScrollStep beginScroll() {
    int32_t t = getTime() - scrollStartTime;
    scrolltimer = t;
    int32_t f = t % 32;
    ScrollStep step{t >> 5, f * 0.03125 * -0.25 + 0.25};
    glPushMatrix();
    glTranslatef(0, 0, -5);
    glBindTexture(GL_TEXTURE_2D, texture[slotFont].first);
    glBegin(GL_QUADS);
    return step;
}

void endScroll() {
    glEnd();
    glPopMatrix();
    glBindTexture(GL_TEXTURE_2D, texture[slotSprites].first);
}

// The character at position i: the text repeats without a gap beyond its own blanks.
unsigned char characterAt(const char *text, size_t length, int i, int32_t k) {
    uint32_t index = static_cast<uint32_t>(i + k);
    return static_cast<unsigned char>(text[index % length]);
}
}  // namespace

void scrolltext1(int, ColourRecord) {
    ScrollStep step = beginScroll();
    size_t length = std::strlen(scrollText);
    float base = -4.25f;
    for (int i = 0; i < positions && length > 0; ++i, base += 0.25f) {
        float xL = float(base + step.shift), xR = float(base + step.shift + 0.25);
        GlyphCell c = glyphCell(characterAt(scrollText, length, i, step.k));
        glNormal3f(0, 0, 1);
        glTexCoord2f(c.s0, c.t1);
        glVertex4f(xL, -0.25f, 0, 1);
        glTexCoord2f(c.s1, c.t1);
        glVertex4f(xR, -0.25f, 0, 1);
        glTexCoord2f(c.s1, c.t0);
        glVertex4f(xR, 0, 0, 1);
        glTexCoord2f(c.s0, c.t0);
        glVertex4f(xL, 0, 0, 1);
    }
    endScroll();
}

void scrolltext2(int, ColourRecord colour) {
    ScrollStep step = beginScroll();
    const double T = scrolltimer;
    size_t length = std::strlen(scrollText);
    float base = -4.25f;
    for (int i = 0; i < positions && length > 0; ++i, base += 0.25f) {
        float xL = float(base + step.shift), xR = float(base + step.shift + 0.25);
        GlyphCell c = glyphCell(characterAt(scrollText, length, i, step.k));
        double a = (1.5 * T + 4 * i) * 3.1415 / 180;
        double b = (1.5 * T + 4 * i + 4) * 3.1415 / 180;
        glNormal3f(0, 0, 1);
        glColor4f(colour.red, colour.green, colour.blue, float(1 + std::sin(a)));
        glTexCoord2f(c.s0, c.t1);
        glVertex4f(xL, float(2 * std::cos(a) - 0.25), float(2 * std::sin(a)), 1);
        glTexCoord2f(c.s1, c.t1);
        glVertex4f(xR, float(2 * std::cos(b) - 0.25), float(2 * std::sin(b)), 1);
        glTexCoord2f(c.s1, c.t0);
        glVertex4f(xR, float(2 * std::cos(b)), float(2 * std::sin(b)), 1);
        glTexCoord2f(c.s0, c.t0);
        glVertex4f(xL, float(2 * std::cos(a)), float(2 * std::sin(a)), 1);
    }
    endScroll();
}
