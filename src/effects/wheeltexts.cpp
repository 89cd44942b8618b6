// Effect 1, the wheel texts: four lines shown one after another, each zooming in while it
// fades in and out again while it fades out, its letters riding the rim of a wheel that turns
// with the demo time about a horizontal axis 22 units in front of the viewer.
#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "effects/font.h"
#include "effects/subeffects.h"
#include "image/texture.h"

namespace {

constexpr const char *wheelLines[] = {
    "LET'S GO FLYING!",
    "WHERE NO MAN HAS GONE BEFORE!",
    "BUCKLE UP TOVAN!",
    "MY GOD, IT'S FULL OF STARS!",
};

// Degrees to radians with the show's own value of π.
double radians(double degrees) { return degrees * 3.1415 / 180.0; }

// The line shown at effect time e; each line owns a stretch ending where the next begins.
int lineAt(int e) {
    if (e <= 374) return 0;
    if (e <= 774) return 1;
    if (e <= 1149) return 2;
    return 3;
}

// A 25-centisecond fade out starting at `start`, or in starting at `start`.
double fadeOut(int e, int start) { return 1.0 - (e - start) / 25.0; }
double fadeIn(int e, int start) { return (e - start) / 25.0; }

// The alpha at effect time e: each change of line is a fade out followed at once by a fade
// in, and after the last line's fade out the text stays dark until the effect ends.
float lineAlpha(int e) {
    double a = 1.0;
    if (e <= 24) a = fadeIn(e, 0);
    else if (e >= 350 && e <= 374) a = fadeOut(e, 350);
    else if (e >= 375 && e <= 399) a = fadeIn(e, 375);
    else if (e >= 750 && e <= 774) a = fadeOut(e, 750);
    else if (e >= 775 && e <= 799) a = fadeIn(e, 775);
    else if (e >= 1125 && e <= 1149) a = fadeOut(e, 1125);
    else if (e >= 1150 && e <= 1174) a = fadeIn(e, 1150);
    else if (e >= 1500 && e <= 1524) a = fadeOut(e, 1500);
    if (e > 1524) a = 0.0;
    return float(a);
}

// One textured vertex, texture coordinate first, w = 1.
void vertex(float s, float t, double x, double y, double z) {
    glTexCoord2f(s, t);
    glVertex4f(float(x), float(y), float(z), 1.0f);
}

}  // namespace

// Draws the line of this effect time; the wheel's position follows the demo time alone.
void drawWheelTexts(int time, int effectTime, const ColourRecord &colour) {
    const char *text = wheelLines[lineAt(effectTime)];
    float alpha = lineAlpha(effectTime);
    // A dark line lies 125 units beyond the wheel, so a fade is also an approach or a retreat.
    float depth = float((1.0 - alpha) * -125.0);
    int n = int(std::strlen(text));
    float x = float(-n) / 2.0f;

    glBindTexture(GL_TEXTURE_2D, texture[slotFont].first);
    glPushMatrix();
    glTranslatef(0, 0, -22);
    glBegin(GL_QUADS);
    for (int i = 0; i < n; ++i) {
        float xl = x + float(i), xr = xl + 1.0f;
        glNormal3f(0, 0, 1);
        glColor4f(colour.red, colour.green, colour.blue, alpha);
        GlyphCell c = glyphCell(static_cast<unsigned char>(text[i]));
        // Consecutive letters sit 4 degrees apart on the rim; the wheel turns 1.5 degrees per
        // centisecond.
        double a = 1.5 * time + 4 * i, b = a + 4;
        double ca = std::cos(radians(a)), sa = std::sin(radians(a));
        double cb = std::cos(radians(b)), sb = std::sin(radians(b));
        vertex(c.s0, c.t1, xl, 2 * ca - 1, depth + 2 * sa);
        vertex(c.s1, c.t1, xr, 2 * cb - 1, depth + 2 * sb);
        vertex(c.s1, c.t0, xr, 2 * cb, depth + 2 * sb);
        vertex(c.s0, c.t0, xl, 2 * ca, depth + 2 * sa);
    }
    finishSubEffect();
}
