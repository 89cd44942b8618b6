// Effect 6, the stroke logo: eleven bars traced one after another as a pen would draw the
// closed outline of the logo, with a stream of sparks from the shared particle table flying
// off the pen's tip towards the viewer. Bars and pen are pure functions of the effect time;
// the sparks carry from frame to frame and age once per frame, lit or dark.
#include <GL/gl.h>

#include "effects/fireworks.h"
#include "effects/subeffects.h"

namespace {

// The effect time at which the pen reaches its starting corner again and the tracing ends.
constexpr int tracingEnd = 3450;

struct Point {
    double x, y;
};

// Each bar grows from its start time T over its duration D; the bars start one after another
// along the same windows the pen follows.
struct BarTiming {
    int start, duration;
};

constexpr int barCount = 11;
constexpr BarTiming barTimings[barCount] = {
    {0, 500},    {500, 250},  {750, 250},  {1000, 250}, {1250, 250}, {1500, 500},
    {2000, 250}, {2250, 350}, {2600, 250}, {2850, 350}, {3200, 250},
};

// The corners of the outline in the order the pen passes them: bar k runs from corner k − 1 to
// corner k, and the last corner is the first again.
constexpr Point penCorners[barCount + 1] = {
    {-4, -4}, {-4, 4}, {-1, 4}, {1, 2},  {1, 4},   {4, 4},
    {4, -4},  {1, -4}, {1, 0},  {-1, 2}, {-1, -4}, {-4, -4},
};

// One vertex of a bar at progress p: (x + dx × p, y + dy × p). The growing end's vertices
// move, the other end's stay put.
struct BarVertex {
    double x, dx, y, dy;
};

// Vertices 1 to 4 of each bar. Each bar is 0.4 units across and reaches 0.2 beyond the
// corners of its stretch, so neighbours overlap at the corners.
constexpr BarVertex barVertices[barCount][4] = {
    {{-4.2, 0, -4.2, 8.4}, {-3.8, 0, -4.2, 8.4}, {-3.8, 0, -4.2, 0}, {-4.2, 0, -4.2, 0}},
    {{-3.8, 0, 4.2, 0}, {-3.8, 3, 4.2, 0}, {-3.8, 3, 3.8, 0}, {-3.8, 0, 3.8, 0}},
    {{-0.8, 0, 4.2, 0}, {-0.8, 1.6, 4.2, -2}, {-0.8, 1.6, 3.8, -2}, {-0.8, 0, 3.8, 0}},
    {{0.8, 0, 1.8, 2.4}, {1.2, 0, 1.8, 2.4}, {1.2, 0, 1.8, 0}, {0.8, 0, 1.8, 0}},
    {{1.2, 0, 4.2, 0}, {1.2, 3, 4.2, 0}, {1.2, 3, 3.8, 0}, {1.2, 0, 3.8, 0}},
    {{3.8, 0, 3.8, 0}, {4.2, 0, 3.8, 0}, {4.2, 0, 3.8, -8}, {3.8, 0, 3.8, -8}},
    {{3.8, -3, -3.8, 0}, {3.8, 0, -3.8, 0}, {3.8, 0, -4.2, 0}, {3.8, -3, -4.2, 0}},
    {{0.8, 0, -3.8, 4}, {1.2, 0, -3.8, 4}, {1.2, 0, -3.8, 0}, {0.8, 0, -3.8, 0}},
    {{0.8, -1.6, 0.2, 2}, {0.8, 0, 0.2, 0}, {0.8, 0, -0.2, 0}, {0.8, -1.6, -0.2, 2}},
    {{-1.2, 0, 2.2, 0}, {-0.8, 0, 2.2, 0}, {-0.8, 0, 2.2, -6.4}, {-1.2, 0, 2.2, -6.4}},
    {{-1.2, -2.6, -3.8, 0}, {-1.2, 0, -3.8, 0}, {-1.2, 0, -4.2, 0}, {-1.2, -2.6, -4.2, 0}},
};

// Every bar whose start time has come, finished ones at full length, each showing the bar
// cell of the sprite sheet stretched over its whole length.
void drawBars(int t) {
    constexpr float cellS[4] = {0.25f, 0.375f, 0.375f, 0.25f};
    constexpr float cellT[4] = {0.0f, 0.0f, 0.125f, 0.125f};
    for (int k = 0; k < barCount && t >= barTimings[k].start; ++k) {
        float p = float(t - barTimings[k].start) / float(barTimings[k].duration);
        if (p > 1) p = 1;
        for (int j = 0; j < 4; ++j) {
            const BarVertex &v = barVertices[k][j];
            glTexCoord2f(cellS[j], cellT[j]);
            glVertex4f(float(v.x + v.dx * p), float(v.y + v.dy * p), -10.0f, 1.0f);
        }
    }
}

// Where the pen is at effect time t: moving at constant speed from corner to corner within
// each bar's window, and at the origin before and after the tracing.
Point penAt(int t) {
    if (t < 0 || t >= tracingEnd) return {0, 0};
    int k = 0;
    while (k + 1 < barCount && t >= barTimings[k + 1].start) ++k;
    const Point &a = penCorners[k], &b = penCorners[k + 1];
    int since = t - barTimings[k].start, d = barTimings[k].duration;
    return {a.x + since * (b.x - a.x) / d, a.y + since * (b.y - a.y) / d};
}

// A spark leaves the pen towards the viewer; after the tracing it is born dark. Draws come in
// a fixed order (vx, vy, vz) to keep the show reproducible.
void relaunch(Particle &s, Point pen, int t) {
    s.x = float(pen.x);
    s.y = float(pen.y);
    s.z = -10.0f;
    s.life = t < tracingEnd ? 1.0f : 0.0f;
    s.vx = float((0.5 - uniformRandom()) * 0.1);
    s.vy = float((0.5 - uniformRandom()) * 0.1);
    s.vz = float(0.1 * uniformRandom());
}

// Unlike the fireworks, every spark moves and fades each frame, so a dark one sinks below 0.
void advance(Particle &s) {
    s.x = s.x + s.vx;
    s.life = float(s.life - 0.02);
    s.y = s.y + s.vy;
    s.z = s.z + s.vz;
}

// One textured vertex, texture coordinate first, w = 1.
void vertex(float s, float t, float x, float y) {
    glTexCoord2f(s, t);
    glVertex4f(x, y, 0.0f, 1.0f);
}

// A half-unit star-cell sprite at the spark, turning about its centre with the demo time.
// Green and blue flicker with two fresh draws, green's first.
void drawSpark(const Particle &s, int time, int k, const ColourRecord &colour) {
    glPushMatrix();
    glTranslatef(s.x, s.y, s.z);
    glRotatef(float((time + k) / 3), 0, 0, 1);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    float green = float(colour.green * uniformRandom());
    float blue = float(colour.blue * uniformRandom());
    glColor4f(colour.red, green, blue, s.life);
    vertex(0, 0, -0.25f, -0.25f);
    vertex(0.125f, 0, 0.25f, -0.25f);
    vertex(0.125f, 0.125f, 0.25f, 0.25f);
    vertex(0, 0.125f, -0.25f, 0.25f);
    glEnd();
    glPopMatrix();
}

}  // namespace

// One frame of the tracing: the bars in one block, then every spark in its own.
void drawStrokeLogo(int time, int effectTime, const ColourRecord &colour) {
    int t = effectTime;
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glColor4f(colour.red, colour.green, colour.blue, colour.fade);
    drawBars(t);
    glEnd();

    Point pen = penAt(t);
    for (int k = 0; k < particleCount; ++k) {
        Particle &s = fireworks[k];
        if (relaunchedAt(k, time))
            relaunch(s, pen, t);
        else
            advance(s);
        drawSpark(s, time, k, colour);
    }
}
