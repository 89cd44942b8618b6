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

// Frames written as PNG files by a thread of their own, so that encoding one frame overlaps
// drawing the next. At most a few frames wait; a full queue makes the caller wait.
struct PngWriter;

// Starts the writer for frames of width × height RGB.
PngWriter *startPngWriter(int width, int height);

// Queues a copy of the frame to be written to path. false once an earlier write has failed.
bool queuePng(PngWriter *writer, const std::string &path, const unsigned char *rgb);

// Writes what is queued, ends the thread and frees the writer. false with *error set when any
// write failed.
bool finishPngWriter(PngWriter *writer, std::string *error);
