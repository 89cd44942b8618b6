// Where the process tests find their programs and files, and small file helpers.
#pragma once

#include <string>

// The built player, the demo, the headless demo, and the run directory they belong to.
std::string playerPath();
std::string demoPath();
std::string headlessDemoPath();
std::string runDir();

// The small test module, and the show's song (which may not exist yet).
std::string shortSong();
std::string showSong();

// A fresh empty folder under the temporary folder, and its removal with its content.
std::string freshDir();
void removeDir(const std::string &dir);

// Whole-file reading and writing.
std::string readText(const std::string &path);
void writeText(const std::string &path, const std::string &text);

// A run directory for a demo: MusicPlayer/ linked to the built player, and msx/qsm_insomnia.xm
// linked to song unless song is "".
std::string makeRunDir(const std::string &song);
