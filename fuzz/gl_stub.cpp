// The one GL call the PPM reader's file links against (the screenshot writer's read-back),
// so that the fuzz target needs no GL. The reader itself never calls it.
#include <GL/gl.h>

#include <cstdlib>

extern "C" void glReadPixels(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void *) { std::abort(); }
