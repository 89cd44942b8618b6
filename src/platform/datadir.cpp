// The data folder: the working directory, the program's own folder, or the installed share/.
#include "platform/datadir.h"

#include <limits.h>
#include <unistd.h>


namespace {
// The file every run of the show reads first: a folder that has it holds the show's data.
constexpr const char *markerFile = "Fonts/font1.pbm";

bool holdsData(const std::string &folder) { return access((folder + "/" + markerFile).c_str(), R_OK) == 0; }

// The folder of the running program (from /proc/self/exe); "" when it cannot be read.
std::string programFolder() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    std::string exe(path, size_t(n));
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "" : exe.substr(0, slash);
}
}  // namespace

std::string showDataFolder() {
    if (access(markerFile, R_OK) == 0) return ".";
    std::string own = programFolder();
    if (own.empty()) return "";
    if (holdsData(own)) return own;
    std::string share = own + "/../share/corvalis";
    if (holdsData(share)) return share;
    return "";
}

bool enterShowDataFolder() {
    std::string folder = showDataFolder();
    if (folder.empty()) return false;
    return folder == "." || chdir(folder.c_str()) == 0;
}

std::string absolutePath(const std::string &path) {
    if (path.empty() || path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + "/" + path;
}
