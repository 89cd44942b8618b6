// Reading whole files, for the song loaders of the player and of capture.
#pragma once

#include <vector>

// Appends the file's bytes to *bytes; false when it cannot be opened or read.
bool readFileBytes(const char *path, std::vector<unsigned char> *bytes);
