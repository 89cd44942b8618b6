// Benchmarks of the music link.
// - SendMessage round trip: to the listener in this process, and to the real player's port in
//   another process (what Escape waits for), with median and 99th percentile.
// - Report 0 to the first playing frame: from the moment the player sends report 0 to the
//   first frame that sees the song flag, for a frame loop at several rates (0: a loop that
//   only watches the flag, i.e. the delivery alone).
#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "music/listener.h"
#include "music/message.h"
#include "platform/ports.h"
#include "platform/tasks.h"

extern char **environ;

namespace {
using Clock = std::chrono::steady_clock;

double micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

// Median and 99th percentile of the samples, as counters of the benchmark.
void reportPercentiles(benchmark::State &state, std::vector<double> samples) {
    if (samples.empty()) return;
    std::sort(samples.begin(), samples.end());
    state.counters["median_us"] = samples[samples.size() / 2];
    state.counters["p99_us"] = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
    state.counters["max_us"] = samples.back();
}

// The listener in this process, in a port directory of its own.
struct Listener {
    std::string dir;
    Task *task = nullptr;
    Listener() {
        char pattern[] = "/tmp/corvalis-bench-XXXXXX";
        dir = mkdtemp(pattern);
        usePortDirectory(dir);
        playingSong = 0;
        listenerStage = listenerStarting;
        task = CreateTask(subtaskname, 0, musichandler, 2000, 0);
        waitForListener(2000);
    }
    ~Listener() {
        SendMessage(demoPortName, commandQuit);
        DeleteTask(task);
        usePortDirectory("");
        rmdir(dir.c_str());
    }
};

void BM_SendMessageToListener(benchmark::State &state) {
    Listener listener;
    std::vector<double> samples;
    for (auto _ : state) {
        auto start = Clock::now();
        int32_t answer = SendMessage(demoPortName, 3);
        samples.push_back(micros(Clock::now() - start));
        benchmark::DoNotOptimize(answer);
    }
    reportPercentiles(state, samples);
}
BENCHMARK(BM_SendMessageToListener)->Iterations(20000)->Unit(benchmark::kMicrosecond);

void BM_SendMessageToPlayer(benchmark::State &state) {
    Listener listener;  // answers the player's reports
    std::string env = "CORVALIS_PORTS=" + listener.dir;
    std::vector<char *> envp;
    for (char **e = environ; *e; ++e) envp.push_back(*e);
    envp.push_back(const_cast<char *>(env.c_str()));
    envp.push_back(const_cast<char *>("SDL_AUDIODRIVER=dummy"));
    envp.push_back(nullptr);
    char *argv[] = {const_cast<char *>(CORVALIS_PLAYER), const_cast<char *>(CORVALIS_SHORT_SONG), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, envp.data()) != 0) {
        state.SkipWithError("cannot start the player");
        return;
    }
    for (int i = 0; i < 500 && playingSong.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::vector<double> samples;
    for (auto _ : state) {
        auto start = Clock::now();
        int32_t answer = SendMessage(playerPortName, 100);  // a command the player only answers
        samples.push_back(micros(Clock::now() - start));
        benchmark::DoNotOptimize(answer);
    }
    SendMessage(playerPortName, commandStop);
    int status;
    waitpid(pid, &status, 0);
    reportPercentiles(state, samples);
}
BENCHMARK(BM_SendMessageToPlayer)->Iterations(5000)->Unit(benchmark::kMicrosecond);

// A frame loop like the demo's: reads the flag once at the start of each frame, then spends the
// frame period drawing. It notes when it first sees the flag set.
void BM_ReportToFirstPlayingFrame(benchmark::State &state) {
    const auto framePeriod = std::chrono::microseconds(state.range(0));
    Listener listener;
    std::vector<double> samples;
    for (auto _ : state) {
        state.PauseTiming();
        SendMessage(demoPortName, commandSongLoading);
        std::atomic<bool> stop{false};
        std::atomic<int64_t> seenAt{0};
        std::thread frames([&] {
            while (!stop) {
                auto frameStart = Clock::now();
                if (playingSong.load(std::memory_order_relaxed)) {
                    seenAt = Clock::now().time_since_epoch().count();
                    return;
                }
                if (framePeriod.count() > 0) std::this_thread::sleep_until(frameStart + framePeriod);
            }
        });
        // Report 0 falls somewhere in a frame, as it does when the player sends it.
        std::this_thread::sleep_for(std::chrono::microseconds(rand() % 20000));
        state.ResumeTiming();
        auto sent = Clock::now();
        SendMessage(demoPortName, commandSongPlays);
        while (!seenAt) std::this_thread::yield();
        samples.push_back(micros(Clock::duration(seenAt.load()) - sent.time_since_epoch()));
        stop = true;
        frames.join();
    }
    reportPercentiles(state, samples);
}
// Frame periods: none (delivery alone), the demo's pacing of one frame per centisecond, and a
// 60 Hz display.
BENCHMARK(BM_ReportToFirstPlayingFrame)->Arg(0)->Arg(10000)->Arg(16667)->Iterations(300)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
