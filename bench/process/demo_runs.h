// The real demo under the benchmark's X server: start-up runs to the first presented frame, and
// one run of the show in which the memory and processor time of the demo and its player are read.
#pragma once

#include <vector>

#include "bench_common.h"
#include "children.h"
#include "proc_stats.h"

constexpr int startupRuns = 7;
// The show run, in ms after the demo is spawned: the player has loaded and plays well before the
// first processor sample; memory is read at rssAtMs, the peak at cpuToMs.
constexpr long cpuFromMs = 6000;
constexpr long rssAtMs = 10000;
constexpr long cpuToMs = 26000;

struct DemoFigures {
    std::vector<double> startupMs;  // spawn to first presented frame, one per run
    long demoRssKb = -1, demoHwmKb = -1, playerRssKb = -1, playerHwmKb = -1;
    CpuSample playerFrom, playerTo, demoFrom, demoTo;
};

// Starts and ends the demo startupRuns times, each with a fresh folder.
void measureStartup(const Paths &paths, const XServer &x, DemoFigures *f);

// Plays the show for cpuToMs and reads /proc on the way; then ends it.
void measureShow(const Paths &paths, const XServer &x, DemoFigures *f);
