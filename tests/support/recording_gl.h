// A recording OpenGL and GLUT for tests: linked in place of the real libraries, it logs every
// call with its arguments, tracks the state the show relies on (bound texture, enables, blend
// function, matrices and their stack depth, current colour) and gathers drawn quads.
#pragma once

#include <GL/gl.h>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace recgl {

using Matrix = std::array<float, 16>;  // column-major, as GL keeps it

// Identity matrix.
Matrix identity();

struct Call {
    std::string name;
    std::vector<double> args;
};

struct Vertex {
    float s, t;        // texture coordinate given with it
    float x, y, z, w;  // position as given
    float ex, ey, ez;  // position after the model-view matrix (eye space)
};

// One quad of a glBegin(GL_QUADS) … glEnd() block, with the state it was drawn in.
struct Quad {
    GLuint texture;
    std::array<float, 4> color;
    std::array<float, 3> normal;
    std::array<Vertex, 4> v;
    bool blend;
    size_t callIndex;  // index in the call log of its first vertex
};

struct Texture {
    int width = 0, height = 0;
    GLint internalFormat = 0;
    std::vector<unsigned char> pixels;  // RGBA as uploaded
    GLint minFilter = -1;               // −1 when never set
};

struct State {
    GLuint boundTexture = 0;
    bool blend = false, texture2d = false, depthTest = false;
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
    GLint texEnvMode = GL_MODULATE;
    GLenum matrixMode = GL_MODELVIEW;
    Matrix modelview = identity(), projection = identity();
    int modelviewDepth = 1, projectionDepth = 1;  // stack depth, 1 when nothing is pushed
    std::array<float, 4> color{1, 1, 1, 1};
    std::array<float, 4> clearColor{0, 0, 0, 0};
    std::array<float, 3> normal{0, 0, 1};
    std::array<float, 2> texCoord{0, 0};
    int unpackAlignment = 4, packAlignment = 4;
    GLenum drawBuffer = GL_BACK;
    bool inBegin = false;
    int errors = 0;  // calls that a real GL would refuse (matrix or bind inside glBegin, …)
    GLuint nextTextureName = 1;
    GLuint drawFramebuffer = 0, readFramebuffer = 0;  // 0: the window's
    GLuint nextFramebufferName = 1, nextRenderbufferName = 1;
    bool framebufferObjects = true;  // false: glGenFramebuffers hands out 0, as a GL without them
};

struct GlutState {
    int createWindowResult = 1;  // what glutCreateWindow returns
    unsigned displayMode = 0;
    int windowWidth = 0, windowHeight = 0;
    std::string title;
    void (*display)() = nullptr;
    void (*idle)() = nullptr;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*close)() = nullptr;
    void (*timer)(int) = nullptr;  // the last timer callback asked for, not yet fired
    unsigned timerMs = 0;
    bool fullScreen = false;
    int swaps = 0, redisplays = 0, mainLoops = 0;
};

// Forgets every call, texture and state, as a fresh context would have them.
void reset();

// Turns the call log and the gathering of quads off (for benchmarks, where the recording GL
// stands in for a no-op GL) or back on. Bindings and enables are still tracked; rotations and
// translations are not followed while it is off.
void setRecording(bool on);

const std::vector<Call> &calls();
const State &state();
GlutState &glut();
const std::map<GLuint, Texture> &textures();

// Number of calls of that name from the given index on.
size_t count(const std::string &name, size_t from = 0);

// Index of the first call of that name at or after from, or −1.
long find(const std::string &name, size_t from = 0);

// Every call's name from the given index on, in order.
std::vector<std::string> names(size_t from = 0);

// The quads drawn from the given call index on.
std::vector<Quad> quads(size_t from = 0);

// One line per call, for failure messages.
std::string dump(size_t from = 0, size_t max = 200);

// The frame glReadPixels returns: 640×480 RGB rows, bottom row first, as GL delivers them.
void setFramebuffer(const std::vector<unsigned char> &rgbBottomFirst);

// Makes glGenFramebuffers hand out name 0, as a GL without framebuffer objects (until reset).
void setFramebufferObjects(bool available);

// Compares matrices within a tolerance.
bool nearlyEqual(const Matrix &a, const Matrix &b, float tolerance = 1e-5f);

}  // namespace recgl
