// Process control for end-to-end tests.
#include "demo_process.h"

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char **environ;

namespace fs = std::filesystem;

double now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

Picture readPicture(const std::string &path) {
    Picture p;
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    if (!(in >> magic >> p.width >> p.height >> maxValue) || magic != "P6" || maxValue != 255) return Picture{};
    in.get();
    p.rgb.resize(size_t(p.width) * p.height * 3);
    if (!in.read(reinterpret_cast<char *>(p.rgb.data()), std::streamsize(p.rgb.size()))) return Picture{};
    return p;
}

void writePicture(const Picture &p, const std::string &path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P6\n" << p.width << " " << p.height << "\n255\n";
    out.write(reinterpret_cast<const char *>(p.rgb.data()), std::streamsize(p.rgb.size()));
}

double meanBrightness(const Picture &p, int x0, int y0, int x1, int y1) {
    double sum = 0;
    long n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++n) {
            const unsigned char *c = p.at(x, y);
            sum += (c[0] + c[1] + c[2]) / 3.0;
        }
    return n ? sum / n : 0;
}

double fractionBrighterThan(const Picture &p, int threshold, int x0, int y0, int x1, int y1) {
    long hit = 0, n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++n) {
            const unsigned char *c = p.at(x, y);
            if (c[0] > threshold || c[1] > threshold || c[2] > threshold) ++hit;
        }
    return n ? double(hit) / n : 0;
}

std::string fileText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int openDescriptors(pid_t pid) {
    DIR *d = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    if (!d) return -1;
    int n = 0;
    while (dirent *e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n;
}

std::string commandOutput(const std::string &command) {
    std::string out;
    FILE *f = popen(command.c_str(), "r");
    if (!f) return out;
    char buf[256];
    while (fgets(buf, sizeof buf, f)) out += buf;
    pclose(f);
    return out;
}

static std::string tempDir(const char *prefix) {
    std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    return mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}

std::string makeRunDir(bool withPlayer) {
    std::string dir = tempDir("corvalis-run-");
    fs::path built = CORVALIS_RUN_DIR;
    fs::create_symlink(built / "corvalis", fs::path(dir) / "corvalis");
    for (const char *d : {"Fonts", "gfx", "msx"})
        fs::create_directory_symlink(fs::path(CORVALIS_SOURCE_DIR) / "data" / d, fs::path(dir) / d);
    if (withPlayer) fs::create_directory_symlink(built / "MusicPlayer", fs::path(dir) / "MusicPlayer");
    return dir;
}

DemoRun startDemo(const std::string &runDir, const std::vector<std::string> &extraEnv) {
    DemoRun run;
    run.runDir = runDir;
    run.ramDir = tempDir("corvalis-ram-");
    run.portDir = tempDir("corvalis-ports-");
    chmod(run.portDir.c_str(), 0700);
    run.errPath = run.ramDir + "/stderr.txt";
    run.outPath = run.ramDir + "/stdout.txt";

    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        std::string v = *e;
        if (v.rfind("CORVALIS_", 0) != 0 && v.rfind("SDL_AUDIODRIVER=", 0) != 0) env.push_back(v);
    }
    env.push_back("CORVALIS_RAM=" + run.ramDir);
    env.push_back("CORVALIS_PORTS=" + run.portDir);
    env.push_back("SDL_AUDIODRIVER=dummy");
    for (const auto &e : extraEnv) {
        std::string key = e.substr(0, e.find('=') + 1);
        for (auto &v : env)
            if (v.rfind(key, 0) == 0) v = e;
        env.push_back(e);
    }
    std::vector<char *> envp;
    for (auto &e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, runDir.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, run.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, run.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    char name[] = "./corvalis";
    char *argv[] = {name, nullptr};
    run.startedAt = now();
    if (posix_spawn(&run.pid, "./corvalis", &actions, nullptr, argv, envp.data()) != 0) run.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

bool waitForWindow(DemoRun &run, double timeoutSeconds) {
    double until = now() + timeoutSeconds;
    while (now() < until) {
        std::string out = commandOutput("xdotool search --name '^Corvalis v1.0$' 2>/dev/null");
        if (!out.empty()) {
            run.window = out.substr(0, out.find('\n'));
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

bool pressKey(const DemoRun &run, const std::string &keyName) {
    std::string cmd = "xdotool windowfocus --sync " + run.window + " key " + keyName + " 2>/dev/null";
    return std::system(cmd.c_str()) == 0;
}

Picture screenshot(const DemoRun &run, double timeoutSeconds) {
    std::string path = run.ramDir + "/screenshot.ppm";
    fs::remove(path);
    pressKey(run, "s");
    double until = now() + timeoutSeconds;
    while (now() < until) {
        std::error_code ec;
        if (fs::exists(path, ec) && fs::file_size(path, ec) == 921615) return readPicture(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Picture{};
}

int waitForExit(DemoRun &run, double timeoutSeconds) {
    double until = now() + timeoutSeconds;
    while (run.pid > 0) {
        int status = 0;
        pid_t r = waitpid(run.pid, &status, WNOHANG);
        if (r == run.pid) {
            run.pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (now() > until) {
            kill(run.pid, SIGKILL);
            waitpid(run.pid, &status, 0);
            run.pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

void cleanUp(DemoRun &run) {
    if (run.pid > 0) {
        kill(run.pid, SIGKILL);
        int status;
        waitpid(run.pid, &status, 0);
        run.pid = -1;
    }
    std::error_code ec;
    fs::remove_all(run.ramDir, ec);
    fs::remove_all(run.portDir, ec);
}
