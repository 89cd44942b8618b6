// Start-up cost of the texture table: reading the eight pictures and cutting them into tiles.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>

#include "image/texture.h"
#include "recording_gl.h"

namespace {

struct SlotFile {
    const char *path;
    int alphaMode;
};
const SlotFile files[textureSlots] = {
    {"Fonts/font1.pbm", 0},  {"gfx/gfx2.pbm", 0}, {"gfx/apan-ls.pbm", 0},      {"gfx/greets1.pbm", 0},
    {"gfx/greets2.pbm", 0},  {"gfx/lsd.pbm", 1},  {"gfx/closingwords.pbm", 0}, {"gfx/veldoran_dpdp7.pbm", 0},
};

void LoadAndUploadEightPictures(benchmark::State &state) {
    if (chdir(CORVALIS_SOURCE_DIR "/data") != 0) {
        state.SkipWithError("no data folder");
        return;
    }
    recgl::setRecording(false);
    for (auto _ : state) {
        recgl::reset();
        for (int slot = 0; slot < textureSlots; ++slot) TexInit(&texture[slot], files[slot].path, files[slot].alphaMode);
        benchmark::DoNotOptimize(texture[slotTitle].first);
    }
    recgl::setRecording(true);
}
BENCHMARK(LoadAndUploadEightPictures)->Unit(benchmark::kMillisecond);

}  // namespace
