// The batching layer's entry points: every GL function the demo calls, under its standard
// name, in front of the real one (found with dlsym(RTLD_NEXT)). A new GL call in the demo
// needs its entry here, or it would reach GL ahead of the primitives still gathered; a test
// compares the demo's GL references with this file's definitions.
//
// All entry points live in this one file so that the linker takes all or none of them.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include "platform/glbatch/glbatch_internal.h"

using namespace glbatch;

namespace {
// A call that changes or reads GL's state: it goes to GL after what was gathered, or is
// dropped between glBegin and glEnd.
template <typename F, typename... A>
void stateCall(F real, A... args) {
    if (!active() || beforeState()) real(args...);
}
}  // namespace

// --- Primitives and their attributes: gathered ---

void glBegin(GLenum mode) {
    static const auto real = next<decltype(&glBegin)>("glBegin");
    if (active()) return begin(mode);
    real(mode);
}

void glEnd() {
    static const auto real = next<decltype(&glEnd)>("glEnd");
    if (active()) return end();
    real();
}

void glVertex4f(GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
    static const auto real = next<decltype(&glVertex4f)>("glVertex4f");
    if (active()) return vertex(x, y, z, w);
    real(x, y, z, w);
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    static const auto real = next<decltype(&glColor4f)>("glColor4f");
    if (active()) return colour(r, g, b, a);
    real(r, g, b, a);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    static const auto real = next<decltype(&glTexCoord2f)>("glTexCoord2f");
    if (active()) return texCoord(s, t);
    real(s, t);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    static const auto real = next<decltype(&glNormal3f)>("glNormal3f");
    if (active()) return normal(x, y, z);
    real(x, y, z);
}

// --- Matrices: model-view on the CPU, the others in GL ---

void glMatrixMode(GLenum mode) {
    static const auto real = next<decltype(&glMatrixMode)>("glMatrixMode");
    if (!active() || matrixMode(mode)) real(mode);
}

void glPushMatrix() {
    static const auto real = next<decltype(&glPushMatrix)>("glPushMatrix");
    if (!active() || push()) real();
}

void glPopMatrix() {
    static const auto real = next<decltype(&glPopMatrix)>("glPopMatrix");
    if (!active() || pop()) real();
}

void glLoadIdentity() {
    static const auto real = next<decltype(&glLoadIdentity)>("glLoadIdentity");
    if (!active() || loadIdentity()) real();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    static const auto real = next<decltype(&glTranslatef)>("glTranslatef");
    if (!active() || translate(x, y, z)) real(x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    static const auto real = next<decltype(&glRotatef)>("glRotatef");
    if (!active() || rotate(angle, x, y, z)) real(angle, x, y, z);
}

void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    static const auto real = next<decltype(&glOrtho)>("glOrtho");
    if (!active()) return real(l, r, b, t, n, f);
    // glOrtho's matrix, column-major, as OpenGL defines it.
    const double m[16] = {2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
                          -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1};
    if (l == r || b == t || n == f || multiply(m)) real(l, r, b, t, n, f);
}

void glFrustum(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    static const auto real = next<decltype(&glFrustum)>("glFrustum");
    if (!active()) return real(l, r, b, t, n, f);
    const double m[16] = {2 * n / (r - l),   0, 0, 0, 0, 2 * n / (t - b), 0, 0, (r + l) / (r - l), (t + b) / (t - b),
                          -(f + n) / (f - n), -1, 0, 0, -2 * f * n / (f - n), 0};
    // Values GL refuses go to GL to be refused there.
    if (n <= 0 || f <= 0 || l == r || b == t || n == f || multiply(m)) real(l, r, b, t, n, f);
}

// --- State that only ends the batch when it changes ---

void glBindTexture(GLenum target, GLuint name) {
    static const auto real = next<decltype(&glBindTexture)>("glBindTexture");
    if (!active() || bindTexture(target, name)) real(target, name);
}

void glEnable(GLenum cap) {
    static const auto real = next<decltype(&glEnable)>("glEnable");
    if (!active() || setCapability(cap, true)) real(cap);
}

void glDisable(GLenum cap) {
    static const auto real = next<decltype(&glDisable)>("glDisable");
    if (!active() || setCapability(cap, false)) real(cap);
}

// --- Everything else: after what was gathered ---

void glClear(GLbitfield mask) {
    static const auto real = next<decltype(&glClear)>("glClear");
    stateCall(real, mask);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    static const auto real = next<decltype(&glClearColor)>("glClearColor");
    stateCall(real, r, g, b, a);
}

void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    static const auto real = next<decltype(&glViewport)>("glViewport");
    stateCall(real, x, y, w, h);
}

void glBlendFunc(GLenum src, GLenum dst) {
    static const auto real = next<decltype(&glBlendFunc)>("glBlendFunc");
    stateCall(real, src, dst);
}

void glTexEnvi(GLenum target, GLenum pname, GLint param) {
    static const auto real = next<decltype(&glTexEnvi)>("glTexEnvi");
    stateCall(real, target, pname, param);
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    static const auto real = next<decltype(&glTexParameteri)>("glTexParameteri");
    stateCall(real, target, pname, param);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid *pixels) {
    static const auto real = next<decltype(&glTexImage2D)>("glTexImage2D");
    stateCall(real, target, level, internalFormat, width, height, border, format, type, pixels);
}

void glPixelStorei(GLenum pname, GLint param) {
    static const auto real = next<decltype(&glPixelStorei)>("glPixelStorei");
    stateCall(real, pname, param);
}

void glGenTextures(GLsizei n, GLuint *names) {
    static const auto real = next<decltype(&glGenTextures)>("glGenTextures");
    stateCall(real, n, names);
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid *pixels) {
    static const auto real = next<decltype(&glReadPixels)>("glReadPixels");
    stateCall(real, x, y, width, height, format, type, pixels);
}

void glDrawBuffer(GLenum mode) {
    static const auto real = next<decltype(&glDrawBuffer)>("glDrawBuffer");
    stateCall(real, mode);
}

void glGenFramebuffers(GLsizei n, GLuint *names) {
    static const auto real = next<decltype(&glGenFramebuffers)>("glGenFramebuffers");
    stateCall(real, n, names);
}

void glDeleteFramebuffers(GLsizei n, const GLuint *names) {
    static const auto real = next<decltype(&glDeleteFramebuffers)>("glDeleteFramebuffers");
    stateCall(real, n, names);
}

void glBindFramebuffer(GLenum target, GLuint name) {
    static const auto real = next<decltype(&glBindFramebuffer)>("glBindFramebuffer");
    stateCall(real, target, name);
}

GLenum glCheckFramebufferStatus(GLenum target) {
    static const auto real = next<decltype(&glCheckFramebufferStatus)>("glCheckFramebufferStatus");
    if (!active() || beforeState()) return real(target);
    return 0;  // what GL answers between glBegin and glEnd
}

void glGenRenderbuffers(GLsizei n, GLuint *names) {
    static const auto real = next<decltype(&glGenRenderbuffers)>("glGenRenderbuffers");
    stateCall(real, n, names);
}

void glDeleteRenderbuffers(GLsizei n, const GLuint *names) {
    static const auto real = next<decltype(&glDeleteRenderbuffers)>("glDeleteRenderbuffers");
    stateCall(real, n, names);
}

void glBindRenderbuffer(GLenum target, GLuint name) {
    static const auto real = next<decltype(&glBindRenderbuffer)>("glBindRenderbuffer");
    stateCall(real, target, name);
}

void glRenderbufferStorage(GLenum target, GLenum format, GLsizei width, GLsizei height) {
    static const auto real = next<decltype(&glRenderbufferStorage)>("glRenderbufferStorage");
    stateCall(real, target, format, width, height);
}

void glFramebufferRenderbuffer(GLenum target, GLenum attachment, GLenum rbTarget, GLuint name) {
    static const auto real = next<decltype(&glFramebufferRenderbuffer)>("glFramebufferRenderbuffer");
    stateCall(real, target, attachment, rbTarget, name);
}

void glBlitFramebuffer(GLint sx0, GLint sy0, GLint sx1, GLint sy1, GLint dx0, GLint dy0, GLint dx1, GLint dy1,
                       GLbitfield mask, GLenum filter) {
    static const auto real = next<decltype(&glBlitFramebuffer)>("glBlitFramebuffer");
    stateCall(real, sx0, sy0, sx1, sy1, dx0, dy0, dx1, dy1, mask, filter);
}

// The frame is shown: everything gathered must be in it.
void glutSwapBuffers() {
    static const auto real = next<decltype(&glutSwapBuffers)>("glutSwapBuffers");
    if (active()) flush();
    real();
}
