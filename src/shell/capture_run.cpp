// The capture from start to end: output place, song, display, window, frames, encoder.
#include "shell/capture_run.h"

#include <GL/freeglut.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>

#include "effects/scrolltexts.h"
#include "music/listener.h"
#include "platform/frame.h"
#include "platform/render.h"
#include "platform/xserver.h"
#include "shell/capture.h"
#include "shell/capture_png.h"
#include "shell/capture_song.h"
#include "shell/capture_video.h"
#include "shell/progress.h"
#include "shell/startup.h"
#include "shell/timeline.h"

namespace {
constexpr const char *songFile = "msx/qsm_insomnia.xm";

std::atomic<bool> stopAsked{false};
static_assert(std::atomic<bool>::is_always_lock_free, "written from a signal handler");
void onStop(int) { stopAsked.store(true); }

// Ctrl-C and SIGTERM end the capture between two frames, so the encoder still closes its file;
// a broken pipe to ffmpeg shows as a failed write instead of killing the program.
void catchSignals() {
    struct sigaction sa {};
    sa.sa_handler = onStop;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

int failed(const std::string &why) {
    std::fprintf(stderr, "corvalis: capture failed: %s\n", why.c_str());
    return 1;
}

struct FolderOut {
    std::string folder;
    PngWriter *writer;
};

bool takePng(void *user, long frame, const unsigned char *rgb) {
    auto *out = static_cast<FolderOut *>(user);
    return queuePng(out->writer, out->folder + "/" + frameFileName(frame), rgb);
}

bool takeVideo(void *user, long, const unsigned char *rgb) { return writeVideoFrame(static_cast<VideoPipe *>(user), rgb); }

// A fresh temporary file name for the song of a video; "" when none can be made.
std::string temporaryWav() {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/corvalis-song-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return "";
    close(fd);
    return name.data();
}

// The hidden window whose GL context draws the offscreen frame. false with *error.
bool openHiddenWindow(std::string *error) {
    installGlutErrorHandlers();
    int argc = 1;
    char name[] = "corvalis";
    char *argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(glutModeFor(7));
    glutInitWindowSize(frameWidth, frameHeight);
    if (glutCreateWindow("Corvalis v1.0 (capture)") < 1) {
        *error = "no window";
        return false;
    }
    glutHideWindow();
    setPresentToWindow(false);
    openPresentation();
    if (!frameIsOffscreen()) {
        *error = "this GL has no framebuffer objects";
        return false;
    }
    return true;
}
}  // namespace

std::string frameFileName(long frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06ld.png", frame);
    return name;
}

int runCapture(const Options &o) {
    catchSignals();
    const long toUs = o.toUs >= 0 ? o.toUs : showEndCentiseconds * 10000;
    const CaptureSpan span = captureSpan(o.fps, o.fromUs, toUs, o.onlyFrames);
    if (framesWritten(span) == 0) return failed("no frame falls between --from and --to");
    const bool video = isVideoName(o.captureOut);

    std::string wav;
    if (video) {
        if (findOnPath("ffmpeg").empty())
            return failed("ffmpeg is not on PATH (Debian package ffmpeg); capture to a folder of PNG frames instead");
        wav = temporaryWav();
        if (wav.empty()) return failed("cannot make a temporary file for the song");
    } else {
        std::error_code ec;
        std::filesystem::create_directories(o.captureOut, ec);
        if (!std::filesystem::is_directory(o.captureOut)) return failed("cannot make the folder " + o.captureOut);
        wav = o.captureOut + "/song.wav";
    }

    // The song first: it is quick, and a missing song shows before the long part. A list of
    // single frames (tests) has no sound track.
    std::string error;
    if (o.onlyFrames.empty()) {
        long first = frameSample(span.first, span.fps), count = frameSample(span.end, span.fps) - first;
        if (!writeSongWav(songFile, first, count, wav, &error)) {
            if (video) std::remove(wav.c_str());
            return failed(error);
        }
    }

    const char *display = std::getenv("DISPLAY");
    if ((!display || !*display) && !startPrivateDisplay(&error)) {
        if (video) std::remove(wav.c_str());
        return failed(error);
    }
    int status = 0;
    if (!openHiddenWindow(&error)) {
        status = failed(error);
    } else {
        initShowState();
        scrollText = defaultScroller;
        double started = steadySeconds();
        bool ok;
        if (video) {
            VideoPipe pipe;
            ok = openVideo(o.captureOut, span.fps, wav, &pipe, &error);
            if (ok) {
                ok = runCaptureFrames(span, FrameSink{&pipe, takeVideo}, &stopAsked);
                std::string closeError;
                if (!closeVideo(&pipe, &closeError) && !stopAsked.load()) {
                    ok = false;
                    error = closeError;
                }
            }
        } else {
            FolderOut folder{o.captureOut, startPngWriter(frameWidth, frameHeight)};
            ok = runCaptureFrames(span, FrameSink{&folder, takePng}, &stopAsked);
            if (!finishPngWriter(folder.writer, &error)) ok = false;
        }
        if (stopAsked.load()) {
            std::fputs("\ncorvalis: capture interrupted\n", stderr);
            status = 130;
        } else if (!ok) {
            status = failed(error.empty() ? "the encoder stopped" : error);
        } else {
            double seconds = steadySeconds() - started;
            std::fprintf(stderr, "Captured %ld frames at %d fps (frames %ld to %ld) to %s in %.1f s\n",
                         framesWritten(span), span.fps, span.first, span.end - 1, o.captureOut.c_str(), seconds);
        }
    }
    if (video) std::remove(wav.c_str());
    // Leave the X server before ending a private one: Xlib ends the process when its server goes.
    glutExit();
    stopPrivateDisplay();
    return status;
}
