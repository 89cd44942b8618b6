// Finding the show's data. The show reads Fonts/, gfx/, msx/ and MusicPlayer/ below its
// working directory; an installed program keeps them in <prefix>/share/corvalis.
#pragma once

#include <string>

// The folder the show's data is in: the working directory when it holds the data (a run
// directory, as before), else the program's own folder (the build's run directory), else
// <prefix>/share/corvalis next to <prefix>/bin where the program is installed. "" when none
// of them holds it.
std::string showDataFolder();

// Makes the folder of the show's data the working directory, unless it already is. false when
// the data is nowhere to be found (the show then reports each missing picture, as before).
bool enterShowDataFolder();

// The path as seen from the working directory now, made absolute, so that it still names the
// same file after enterShowDataFolder.
std::string absolutePath(const std::string &path);
