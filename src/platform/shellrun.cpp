// The shell runner over posix_spawn.
#include "platform/shellrun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/ports.h"

extern char **environ;

namespace {
struct Children {
    std::mutex lock;
    std::vector<pid_t> pids;
};

Children &children() {
    static Children *c = new Children;
    return *c;
}

// The next word of the line: a double-quoted string taken as it is, or a run of non-blanks.
// false at the end of the line or on an unclosed quote (*bad set then).
bool nextWord(const char *&p, std::string &word, bool &quoted, bool &bad) {
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) return false;
    word.clear();
    quoted = (*p == '"');
    if (quoted) {
        const char *end = std::strchr(p + 1, '"');
        if (!end) {
            bad = true;
            return false;
        }
        word.assign(p + 1, end);
        p = end + 1;
        return true;
    }
    while (*p && *p != ' ' && *p != '\t') word += *p++;
    return true;
}

// The environment for a child: ours, with CORVALIS_PORTS naming this run's port directory.
std::vector<std::string> childEnvironment() {
    std::vector<std::string> env;
    for (char **e = environ; e && *e; ++e)
        if (std::strncmp(*e, "CORVALIS_PORTS=", 15) != 0) env.push_back(*e);
    std::string dir = portDirectory();
    if (!dir.empty()) env.push_back("CORVALIS_PORTS=" + dir);
    return env;
}

// True once the child has ended and been reaped (or was never ours).
bool reaped(pid_t pid) {
    int status;
    pid_t r = waitpid(pid, &status, WNOHANG);
    return r == pid || (r < 0 && errno == ECHILD);
}

// Waits up to ms for every listed child to end; returns those still running.
std::vector<pid_t> waitFor(std::vector<pid_t> pids, long ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        std::vector<pid_t> left;
        for (pid_t pid : pids)
            if (!reaped(pid)) left.push_back(pid);
        if (left.empty() || std::chrono::steady_clock::now() >= deadline) return left;
        pids.swap(left);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
}  // namespace

CommandLine parseCommandLine(const char *line) {
    CommandLine cl;
    if (!line) return cl;
    const char *p = line;
    std::string word;
    bool quoted = false, bad = false;
    bool atStart = true;
    while (nextWord(p, word, quoted, bad)) {
        bool first = atStart;
        atStart = false;
        if (first && !quoted && word == "run") {
            cl.background = true;
            continue;
        }
        if (!quoted && word[0] == '>') {
            if (word != ">NIL:" || !cl.program.empty()) return CommandLine{};
            cl.toNil = true;
        } else if (cl.program.empty()) {
            cl.program = word;
        } else {
            cl.args.push_back(word);
        }
    }
    cl.valid = !bad && !cl.program.empty();
    return cl;
}

int Execute(const char *line) {
    CommandLine cl = parseCommandLine(line);
    if (!cl.valid) return 0;

    std::vector<std::string> envStrings = childEnvironment();
    std::vector<char *> env;
    for (std::string &e : envStrings) env.push_back(&e[0]);
    env.push_back(nullptr);
    std::vector<char *> argv;
    argv.push_back(&cl.program[0]);
    for (std::string &a : cl.args) argv.push_back(&a[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (cl.toNil) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    // The child starts with no signal blocked and the usual actions for the signals we catch.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, caught;
    sigemptyset(&none);
    sigemptyset(&caught);
    sigaddset(&caught, SIGINT);
    sigaddset(&caught, SIGTERM);
    sigaddset(&caught, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &caught);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    int rc = posix_spawn(&pid, cl.program.c_str(), &actions, &attr, argv.data(), env.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return 0;

    if (cl.background) {
        Children &c = children();
        std::lock_guard<std::mutex> hold(c.lock);
        c.pids.push_back(pid);
        return 1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 1 : 0;
}

void reapChildren() {
    Children &c = children();
    std::lock_guard<std::mutex> hold(c.lock);
    std::vector<pid_t> left;
    for (pid_t pid : c.pids)
        if (!reaped(pid)) left.push_back(pid);
    c.pids.swap(left);
}

std::vector<pid_t> runningChildren() {
    reapChildren();
    Children &c = children();
    std::lock_guard<std::mutex> hold(c.lock);
    return c.pids;
}

void endChildren(long graceMs) {
    Children &c = children();
    std::vector<pid_t> pids;
    {
        std::lock_guard<std::mutex> hold(c.lock);
        pids.swap(c.pids);
    }
    pids = waitFor(pids, graceMs);
    for (pid_t pid : pids) kill(pid, SIGTERM);
    pids = waitFor(pids, graceMs);
    for (pid_t pid : pids) {
        kill(pid, SIGKILL);
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}
