// The show's song for a capture: decoded in this process with the player's decoder
// (libopenmpt, looping from the restart position as the player does) and written as a WAV.
#pragma once

#include <string>

// Size of the WAV header this file writes.
constexpr int wavHeaderBytes = 44;

// The header of a 48 kHz, stereo, 16-bit PCM WAV holding the given number of sample frames.
void wavHeader(unsigned char out[wavHeaderBytes], long frames);

// Decodes the song and writes its sample frames firstSample … firstSample + count − 1 to a
// WAV file at wavPath. Samples before firstSample are decoded and dropped, so the sound is the
// same as in a capture from the start. false with *error set (one line) on any failure.
bool writeSongWav(const std::string &songPath, long firstSample, long count, const std::string &wavPath,
                  std::string *error);
