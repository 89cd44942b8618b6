// The song: a module file read whole, checked, and decoded by libopenmpt. It loops from the
// module's restart position for as long as it plays.
#pragma once

#include <cstddef>
#include <string>

struct openmpt_module;

// Loads the module file and checks what was loaded; nullptr with *error set (one line, no
// newline) when the file is missing, unreadable, not a module, or cut short.
openmpt_module *loadSong(const char *path, std::string *error);

// Frees a module from loadSong.
void freeSong(openmpt_module *song);

// Decodes the next frames as interleaved stereo floats at the rate. The song never ends (it
// loops); anything it does not fill is silence.
void renderSong(openmpt_module *song, int rate, float *stereo, size_t frames);

// For an XM file: how many bytes its headers declare beyond the end of the data, as far as the
// headers that are there tell (so at least 1 when it is cut, 0 when it is complete); −1 when the
// data is not an XM file. libopenmpt loads cut files without a word.
long xmMissingBytes(const unsigned char *data, size_t size);
