// File helpers for tests.
#include "testfiles.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string makeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvalis-test-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const char *dir = mkdtemp(buf.data());
    return dir ? std::string(dir) : std::string();
}

void removeTree(const std::string &dir) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

void writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string ppmFile(int width, int height, const std::vector<unsigned char> &rgb) {
    std::string out = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    out.append(rgb.begin(), rgb.end());
    return out;
}

ScopedWorkingDir::ScopedWorkingDir(const std::string &dir) {
    char buf[4096];
    previous = getcwd(buf, sizeof buf) ? buf : ".";
    if (chdir(dir.c_str()) != 0) std::abort();
}

ScopedWorkingDir::~ScopedWorkingDir() {
    if (chdir(previous.c_str()) != 0) std::abort();
}
