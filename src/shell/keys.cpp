// Idle and keyboard callbacks.
#include "shell/keys.h"

#include <GL/freeglut.h>

#include "image/ppm.h"
#include "platform/time.h"
#include "shell/musiclink.h"
#include "shell/pause.h"

namespace {
long long centisecondOf(const TimeOfDay &now) { return now.sec * 100LL + now.usec / 10000; }
}  // namespace

// The particles advance once per frame and relaunch on the demo clock's centiseconds, so the
// show was made for at most one frame per centisecond; without vsync a modern machine would
// draw hundreds and starve the music player. Frames are therefore paced to one per
// centisecond of the time of day, by sleeping until the next centisecond begins.
void idle() {
    static long long lastFrame = -1;
    TimeOfDay now = timeOfDay();
    long long centi = centisecondOf(now);
    if (centi <= lastFrame) {
        long long wait = (lastFrame + 1) * 10000LL - (now.sec * 1000000LL + now.usec);
        sleepMicroseconds(static_cast<long>(wait));
        centi = lastFrame + 1;
    }
    lastFrame = centi;
    glutPostRedisplay();
}

void key(unsigned char code, int, int) {
    static bool fullScreen = false;
    switch (code) {
        case keyFullScreen:
            // A second f returns to the window, as users expect of a full-screen key.
            if (fullScreen)
                glutLeaveFullScreen();
            else
                glutFullScreen();
            fullScreen = !fullScreen;
            break;
        case keyScreenshot:
            glDrawBuffer(GL_BACK);
            glutPostRedisplay();
            savePBM();
            break;
        case keyEscape:
            leaveShow();
            break;
        case keyPause:
            togglePause();
            break;
        default:
            break;
    }
}
