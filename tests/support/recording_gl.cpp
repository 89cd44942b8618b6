// The recording GL and GLUT: definitions of the standard entry points that log and track.
// Before any GL header, so that glext.h declares the framebuffer-object entry points.
#define GL_GLEXT_PROTOTYPES 1
#include "recording_gl.h"

#include <GL/freeglut.h>
#include <GL/glext.h>
#include <GL/glx.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <cstring>
#include <sstream>

namespace recgl {
namespace {

struct Recorder {
    std::vector<Call> calls;
    State state;
    GlutState glut;
    std::map<GLuint, Texture> textures;
    std::vector<Quad> quads;
    std::vector<Vertex> pending;  // vertices of the quad being built
    size_t pendingFirstCall = 0;
    std::vector<Matrix> modelviewStack, projectionStack;
    std::vector<unsigned char> framebuffer;
    // Client-side vertex arrays, as glVertexPointer and its siblings set them.
    struct Array {
        bool enabled = false;
        GLint size = 0;
        GLsizei stride = 0;
        const float *data = nullptr;
    } vertexArray, texCoordArray, colorArray;
    bool recording = true;  // off: state is tracked but nothing is logged or gathered
};

Recorder &rec() {
    static Recorder r;
    return r;
}

void log(const char *name, std::initializer_list<double> args = {}) {
    if (!rec().recording) return;
    rec().calls.push_back(Call{name, std::vector<double>(args)});
}

Matrix multiply(const Matrix &a, const Matrix &b) {
    Matrix r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[c * 4 + k];
            r[c * 4 + row] = sum;
        }
    return r;
}

Matrix &current() {
    State &s = rec().state;
    return s.matrixMode == GL_PROJECTION ? s.projection : s.modelview;
}

// Matrix operations inside glBegin/glEnd are errors in a real GL and change nothing.
bool refusedInBegin() {
    if (rec().state.inBegin) {
        rec().state.errors++;
        return true;
    }
    return false;
}

void multiplyCurrent(const Matrix &m) {
    Matrix &c = current();
    c = multiply(c, m);
}

}  // namespace

Matrix identity() {
    Matrix m{};
    m[0] = m[5] = m[10] = m[15] = 1;
    return m;
}

bool nearlyEqual(const Matrix &a, const Matrix &b, float tolerance) {
    for (int i = 0; i < 16; ++i)
        if (std::fabs(a[i] - b[i]) > tolerance) return false;
    return true;
}

void reset() {
    Recorder &r = rec();
    r.calls.clear();
    r.state = State{};
    r.glut = GlutState{};
    r.textures.clear();
    r.quads.clear();
    r.pending.clear();
    r.modelviewStack.clear();
    r.projectionStack.clear();
    r.framebuffer.clear();
    r.vertexArray = r.texCoordArray = r.colorArray = Recorder::Array{};
}

const std::vector<Call> &calls() { return rec().calls; }
const State &state() { return rec().state; }
GlutState &glut() { return rec().glut; }
const std::map<GLuint, Texture> &textures() { return rec().textures; }

size_t count(const std::string &name, size_t from) {
    size_t n = 0;
    const auto &c = rec().calls;
    for (size_t i = from; i < c.size(); ++i)
        if (c[i].name == name) ++n;
    return n;
}

long find(const std::string &name, size_t from) {
    const auto &c = rec().calls;
    for (size_t i = from; i < c.size(); ++i)
        if (c[i].name == name) return static_cast<long>(i);
    return -1;
}

std::vector<std::string> names(size_t from) {
    std::vector<std::string> out;
    const auto &c = rec().calls;
    for (size_t i = from; i < c.size(); ++i) out.push_back(c[i].name);
    return out;
}

std::vector<Quad> quads(size_t from) {
    std::vector<Quad> out;
    for (const Quad &q : rec().quads)
        if (q.callIndex >= from) out.push_back(q);
    return out;
}

std::string dump(size_t from, size_t max) {
    std::ostringstream out;
    const auto &c = rec().calls;
    for (size_t i = from; i < c.size() && i < from + max; ++i) {
        out << i << ": " << c[i].name << "(";
        for (size_t a = 0; a < c[i].args.size(); ++a) out << (a ? ", " : "") << c[i].args[a];
        out << ")\n";
    }
    return out.str();
}

void setRecording(bool on) { rec().recording = on; }

void setFramebuffer(const std::vector<unsigned char> &rgbBottomFirst) { rec().framebuffer = rgbBottomFirst; }

void setFramebufferObjects(bool available) { rec().state.framebufferObjects = available; }

}  // namespace recgl

using recgl::log;
using recgl::rec;

// ---- OpenGL -------------------------------------------------------------------------------

namespace {
void setEnable(GLenum cap, bool on) {
    auto &s = rec().state;
    if (cap == GL_BLEND) s.blend = on;
    if (cap == GL_TEXTURE_2D) s.texture2d = on;
    if (cap == GL_DEPTH_TEST) s.depthTest = on;
}
}  // namespace

void glEnable(GLenum cap) {
    log("glEnable", {double(cap)});
    if (!recgl::refusedInBegin()) setEnable(cap, true);
}

void glDisable(GLenum cap) {
    log("glDisable", {double(cap)});
    if (!recgl::refusedInBegin()) setEnable(cap, false);
}

GLboolean glIsEnabled(GLenum cap) {
    auto &s = rec().state;
    if (cap == GL_BLEND) return s.blend;
    if (cap == GL_TEXTURE_2D) return s.texture2d;
    if (cap == GL_DEPTH_TEST) return s.depthTest;
    return GL_FALSE;
}

void glBlendFunc(GLenum src, GLenum dst) {
    log("glBlendFunc", {double(src), double(dst)});
    rec().state.blendSrc = src;
    rec().state.blendDst = dst;
}

void glTexEnvi(GLenum target, GLenum pname, GLint param) {
    log("glTexEnvi", {double(target), double(pname), double(param)});
    if (pname == GL_TEXTURE_ENV_MODE) rec().state.texEnvMode = param;
}

void glPixelStorei(GLenum pname, GLint param) {
    log("glPixelStorei", {double(pname), double(param)});
    if (pname == GL_UNPACK_ALIGNMENT) rec().state.unpackAlignment = param;
    if (pname == GL_PACK_ALIGNMENT) rec().state.packAlignment = param;
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    log("glClearColor", {r, g, b, a});
    rec().state.clearColor = {r, g, b, a};
}

void glClear(GLbitfield mask) { log("glClear", {double(mask)}); }

void glDrawBuffer(GLenum mode) {
    log("glDrawBuffer", {double(mode)});
    rec().state.drawBuffer = mode;
}

void glReadBuffer(GLenum mode) { log("glReadBuffer", {double(mode)}); }

void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { log("glViewport", {double(x), double(y), double(w), double(h)}); }

void glFlush() { log("glFlush"); }
void glFinish() { log("glFinish"); }
GLenum glGetError() { return GL_NO_ERROR; }

void glMatrixMode(GLenum mode) {
    log("glMatrixMode", {double(mode)});
    if (!recgl::refusedInBegin()) rec().state.matrixMode = mode;
}

void glLoadIdentity() {
    log("glLoadIdentity");
    if (!recgl::refusedInBegin()) recgl::current() = recgl::identity();
}

void glPushMatrix() {
    log("glPushMatrix");
    if (recgl::refusedInBegin()) return;
    auto &s = rec().state;
    if (s.matrixMode == GL_PROJECTION) {
        rec().projectionStack.push_back(s.projection);
        s.projectionDepth++;
    } else {
        rec().modelviewStack.push_back(s.modelview);
        s.modelviewDepth++;
    }
}

void glPopMatrix() {
    log("glPopMatrix");
    if (recgl::refusedInBegin()) return;
    auto &s = rec().state;
    auto &stack = s.matrixMode == GL_PROJECTION ? rec().projectionStack : rec().modelviewStack;
    if (stack.empty()) {
        s.errors++;  // stack underflow
        return;
    }
    recgl::current() = stack.back();
    stack.pop_back();
    (s.matrixMode == GL_PROJECTION ? s.projectionDepth : s.modelviewDepth)--;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    log("glTranslatef", {x, y, z});
    if (recgl::refusedInBegin()) return;
    if (!rec().recording) return;
    recgl::Matrix m = recgl::identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    recgl::multiplyCurrent(m);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    log("glRotatef", {angle, x, y, z});
    if (recgl::refusedInBegin()) return;
    if (!rec().recording) return;  // matrices are only followed while recording
    float len = std::sqrt(x * x + y * y + z * z);
    if (len == 0) return;
    x /= len;
    y /= len;
    z /= len;
    float a = angle * 3.14159265358979f / 180.0f, c = std::cos(a), s = std::sin(a), t = 1 - c;
    recgl::Matrix m = recgl::identity();
    m[0] = t * x * x + c;
    m[1] = t * x * y + s * z;
    m[2] = t * x * z - s * y;
    m[4] = t * x * y - s * z;
    m[5] = t * y * y + c;
    m[6] = t * y * z + s * x;
    m[8] = t * x * z + s * y;
    m[9] = t * y * z - s * x;
    m[10] = t * z * z + c;
    recgl::multiplyCurrent(m);
}

void glFrustum(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    log("glFrustum", {l, r, b, t, n, f});
    if (recgl::refusedInBegin()) return;
    recgl::Matrix m{};
    m[0] = float(2 * n / (r - l));
    m[5] = float(2 * n / (t - b));
    m[8] = float((r + l) / (r - l));
    m[9] = float((t + b) / (t - b));
    m[10] = float(-(f + n) / (f - n));
    m[11] = -1;
    m[14] = float(-2 * f * n / (f - n));
    recgl::multiplyCurrent(m);
}

void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    log("glOrtho", {l, r, b, t, n, f});
    if (recgl::refusedInBegin()) return;
    recgl::Matrix m = recgl::identity();
    m[0] = float(2 / (r - l));
    m[5] = float(2 / (t - b));
    m[10] = float(-2 / (f - n));
    m[12] = float(-(r + l) / (r - l));
    m[13] = float(-(t + b) / (t - b));
    m[14] = float(-(f + n) / (f - n));
    recgl::multiplyCurrent(m);
}

void glBegin(GLenum mode) {
    log("glBegin", {double(mode)});
    auto &s = rec().state;
    if (s.inBegin || mode != GL_QUADS) s.errors++;
    s.inBegin = true;
    rec().pending.clear();
}

void glEnd() {
    log("glEnd");
    auto &s = rec().state;
    if (!s.inBegin || !rec().pending.empty()) s.errors++;  // unbalanced, or a partial quad
    s.inBegin = false;
    rec().pending.clear();
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    log("glTexCoord2f", {s, t});
    rec().state.texCoord = {s, t};
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    log("glColor4f", {r, g, b, a});
    rec().state.color = {r, g, b, a};
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    log("glNormal3f", {x, y, z});
    rec().state.normal = {x, y, z};
}

void glVertex4f(GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
    log("glVertex4f", {x, y, z, w});
    if (!rec().recording) return;
    auto &r = rec();
    auto &s = r.state;
    if (!s.inBegin) {
        s.errors++;
        return;
    }
    const recgl::Matrix &m = s.modelview;
    recgl::Vertex v{s.texCoord[0], s.texCoord[1], x, y, z, w,
                    m[0] * x + m[4] * y + m[8] * z + m[12] * w,
                    m[1] * x + m[5] * y + m[9] * z + m[13] * w,
                    m[2] * x + m[6] * y + m[10] * z + m[14] * w};
    if (r.pending.empty()) r.pendingFirstCall = r.calls.size() - 1;
    r.pending.push_back(v);
    if (r.pending.size() == 4) {
        recgl::Quad q{s.boundTexture, s.color, s.normal, {r.pending[0], r.pending[1], r.pending[2], r.pending[3]},
                      s.blend, r.pendingFirstCall};
        r.quads.push_back(q);
        r.pending.clear();
    }
}

void glGenTextures(GLsizei n, GLuint *names) {
    log("glGenTextures", {double(n)});
    for (GLsizei i = 0; i < n; ++i) {
        names[i] = rec().state.nextTextureName++;
        rec().textures[names[i]];
    }
}

void glBindTexture(GLenum target, GLuint name) {
    log("glBindTexture", {double(target), double(name)});
    if (recgl::refusedInBegin()) return;
    rec().state.boundTexture = name;
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid *pixels) {
    log("glTexImage2D", {double(target), double(level), double(internalFormat), double(width), double(height),
                         double(border), double(format), double(type)});
    auto &t = rec().textures[rec().state.boundTexture];
    t.width = width;
    t.height = height;
    t.internalFormat = internalFormat;
    const auto *p = static_cast<const unsigned char *>(pixels);
    t.pixels.assign(p, p + size_t(width) * size_t(height) * 4);
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    log("glTexParameteri", {double(target), double(pname), double(param)});
    if (pname == GL_TEXTURE_MIN_FILTER) rec().textures[rec().state.boundTexture].minFilter = param;
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid *pixels) {
    log("glReadPixels", {double(x), double(y), double(width), double(height), double(format), double(type)});
    size_t n = size_t(width) * size_t(height) * 3;
    auto &fb = rec().framebuffer;
    std::memset(pixels, 0, n);
    if (!fb.empty()) std::memcpy(pixels, fb.data(), n < fb.size() ? n : fb.size());
}

// Framebuffer objects: names are handed out and bindings tracked; nothing is stored.
void glGenFramebuffers(GLsizei n, GLuint *names) {
    log("glGenFramebuffers", {double(n)});
    auto &s = rec().state;
    for (GLsizei i = 0; i < n; ++i) names[i] = s.framebufferObjects ? s.nextFramebufferName++ : 0;
}

void glDeleteFramebuffers(GLsizei n, const GLuint *) { log("glDeleteFramebuffers", {double(n)}); }

void glBindFramebuffer(GLenum target, GLuint name) {
    log("glBindFramebuffer", {double(target), double(name)});
    auto &s = rec().state;
    if (target == GL_FRAMEBUFFER || target == GL_DRAW_FRAMEBUFFER) s.drawFramebuffer = name;
    if (target == GL_FRAMEBUFFER || target == GL_READ_FRAMEBUFFER) s.readFramebuffer = name;
}

GLenum glCheckFramebufferStatus(GLenum target) {
    log("glCheckFramebufferStatus", {double(target)});
    return GL_FRAMEBUFFER_COMPLETE;
}

void glGenRenderbuffers(GLsizei n, GLuint *names) {
    log("glGenRenderbuffers", {double(n)});
    for (GLsizei i = 0; i < n; ++i) names[i] = rec().state.nextRenderbufferName++;
}

void glDeleteRenderbuffers(GLsizei n, const GLuint *) { log("glDeleteRenderbuffers", {double(n)}); }

void glBindRenderbuffer(GLenum target, GLuint name) { log("glBindRenderbuffer", {double(target), double(name)}); }

void glRenderbufferStorage(GLenum target, GLenum format, GLsizei width, GLsizei height) {
    log("glRenderbufferStorage", {double(target), double(format), double(width), double(height)});
}

void glFramebufferRenderbuffer(GLenum target, GLenum attachment, GLenum rbTarget, GLuint name) {
    log("glFramebufferRenderbuffer", {double(target), double(attachment), double(rbTarget), double(name)});
}

void glBlitFramebuffer(GLint sx0, GLint sy0, GLint sx1, GLint sy1, GLint dx0, GLint dy0, GLint dx1, GLint dy1,
                       GLbitfield mask, GLenum filter) {
    log("glBlitFramebuffer", {double(sx0), double(sy0), double(sx1), double(sy1), double(dx0), double(dy0),
                              double(dx1), double(dy1), double(mask), double(filter)});
}

// ---- Vertex arrays (float data only, as the demo's batching layer hands them over) ---------

namespace {
recgl::Recorder::Array *arrayFor(GLenum which) {
    switch (which) {
        case GL_VERTEX_ARRAY: return &rec().vertexArray;
        case GL_TEXTURE_COORD_ARRAY: return &rec().texCoordArray;
        case GL_COLOR_ARRAY: return &rec().colorArray;
        default: return nullptr;
    }
}

void setArray(recgl::Recorder::Array &a, GLint size, GLenum type, GLsizei stride, const GLvoid *data) {
    if (type != GL_FLOAT) rec().state.errors++;
    a.size = size;
    a.stride = stride ? stride : GLsizei(size * sizeof(float));
    a.data = static_cast<const float *>(data);
}

// Element i of an array: its components, or nullptr when the array is off.
const float *element(const recgl::Recorder::Array &a, GLint i) {
    if (!a.enabled || !a.data) return nullptr;
    return reinterpret_cast<const float *>(reinterpret_cast<const char *>(a.data) + size_t(i) * size_t(a.stride));
}
}  // namespace

void glEnableClientState(GLenum which) {
    log("glEnableClientState", {double(which)});
    if (auto *a = arrayFor(which)) a->enabled = true;
}

void glDisableClientState(GLenum which) {
    log("glDisableClientState", {double(which)});
    if (auto *a = arrayFor(which)) a->enabled = false;
}

void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid *data) {
    log("glVertexPointer", {double(size), double(type), double(stride)});
    setArray(rec().vertexArray, size, type, stride, data);
}

void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid *data) {
    log("glTexCoordPointer", {double(size), double(type), double(stride)});
    setArray(rec().texCoordArray, size, type, stride, data);
}

void glColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid *data) {
    log("glColorPointer", {double(size), double(type), double(stride)});
    setArray(rec().colorArray, size, type, stride, data);
}

// Quads drawn from the arrays are gathered like those of glBegin: each vertex through the
// model-view matrix, the colour that of its fourth vertex, texture coordinates (s, t).
void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    log("glDrawArrays", {double(mode), double(first), double(count)});
    auto &r = rec();
    auto &s = r.state;
    if (s.inBegin || !r.vertexArray.enabled || count < 0) {
        s.errors++;
        return;
    }
    if (mode != GL_QUADS || !r.recording) return;
    if (count % 4 != 0) s.errors++;  // a partial quad, which GL would drop
    const recgl::Matrix &m = s.modelview;
    for (GLint q = first; q + 4 <= first + count; q += 4) {
        recgl::Quad quad{s.boundTexture, s.color, s.normal, {}, s.blend, r.calls.size() - 1};
        for (int k = 0; k < 4; ++k) {
            const float *p = element(r.vertexArray, q + k), *t = element(r.texCoordArray, q + k),
                        *c = element(r.colorArray, q + k);
            float x = p[0], y = p[1], z = r.vertexArray.size > 2 ? p[2] : 0, w = r.vertexArray.size > 3 ? p[3] : 1;
            quad.v[size_t(k)] = recgl::Vertex{t ? t[0] : s.texCoord[0], t ? t[1] : s.texCoord[1], x, y, z, w,
                                              m[0] * x + m[4] * y + m[8] * z + m[12] * w,
                                              m[1] * x + m[5] * y + m[9] * z + m[13] * w,
                                              m[2] * x + m[6] * y + m[10] * z + m[14] * w};
            if (c) quad.color = {c[0], c[1], c[2], r.colorArray.size > 3 ? c[3] : 1.0f};
        }
        r.quads.push_back(quad);
    }
}

void glLoadMatrixf(const GLfloat *m) {
    log("glLoadMatrixf");
    if (recgl::refusedInBegin()) return;
    std::copy(m, m + 16, recgl::current().begin());
}

void glGetFloatv(GLenum pname, GLfloat *out) {
    log("glGetFloatv", {double(pname)});
    const auto &s = rec().state;
    if (pname == GL_MODELVIEW_MATRIX) std::copy(s.modelview.begin(), s.modelview.end(), out);
    if (pname == GL_PROJECTION_MATRIX) std::copy(s.projection.begin(), s.projection.end(), out);
}

void glGetIntegerv(GLenum pname, GLint *out) {
    log("glGetIntegerv", {double(pname)});
    if (pname == GL_MATRIX_MODE) *out = GLint(rec().state.matrixMode);
}

// ---- GLX: no X display here, so no current context and no extensions -----------------------

Display *glXGetCurrentDisplay() { return nullptr; }
GLXDrawable glXGetCurrentDrawable() { return 0; }
const char *glXQueryExtensionsString(Display *, int) { return ""; }
void (*glXGetProcAddressARB(const GLubyte *))() { return nullptr; }

// ---- GLUT ---------------------------------------------------------------------------------

void glutInit(int *, char **) { log("glutInit"); }
void glutInitDisplayMode(unsigned int mode) {
    log("glutInitDisplayMode", {double(mode)});
    rec().glut.displayMode = mode;
}
void glutInitWindowSize(int w, int h) {
    log("glutInitWindowSize", {double(w), double(h)});
    rec().glut.windowWidth = w;
    rec().glut.windowHeight = h;
}
void glutInitWindowPosition(int x, int y) { log("glutInitWindowPosition", {double(x), double(y)}); }
int glutCreateWindow(const char *title) {
    log("glutCreateWindow");
    rec().glut.title = title ? title : "";
    return rec().glut.createWindowResult;
}
void glutDisplayFunc(void (*f)()) {
    log("glutDisplayFunc");
    rec().glut.display = f;
}
void glutIdleFunc(void (*f)()) {
    log("glutIdleFunc");
    rec().glut.idle = f;
}
void glutKeyboardFunc(void (*f)(unsigned char, int, int)) {
    log("glutKeyboardFunc");
    rec().glut.keyboard = f;
}
void glutCloseFunc(void (*f)()) {
    log("glutCloseFunc");
    rec().glut.close = f;
}
void glutTimerFunc(unsigned int ms, void (*f)(int), int value) {
    log("glutTimerFunc", {double(ms), double(value)});
    rec().glut.timer = f;
    rec().glut.timerMs = ms;
}
void glutReshapeFunc(void (*)(int, int)) { log("glutReshapeFunc"); }
void glutMainLoop() {
    log("glutMainLoop");
    rec().glut.mainLoops++;
}
void glutMainLoopEvent() { log("glutMainLoopEvent"); }
void glutLeaveMainLoop() { log("glutLeaveMainLoop"); }
void glutPostRedisplay() {
    log("glutPostRedisplay");
    rec().glut.redisplays++;
}
void glutSwapBuffers() {
    log("glutSwapBuffers");
    rec().glut.swaps++;
}
void glutFullScreen() {
    log("glutFullScreen");
    rec().glut.fullScreen = true;
}
void glutLeaveFullScreen() {
    log("glutLeaveFullScreen");
    rec().glut.fullScreen = false;
}
void glutHideWindow() { log("glutHideWindow"); }
void glutReshapeWindow(int w, int h) { log("glutReshapeWindow", {double(w), double(h)}); }
void glutSetOption(GLenum what, int value) { log("glutSetOption", {double(what), double(value)}); }
int glutGet(GLenum what) {
    if (what == GLUT_WINDOW_WIDTH) return rec().glut.windowWidth;
    if (what == GLUT_WINDOW_HEIGHT) return rec().glut.windowHeight;
    return 0;
}
void glutInitErrorFunc(void (*)(const char *, va_list)) { log("glutInitErrorFunc"); }
void glutInitWarningFunc(void (*)(const char *, va_list)) { log("glutInitWarningFunc"); }
