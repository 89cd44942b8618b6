// The port directory: where public ports live as socket files, one private folder per run
// unless CORVALIS_PORTS names a shared one.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/ports.h"

namespace {
const char *const privatePrefix = "corvalis-ports-";

struct DirectoryChoice {
    std::mutex lock;
    std::string chosen;   // set by usePortDirectory; wins over everything
    std::string made;     // the private folder this run made, "" if none
    std::string refused;  // the $CORVALIS_PORTS folder last refused, so it is reported once
};

DirectoryChoice &choice() {
    static DirectoryChoice *c = new DirectoryChoice;  // never destroyed: threads may outlive exit
    return *c;
}

std::string baseForPrivateFolders() {
    const char *base = std::getenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (!base || !*base || stat(base, &st) != 0 || !S_ISDIR(st.st_mode) || access(base, W_OK) != 0)
        base = "/tmp";
    return base;
}

// Removes the folder's entries (socket files and the like, no subfolders) and the folder.
void removeFolder(const std::string &dir) {
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            unlink((dir + "/" + name).c_str());
        }
        closedir(d);
    }
    rmdir(dir.c_str());
}

// The process id in a private folder's name "corvalis-ports-<pid>-XXXXXX", or 0.
pid_t ownerOf(const std::string &name) {
    std::string prefix = privatePrefix;
    if (name.compare(0, prefix.size(), prefix) != 0) return 0;
    char *end = nullptr;
    long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
    return (pid > 0 && end && *end == '-') ? pid_t(pid) : 0;
}

// Private folders of this user whose run was killed before it could remove them.
void sweepDeadFolders(const std::string &base) {
    DIR *d = opendir(base.c_str());
    if (!d) return;
    while (dirent *e = readdir(d)) {
        pid_t pid = ownerOf(e->d_name);
        if (pid == 0 || pid == getpid()) continue;
        std::string path = base + "/" + e->d_name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) continue;
        if (kill(pid, 0) == 0 || errno != ESRCH) continue;
        removeFolder(path);
    }
    closedir(d);
}

// True when a folder named by $CORVALIS_PORTS may carry our ports: a folder of our own user
// that no one else may enter. Anyone who can write there could put a port of theirs in the
// place of ours. Says why not in one line on stderr, once per folder.
bool trustedFolder(const std::string &dir, std::string &refused) {
    struct stat st;
    char line[512];
    line[0] = 0;
    if (stat(dir.c_str(), &st) != 0)
        std::snprintf(line, sizeof line, "Port directory %s cannot be used: %s", dir.c_str(), std::strerror(errno));
    else if (!S_ISDIR(st.st_mode))
        std::snprintf(line, sizeof line, "Port directory %s is not a folder: not using it", dir.c_str());
    else if (st.st_uid != getuid())
        std::snprintf(line, sizeof line, "Port directory %s belongs to user %u, not to us: not using it",
                      dir.c_str(), unsigned(st.st_uid));
    else if (st.st_mode & (S_IRWXG | S_IRWXO))
        std::snprintf(line, sizeof line, "Port directory %s is open to group or others (mode %04o): not using it",
                      dir.c_str(), unsigned(st.st_mode & 07777));
    if (!line[0]) return true;
    if (refused != dir) std::fprintf(stderr, "%s\n", line);
    refused = dir;
    return false;
}

// A fresh private folder, mode 0700; "" when none can be made.
std::string makePrivateFolder() {
    std::string base = baseForPrivateFolders();
    sweepDeadFolders(base);
    std::string pattern = base + "/" + privatePrefix + std::to_string(getpid()) + "-XXXXXX";
    if (!mkdtemp(&pattern[0])) return "";
    return pattern;
}
}  // namespace

std::string portDirectory() {
    DirectoryChoice &c = choice();
    std::lock_guard<std::mutex> hold(c.lock);
    if (!c.chosen.empty()) return c.chosen;
    const char *shared = std::getenv("CORVALIS_PORTS");
    if (shared && *shared) return trustedFolder(shared, c.refused) ? shared : "";
    if (c.made.empty()) {
        c.made = makePrivateFolder();
        // Any ordinary end of the process removes it too, not only the show's way out.
        static bool atExit = std::atexit(removePortDirectory) == 0;
        (void)atExit;
    }
    return c.made;
}

void usePortDirectory(const std::string &dir) {
    DirectoryChoice &c = choice();
    std::lock_guard<std::mutex> hold(c.lock);
    c.chosen = dir;
}

void removePortDirectory() {
    DirectoryChoice &c = choice();
    std::lock_guard<std::mutex> hold(c.lock);
    if (c.made.empty()) return;
    removeFolder(c.made);
    c.made.clear();
}
