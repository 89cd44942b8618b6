// The offscreen 640×480 frame and its presentation in a window of any size. Framebuffer
// objects are core GL 3.0 (Mesa gives 4.5 compatibility): prototypes come from glext.h.
#define GL_GLEXT_PROTOTYPES 1
#include "platform/frame.h"

#include <GL/freeglut.h>
#include <GL/glext.h>

#include "platform/vsync.h"

namespace {
GLuint frameBuffer = 0;
GLuint colourBuffer = 0, depthBuffer = 0;
bool toWindow = true;
bool vsyncWanted = true;
int windowWidth = frameWidth, windowHeight = frameHeight;

// Reshape callback: remembers the size; the show's viewport stays on the 640×480 frame
// (freeglut's default reshape would stretch it to the window).
void onReshape(int width, int height) { setWindowSize(width, height); }

void bindFrame() {
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    glViewport(0, 0, frameWidth, frameHeight);
}
}  // namespace

Letterbox letterboxFor(int w, int h) {
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    // Fit by whichever side is tighter, in integers: w/640 against h/480.
    Letterbox box{};
    if (long(w) * frameHeight <= long(h) * frameWidth) {
        box.width = w;
        box.height = int((long(w) * frameHeight + frameWidth / 2) / frameWidth);
    } else {
        box.height = h;
        box.width = int((long(h) * frameWidth + frameHeight / 2) / frameHeight);
    }
    if (box.width < 1) box.width = 1;
    if (box.height < 1) box.height = 1;
    box.x = (w - box.width) / 2;
    box.y = (h - box.height) / 2;
    return box;
}

bool openFrame() {
    glGenFramebuffers(1, &frameBuffer);
    if (frameBuffer == 0) return false;  // no framebuffer objects in this GL
    glGenRenderbuffers(1, &colourBuffer);
    glGenRenderbuffers(1, &depthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, colourBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, frameWidth, frameHeight);
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, frameWidth, frameHeight);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourBuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &frameBuffer);
        glDeleteRenderbuffers(1, &colourBuffer);
        glDeleteRenderbuffers(1, &depthBuffer);
        frameBuffer = colourBuffer = depthBuffer = 0;
        return false;
    }
    bindFrame();
    glutReshapeFunc(onReshape);
    return true;
}

void setVsyncWanted(bool on) { vsyncWanted = on; }

void openPresentation() {
    openFrame();
    // Capture never waits for the screen; a window without vsync keeps the show's own pacing.
    setSwapInterval(vsyncWanted && toWindow ? 1 : 0);
}

bool frameIsOffscreen() { return frameBuffer != 0; }

void presentFrame() {
    if (!toWindow) return;
    if (!frameBuffer) {
        glutSwapBuffers();
        return;
    }
    Letterbox box = letterboxFor(windowWidth, windowHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, frameBuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glViewport(0, 0, windowWidth, windowHeight);
    // The bars; the show's clear colour is always black. A frame that fills the window has none,
    // and on a software rasteriser a needless clear of the window costs a good part of a frame.
    if (box.width != windowWidth || box.height != windowHeight) glClear(GL_COLOR_BUFFER_BIT);
    // 1:1 copies stay exact; scaled ones are smoothed.
    bool exact = box.width == frameWidth && box.height == frameHeight;
    glBlitFramebuffer(0, 0, frameWidth, frameHeight, box.x, box.y, box.x + box.width, box.y + box.height,
                      GL_COLOR_BUFFER_BIT, exact ? GL_NEAREST : GL_LINEAR);
    glutSwapBuffers();
    bindFrame();
}

void setPresentToWindow(bool on) { toWindow = on; }

void setWindowSize(int width, int height) {
    windowWidth = width;
    windowHeight = height;
}
