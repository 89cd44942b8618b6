// Real frames per second of each phase of the show in a 640×480 window under the GL at hand
// (Mesa's llvmpipe under Xvfb on the project's machines), drawn through the batching layer and
// without it, against the empty frame (clear and swap) in the same window and the same run.
//
// The show runs from its start on the virtual clock, one centisecond per frame as the demo
// paces it, with no vsync. Between the measured windows it is run with rasterisation discarded
// and no presentation, so that every phase is reached in the state the show leaves it in. In a
// window, blocks of frames take turns (see Kind below); each block ends
// with glFinish, so that no frame's work spills into the next block's time.
//
// Usage: corvalis_gl_bench [frames per block] [rounds] [phase]
// (on DISPLAY, or on a private Xvfb of its own; a phase name measures that phase alone)
#define GL_GLEXT_PROTOTYPES 1
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "effects/scrolltexts.h"
#include "music/listener.h"
#include "platform/frame.h"
#include "platform/glbatch/glbatch.h"
#include "platform/render.h"
#include "platform/time.h"
#include "platform/xserver.h"
#include "shell/democlock.h"
#include "shell/startup.h"
#include "shell/timeline.h"

namespace {

struct Phase {
    const char *name;
    long start;  // show time of its first measured frame, centiseconds
};

const Phase phases[] = {
    {"title", 100},          {"wheel texts", 1000}, {"stars and wheel", 2000}, {"fireworks", 3500},
    {"sine scroller", 6000}, {"greetings", 10500},  {"credits", 13100},        {"stroke logo", 17500},
    {"flashes", 19950},      {"closing scroller", 21400},
};

long showTime = 0;  // centiseconds; the next show frame's

void showFrame() {
    setVirtualTime(1000 + showTime / 100, (showTime % 100) * 10000L);
    display();
    ++showTime;
}

// The show's frame with nothing drawn: the offscreen frame cleared and presented (copied into
// the window, swapped).
void presentOnly() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    presentFrame();
}

// The floor: the window cleared and swapped, nothing drawn.
void emptyFrame() {
    GLint frame = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &frame);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(frame));
}

double seconds() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// Runs the show up to the time given without drawing or presenting it.
void fastForward(long to) {
    setPresentToWindow(false);
    glEnable(GL_RASTERIZER_DISCARD);
    while (showTime < to) showFrame();
    glDisable(GL_RASTERIZER_DISCARD);
    setPresentToWindow(true);
}

// Through the layer, without it, through the layer with rasterisation discarded (all the work
// but the pixels: what is left of a frame is its fill), the frame presented with nothing drawn,
// the empty frame.
enum Kind { batched, unbatched, discarded, present, empty, kinds };

struct Timing {
    double seconds[kinds] = {};
    long frames[kinds] = {};
    long draws = 0;  // vertex-array draws of the batched frames
    double ms(Kind k) const { return frames[k] ? 1000.0 * seconds[k] / double(frames[k]) : 0; }
};

Timing measure(int block, int rounds) {
    Timing t;
    for (int r = 0; r < rounds; ++r)
        for (int k = 0; k < kinds; ++k) {
            if (k == batched || k == unbatched || k == discarded) setBatchedDrawing(k != unbatched);
            if (k == discarded) glEnable(GL_RASTERIZER_DISCARD);
            long drawsBefore = batchCounts().draws;
            glFinish();
            double started = seconds();
            for (int i = 0; i < block; ++i) {
                if (k == empty)
                    emptyFrame();
                else if (k == present)
                    presentOnly();
                else
                    showFrame();
            }
            glFinish();
            t.seconds[k] += seconds() - started;
            if (k == discarded) glDisable(GL_RASTERIZER_DISCARD);
            t.frames[k] += block;
            if (k == batched) t.draws += batchCounts().draws - drawsBefore;
        }
    setBatchedDrawing(true);
    return t;
}

}  // namespace

int main(int argc, char **argv) {
    const int block = argc > 1 ? std::atoi(argv[1]) : 25, rounds = argc > 2 ? std::atoi(argv[2]) : 4;
    const char *only = argc > 3 ? argv[3] : nullptr;
    std::string error;
    const char *display = std::getenv("DISPLAY");
    if ((!display || !*display) && !startPrivateDisplay(&error)) {
        std::fprintf(stderr, "corvalis_gl_bench: %s\n", error.c_str());
        return 1;
    }
    if (chdir(CORVALIS_RUN_DIR) != 0) {
        std::fprintf(stderr, "corvalis_gl_bench: no run directory %s\n", CORVALIS_RUN_DIR);
        return 1;
    }
    installGlutErrorHandlers();
    int glutArgc = 1;
    char name[] = "corvalis_gl_bench";
    char *glutArgv[] = {name, nullptr};
    glutInit(&glutArgc, glutArgv);
    glutInitDisplayMode(glutModeFor(7));
    glutInitWindowSize(frameWidth, frameHeight);
    glutCreateWindow("Corvalis v1.0 (bench)");
    glutDisplayFunc([] {});  // frames are drawn by the loop below, not on expose
    setVsyncWanted(false);
    openPresentation();
    glutMainLoopEvent();
    initShowState();
    scrollText = defaultScroller;
    useVirtualClock(true);
    setVirtualTime(1000, 0);
    getTimeWithStatus(clockReset);
    playingSong.store(1, std::memory_order_relaxed);

    std::printf("\nGL: %s, %s; blocks of %d frames, %d rounds; ms per frame (frames per second)\n\n",
                reinterpret_cast<const char *>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char *>(glGetString(GL_VERSION)), block, rounds);
    std::printf("| phase | empty frame | frame presented, nothing drawn | through the layer | without the layer | "
                "through the layer, no pixels | layer / empty | without / empty | draws per frame |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (const Phase &p : phases) {
        if (only && std::string(p.name) != only) continue;
        fastForward(p.start);
        Timing t = measure(block, rounds);
        std::printf("| %s | %.3f (%.0f) | %.3f (%.0f) | %.3f (%.0f) | %.3f (%.0f) | %.3f (%.0f) | %.2f× | %.2f× | %.1f |\n",
                    p.name, t.ms(empty), 1000 / t.ms(empty), t.ms(present), 1000 / t.ms(present), t.ms(batched),
                    1000 / t.ms(batched), t.ms(unbatched), 1000 / t.ms(unbatched), t.ms(discarded),
                    1000 / t.ms(discarded), t.ms(batched) / t.ms(empty), t.ms(unbatched) / t.ms(empty),
                    double(t.draws) / double(t.frames[batched]));
        std::fflush(stdout);
    }
    playingSong.store(0, std::memory_order_relaxed);
    glutExit();
    stopPrivateDisplay();
    return 0;
}
