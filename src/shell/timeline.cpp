// The effect timeline. Before the song plays, the title picture shows and the demo clock is
// held at zero; once it plays, effect numbers advance at fixed clock values, one rule a
// frame, and never go back, so a late frame only delays a switch and never skips one.
#include "shell/timeline.h"

#include <GL/freeglut.h>

#include "effects/colour.h"
#include "effects/scrollers.h"
#include "effects/scrolltexts.h"
#include "effects/stars.h"
#include "effects/titlepicture.h"
#include "image/texture.h"
#include "music/listener.h"
#include "platform/frame.h"
#include "shell/democlock.h"

int32_t effectStartTime = 0;
int32_t scrollStartTime = 0;
int32_t scrollPauseTime = 0;
const char *scrollText = nullptr;
int32_t lastEffect = -1;
float ratio = 1.0f;

TimelineState &timelineState() {
    static TimelineState state{0, 0, 0};
    return state;
}

namespace {

// Times of the show, in centiseconds of the demo clock.
constexpr int titleEnd = 499;
constexpr int rampStart = 1501, rampEnd = 1999;
constexpr int flashA = 19950, flashB = 20150, flashLength = 50;

// The switch of step 8: the first rule whose condition holds fires, the rest wait.
void advanceEffects(TimelineState &s, int32_t t) {
    auto start = [&](int32_t next) {
        s.effectCounter = next;
        effectStartTime = t;
    };
    if (t > 749 && s.effectCounter == 0) {
        start(1);
    } else if (t > 2625 && s.effectCounter == 1) {
        start(2);
    } else if (t > 5000 && scrollStartTime == 0) {
        scrollStartTime = t;
    } else if (t > 5850 && s.effectCounter == 2) {
        start(3);
    } else if (t > 8856 && s.effectCounter == 3) {
        start(4);
        scrollPauseTime = t;
    } else if (t > 12287 && s.effectCounter == 4) {
        start(5);
    } else if (t > 14286 && s.effectCounter == 5) {
        start(6);
    } else if (t > 19950 && s.effectCounter == 6) {
        start(7);
    } else if (t > 20200 && s.effectCounter == 7) {
        scrollPauseTime = 0;
        scrollText = endScroller;
        start(8);
        scrollStartTime = t;
    }
}

// A full-window quad showing one cell of the resting texture, fading within 50 centiseconds.
void drawFlash(int32_t t, int32_t startTime) {
    float alpha = float((t - startTime) / -50.0 + 1.0);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glColor4f(1, 1, 1, alpha);
    glTexCoord2f(0.375f, 0);
    glVertex4f(-10, 10, -10, 1);
    glTexCoord2f(0.5f, 0);
    glVertex4f(10, 10, -10, 1);
    glTexCoord2f(0.5f, 0.125f);
    glVertex4f(10, -10, -10, 1);
    glTexCoord2f(0.375f, 0.125f);
    glVertex4f(-10, -10, -10, 1);
    glEnd();
}

struct OverlayQuad {
    int slot;
    float left, top, right, bottom;
};

constexpr OverlayQuad overlay1 = {slotOverlay1, -4, 4, 5, -7};
constexpr OverlayQuad overlay2 = {slotOverlay2, -1, 4, 7, -4};

// The first tile of a slot on a quad at depth 10, texture row 0 at the top edge.
void drawOverlay(const OverlayQuad &q, float alpha) {
    glBindTexture(GL_TEXTURE_2D, texture[q.slot].first);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glColor4f(1, 1, 1, alpha);
    glTexCoord2f(0, 0);
    glVertex4f(q.left, q.top, -10, 1);
    glTexCoord2f(1, 0);
    glVertex4f(q.right, q.top, -10, 1);
    glTexCoord2f(1, 1);
    glVertex4f(q.right, q.bottom, -10, 1);
    glTexCoord2f(0, 1);
    glVertex4f(q.left, q.bottom, -10, 1);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, texture[slotSprites].first);
}

}  // namespace

void display() {
    TimelineState &s = timelineState();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-ratio, ratio, -1.0, 1.0, 1.414, 1000.0);
    glMatrixMode(GL_MODELVIEW);

    s.tmp = getTime();
    const int32_t t = s.tmp;

    if (playingSong.load(std::memory_order_relaxed) == 0) {
        getTimeWithStatus(clockReset);
        drawPicture();
        presentFrame();
        return;
    }

    ColourRecord colour{1.0f, 1.0f, 1.0f, 1.0f};
    if (t <= titleEnd) drawPicture();

    if (t >= rampStart && t <= rampEnd) {
        if (lastEffect == -1) {
            s.tmpTime = t;
            lastEffect = 0;
        }
        colour.fade = float(t - s.tmpTime) / 500.0f;
    }

    advanceEffects(s, t);

    if (t >= flashA) {
        if (t < flashA + flashLength) drawFlash(t, flashA);
        drawOverlay(overlay1, colour.fade);
    }
    if (t >= flashB) {
        if (t < flashB + flashLength) drawFlash(t, flashB);
        drawOverlay(overlay2, 1.0f);
    }

    glLoadIdentity();
    drawStars(t, colour, s.effectCounter);
    glLoadIdentity();

    if (s.effectCounter == 8)
        scrolltext1(t, colour);
    else if (scrollStartTime > 0 && scrollPauseTime == 0)
        scrolltext2(t, colour);

    presentFrame();
}
