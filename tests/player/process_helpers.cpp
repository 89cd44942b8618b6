// Helpers for process tests.
#include "process_helpers.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char **environ;

namespace {
long millisSince(std::chrono::steady_clock::time_point start) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

// "NAME" of "NAME=VALUE".
std::string nameOf(const std::string &entry) { return entry.substr(0, entry.find('=')); }

// Adds the option to the environment variable NAME (space-separated options), making it if needed.
void addOption(std::vector<std::string> &env, const std::string &name, const std::string &option) {
    for (std::string &e : env)
        if (nameOf(e) == name) {
            e += " " + option;
            return;
        }
    env.push_back(name + "=" + option);
}

// Fields of /proc/pid/stat after the command name: state first, parent second.
bool statFields(pid_t pid, char *state, pid_t *parent) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    if (close == std::string::npos) return false;
    std::istringstream rest(text.substr(close + 2));
    long ppid = 0;
    rest >> *state >> ppid;
    *parent = pid_t(ppid);
    return bool(rest);
}
}  // namespace

Process startProcess(const std::vector<std::string> &argv, const StartOptions &options) {
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        std::string entry = *e, name = nameOf(entry);
        bool drop = false;
        for (const std::string &u : options.unset) drop = drop || u == name;
        for (const std::string &o : options.env) drop = drop || nameOf(o) == name;
        if (!drop) env.push_back(entry);
    }
    for (const std::string &o : options.env) env.push_back(o);
    // ThreadSanitizer makes every process sleep a second at exit by default, and the tests time
    // exits; LeakSanitizer is told about what system libraries keep.
    addOption(env, "TSAN_OPTIONS", "atexit_sleep_ms=0");
    addOption(env, "LSAN_OPTIONS", std::string("print_suppressions=0 suppressions=") + CORVALIS_SOURCE_DIR +
                                             "/tests/player/system.lsan.supp");
    std::vector<char *> envp, args;
    for (std::string &e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);
    std::vector<std::string> argCopy = argv;
    for (std::string &a : argCopy) args.push_back(&a[0]);
    args.push_back(nullptr);

    Process p;
    int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.pipes && pipe2(inPipe, O_CLOEXEC) == 0 && pipe2(outPipe, O_CLOEXEC) == 0) {
        posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    std::string err = options.errFile.empty() ? "/dev/null" : options.errFile;
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!options.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.cwd.c_str());
    if (posix_spawn(&p.pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) p.pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    if (options.pipes) {
        close(inPipe[0]);
        close(outPipe[1]);
        p.in = inPipe[1];
        p.out = outPipe[0];
    }
    return p;
}

bool readLine(Process &p, std::string *line, long ms) {
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        size_t nl = p.pending.find('\n');
        if (nl != std::string::npos) {
            *line = p.pending.substr(0, nl);
            p.pending.erase(0, nl + 1);
            return true;
        }
        long left = ms - millisSince(start);
        if (left <= 0 || p.out < 0) return false;
        pollfd f{p.out, POLLIN, 0};
        if (poll(&f, 1, int(left)) <= 0) continue;
        char buf[256];
        ssize_t n = read(p.out, buf, sizeof buf);
        if (n <= 0) return false;
        p.pending.append(buf, size_t(n));
    }
}

std::string waitForLine(Process &p, const std::string &prefix, long ms) {
    auto start = std::chrono::steady_clock::now();
    std::string line;
    while (readLine(p, &line, ms - millisSince(start)))
        if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
    return "";
}

bool sawLine(Process &p, const std::string &wanted, long ms) {
    auto start = std::chrono::steady_clock::now();
    std::string line;
    while (readLine(p, &line, ms - millisSince(start)))
        if (line == wanted) return true;
    return false;
}

bool endsWithin(pid_t pid, long ms) {
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        int status;
        waitpid(pid, &status, WNOHANG);  // ours once its parent died: reap it
        if (!isRunning(pid)) return true;
        if (millisSince(start) > ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

int waitForExit(pid_t pid, long ms) {
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return status;
        if (r < 0 || millisSince(start) > ms) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool isRunning(pid_t pid) {
    char state = 0;
    pid_t parent = 0;
    return pid > 0 && statFields(pid, &state, &parent) && state != 'Z' && state != 'X';
}

void killAndReap(Process &p) {
    if (p.pid > 0) {
        kill(p.pid, SIGKILL);
        waitForExit(p.pid, 2000);
    }
    if (p.in >= 0) close(p.in);
    if (p.out >= 0) close(p.out);
    p = Process{};
}

std::vector<pid_t> childrenOf(pid_t pid) {
    std::vector<pid_t> out;
    if (DIR *d = opendir("/proc")) {
        while (dirent *e = readdir(d)) {
            pid_t candidate = pid_t(std::atoi(e->d_name));
            char state = 0;
            pid_t parent = 0;
            if (candidate > 0 && statFields(candidate, &state, &parent) && parent == pid && state != 'Z')
                out.push_back(candidate);
        }
        closedir(d);
    }
    return out;
}
