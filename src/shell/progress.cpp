// Progress bar text and its pacing.
#include "shell/progress.h"

#include <chrono>
#include <cstdio>

namespace {
constexpr int barWidth = 30;
constexpr double refreshSeconds = 0.25;
}  // namespace

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string progressLine(long done, long total, double seconds) {
    if (total < 1) total = 1;
    if (done > total) done = total;
    int filled = int(double(done) * barWidth / double(total));
    std::string bar(size_t(filled), '#');
    bar.append(size_t(barWidth - filled), '-');
    double fps = seconds > 0 ? done / seconds : 0;
    char tail[128];
    if (fps > 0) {
        long left = long((total - done) / fps + 0.5);
        std::snprintf(tail, sizeof tail, "%3d%%  %ld/%ld frames  %.1f fps  %ld:%02ld left", int(done * 100 / total),
                      done, total, fps, left / 60, left % 60);
    } else {
        std::snprintf(tail, sizeof tail, "%3d%%  %ld/%ld frames", int(done * 100 / total), done, total);
    }
    return "[" + bar + "] " + tail;
}

Progress startProgress(long total) {
    Progress p;
    p.total = total;
    p.started = steadySeconds();
    return p;
}

void showProgress(Progress &p, long done) {
    double now = steadySeconds();
    bool last = done >= p.total;
    if (!last && p.lastShown >= 0 && now - p.lastShown < refreshSeconds) return;
    p.lastShown = now;
    // Padding clears what a longer previous line left behind.
    std::fprintf(stderr, "\r%-90s%s", progressLine(done, p.total, now - p.started).c_str(), last ? "\n" : "");
    std::fflush(stderr);
}
