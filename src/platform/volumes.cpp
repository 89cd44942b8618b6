// The RAM: volume on Linux.
#include "platform/volumes.h"

#include <cstdlib>

std::string hostPath(const std::string &path) {
    const std::string ram = "RAM:";
    if (path.compare(0, ram.size(), ram) != 0) return path;
    const char *dir = std::getenv("CORVALIS_RAM");
    if (!dir || !*dir) dir = std::getenv("XDG_RUNTIME_DIR");
    if (!dir || !*dir) dir = "/tmp";
    std::string out = dir;
    if (out.back() != '/') out += '/';
    return out + path.substr(ram.size());
}
