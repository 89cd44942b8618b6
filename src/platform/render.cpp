// Mesa and freeglut as the show needs them.
#include "platform/render.h"

#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/process.h"

unsigned glutModeFor(unsigned) { return GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH; }

GLuint newTextureName() {
    GLuint name = 0;
    glGenTextures(1, &name);
    return name;
}

void uploadTexture(int width, int height, const unsigned char *rgba) {
    glTexImage2D(GL_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void windowFailed(const char *what) {
    const char *display = std::getenv("DISPLAY");
    std::fprintf(stderr, "Cannot open the window on display \"%s\": %s\n", display ? display : "",
                 what);
    exitProgram(1);
}

namespace {
// freeglut calls this for fatal errors (no display, no suitable visual); it must not return.
void glutFatal(const char *fmt, va_list ap) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    windowFailed(text);
    std::_Exit(1);  // only reached under a test exit hook
}
}  // namespace

void installGlutErrorHandlers() {
    glutInitErrorFunc(glutFatal);
}
