// ffmpeg as a child process fed through a pipe.
#include "shell/capture_video.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/frame.h"

extern char **environ;

namespace {
bool endsWith(const std::string &s, const std::string &tail) {
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        char c = s[s.size() - tail.size() + i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}
}  // namespace

bool isVideoName(const std::string &out) { return endsWith(out, ".mp4") || endsWith(out, ".mkv"); }

std::string findOnPath(const std::string &program) {
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        struct stat st {};
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string::npos) return "";
        start = colon + 1;
    }
}

bool openVideo(const std::string &out, int fps, const std::string &wavPath, VideoPipe *video, std::string *error) {
    std::string ffmpeg = findOnPath("ffmpeg");
    if (ffmpeg.empty()) {
        *error = "ffmpeg is not on PATH (Debian package ffmpeg); capture to a folder of PNG frames instead";
        return false;
    }
    const bool mp4 = endsWith(out, ".mp4");
    std::string size = std::to_string(frameWidth) + "x" + std::to_string(frameHeight);
    std::vector<std::string> args = {
        ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pixel_format", "rgb24", "-video_size", size, "-framerate", std::to_string(fps),
        "-i", "pipe:0", "-i", wavPath, "-map", "0:v", "-map", "1:a",
        "-c:v", "libx264", "-preset", "medium", "-crf", "16", "-pix_fmt", "yuv420p"};
    if (mp4) {
        for (const char *a : {"-c:a", "aac", "-b:a", "256k", "-movflags", "+faststart"}) args.push_back(a);
    } else {
        for (const char *a : {"-c:a", "flac"}) args.push_back(a);
    }
    args.push_back(out);

    int fds[2];
    if (pipe(fds) != 0) {
        *error = "cannot start ffmpeg: no pipe";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<char *> argv;
    for (auto &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int rc = posix_spawn(&video->pid, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (rc != 0) {
        close(fds[1]);
        video->pid = 0;
        *error = "cannot start " + ffmpeg;
        return false;
    }
    video->fd = fds[1];
    return true;
}

bool writeVideoFrame(VideoPipe *video, const unsigned char *rgb) {
    size_t size = size_t(frameWidth) * frameHeight * 3, done = 0;
    while (done < size) {
        ssize_t n = write(video->fd, rgb + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

bool closeVideo(VideoPipe *video, std::string *error) {
    if (video->fd >= 0) close(video->fd);
    video->fd = -1;
    if (video->pid <= 0) return false;
    int status = 0;
    while (waitpid(video->pid, &status, 0) < 0 && errno == EINTR) {
    }
    video->pid = 0;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    *error = "ffmpeg failed (status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + ")";
    return false;
}
