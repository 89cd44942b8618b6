// Effect 2, the fireworks: the 400 particles of the shared table launched ten units in front
// of the viewer from points swaying about the viewing axis, streaming away into the distance
// while they fade, the whole swarm turning slowly about the viewing axis. Each frame relaunches
// the records of the demo time's residue and ages the live others by one step.
#include <GL/gl.h>

#include <cmath>

#include "effects/fireworks.h"
#include "effects/subeffects.h"

namespace {

// From this effect time on relaunched sparks are dark, so the swarm dies out before the end.
constexpr int lastLitLaunch = 2675;

// Launch brightness: rising over the first five seconds, then full, then dark.
float launchLife(int e) {
    if (e <= 499) return float(e / 500.0);
    if (e <= lastLitLaunch) return 1.0f;
    return 0.0f;
}

// A new spark on the swaying diagonal x = y, at depth 10, heading away from the viewer. The
// random draws come in a fixed order (x jitter, y jitter, vx, vy, vz) to keep the show
// reproducible.
void relaunch(Particle &p, int t, int e, int i) {
    double d = (std::sin(t / 100.0) + 3.0) * std::sin((t + i) * 3.1415 / 180.0);
    p.x = float(d + 0.1 * uniformRandom());
    p.y = float(d + 0.1 * uniformRandom());
    p.z = -10.0f;
    p.life = launchLife(e);
    p.vx = float((0.5 - uniformRandom()) * 0.0001);
    p.vy = float((0.5 - uniformRandom()) * 0.0001);
    p.vz = float(-uniformRandom());
}

// One step of a live spark; a dark one stays where it went out.
void advance(Particle &p) {
    if (p.life <= 0) return;
    p.life = float(p.life - 0.02);
    p.x = p.x + p.vx;
    p.y = p.y + p.vy;
    p.z = p.z + p.vz;
}

// One textured vertex, texture coordinate first, w = 1.
void vertex(float s, float t, double x, double y, float z) {
    glTexCoord2f(s, t);
    glVertex4f(float(x), float(y), z, 1.0f);
}

// A 1.5-unit square of the star cell, turned about the viewing axis with the record's phase,
// drawn even when dark. Green and blue flicker with two fresh draws, green's first.
void drawSpark(const Particle &p, int t, int i, const ColourRecord &colour) {
    glPushMatrix();
    glRotatef(float((t + i) / 3), 0, 0, 1);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    float green = float(colour.green * uniformRandom());
    float blue = float(colour.blue * uniformRandom());
    glColor4f(colour.red, green, blue, p.life);
    vertex(0, 0, p.x - 0.75, p.y - 0.75, p.z);
    vertex(0.125f, 0, p.x + 0.75, p.y - 0.75, p.z);
    vertex(0.125f, 0.125f, p.x + 0.75, p.y + 0.75, p.z);
    vertex(0, 0.125f, p.x - 0.75, p.y + 0.75, p.z);
    glEnd();
    glPopMatrix();
}

}  // namespace

// One frame of the swarm; binds no texture, so the sparks show the resting texture's star cell.
void drawFireworksEffect(int time, int effectTime, const ColourRecord &colour) {
    for (int i = 0; i < particleCount; ++i) {
        Particle &p = fireworks[i];
        if (relaunchedAt(i, time))
            relaunch(p, time, effectTime, i);
        else
            advance(p);
        drawSpark(p, time, i, colour);
    }
}
