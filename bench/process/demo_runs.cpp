// Running the real demo for the process benchmark. Each run has a fresh folder that is its RAM:
// and holds its private port folder (XDG_RUNTIME_DIR), and the first-swap library preloaded; it
// ends with SIGTERM, which the demo takes as Escape, and leaves nothing behind.
#include "demo_runs.h"

#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

namespace {
constexpr long firstFrameTimeoutMs = 30000;
constexpr long exitTimeoutMs = 3000;

// One start of the demo: its pid, its folder, and when it was spawned.
struct Demo {
    pid_t pid = 0;
    std::string dir;
    long long spawnedNs = 0;
    std::string swapFile() const { return dir + "/first-swap"; }
    std::string outputFile() const { return dir + "/output.txt"; }
};

// Starts the demo in the run directory on the display, with a fresh RAM: folder that also holds
// its private port folder, and the first-swap library preloaded.
Demo startDemo(const Paths &paths, const XServer &x) {
    Demo d;
    d.dir = makeTempDir("bench-run");
    if (d.dir.empty()) return d;
    const char *preloaded = std::getenv("LD_PRELOAD");
    std::string preload = paths.firstSwapLibrary + (preloaded && *preloaded ? std::string(":") + preloaded : "");
    SpawnOptions options;
    options.cwd = paths.runDir;
    options.env = {"DISPLAY=" + x.display,     "SDL_AUDIODRIVER=dummy",        "CORVALIS_RAM=" + d.dir,
                   "XDG_RUNTIME_DIR=" + d.dir, "LD_PRELOAD=" + preload, "CORVALIS_FIRST_SWAP_FILE=" + d.swapFile()};
    options.unset = {"CORVALIS_PORTS"};
    options.outFile = d.outputFile();
    d.spawnedNs = monotonicNs();
    d.pid = spawn({paths.demo}, options);
    return d;
}

// Waits for the first presented frame; its CLOCK_MONOTONIC time, or 0 (with a note) when the
// demo ended or took too long.
long long waitForFirstFrame(Demo &d, const char *run) {
    long long until = d.spawnedNs + firstFrameTimeoutMs * 1000000LL;
    while (monotonicNs() < until) {
        std::string text = fileText(d.swapFile());
        if (!text.empty()) return std::atoll(text.c_str());
        int status = waitForChild(d.pid, 0);
        if (status != -1) {
            notes.push_back(std::string(run) + ": the demo ended before its first frame (" + describeStatus(status) +
                            "); its output:\n" + tail(fileText(d.outputFile()), 8));
            d.pid = 0;
            return 0;
        }
        if (!sleepMs(5)) return 0;
    }
    if (!stopRequested()) notes.push_back(std::string(run) + ": no frame within " + std::to_string(firstFrameTimeoutMs / 1000) + " s");
    return 0;
}

// Ends the demo with SIGTERM, as Escape does, and everything it left but the X server; notes
// anything but exit 0 and any process that outlived it. The demo takes SIGTERM as Escape only
// once it has started its music link (after its first frames), so it is given time to get there.
void stopDemo(Demo &d, const XServer &x, const char *run) {
    if (d.pid > 0) {
        long long until = monotonicNs() + firstFrameTimeoutMs * 1000000LL;
        int status = -1;
        while (!catchesSignal(d.pid, SIGTERM) && (status = waitForChild(d.pid, 0)) == -1 && monotonicNs() < until &&
               sleepMs(2)) {
        }
        if (status == -1) status = endChild(d.pid, exitTimeoutMs);
        if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            notes.push_back(std::string(run) + ": the demo ended on SIGTERM with " + describeStatus(status) +
                            "; its output:\n" + tail(fileText(d.outputFile()), 8));
    }
    d.pid = 0;
    sleepMs(300);  // a player that outlived its demo has noticed by now and comes back to us
    if (int left = endAllChildren(x.pid))
        notes.push_back(std::string(run) + ": " + std::to_string(left) + " process(es) outlived the demo");
    if (!d.dir.empty()) removeTempDir(d.dir);
    d.dir.clear();
}

// The player: the demo's child named sdlmusicplayer; 0 when none shows within ms.
pid_t findPlayer(pid_t demo, long ms) {
    long long until = monotonicNs() + ms * 1000000LL;
    do {
        for (pid_t child : childrenOf(demo))
            if (commandName("/proc/" + std::to_string(child)) == "sdlmusicplayer") return child;
    } while (monotonicNs() < until && sleepMs(20));
    return 0;
}

// Sleeps until ms after the demo was spawned; false when a stop was requested.
bool sleepUntil(const Demo &d, long ms) {
    long left = long((d.spawnedNs + ms * 1000000LL - monotonicNs()) / 1000000);
    return left <= 0 || sleepMs(left);
}

}  // namespace

void measureStartup(const Paths &paths, const XServer &x, DemoFigures *f) {
    for (int i = 1; i <= startupRuns && !stopRequested(); ++i) {
        std::string run = "start-up run " + std::to_string(i);
        std::fprintf(stderr, "  %s\n", run.c_str());
        Demo d = startDemo(paths, x);
        if (d.pid <= 0) {
            notes.push_back(run + ": the demo did not start");
            stopDemo(d, x, run.c_str());
            continue;
        }
        long long frame = waitForFirstFrame(d, run.c_str());
        if (frame > 0) f->startupMs.push_back((frame - d.spawnedNs) / 1e6);
        stopDemo(d, x, run.c_str());
    }
}

void measureShow(const Paths &paths, const XServer &x, DemoFigures *f) {
    const char *run = "show run";
    std::fprintf(stderr, "  %s (%ld s)\n", run, cpuToMs / 1000);
    Demo d = startDemo(paths, x);
    pid_t player = 0;
    if (d.pid > 0 && waitForFirstFrame(d, run) > 0) player = findPlayer(d.pid, 5000);
    if (d.pid > 0 && !player && !stopRequested()) notes.push_back("show run: the demo started no player");
    if (player && sleepUntil(d, cpuFromMs)) {
        f->playerFrom = sampleCpu(player);
        f->demoFrom = sampleCpu(d.pid);
        if (sleepUntil(d, rssAtMs)) {
            f->demoRssKb = statusKb(d.pid, "VmRSS");
            f->playerRssKb = statusKb(player, "VmRSS");
        }
        if (sleepUntil(d, cpuToMs)) {
            f->playerTo = sampleCpu(player);
            f->demoTo = sampleCpu(d.pid);
            f->demoHwmKb = statusKb(d.pid, "VmHWM");
            f->playerHwmKb = statusKb(player, "VmHWM");
        }
    }
    stopDemo(d, x, run);
}

