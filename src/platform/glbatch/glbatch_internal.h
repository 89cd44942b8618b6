// The batching layer's insides, shared by its collector (glbatch.cpp) and its GL entry points
// (glbatch_gl.cpp). Nothing outside the layer includes this.
#pragma once

#include <GL/gl.h>

namespace glbatch {

// The real GL's function of that name: the next definition after the demo's own, in the
// order the dynamic linker searched (libGL's in the demo, the recording GL's in tests).
// Ends the program with one line on stderr when there is none.
void *nextSymbol(const char *name);

// The real function of that name, typed F (decltype of the entry point's address).
template <typename F>
F next(const char *name) {
    return reinterpret_cast<F>(nextSymbol(name));
}

// 1 while calls are gathered, 0 when they go through as they are, −1 until the first call
// reads CORVALIS_GL_BATCH (setBatchedDrawing changes it later). Read on every GL call.
extern signed char batching;
bool readBatching();
inline bool active() { return batching >= 0 ? batching != 0 : readBatching(); }

// Before a call that goes to GL as it is: draws what was gathered and returns true, or, between
// glBegin and glEnd, where a real GL refuses the call, counts it dropped and returns false.
bool beforeState();

// Draws the complete primitives gathered so far.
void flush();

void begin(GLenum mode);
void end();
void vertex(float x, float y, float z, float w);
void colour(float r, float g, float b, float a);
void texCoord(float s, float t);
void normal(float x, float y, float z);

// Matrix operations. matrixMode returns true when GL must hear of it; the others return
// true when they are not the layer's (a mode other than model-view) and must go to GL, in
// which case the call has already passed beforeState().
bool matrixMode(GLenum mode);
bool push();
bool pop();
bool loadIdentity();
bool translate(float x, float y, float z);
bool rotate(float angle, float x, float y, float z);
bool multiply(const double m[16]);

// A bind or enable that changes nothing is not passed on (and does not end the batch).
// true when it must go to GL (it has passed beforeState()).
bool bindTexture(GLenum target, GLuint name);
bool setCapability(GLenum cap, bool on);

// Counts a call dropped as a real GL would refuse it.
void dropped();

}  // namespace glbatch
