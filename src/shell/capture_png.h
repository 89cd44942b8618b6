// PNG pictures for capture (libpng): writing frames, and reading them back for comparisons.
#pragma once

#include <string>
#include <vector>

// Writes width × height RGB bytes, top row first, as an 8-bit RGB PNG. The same pixels always
// give the same bytes. false with *error set (one line) on failure.
bool writePng(const std::string &path, const unsigned char *rgb, int width, int height, std::string *error);

// Reads a PNG into 8-bit RGB bytes, top row first (any alpha composed onto black). false when
// the file is missing or not a PNG.
bool readPng(const std::string &path, std::vector<unsigned char> *rgb, int *width, int *height);
