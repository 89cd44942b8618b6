// Swap interval through the GLX swap-control extensions, looked up at run time.
#include "platform/vsync.h"

#include <GL/glx.h>

#include <cstring>

namespace {
// True when the space-separated extension list names ext exactly.
bool hasExtension(const char *list, const char *ext) {
    if (!list) return false;
    size_t n = std::strlen(ext);
    for (const char *p = list; (p = std::strstr(p, ext)) != nullptr; p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
    return false;
}

void (*lookUp(const char *name))() { return glXGetProcAddressARB(reinterpret_cast<const GLubyte *>(name)); }
}  // namespace

bool setSwapInterval(int interval) {
    Display *display = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable) return false;
    const char *extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (hasExtension(extensions, "GLX_EXT_swap_control")) {
        using SwapIntervalEXT = void (*)(Display *, GLXDrawable, int);
        if (auto set = reinterpret_cast<SwapIntervalEXT>(lookUp("glXSwapIntervalEXT"))) {
            set(display, drawable, interval);
            return true;
        }
    }
    if (hasExtension(extensions, "GLX_MESA_swap_control")) {
        using SwapIntervalMESA = int (*)(unsigned);
        if (auto set = reinterpret_cast<SwapIntervalMESA>(lookUp("glXSwapIntervalMESA")))
            return set(unsigned(interval)) == 0;
    }
    return false;
}
