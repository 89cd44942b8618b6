// Effect 4, the greetings wipe: a header strip at the top, greeting plates revealed right to
// left by a moving edge that throws sparks at the viewer, each finished plate swinging away
// like a door while the next one is revealed. Plates are bands of the two greetings pictures
// (slots 3 and 4); the sparks are records of the shared particle table.
//
// Segment m = e / 379 reveals plate m; segments 0 … 8 reveal plates, segment 9 only swings the
// last one away. Plates 0 … 5 are bands 0 … 5 of the first picture, plates 6 … 8 bands 0 … 2 of
// the second, whose band 4 is the header.
#include <GL/gl.h>

#include "effects/fireworks.h"
#include "effects/subeffects.h"
#include "image/texture.h"

namespace {

constexpr int segmentLength = 379;      // centiseconds to reveal one plate
constexpr int lastRevealTime = 3410;    // effect time of the last frame that reveals a plate
constexpr int platesPerPicture = 6;
constexpr float bandHeight = 0.15234375f;  // 39 texel rows of a 256-row texture
constexpr float headerTop = 0.609375f;     // band 4 of the second picture
constexpr float headerBottom = 0.76171875f;
constexpr float plateDepth = -10.0f;

// One textured vertex, texture coordinate first, w = 1.
void vertex(float s, float t, float x, float y, float z) {
    glTexCoord2f(s, t);
    glVertex4f(x, y, z, 1.0f);
}

// The wipe edge of a segment q centiseconds old, in single precision as the sparks need it.
float wipeEdge(int q) { return 6.0f - 12.0f * float(q) / float(segmentLength); }

// A spark's fresh start at the wipe edge, flying out of the plate towards the viewer.
// The random draws come in the order x jitter, y, vx, vy, vz.
void launchSpark(Particle &p, int e, int q) {
    p.x = float(wipeEdge(q) + 0.1 * uniformRandom());
    p.y = float(0.75 - 1.5 * uniformRandom());
    p.z = plateDepth;
    p.life = e <= lastRevealTime ? 1.0f : 0.0f;
    p.vx = float((0.5 - uniformRandom()) * 0.0001);
    p.vy = float((0.5 - uniformRandom()) * 0.0001);
    p.vz = float(-uniformRandom());
}

// Relaunches, ages and draws all 400 sparks; dark ones are still issued.
void drawSparks(int time, int e, int q, const ColourRecord &colour) {
    for (int i = 0; i < particleCount; ++i) {
        Particle &p = fireworks[i];
        if (relaunchedAt(i, time)) {
            launchSpark(p, e, q);
        } else if (p.life > 0) {
            p.life -= 0.02;
            p.x += p.vx;
            p.y += p.vy;
            p.z -= p.vz;  // vz is negative: towards the viewer
        }
        glPushMatrix();
        glTranslatef(p.x, p.y, p.z);
        glRotatef(float((time + i) / 3), 0, 0, 1);
        glBegin(GL_QUADS);
        glNormal3f(0, 0, 1);
        float redFactor = float(colour.red * uniformRandom());  // red's draw comes first
        float greenFactor = float(colour.green * uniformRandom());
        glColor4f(redFactor, greenFactor, colour.blue, p.life);
        vertex(0, 0, -0.5f, -0.5f, 0);
        vertex(0.125f, 0, 0.5f, -0.5f, 0);
        vertex(0.125f, 0.125f, 0.5f, 0.5f, 0);
        vertex(0, 0.125f, -0.5f, 0.5f, 0);
        glEnd();
        glPopMatrix();
    }
}

// The header strip fades in over the first second to half brightness.
void drawHeader(int e, const ColourRecord &colour) {
    float alpha = e <= 99 ? float(e / 200.0) : 0.5f;
    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, texture[slotGreets2].first);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glColor4f(colour.red, colour.green, colour.blue, alpha);
    vertex(0, headerTop, -4, 3, plateDepth);
    vertex(1, headerTop, 4, 3, plateDepth);
    vertex(1, headerBottom, 4, 2.25f, plateDepth);
    vertex(0, headerBottom, -4, 2.25f, plateDepth);
    glEnd();
    glPopMatrix();
}

// The plate being revealed: its texture stays fixed in space while the left edge moves left.
void drawRevealedPlate(int m, int q, const ColourRecord &colour) {
    int b = m % platesPerPicture;
    float t0 = float(b) * bandHeight, t1 = float(b + 1) * bandHeight;
    float sL = float(1.0 - double(q) / segmentLength);
    float xw = wipeEdge(q);
    glNormal3f(0, 0, 1);
    glColor4f(0.5f * colour.red, 0.5f * colour.green, colour.blue, colour.fade);
    vertex(sL, t0, xw, 0.5f, plateDepth);
    vertex(1, t0, 6, 0.5f, plateDepth);
    vertex(1, t1, 6, -0.5f, plateDepth);
    vertex(sL, t1, xw, -0.5f, plateDepth);
}

// The previous plate swings away about a hinge far to the left and fades within half a second;
// afterwards its alpha is negative and it is still issued.
void drawSwingingPlate(int m, int q, const ColourRecord &colour) {
    if (m == platesPerPicture) {  // the previous plate is the first picture's last band
        glEnd();
        glBindTexture(GL_TEXTURE_2D, texture[slotGreets1].first);
        glBegin(GL_QUADS);
    }
    int b = (m - 1) % platesPerPicture;
    float t0 = float(b) * bandHeight, t1 = float(b + 1) * bandHeight;
    float zL = float(-10.0 - q / 22.0), zR = float(-10.0 - q / 3.0);
    glNormal3f(0, 0, 1);
    glColor4f(0.5f * colour.red, 0.5f * colour.green, colour.blue, float(1.0 - q / 50.0));
    vertex(0, t0, -6, 0.5f, zL);
    vertex(1, t0, 6, 0.5f, zR);
    vertex(1, t1, 6, -0.5f, zR);
    vertex(0, t1, -6, -0.5f, zL);
}

}  // namespace

void drawGreetings(int time, int effectTime, const ColourRecord &colour) {
    int e = effectTime;
    int m = e / segmentLength;
    int q = e - segmentLength * m;

    drawSparks(time, e, q, colour);
    drawHeader(e, colour);

    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, texture[m < platesPerPicture ? slotGreets1 : slotGreets2].first);
    glBegin(GL_QUADS);
    if (e <= lastRevealTime) drawRevealedPlate(m, q, colour);
    if (m >= 1) drawSwingingPlate(m, q, colour);
    finishSubEffect();
}
