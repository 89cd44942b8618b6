// Reading /proc.
#include "proc_stats.h"

#include <dirent.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "children.h"

namespace {
std::string fileText(const std::string &path) {
    std::ifstream f(path);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// The names in a folder, "." and ".." left out.
std::vector<std::string> entries(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}
}  // namespace

std::vector<pid_t> childrenOf(pid_t pid) {
    std::vector<pid_t> found;
    std::string tasks = "/proc/" + std::to_string(pid) + "/task/";
    for (const std::string &tid : entries(tasks)) {
        std::istringstream list(fileText(tasks + tid + "/children"));
        long child;
        while (list >> child) found.push_back(pid_t(child));
    }
    return found;
}

std::string commandName(const std::string &procPath) {
    std::string name = fileText(procPath + "/comm");
    if (!name.empty() && name.back() == '\n') name.pop_back();
    return name;
}

long statusKb(pid_t pid, const char *field) {
    std::istringstream status(fileText("/proc/" + std::to_string(pid) + "/status"));
    std::string line, wanted = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, wanted.size(), wanted) == 0) return std::stol(line.substr(wanted.size()));
    return -1;
}

bool catchesSignal(pid_t pid, int signal) {
    std::istringstream status(fileText("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 7, "SigCgt:") == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

CpuSample sampleCpu(pid_t pid) {
    CpuSample s;
    s.atNs = monotonicNs();
    std::string proc = "/proc/" + std::to_string(pid);
    std::string stat = fileText(proc + "/stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos) return s;
    // After the name: state (field 3) … utime (14) and stime (15).
    std::istringstream rest(stat.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    if (!rest) return s;
    s.ticks = utime + stime;
    for (const std::string &tid : entries(proc + "/task")) {
        ThreadTime t;
        t.tid = pid_t(std::stol(tid));
        t.name = commandName(proc + "/task/" + tid);
        std::istringstream sched(fileText(proc + "/task/" + tid + "/schedstat"));
        if (!(sched >> t.runNs)) continue;
        s.runNs += t.runNs;
        s.threads.push_back(t);
    }
    return s;
}

long ticksPerSecond() { return sysconf(_SC_CLK_TCK); }
