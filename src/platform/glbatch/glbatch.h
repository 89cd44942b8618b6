// Batched drawing: the demo's GL layer in front of the real libGL. It gathers the frame's
// immediate-mode primitives, transforms their vertices by the model-view matrix on the CPU
// and hands them to GL in few vertex-array draws, instead of one draw per glBegin … glEnd
// (every matrix change ends Mesa's batch, and a frame of the show has ~1000 of them).
//
// Invariants the show relies on:
// - Pixels are those of the unbatched calls: primitives keep their order, and any call that
//   is not a vertex, an attribute or a model-view matrix operation first draws what was
//   gathered (texture binds, enables, clears, read-back, swap, framebuffer binds, …).
// - The real GL's model-view matrix stays the identity; the layer keeps the model-view stack
//   (32 deep, as Mesa's) and applies it on the CPU. Projection and texture matrix operations
//   go to GL as they are.
// - Calls a real GL refuses between glBegin and glEnd (matrix operations, binds, enables, …)
//   are dropped, as GL drops them; an incomplete last primitive of a glBegin … glEnd is dropped.
// - Per vertex it carries position, texture coordinate and colour. Normals matter only to
//   lighting, which the show never enables: the current normal is kept and handed on, but not
//   per vertex.
//
// The layer is linked into the demo only (tests link the recording GL directly). It is on by
// default; CORVALIS_GL_BATCH=0 in the environment turns it off, and then every call goes
// through unchanged.
#pragma once

// Turns batching on or off (what was gathered is drawn first). Benchmarks compare the two.
void setBatchedDrawing(bool on);

// True while batching is on.
bool batchedDrawing();

// What the layer has done since the program started, for benchmarks and tests.
struct BatchCounts {
    long draws = 0;     // vertex-array draws handed to GL
    long vertices = 0;  // vertices in them
    long dropped = 0;   // calls dropped as a real GL would refuse them
};
BatchCounts batchCounts();
