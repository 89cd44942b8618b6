// Paths and file helpers of the process tests.
#include "test_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string playerPath() { return CORVALIS_PLAYER; }
std::string demoPath() { return CORVALIS_DEMO; }
std::string headlessDemoPath() { return CORVALIS_HEADLESS_DEMO; }
std::string runDir() { return CORVALIS_RUN_DIR; }
std::string shortSong() { return std::string(CORVALIS_SOURCE_DIR) + "/tests/fixtures/short.xm"; }
std::string showSong() { return std::string(CORVALIS_SOURCE_DIR) + "/data/msx/qsm_insomnia.xm"; }

std::string freshDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvalis-player-test-XXXXXX").string();
    return mkdtemp(&pattern[0]) ? pattern : std::string();
}

void removeDir(const std::string &dir) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

std::string readText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string makeRunDir(const std::string &song) {
    std::string dir = freshDir();
    std::filesystem::path player(playerPath());
    std::error_code ec;
    std::filesystem::create_directory_symlink(player.parent_path(), dir + "/MusicPlayer", ec);
    if (!song.empty()) {
        std::filesystem::create_directory(dir + "/msx", ec);
        std::filesystem::create_symlink(song, dir + "/msx/qsm_insomnia.xm", ec);
    }
    return dir;
}
