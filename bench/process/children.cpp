// Starting, ending and reaping the benchmark's processes; its temporary folders.
#include "children.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "proc_stats.h"

extern char **environ;

namespace {
std::atomic<bool> stopFlag{false};
static_assert(std::atomic<bool>::is_always_lock_free, "written from a signal handler");
std::vector<std::string> tempDirs;

void onStop(int) { stopFlag.store(true); }

std::string nameOf(const std::string &entry) { return entry.substr(0, entry.find('=')); }
}  // namespace

void setUpChildren() {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    struct sigaction sa {};
    sa.sa_handler = onStop;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

bool stopRequested() { return stopFlag.load(); }

bool sleepMs(long ms) {
    long long until = monotonicNs() + ms * 1000000LL;
    while (!stopRequested()) {
        long long left = until - monotonicNs();
        if (left <= 0) return true;
        timespec step{0, long(std::min(left, 5000000LL))};
        nanosleep(&step, nullptr);
    }
    return false;
}

pid_t spawn(const std::vector<std::string> &argv, const SpawnOptions &options) {
    // Everything the child needs is built before fork: between fork and exec it only makes
    // async-signal-safe calls.
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        std::string entry = *e, name = nameOf(entry);
        bool drop = std::find(options.unset.begin(), options.unset.end(), name) != options.unset.end();
        for (const std::string &o : options.env) drop = drop || nameOf(o) == name;
        if (!drop) env.push_back(entry);
    }
    env.insert(env.end(), options.env.begin(), options.env.end());
    std::vector<char *> envp, args;
    for (std::string &e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);
    std::vector<std::string> argCopy = argv;
    for (std::string &a : argCopy) args.push_back(&a[0]);
    args.push_back(nullptr);
    std::string out = options.outFile.empty() ? "/dev/null" : options.outFile;
    pid_t parent = getpid();

    pid_t pid = fork();
    if (pid < 0) return 0;
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (in < 0 || o < 0) _exit(127);
        dup2(in, 0);
        dup2(o, 1);
        dup2(o, 2);
        if (options.passFd == 3) fcntl(3, F_SETFD, 0);
        else if (options.passFd >= 0) dup2(options.passFd, 3);
        for (int fd = options.passFd >= 0 ? 4 : 3; fd < 1024; ++fd) close(fd);
        if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(127);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    return pid;
}

int waitForChild(pid_t pid, long ms, rusage *usage) {
    long long until = monotonicNs() + ms * 1000000LL;
    for (;;) {
        int status = 0;
        pid_t r = wait4(pid, &status, WNOHANG, usage);
        if (r == pid) return status;
        if (r < 0 && errno == ECHILD) return -1;
        if (monotonicNs() > until) return -1;
        timespec step{0, 2000000};
        nanosleep(&step, nullptr);
    }
}

int endChild(pid_t pid, long ms) {
    if (pid <= 0) return -1;
    kill(pid, SIGTERM);
    int status = waitForChild(pid, ms);
    if (status == -1) {
        kill(pid, SIGKILL);
        status = waitForChild(pid, 5000);
    }
    return status;
}

int endAllChildren(pid_t spare) {
    int ended = 0;
    for (int round = 0; round < 10; ++round) {
        std::vector<pid_t> left;
        for (pid_t pid : childrenOf(getpid()))
            if (pid != spare) left.push_back(pid);
        if (left.empty()) break;
        for (pid_t pid : left) {
            endChild(pid, 2000);
            ++ended;
        }
    }
    return ended;
}

XServer startXServer() {
    XServer x;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return x;
    x.pid = spawn({"/usr/bin/Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                  SpawnOptions{"", {}, {}, "", fds[1]});
    close(fds[1]);
    std::string number;
    long long until = monotonicNs() + 10000000000LL;
    while (x.pid && number.find('\n') == std::string::npos && !stopRequested()) {
        long left = long((until - monotonicNs()) / 1000000);
        pollfd f{fds[0], POLLIN, 0};
        if (left <= 0 || poll(&f, 1, int(std::min(left, 100L))) < 0) break;
        char buf[32];
        ssize_t n = (f.revents & (POLLIN | POLLHUP)) ? read(fds[0], buf, sizeof buf) : 0;
        if (n < 0 || (n == 0 && (f.revents & POLLHUP))) break;
        number.append(buf, size_t(std::max<ssize_t>(n, 0)));
    }
    close(fds[0]);
    size_t nl = number.find('\n');
    if (nl == std::string::npos || nl == 0) {
        endChild(x.pid, 2000);
        return XServer{};
    }
    x.display = ":" + number.substr(0, nl);
    return x;
}

std::string makeTempDir(const char *what) {
    std::string pattern = std::string("/tmp/corvalis-") + what + "-XXXXXX";
    if (!mkdtemp(&pattern[0])) return "";
    tempDirs.push_back(pattern);
    return pattern;
}

void removeTempDir(const std::string &dir) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    tempDirs.erase(std::remove(tempDirs.begin(), tempDirs.end(), dir), tempDirs.end());
}

void removeTempDirs() {
    while (!tempDirs.empty()) removeTempDir(tempDirs.back());
}

long long monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}
