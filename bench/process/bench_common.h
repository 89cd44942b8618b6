// What the parts of the process benchmark share: where things are, the notes gathered along the
// way (failures and surprises, printed under the table), and small text helpers.
#pragma once

#include <string>
#include <vector>

// The song the demo has its player play (src/music/listener.h), below the run directory.
constexpr const char *songFile = "msx/qsm_insomnia.xm";
constexpr const char *openmpt123Path = "/usr/bin/openmpt123";

struct Paths {
    std::string runDir = CORVALIS_RUN_DIR;
    std::string demo = runDir + "/corvalis";
    std::string player = runDir + "/MusicPlayer/sdlmusicplayer";
    std::string song = runDir + "/" + songFile;
    std::string firstSwapLibrary = CORVALIS_FIRST_SWAP_LIBRARY;
};

// Notes gathered along the way.
extern std::vector<std::string> notes;

bool exists(const std::string &path);

// The whole text of a file; "" when it cannot be read.
std::string fileText(const std::string &path);

// The last lines of a text, indented, for a note.
std::string tail(const std::string &text, int lines);

// A wait status in words: "exit 0", "killed by signal 9", "did not end" (−1).
std::string describeStatus(int status);

// snprintf of up to three numbers.
std::string format(const char *pattern, double a, double b = 0, double c = 0);
