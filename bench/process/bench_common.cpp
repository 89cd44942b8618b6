// What the parts of the process benchmark share.
#include "bench_common.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

std::vector<std::string> notes;

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string fileText(const std::string &path) {
    std::ifstream f(path);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string tail(const std::string &text, int lines) {
    size_t at = text.size();
    for (int i = 0; i <= lines && at != std::string::npos && at > 0; ++i) at = text.rfind('\n', at - 1);
    std::string t = text.substr(at == std::string::npos ? 0 : at + 1);
    std::string out;
    std::istringstream in(t);
    std::string line;
    while (std::getline(in, line)) out += "      | " + line + "\n";
    return out;
}

std::string describeStatus(int status) {
    if (status == -1) return "did not end";
    if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

std::string format(const char *pattern, double a, double b, double c) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

