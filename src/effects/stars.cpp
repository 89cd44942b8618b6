// The star field: 500 tumbling sprites in a hollow cube, turning and wobbling as a whole,
// and the dispatch to the sub-effect of the current effect number.
#include "effects/stars.h"

#include <GL/gl.h>

#include <cmath>

#include "effects/subeffects.h"
#include "image/texture.h"
#include "platform/random.h"
#include "shell/democlock.h"
#include "shell/timeline.h"

Star stars[starCount];
float rot = 0.0f;

namespace {
// Degrees to radians with the show's own value of π.
constexpr double degreesToRadians = 3.1415 / 180.0;

// The demo time from which the star field is drawn.
constexpr int starFieldStart = 1501;

// A fresh coordinate between −5 and 5.
float randomCoordinate() { return static_cast<float>(5.0 - 10.0 * uniformRandom()); }

bool insideInnerCube(const Star &s) {
    return s.x > -2.5f && s.x < 2.5f && s.y > -2.5f && s.y < 2.5f && s.z > -2.5f && s.z < 2.5f;
}

void drawStarField(int time, const ColourRecord &colour) {
    glPushMatrix();
    double a = time * 3.1415 / 180.0;
    glTranslatef(float(std::sin(a)), float(std::cos(a)), float(std::sin(a)));
    glRotatef(rot / 6, 0, 0, 1);
    glRotatef(rot / 3, 0, 1, 1);
    glRotatef(rot * 0.25f, 1, 1, 0);
    rot = float(time);

    for (int i = 0; i < starCount; ++i) {
        const Star &s = stars[i];
        int n = time + i;
        glPushMatrix();
        glTranslatef(s.x, s.y, s.z);
        glRotatef(float(n / 3), 0, 0, 1);
        glRotatef(float(n), 0, 1, 1);
        float alpha = float(colour.fade * (0.5 + 0.25 * std::sin(n * degreesToRadians)));
        glBegin(GL_QUADS);
        glNormal3f(0, 0, 1);
        glColor4f(colour.red, colour.green, colour.blue, alpha);
        glTexCoord2f(0, 0);
        glVertex4f(-0.25f, -0.25f, 0, 1);
        glTexCoord2f(0.125f, 0);
        glVertex4f(0.25f, -0.25f, 0, 1);
        glTexCoord2f(0.125f, 0.125f);
        glVertex4f(0.25f, 0.25f, 0, 1);
        glTexCoord2f(0, 0.125f);
        glVertex4f(-0.25f, 0.25f, 0, 1);
        glNormal3f(1, 0, 0);
        glColor4f(colour.red, colour.green, colour.blue, alpha);
        glTexCoord2f(0, 0);
        glVertex4f(0, -0.25f, -0.25f, 1);
        glTexCoord2f(0.125f, 0);
        glVertex4f(0, -0.25f, 0.25f, 1);
        glTexCoord2f(0.125f, 0.125f);
        glVertex4f(0, 0.25f, 0.25f, 1);
        glTexCoord2f(0, 0.125f);
        glVertex4f(0, 0.25f, -0.25f, 1);
        glEnd();
        glPopMatrix();
    }
    glPopMatrix();
}
}  // namespace

double uniformRandom() { return double(randomValue()) / double(randomMax); }

void placeStars() {
    for (Star &s : stars) {
        do {
            s.x = randomCoordinate();
            s.y = randomCoordinate();
            s.z = randomCoordinate();
        } while (insideInnerCube(s));
    }
}

void finishSubEffect() {
    glEnd();
    glPopMatrix();
    glBindTexture(GL_TEXTURE_2D, texture[slotSprites].first);
}

void drawStars(int, ColourRecord colour, int effect) {
    glEnable(GL_BLEND);
    int time = getTime();
    int effectTime = time - effectStartTime;
    if (time >= starFieldStart) drawStarField(time, colour);
    switch (effect) {
        case 1: drawWheelTexts(time, effectTime, colour); break;
        case 2: drawFireworksEffect(time, effectTime, colour); break;
        case 4: drawGreetings(time, effectTime, colour); break;
        case 5: drawCredits(time, effectTime, colour); break;
        case 6: drawStrokeLogo(time, effectTime, colour); break;
        default: break;
    }
}
