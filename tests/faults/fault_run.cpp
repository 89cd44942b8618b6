// Fault-test helpers over the end-to-end harness.
#include "fault_run.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

std::string makeFaultRunDir(bool withPlayer) {
    std::string pattern = (fs::temp_directory_path() / "corvalis-fault-run-XXXXXX").string();
    if (!mkdtemp(&pattern[0])) return "";
    fs::path dir = pattern;
    fs::path built = CORVALIS_RUN_DIR;
    fs::create_symlink(built / "corvalis", dir / "corvalis");
    for (const char *d : {"Fonts", "gfx", "msx"}) {
        fs::create_directory(dir / d);
        for (const auto &entry : fs::directory_iterator(fs::path(CORVALIS_SOURCE_DIR) / "data" / d))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                fs::create_symlink(entry.path(), dir / d / entry.path().filename());
    }
    if (withPlayer) fs::create_directory_symlink(built / "MusicPlayer", dir / "MusicPlayer");
    return dir.string();
}

DemoRun startFaultDemo(const std::string &runDir, const std::vector<std::string> &env, std::string *why) {
    double until = now() + 5;
    while (!commandOutput("xdotool search --name '^Corvalis v1.0$' 2>/dev/null").empty() && now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    DemoRun run = startDemo(runDir, env);
    if (run.pid <= 0) {
        *why = "the demo did not start";
        return run;
    }
    // An X server started without -noreset resets when its last client leaves, and refuses
    // connections meanwhile: a demo that met that moment gets one more try.
    for (int tries = 0; tries < 20 && run.pid > 0; ++tries) {
        if (!commandOutput("xdotool search --name '^Corvalis v1.0$' 2>/dev/null").empty()) break;
        int status = 0;
        if (waitpid(run.pid, &status, WNOHANG) == run.pid) {
            run.pid = -1;
            if (fileText(run.errPath).find("failed to open display") == std::string::npos) break;
            cleanUp(run);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            run = startDemo(runDir, env);
            continue;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (run.pid <= 0 || !waitForWindow(run, 15)) {
        *why = "no window: " + fileText(run.errPath);
        if (run.pid > 0) kill(run.pid, SIGKILL);
        waitForExit(run, 5);
        run.pid = -1;
        return run;
    }
    // The first frames: a key pressed before them would read a back buffer still black.
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    return run;
}

size_t dataFileSize(const std::string &relativePath) {
    std::error_code ec;
    auto size = fs::file_size(fs::path(CORVALIS_SOURCE_DIR) / "data" / relativePath, ec);
    return ec ? 0 : size_t(size);
}

void cutDataFile(const std::string &runDir, const std::string &relativePath, size_t keep) {
    std::ifstream in(fs::path(CORVALIS_SOURCE_DIR) / "data" / relativePath, std::ios::binary);
    std::string bytes(keep, '\0');
    in.read(&bytes[0], std::streamsize(keep));
    bytes.resize(size_t(in.gcount()));
    fs::path target = fs::path(runDir) / relativePath;
    fs::remove(target);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

// State letter and parent from /proc/pid/stat; false when the process is gone.
static bool procState(pid_t pid, char *state, pid_t *parent) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    if (close == std::string::npos) return false;
    return std::sscanf(text.c_str() + close + 1, " %c %d", state, parent) == 2;
}

bool isAlive(pid_t pid) {
    char state = 0;
    pid_t parent = 0;
    return pid > 0 && procState(pid, &state, &parent) && state != 'Z' && state != 'X';
}

pid_t playerOf(pid_t demo, long ms) {
    double until = now() + ms / 1000.0;
    do {
        std::string out = commandOutput("pgrep -P " + std::to_string(demo) + " -x sdlmusicplayer");
        if (!out.empty()) return pid_t(std::atoi(out.c_str()));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (now() < until);
    return 0;
}

bool goneWithin(pid_t pid, long ms) {
    double until = now() + ms / 1000.0;
    for (;;) {
        int status;
        waitpid(pid, &status, WNOHANG);  // ours (a subreaper's orphan): reap it
        if (!isAlive(pid)) return true;
        if (now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

double pictureDifference(const Picture &a, const Picture &b) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    return sum / double(a.rgb.size());
}

Picture waitForChange(const DemoRun &run, const Picture &before, double timeoutSeconds) {
    double until = now() + timeoutSeconds;
    while (now() < until) {
        Picture p = screenshot(run);
        if (p.width == 640 && pictureDifference(p, before) > 2.0) return p;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return Picture{};
}

int countOf(const std::string &path, const std::string &text) {
    std::string all = fileText(path);
    int n = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + text.size())) ++n;
    return n;
}


std::vector<std::string> folderEntries(const std::string &dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(dir, ec)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
