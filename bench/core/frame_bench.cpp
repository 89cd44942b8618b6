// Cost of one frame of our own code in each phase of the show, GL calls costing next to nothing.
#include <benchmark/benchmark.h>

#include "effects/fireworks.h"
#include "effects/scrolltexts.h"
#include "effects/stars.h"
#include "image/texture.h"
#include "music/listener.h"
#include "platform/random.h"
#include "platform/time.h"
#include "recording_gl.h"
#include "shell/democlock.h"
#include "shell/timeline.h"

namespace {

struct Phase {
    const char *name;
    int t;       // demo time of the frames, centiseconds
    int effect;  // effect number in force
    bool playing;
};

const Phase phases[] = {
    {"waiting_title", 0, 0, false}, {"title_fade", 450, 0, true},  {"wheel_texts", 1000, 1, true},
    {"wheel_and_stars", 2000, 1, true}, {"fireworks", 3500, 2, true}, {"sine_scroller", 7000, 3, true},
    {"greetings", 10000, 4, true},  {"credits", 13000, 5, true},   {"stroke_logo", 17000, 6, true},
    {"first_overlay", 20100, 7, true}, {"closing_scroller", 25000, 8, true},
};

void setUpShow() {
    recgl::reset();
    recgl::setRecording(false);
    const GLuint names[textureSlots] = {1, 2, 3, 4, 5, 6, 7, 13};
    for (int s = 0; s < textureSlots; ++s) texture[s] = TiledTexture{names[s], 256, 256, 1, 1};
    texture[slotClosing] = TiledTexture{7, 640, 480, 3, 2};
    texture[slotTitle] = TiledTexture{13, 640, 480, 3, 2};
    clearFireworks();
    seedRandom(1);
    placeStars();
    useVirtualClock(true);
}

void Frame(benchmark::State &state) {
    const Phase &p = phases[state.range(0)];
    state.SetLabel(p.name);
    setUpShow();
    setVirtualTime(1000, 0);
    getTimeWithStatus(clockReset);
    setVirtualTime(1000 + p.t / 100, (p.t % 100) * 10000L);
    playingSong = p.playing ? 1 : 0;
    lastEffect = 0;
    effectStartTime = p.t - 200;
    scrollStartTime = p.t >= 5001 ? 5001 : 0;
    scrollPauseTime = p.effect >= 4 && p.effect < 8 ? 8857 : 0;
    scrollText = p.effect == 8 ? endScroller : defaultScroller;
    for (auto _ : state) {
        timelineState() = TimelineState{p.effect, 0, 1501};
        display();
        benchmark::ClobberMemory();
    }
    playingSong = 0;
    useVirtualClock(false);
    recgl::setRecording(true);
}
BENCHMARK(Frame)->DenseRange(0, int(sizeof phases / sizeof phases[0]) - 1)->Unit(benchmark::kMicrosecond);

}  // namespace
