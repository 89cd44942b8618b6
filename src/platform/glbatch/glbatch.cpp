// The batching layer's collector: the model-view stack on the CPU, the gathered vertices in
// eye space, and the vertex-array draw that hands them to GL.
#include <dlfcn.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "platform/glbatch/glbatch.h"
#include "platform/glbatch/glbatch_internal.h"

namespace glbatch {
namespace {

using Matrix = std::array<float, 16>;  // column-major, as GL keeps it

constexpr Matrix identityMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Mesa's model-view stack depth; a push beyond it is refused (GL_STACK_OVERFLOW).
constexpr int stackDepth = 32;

// One gathered vertex: position in eye space, texture coordinate, colour.
struct Vertex {
    float x, y, z, w;
    float s, t;
    float r, g, b, a;
};

// The real functions the draw needs.
struct RealGl {
    decltype(&glEnableClientState) enableClientState;
    decltype(&glDisableClientState) disableClientState;
    decltype(&glVertexPointer) vertexPointer;
    decltype(&glTexCoordPointer) texCoordPointer;
    decltype(&glColorPointer) colorPointer;
    decltype(&glDrawArrays) drawArrays;
    decltype(&glColor4f) color4f;
    decltype(&glTexCoord2f) texCoord2f;
    decltype(&glNormal3f) normal3f;
    decltype(&glMatrixMode) matrixMode;
    decltype(&glLoadIdentity) loadIdentity;
    decltype(&glLoadMatrixf) loadMatrixf;
    decltype(&glGetFloatv) getFloatv;
    decltype(&glGetIntegerv) getIntegerv;
};

const RealGl &real() {
    static const RealGl gl{next<decltype(&glEnableClientState)>("glEnableClientState"),
                           next<decltype(&glDisableClientState)>("glDisableClientState"),
                           next<decltype(&glVertexPointer)>("glVertexPointer"),
                           next<decltype(&glTexCoordPointer)>("glTexCoordPointer"),
                           next<decltype(&glColorPointer)>("glColorPointer"),
                           next<decltype(&glDrawArrays)>("glDrawArrays"),
                           next<decltype(&glColor4f)>("glColor4f"),
                           next<decltype(&glTexCoord2f)>("glTexCoord2f"),
                           next<decltype(&glNormal3f)>("glNormal3f"),
                           next<decltype(&glMatrixMode)>("glMatrixMode"),
                           next<decltype(&glLoadIdentity)>("glLoadIdentity"),
                           next<decltype(&glLoadMatrixf)>("glLoadMatrixf"),
                           next<decltype(&glGetFloatv)>("glGetFloatv"),
                           next<decltype(&glGetIntegerv)>("glGetIntegerv")};
    return gl;
}

struct Layer {
    // Model-view stack; depth counts the matrices on it (1 when nothing is pushed).
    std::array<Matrix, stackDepth> stack{identityMatrix};
    int depth = 1;
    GLenum mode = GL_MODELVIEW;      // the matrix mode the show set
    GLenum realMode = GL_MODELVIEW;  // the one GL has
    // Current attributes, as glColor/glTexCoord/glNormal left them.
    std::array<float, 4> colour{1, 1, 1, 1};
    std::array<float, 2> tex{0, 0};
    std::array<float, 3> norm{0, 0, 1};
    // Gathered vertices: complete primitives of pendingMode, then the open one from openStart.
    std::vector<Vertex> pending;
    GLenum pendingMode = GL_QUADS;
    bool inBegin = false;
    size_t openStart = 0;
    // What GL has, where known: the 2D texture bound, and the capabilities set through us.
    bool textureKnown = false;
    GLuint texture = 0;
    std::map<GLenum, bool> capabilities;
    BatchCounts counts;
};

// One layer per process, as there is one GL context; reached through layer() so that every
// use reads the same way.
Layer theLayer;

Layer &layer() { return theLayer; }

Matrix &top() { return layer().stack[size_t(layer().depth - 1)]; }

// Primitive types whose draws can be joined: each vertex count is a multiple of this.
int verticesPerPrimitive(GLenum mode) {
    switch (mode) {
        case GL_POINTS: return 1;
        case GL_LINES: return 2;
        case GL_TRIANGLES: return 3;
        case GL_QUADS: return 4;
        default: return 0;  // strips, fans, loops, polygons: drawn one at a time
    }
}

// m = m × b, for a b whose last row is (0, 0, 0, 1) or not: the full product.
void multiplyInto(Matrix &m, const Matrix &b) {
    Matrix r;
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            r[size_t(col * 4 + row)] = m[size_t(row)] * b[size_t(col * 4)] + m[size_t(4 + row)] * b[size_t(col * 4 + 1)] +
                                       m[size_t(8 + row)] * b[size_t(col * 4 + 2)] +
                                       m[size_t(12 + row)] * b[size_t(col * 4 + 3)];
    m = r;
}

// Makes GL's matrix mode the one the show set, before a matrix call goes to GL.
void syncMode() {
    Layer &l = layer();
    if (l.realMode == l.mode) return;
    real().matrixMode(l.mode);
    l.realMode = l.mode;
}

// A matrix operation of the show: true when it goes to GL (not model-view, or not batching).
bool forGl() {
    Layer &l = layer();
    if (l.inBegin) {
        dropped();
        return false;  // the caller drops it; beforeState() would count it again
    }
    if (l.mode == GL_MODELVIEW) return false;
    flush();
    syncMode();
    return true;
}
}  // namespace

void *nextSymbol(const char *name) {
    void *f = dlsym(RTLD_NEXT, name);
    if (!f) {
        std::fprintf(stderr, "corvalis: the GL library has no %s\n", name);
        std::exit(1);
    }
    return f;
}

signed char batching = -1;

bool readBatching() {
    const char *env = std::getenv("CORVALIS_GL_BATCH");
    batching = env && std::strcmp(env, "0") == 0 ? 0 : 1;
    theLayer.pending.reserve(8192);
    return batching != 0;
}

void dropped() { layer().counts.dropped++; }

bool beforeState() {
    if (layer().inBegin) {
        dropped();
        return false;
    }
    flush();
    return true;
}

void flush() {
    Layer &l = layer();
    size_t n = l.inBegin ? l.openStart : l.pending.size();
    if (n == 0) return;
    const RealGl &gl = real();
    const Vertex *v = l.pending.data();
    gl.enableClientState(GL_VERTEX_ARRAY);
    gl.enableClientState(GL_TEXTURE_COORD_ARRAY);
    gl.enableClientState(GL_COLOR_ARRAY);
    gl.vertexPointer(4, GL_FLOAT, sizeof(Vertex), &v->x);
    gl.texCoordPointer(2, GL_FLOAT, sizeof(Vertex), &v->s);
    gl.colorPointer(4, GL_FLOAT, sizeof(Vertex), &v->r);
    gl.drawArrays(l.pendingMode, 0, GLsizei(n));
    gl.disableClientState(GL_VERTEX_ARRAY);
    gl.disableClientState(GL_TEXTURE_COORD_ARRAY);
    gl.disableClientState(GL_COLOR_ARRAY);
    // An array draw leaves the current colour and texture coordinate undefined; GL gets the
    // show's back, as the unbatched calls would have left them.
    gl.color4f(l.colour[0], l.colour[1], l.colour[2], l.colour[3]);
    gl.texCoord2f(l.tex[0], l.tex[1]);
    gl.normal3f(l.norm[0], l.norm[1], l.norm[2]);
    l.counts.draws++;
    l.counts.vertices += long(n);
    l.pending.erase(l.pending.begin(), l.pending.begin() + long(n));
    l.openStart = 0;
}

void begin(GLenum mode) {
    Layer &l = layer();
    if (l.inBegin || mode > GL_POLYGON) {
        dropped();
        return;
    }
    // Only the same list type joins the gathered primitives; a strip or fan stands alone.
    if (!l.pending.empty() && (mode != l.pendingMode || verticesPerPrimitive(mode) == 0)) flush();
    l.pendingMode = mode;
    l.inBegin = true;
    l.openStart = l.pending.size();
}

void end() {
    Layer &l = layer();
    if (!l.inBegin) {
        dropped();
        return;
    }
    l.inBegin = false;
    int per = verticesPerPrimitive(l.pendingMode);
    if (per == 0) {
        flush();
        return;
    }
    // GL draws no incomplete primitive at the end of a glBegin … glEnd.
    size_t given = l.pending.size() - l.openStart;
    l.pending.resize(l.pending.size() - given % size_t(per));
}

void vertex(float x, float y, float z, float w) {
    Layer &l = layer();
    if (!l.inBegin) return;  // no primitive to belong to: GL does nothing with it either
    const Matrix &m = top();
    l.pending.push_back(Vertex{m[0] * x + m[4] * y + m[8] * z + m[12] * w, m[1] * x + m[5] * y + m[9] * z + m[13] * w,
                               m[2] * x + m[6] * y + m[10] * z + m[14] * w, m[3] * x + m[7] * y + m[11] * z + m[15] * w,
                               l.tex[0], l.tex[1], l.colour[0], l.colour[1], l.colour[2], l.colour[3]});
}

void colour(float r, float g, float b, float a) { layer().colour = {r, g, b, a}; }
void texCoord(float s, float t) { layer().tex = {s, t}; }
void normal(float x, float y, float z) { layer().norm = {x, y, z}; }

bool matrixMode(GLenum mode) {
    Layer &l = layer();
    if (l.inBegin) {
        dropped();
        return false;
    }
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION && mode != GL_TEXTURE) return true;  // GL reports it
    l.mode = mode;
    // Model-view stays on our side; GL hears of the mode when a matrix call goes to it.
    return false;
}

bool push() {
    if (forGl()) return true;
    Layer &l = layer();
    if (l.inBegin) return false;
    if (l.depth == stackDepth) {
        dropped();  // GL_STACK_OVERFLOW: nothing changes
        return false;
    }
    l.stack[size_t(l.depth)] = l.stack[size_t(l.depth - 1)];
    l.depth++;
    return false;
}

bool pop() {
    if (forGl()) return true;
    Layer &l = layer();
    if (l.inBegin) return false;
    if (l.depth == 1) {
        dropped();  // GL_STACK_UNDERFLOW
        return false;
    }
    l.depth--;
    return false;
}

bool loadIdentity() {
    if (forGl()) return true;
    if (!layer().inBegin) top() = identityMatrix;
    return false;
}

bool translate(float x, float y, float z) {
    if (forGl()) return true;
    if (layer().inBegin) return false;
    Matrix &m = top();
    for (int row = 0; row < 4; ++row)
        m[size_t(12 + row)] += m[size_t(row)] * x + m[size_t(4 + row)] * y + m[size_t(8 + row)] * z;
    return false;
}

bool rotate(float angle, float x, float y, float z) {
    if (forGl()) return true;
    if (layer().inBegin) return false;
    // OpenGL's rotation matrix about the normalised axis, as glRotatef defines it.
    float mag = std::sqrt(x * x + y * y + z * z);
    if (mag <= 1.0e-4f) return false;  // no axis: GL leaves the matrix as it is
    x /= mag;
    y /= mag;
    z /= mag;
    float radians = angle * float(M_PI / 180.0);
    float s = std::sin(radians), c = std::cos(radians), one = 1.0f - c;
    Matrix r{x * x * one + c,     y * x * one + z * s, x * z * one - y * s, 0,
             x * y * one - z * s, y * y * one + c,     y * z * one + x * s, 0,
             x * z * one + y * s, y * z * one - x * s, z * z * one + c,     0,
             0,                   0,                   0,                   1};
    multiplyInto(top(), r);
    return false;
}

bool multiply(const double m[16]) {
    if (forGl()) return true;
    if (layer().inBegin) return false;
    Matrix b;
    for (size_t i = 0; i < 16; ++i) b[i] = float(m[i]);
    multiplyInto(top(), b);
    return false;
}

bool bindTexture(GLenum target, GLuint name) {
    Layer &l = layer();
    if (target == GL_TEXTURE_2D && l.textureKnown && l.texture == name && !l.inBegin) return false;
    if (!beforeState()) return false;
    if (target == GL_TEXTURE_2D) {
        l.textureKnown = true;
        l.texture = name;
    }
    return true;
}

bool setCapability(GLenum cap, bool on) {
    Layer &l = layer();
    auto known = l.capabilities.find(cap);
    if (known != l.capabilities.end() && known->second == on && !l.inBegin) return false;
    if (!beforeState()) return false;
    l.capabilities[cap] = on;
    return true;
}

}  // namespace glbatch

using namespace glbatch;

void setBatchedDrawing(bool on) {
    Layer &l = layer();
    if (active() == on || l.inBegin) return;
    const RealGl &gl = real();
    GLint mode = GL_MODELVIEW;
    if (on) {
        // GL's model-view matrix comes over to our side, and GL's becomes the identity. What
        // was bound or enabled while we were off is not known.
        gl.getIntegerv(GL_MATRIX_MODE, &mode);
        gl.matrixMode(GL_MODELVIEW);
        l.depth = 1;
        gl.getFloatv(GL_MODELVIEW_MATRIX, l.stack[0].data());
        gl.loadIdentity();
        gl.matrixMode(GLenum(mode));
        l.mode = l.realMode = GLenum(mode);
        l.textureKnown = false;
        l.capabilities.clear();
    } else {
        flush();
        gl.matrixMode(GL_MODELVIEW);
        gl.loadMatrixf(top().data());
        gl.matrixMode(l.mode);
        gl.color4f(l.colour[0], l.colour[1], l.colour[2], l.colour[3]);
        gl.texCoord2f(l.tex[0], l.tex[1]);
        gl.normal3f(l.norm[0], l.norm[1], l.norm[2]);
    }
    batching = on ? 1 : 0;
}

bool batchedDrawing() { return active(); }

BatchCounts batchCounts() { return layer().counts; }
