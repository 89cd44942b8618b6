// corvalis_process_bench: the real demo and its player as processes, measured from outside in
// one run of about a minute, printed as one table:
// - start-up to the first presented frame (a preloaded glXSwapBuffers notes it), several runs;
// - resident memory of the demo and of its player while the show plays;
// - the player's processor time per second of music, against openmpt123 rendering the same song
//   (with its own defaults, and with the player's settings), and against the player's decoding
//   alone, run here through its own code.
// Every run has its own X server (Xvfb), SDL's dummy audio and a fresh RAM: folder; every
// process and folder it makes is gone when it ends, also after Ctrl-C or a failed step.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench_common.h"
#include "children.h"
#include "decode_costs.h"
#include "demo_runs.h"
#include "player_settings.h"
#include "proc_stats.h"

namespace {
// The span of the song the player's decoding is also run over here, paced and flat out: inside
// the show run's window, the song being about half a second behind the demo's start.
constexpr double pacedFromS = 6;
constexpr double pacedToS = 16;

struct Figures {
    DemoFigures demo;
    std::vector<DecodeCost> costs;
};

// Processor time between two samples, as a share of one core: from the clock ticks and from the
// threads' run times.
double tickShare(const CpuSample &a, const CpuSample &b) {
    return double(b.ticks - a.ticks) / ticksPerSecond() / ((b.atNs - a.atNs) / 1e9);
}
double runShare(const CpuSample &a, const CpuSample &b) { return double(b.runNs - a.runNs) / double(b.atNs - a.atNs); }
bool sampled(const CpuSample &a, const CpuSample &b) { return a.ticks >= 0 && b.ticks >= 0 && b.atNs > a.atNs; }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::string mb(long kb) { return kb < 0 ? "      -" : format("%7.1f MB", kb / 1024.0); }

// Each thread's processor time between two samples, per second: "name 1.23 ms/s, …".
std::string threadShares(const CpuSample &a, const CpuSample &b) {
    std::map<pid_t, long long> before;
    for (const ThreadTime &t : a.threads) before[t.tid] = t.runNs;
    std::string out;
    for (const ThreadTime &t : b.threads) {
        auto at = before.find(t.tid);
        long long used = t.runNs - (at == before.end() ? 0 : at->second);
        out += (out.empty() ? "" : ", ") + t.name + format(" %.2f ms/s", 1000.0 * used / double(b.atNs - a.atNs));
    }
    return out;
}

void printTable(const Paths &paths, const PlayerSettings &s, const Figures &f) {
    const DemoFigures &d = f.demo;
    std::printf("\nCorvalis process benchmark — %s, song %s (%.1f s)\n", paths.runDir.c_str(), songFile, s.songSeconds);
    std::printf("Player's settings (its own code): %d Hz, %d channels float, %d frames per callback, "
                "%d-tap interpolation, stereo separation %d%%, ramping %d, gain %d mB\n\n",
                s.rate, s.channels, s.bufferFrames, s.filterTaps, s.stereoSeparation, s.volumeRamping, s.gainMillibel);

    std::printf("%-58s %s\n", "Measure", "Figure");
    std::printf("%-58s %s\n", "-------", "------");
    if (!d.startupMs.empty()) {
        auto [lo, hi] = std::minmax_element(d.startupMs.begin(), d.startupMs.end());
        std::printf("%-58s %s\n", ("Start-up to first frame (" + std::to_string(d.startupMs.size()) + " runs)").c_str(),
                    format("median %.0f ms  (min %.0f, max %.0f)", median(d.startupMs), *lo, *hi).c_str());
    } else {
        std::printf("%-58s %s\n", "Start-up to first frame", "no figure");
    }
    std::printf("%-58s %s   peak VmHWM %s\n", format("Demo resident memory, VmRSS at %.0f s", rssAtMs / 1000.0).c_str(),
                mb(d.demoRssKb).c_str(), mb(d.demoHwmKb).c_str());
    std::printf("%-58s %s   peak VmHWM %s\n", format("Player resident memory, VmRSS at %.0f s", rssAtMs / 1000.0).c_str(),
                mb(d.playerRssKb).c_str(), mb(d.playerHwmKb).c_str());

    std::printf("\nProcessor time per second of music (ms of CPU per s of music; 10 ms/s is 1%% of a core)\n");
    double playerMs = -1;
    if (sampled(d.playerFrom, d.playerTo)) {
        double window = (d.playerTo.atNs - d.playerFrom.atNs) / 1e9;
        playerMs = 1000 * runShare(d.playerFrom, d.playerTo);
        std::printf("%-58s %6.2f ms/s  (utime+stime: %ld ticks = %.2f ms/s)\n",
                    format("Player in the show, %.0f s to %.0f s (threads' run time)", cpuFromMs / 1000.0, cpuToMs / 1000.0).c_str(),
                    playerMs, d.playerTo.ticks - d.playerFrom.ticks, 1000 * tickShare(d.playerFrom, d.playerTo));
        std::printf("%-58s %s\n", "  by thread", threadShares(d.playerFrom, d.playerTo).c_str());
        std::printf("%-58s %6.1f %% of a core (utime+stime %.1f %%) over %.1f s\n", "Demo in the same window (for scale)",
                    100 * runShare(d.demoFrom, d.demoTo), 100 * tickShare(d.demoFrom, d.demoTo), window);
    } else {
        std::printf("%-58s %s\n", "Player in the show", "no figure");
    }
    for (const DecodeCost &c : f.costs) {
        if (c.cpuS < 0) {
            std::printf("%-58s %s\n", c.label.c_str(), "no figure");
            continue;
        }
        double perS = 1000 * c.cpuS / c.musicS;
        std::printf("%-58s %6.2f ms/s  (%.2f s CPU for %.0f s of music, %.1f s wall)", c.label.c_str(), perS, c.cpuS,
                    c.musicS, c.wallS);
        if (playerMs > 0) std::printf("  player is %.2f×", playerMs / perS);
        std::printf("\n%-58s %s\n", "", c.detail.c_str());
    }
    if (!notes.empty()) {
        std::printf("\nNotes\n");
        for (const std::string &n : notes) std::printf("  - %s\n", n.c_str());
    }
}
}  // namespace

int main() {
    setUpChildren();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Paths paths;
    for (const std::string &p : {paths.demo, paths.player, paths.song, paths.firstSwapLibrary})
        if (!exists(p)) {
            std::fprintf(stderr, "corvalis_process_bench: %s is missing; build the project first\n", p.c_str());
            return 1;
        }
    if (!exists("/usr/bin/Xvfb")) {
        std::fprintf(stderr, "corvalis_process_bench: Xvfb is missing (Debian package xvfb)\n");
        return 1;
    }

    std::fprintf(stderr, "corvalis_process_bench: about a minute\n");
    Figures f;
    PlayerSettings s = playerSettings(paths.song);
    if (!s.ok) {
        std::fprintf(stderr, "corvalis_process_bench: %s\n", s.error.c_str());
        return 1;
    }
    // Flat out over the whole song and over a span of the show run's window; then paced over that
    // span in the player's pieces and in larger ones, which is what a larger output buffer would
    // save.
    f.costs.push_back(decodeHere(paths, s, s.bufferFrames, 0, s.songSeconds, false));
    f.costs.push_back(decodeHere(paths, s, s.bufferFrames, pacedFromS, pacedToS, false));
    for (int frames : {s.bufferFrames, 4 * s.bufferFrames})
        if (!stopRequested()) f.costs.push_back(decodeHere(paths, s, frames, pacedFromS, pacedToS, true));
    if (exists(openmpt123Path)) {
        f.costs.push_back(renderWithOpenmpt123(paths, s, "openmpt123, its defaults, whole song to WAV", {}));
        f.costs.push_back(renderWithOpenmpt123(
            paths, s, "openmpt123, the player's settings, whole song to WAV",
            {"--samplerate", std::to_string(s.rate), "--channels", std::to_string(s.channels), "--float", "--filter",
             std::to_string(s.filterTaps), "--stereo", std::to_string(s.stereoSeparation), "--ramping",
             std::to_string(s.volumeRamping), "--gain", format("%g", s.gainMillibel / 100.0)}));
    } else {
        notes.push_back("openmpt123 is not installed (Debian package openmpt123): no comparison");
    }

    XServer x = startXServer();
    if (x.pid <= 0) {
        notes.push_back("Xvfb did not start: no start-up, memory or player figures");
    } else {
        measureStartup(paths, x, &f.demo);
        if (!stopRequested()) measureShow(paths, x, &f.demo);
        endChild(x.pid, 3000);
    }
    endAllChildren();
    removeTempDirs();
    if (stopRequested()) {
        std::fprintf(stderr, "corvalis_process_bench: stopped\n");
        return 1;
    }
    printTable(paths, s, f);
    return 0;
}
