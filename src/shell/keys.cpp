// Idle and keyboard callbacks.
#include "shell/keys.h"

#include <GL/freeglut.h>

#include "image/ppm.h"
#include "shell/musiclink.h"

void idle() { glutPostRedisplay(); }

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
        default:
            break;
    }
}
