// The effect timeline (frame loop only, until the show's effects arrive).
#include "shell/timeline.h"

#include <GL/freeglut.h>

int32_t effectStartTime = 0;
int32_t scrollStartTime = 0;
int32_t scrollPauseTime = 0;
const char *scrollText = nullptr;
int32_t lastEffect = -1;
float ratio = 1.0f;

void display() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}
