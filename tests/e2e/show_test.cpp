// The whole show, end to end: the real demo and the real player (SDL's dummy audio driver),
// a screenshot during each effect checked by its pixels, then Escape. About four minutes. The
// demo's resident memory and descriptors are sampled every second meanwhile (the soak).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "demo_process.h"

namespace {

// Screen rectangle of a scene rectangle at depth 10 (the flashes, overlays, plates and logo):
// the view spans ±7.07 units there, 45.25 pixels a unit across and 33.94 down.
struct Rect {
    int x0, y0, x1, y1;
};
Rect atDepth10(double left, double top, double right, double bottom) {
    auto px = [](double x) { return int(320 + x * 320 / 7.0711); };
    auto py = [](double y) { return int(240 - y * 240 / 7.0711); };
    Rect r{px(left), py(top), px(right), py(bottom)};
    r.x0 = std::max(r.x0, 0);
    r.y0 = std::max(r.y0, 0);
    r.x1 = std::min(r.x1, 640);
    r.y1 = std::min(r.y1, 480);
    return r;
}
double fraction(const Picture &p, int threshold, Rect r) { return fractionBrighterThan(p, threshold, r.x0, r.y0, r.x1, r.y1); }
double mean(const Picture &p, Rect r) { return meanBrightness(p, r.x0, r.y0, r.x1, r.y1); }

// How many cells of an 8 × 6 grid hold a lit pixel: the star field fills most of them.
int litCells(const Picture &p) {
    int cells = 0;
    for (int gy = 0; gy < 6; ++gy)
        for (int gx = 0; gx < 8; ++gx)
            if (fractionBrighterThan(p, 40, gx * 80, gy * 80, gx * 80 + 80, gy * 80 + 80) > 0) ++cells;
    return cells;
}

// Pixels clearly redder than they are blue.
int warmPixels(const Picture &p, Rect r) {
    int n = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) {
            const unsigned char *c = p.at(x, y);
            if (c[0] > 120 && c[0] > c[2] + 50) ++n;
        }
    return n;
}

// Whether a player started for this run (it inherits the run's port folder) still runs;
// players of other runs on the same machine do not count.
bool playerRunning(const DemoRun &run) {
    std::string mark = "CORVALIS_PORTS=" + run.portDir;
    for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
        std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        if (fileText("/proc/" + pid + "/comm") != "sdlmusicplayer\n") continue;
        // environ is a list of zero-terminated entries.
        std::string env = std::string(1, '\0') + fileText("/proc/" + pid + "/environ");
        if (env.find(std::string(1, '\0') + mark + std::string(1, '\0')) != std::string::npos) return true;
    }
    return false;
}

// The demo's resident memory and open descriptors, sampled every second on a thread of its
// own while the show runs (the soak check), and written to soak.csv beside the screenshots.
struct Soak {
    struct Sample {
        double t;  // seconds since sampling began
        long rssKiB;
        int fds;
    };
    pid_t pid;
    std::vector<Sample> samples;
    std::atomic<bool> stop{false};
    std::thread thread;

    explicit Soak(pid_t demo) : pid(demo) {
        thread = std::thread([this] {
            double start = now();
            while (!stop.load()) {
                samples.push_back({now() - start, residentKiB(), openDescriptors(pid)});
                for (int i = 0; i < 20 && !stop.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
    }
    // Stops sampling and writes the curve.
    void finish() {
        if (!thread.joinable()) return;
        stop = true;
        thread.join();
        FILE *f = std::fopen((std::string(CORVALIS_SHOT_DIR) + "/soak.csv").c_str(), "w");
        if (!f) return;
        std::fprintf(f, "seconds,rss_kib,fds\n");
        for (const Sample &s : samples) std::fprintf(f, "%.1f,%ld,%d\n", s.t, s.rssKiB, s.fds);
        std::fclose(f);
    }
    ~Soak() { finish(); }
    long residentKiB() const {
        std::string status = fileText("/proc/" + std::to_string(pid) + "/status");
        size_t at = status.find("VmRSS:");
        return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 6);
    }
    // The samples from `from` seconds on (of the sampling's own clock).
    std::vector<Sample> after(double from) const {
        std::vector<Sample> out;
        for (const Sample &s : samples)
            if (s.t >= from) out.push_back(s);
        return out;
    }
};

struct Show {
    DemoRun run;
    double songStart = 0;  // monotonic seconds at which demo time 0 fell

    // Waits until demo time t (seconds) and takes a screenshot.
    Picture at(double t) {
        double wait = songStart + t - now();
        if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double>(wait));
        Picture p = screenshot(run);
        EXPECT_EQ(p.width, 640) << "no screenshot at " << t << " s";
        char name[64];
        std::snprintf(name, sizeof name, "show-%06.1f.ppm", t);
        writePicture(p, std::string(CORVALIS_SHOT_DIR) + "/" + name);
        return p;
    }
};

TEST(Show, RunsFromTitleToClosingScrollerAndQuitsCleanly) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "end-to-end tests need an X display (./test.sh starts Xvfb)";
    Show show;
    show.run = startDemo(CORVALIS_RUN_DIR);
    DemoRun &run = show.run;
    ASSERT_TRUE(waitForWindow(run, 15)) << fileText(run.errPath);
    Soak soak(run.pid);
    double soakStart = now();

    // The title stands at full brightness while the song loads and for its first 4 s.
    // (On a busy machine the first screenshot may come before the first frame: wait for it.)
    Picture title;
    for (double until = now() + 3; now() < until;) {
        title = screenshot(run);
        if (title.width == 640 && meanBrightness(title, 0, 0, 640, 480) > 30.0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(title.width, 640) << fileText(run.errPath);
    EXPECT_GT(meanBrightness(title, 0, 0, 640, 480), 30.0);

    // Find the song's start from the frame in which the wheel text first shows (7.50 s):
    // the screen is black from 5.00 s until then.
    double waitedFrom = now();
    Picture black;
    double firstLight = 0;
    while (now() - waitedFrom < 20) {
        Picture p = screenshot(run);
        if (p.width != 640) continue;
        double lit = fractionBrighterThan(p, 24, 0, 0, 640, 480);
        if (lit < 0.0005) {
            black = p;
        } else if (black.width) {
            firstLight = now();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_GT(firstLight, 0) << "the title never went black and the wheel text never came";
    ASSERT_TRUE(playerRunning(run));
    show.songStart = firstLight - 7.6;
    EXPECT_LT(meanBrightness(black, 0, 0, 640, 480), 0.5) << "black between the title and the wheel text";

    // Wheel text over black (the second line, fully faded in): lit pixels only in the middle
    // band of the screen.
    Picture wheel = show.at(12.5);
    EXPECT_GT(fractionBrighterThan(wheel, 60, 0, 120, 640, 360), 0.01);
    EXPECT_EQ(fractionBrighterThan(wheel, 60, 0, 0, 640, 40), 0.0);

    // Stars everywhere, with the wheel text still on.
    Picture stars = show.at(21);
    EXPECT_GE(litCells(stars), 30) << "star field spread over the screen";
    EXPECT_GT(fractionBrighterThan(stars, 60, 0, 120, 640, 360), 0.01);

    // Fireworks: warm sparks (reds, oranges, yellows) in the middle of the screen, where the
    // stars alone are white and blue.
    Picture fire = show.at(36);
    Rect middle = atDepth10(-4, 4, 4, -4);
    // (The stars are white and blue; only the wheel text's gold adds a few warm pixels.)
    EXPECT_GT(warmPixels(fire, middle), 3 * warmPixels(stars, middle) + 200)
        << "fireworks are reds, oranges and yellows";

    // Greetings: the header strip and the plate band light up.
    Picture greets = show.at(106);
    Rect header = atDepth10(-4, 3, 4, 2.25), plate = atDepth10(-6, 0.5, 6, -0.5);
    EXPECT_GT(fraction(greets, 40, header), 0.15);
    EXPECT_GT(fraction(greets, 40, plate), 0.15);

    // Credits: the opaque closing picture fills the window; its lower part shows as it is.
    Picture credits = show.at(132);
    Picture closing = readPicture(std::string(CORVALIS_SOURCE_DIR) + "/data/gfx/closingwords.pbm");
    ASSERT_EQ(closing.width, 640);
    double diff = 0;
    long n = 0;
    for (int y = 330; y < 480; ++y)
        for (int x = 0; x < 640; ++x, ++n)
            for (int c = 0; c < 3; ++c) diff += std::abs(int(credits.at(x, y)[c]) - int(closing.at(x, y)[c]));
    EXPECT_LT(diff / (3.0 * n), 6.0) << "closing picture below the credit lines";

    // Logo: the two upright outer bars stand at x = ±4.
    Picture logo = show.at(176);
    EXPECT_GT(fraction(logo, 60, atDepth10(-4.2, 3.5, -3.8, -3.5)), 0.4);
    EXPECT_GT(fraction(logo, 60, atDepth10(3.8, 3.5, 4.2, -3.5)), 0.4);

    // After the first flash: the first overlay picture stands over the stars.
    Picture overlay1 = show.at(200.8);
    EXPECT_GT(mean(overlay1, atDepth10(-4, 4, 5, -7)), mean(overlay1, atDepth10(-7, 7, -4.5, 4.5)) + 5);

    // Closing: the second, opaque overlay and the flat scroller at the bottom of the middle.
    Picture closingScroll = show.at(215);
    EXPECT_GT(fraction(closingScroll, 20, atDepth10(-0.9, 3.9, 6.9, -3.9)), 0.8);
    Rect scrollBand{0, 240, 640, 258};
    EXPECT_GT(fraction(closingScroll, 100, scrollBand), 0.01);

    // Soak: after start-up (from the stars on, show time 20 s) the demo's resident memory and
    // its descriptors stay flat to the end of the show.
    soak.finish();
    std::vector<Soak::Sample> steady = soak.after(show.songStart + 20 - soakStart);
    ASSERT_GT(steady.size(), 150u) << "a sample a second over the show";
    long rssLow = steady[0].rssKiB, rssHigh = steady[0].rssKiB;
    int fdsLow = steady[0].fds, fdsHigh = steady[0].fds;
    for (const Soak::Sample &s : steady) {
        rssLow = std::min(rssLow, s.rssKiB);
        rssHigh = std::max(rssHigh, s.rssKiB);
        fdsLow = std::min(fdsLow, s.fds);
        fdsHigh = std::max(fdsHigh, s.fds);
    }
    std::printf("soak: %zu samples from show time 20 s; resident %ld ... %ld KiB (first %ld, last %ld); "
                "descriptors %d ... %d (first %d, last %d)\n",
                steady.size(), rssLow, rssHigh, steady.front().rssKiB, steady.back().rssKiB, fdsLow, fdsHigh,
                steady.front().fds, steady.back().fds);
    EXPECT_LT(steady.back().rssKiB - steady.front().rssKiB, 4096) << "resident memory grew over the show";
    EXPECT_LT(rssHigh - rssLow, 8192) << "resident memory swung over the show";
    // A screenshot holds one file open for a moment; nothing else may come or go.
    EXPECT_EQ(steady.back().fds, steady.front().fds) << "descriptors grew over the show";
    EXPECT_LE(fdsHigh - fdsLow, 1);

    double quitAt = now();
    pressKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 5), 0);
    EXPECT_LT(now() - quitAt, 1.5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_FALSE(playerRunning(run)) << "the player outlived the demo";
    EXPECT_TRUE(std::filesystem::is_empty(run.portDir)) << "ports left behind";
    EXPECT_EQ(commandOutput("ps -eo stat,comm | grep -E '^Z' | grep -E 'corvalis|sdlmusic'"), "");
    cleanUp(run);
}

}  // namespace
