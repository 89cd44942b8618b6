// Preloaded into the demo by the process benchmark (LD_PRELOAD): notes when the first frame is
// presented. Every frame ends in glXSwapBuffers, called by freeglut's glutSwapBuffers; this
// stands in front of it and, after the first real swap returns, writes the CLOCK_MONOTONIC time
// in nanoseconds to the file named by CORVALIS_FIRST_SWAP_FILE. The file appears whole (written
// beside it, then renamed), so a reader never sees half a number.
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {
using SwapBuffers = void (*)(Display *, GLXDrawable);

std::atomic<bool> noted{false};

// Writes the time to the file named by the environment; nothing when there is none.
void noteFirstSwap(const timespec &at) {
    const char *path = std::getenv("CORVALIS_FIRST_SWAP_FILE");
    if (!path || !*path) return;
    char partial[4096], text[32];
    if (std::snprintf(partial, sizeof partial, "%s.part", path) >= int(sizeof partial)) return;
    int length = std::snprintf(text, sizeof text, "%lld\n", (long long)at.tv_sec * 1000000000LL + at.tv_nsec);
    int fd = open(partial, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return;
    bool whole = write(fd, text, size_t(length)) == length;
    close(fd);
    if (whole) rename(partial, path);
}
}  // namespace

extern "C" void glXSwapBuffers(Display *display, GLXDrawable drawable) {
    static SwapBuffers real = reinterpret_cast<SwapBuffers>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    if (real) real(display, drawable);
    if (!noted.exchange(true)) {
        timespec at{};
        clock_gettime(CLOCK_MONOTONIC, &at);
        noteFirstSwap(at);
    }
}
