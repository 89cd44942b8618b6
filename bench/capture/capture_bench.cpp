// Capture throughput of the real program: the whole show at 50 frames per second, under the
// current X display or, with none, the private Xvfb the program starts itself. Each benchmark
// runs the program once (minutes each); frames per second are reported as counters.
//   run only       every frame run with rasterisation discarded, one frame written: the show's
//                  own cost per frame, as a capture pays it before --from
//   PNG folder     every frame drawn, read back and written as PNG, with the song as WAV
//   MP4            every frame drawn and piped to ffmpeg (H.264 + AAC) as it goes
//   encode only    ffmpeg alone, encoding the PNG folder of the second benchmark to MP4
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string program = std::string(CORVALIS_RUN_DIR) + "/corvalis";
const std::string work = (fs::temp_directory_path() / "corvalis-capture-bench").string();
constexpr long wholeShowFrames = 15781;  // 0 … 315.6 s at 50 fps

// Runs the command line and returns the seconds it took; stops the benchmark when it fails.
double timed(benchmark::State &state, const std::string &command) {
    auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(benchmark::State &state, double seconds, long frames) {
    state.SetIterationTime(seconds);
    state.counters["frames"] = double(frames);
    state.counters["fps"] = frames / seconds;
    state.counters["realtime_x"] = frames / 50.0 / seconds;  // how many times faster than the show
}

void RunOnly(benchmark::State &state) {
    for (auto _ : state) {
        fs::remove_all(work + "/last");
        double s = timed(state, program + " --capture " + work + "/last --frames " + std::to_string(wholeShowFrames - 1) +
                                    " 2>/dev/null");
        report(state, s, wholeShowFrames);
    }
}

void PngFolder(benchmark::State &state) {
    for (auto _ : state) {
        fs::remove_all(work + "/png");
        double s = timed(state, program + " --capture " + work + "/png 2>/dev/null");
        report(state, s, wholeShowFrames);
    }
}

void Mp4(benchmark::State &state) {
    for (auto _ : state) {
        fs::remove(work + "/show.mp4");
        double s = timed(state, program + " --capture " + work + "/show.mp4 2>/dev/null");
        report(state, s, wholeShowFrames);
        state.counters["MB"] = double(fs::file_size(work + "/show.mp4")) / 1e6;
    }
}

void EncodeOnly(benchmark::State &state) {
    for (auto _ : state) {
        if (!fs::exists(work + "/png/song.wav")) {
            state.SkipWithError("needs the PNG folder of PngFolder");
            break;
        }
        double s = timed(state, "ffmpeg -loglevel error -nostdin -y -framerate 50 -start_number 0 -i " + work +
                                    "/png/frame-%06d.png -i " + work +
                                    "/png/song.wav -c:v libx264 -preset medium -crf 16 -pix_fmt yuv420p -c:a aac "
                                    "-b:a 256k " + work + "/encoded.mp4");
        report(state, s, wholeShowFrames);
    }
    fs::remove_all(work);
}

}  // namespace

BENCHMARK(RunOnly)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(PngFolder)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(Mp4)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(EncodeOnly)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
