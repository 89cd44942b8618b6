// The capture's frame loop on the virtual clock.
#include "shell/capture.h"

#include <GL/gl.h>

#include <algorithm>
#include <vector>

#include "music/listener.h"
#include "platform/frame.h"
#include "platform/time.h"
#include "shell/democlock.h"
#include "shell/progress.h"
#include "shell/timeline.h"

namespace {
// Seconds of the virtual clock at frame 0; any value would do, the clock counts from its reset.
constexpr long clockBase = 1000;

// The first frame whose time is at or after us: ⌈us × fps / 10⁶⌉.
long firstFrameAtOrAfter(long us, int fps) { return (us * fps + 999999) / 1000000; }
}  // namespace

long frameTimeUs(long frame, int fps) { return frame * 1000000 / fps; }

long frameSample(long frame, int fps) { return frame * (captureSampleRate / fps); }

CaptureSpan captureSpan(int fps, long fromUs, long toUs, const std::vector<long> &only) {
    CaptureSpan span;
    span.fps = fps;
    span.first = firstFrameAtOrAfter(fromUs, fps);
    span.end = std::max(span.first, firstFrameAtOrAfter(toUs, fps));
    if (!only.empty()) {
        for (long k : only)
            if (k >= span.first && k < span.end) span.only.push_back(k);
        std::sort(span.only.begin(), span.only.end());
        span.only.erase(std::unique(span.only.begin(), span.only.end()), span.only.end());
        if (span.only.empty()) {
            span.first = span.end = 0;  // none of the listed frames falls in the span
        } else {
            span.first = span.only.front();
            span.end = span.only.back() + 1;  // nothing after the last listed frame need run
        }
    }
    return span;
}

bool writesFrame(const CaptureSpan &span, long frame) {
    if (frame < span.first || frame >= span.end) return false;
    return span.only.empty() || std::binary_search(span.only.begin(), span.only.end(), frame);
}

long framesWritten(const CaptureSpan &span) {
    return span.only.empty() ? span.end - span.first : long(span.only.size());
}

bool runCaptureFrames(const CaptureSpan &span, FrameSink sink, const std::atomic<bool> *stop) {
    constexpr size_t rowBytes = size_t(frameWidth) * 3;
    std::vector<unsigned char> bottomFirst(rowBytes * frameHeight), topFirst(rowBytes * frameHeight);
    useVirtualClock(true);
    setVirtualTime(clockBase, 0);
    getTimeWithStatus(clockReset);
    playingSong.store(1, std::memory_order_relaxed);

    Progress progress = startProgress(span.end);
    for (long k = 0; k < span.end; ++k) {
        if (stop && stop->load()) return false;
        setVirtualTime(clockBase, frameTimeUs(k, span.fps));
        bool write = writesFrame(span, k);
        if (!write) glEnable(GL_RASTERIZER_DISCARD);
        display();
        if (!write) {
            glDisable(GL_RASTERIZER_DISCARD);
        } else {
            glReadPixels(0, 0, frameWidth, frameHeight, GL_RGB, GL_UNSIGNED_BYTE, bottomFirst.data());
            // GL delivers the bottom row first; pictures and videos start at the top.
            for (int row = 0; row < frameHeight; ++row)
                std::copy_n(bottomFirst.data() + size_t(frameHeight - 1 - row) * rowBytes, rowBytes,
                            topFirst.data() + size_t(row) * rowBytes);
            if (!sink.take(sink.user, k, topFirst.data())) return false;
        }
        showProgress(progress, k + 1);
    }
    return true;
}
