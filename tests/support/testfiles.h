// Small file helpers for tests: temporary folders, writing bytes, building PPM files.
#pragma once

#include <string>
#include <vector>

// A fresh empty folder under the system's temporary folder.
std::string makeTempDir();

// Removes a folder and everything in it.
void removeTree(const std::string &dir);

// Writes the bytes to the file, replacing it.
void writeFile(const std::string &path, const std::string &bytes);

// The whole content of a file, or an empty string when it cannot be read.
std::string readFile(const std::string &path);

// A binary PPM with the standard three-line header and the given RGB raster.
std::string ppmFile(int width, int height, const std::vector<unsigned char> &rgb);

// Runs the calling test's code with the working directory changed, restoring it afterwards.
struct ScopedWorkingDir {
    explicit ScopedWorkingDir(const std::string &dir);
    ~ScopedWorkingDir();
    std::string previous;
};
