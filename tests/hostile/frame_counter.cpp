// Preloaded into the demo by the hostile-neighbour test (LD_PRELOAD): counts the frames the
// demo presents, in an 8-byte counter file that the test maps too. Every frame ends in
// glXSwapBuffers, called by freeglut's glutSwapBuffers; this stands in front of it.
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace {
using SwapBuffers = void (*)(Display *, GLXDrawable);

// The counter in the file named by CORVALIS_FRAME_COUNT_FILE; nullptr when there is none.
std::atomic<uint64_t> *counter() {
    static std::atomic<uint64_t> *shared = [] () -> std::atomic<uint64_t> * {
        const char *path = std::getenv("CORVALIS_FRAME_COUNT_FILE");
        int fd = path ? open(path, O_RDWR) : -1;
        if (fd < 0) return nullptr;
        void *at = mmap(nullptr, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        return at == MAP_FAILED ? nullptr : static_cast<std::atomic<uint64_t> *>(at);
    }();
    return shared;
}
}  // namespace

extern "C" void glXSwapBuffers(Display *display, GLXDrawable drawable) {
    static SwapBuffers real = reinterpret_cast<SwapBuffers>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    if (std::atomic<uint64_t> *c = counter()) c->fetch_add(1, std::memory_order_relaxed);
    if (real) real(display, drawable);
}
