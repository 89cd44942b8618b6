// Instrument synthesis: each recipe name makes one 16-bit sample with its loop, pitch mapping
// and default envelope. Everything is computed from fixed seeds, so the output never varies.
#pragma once

#include "song.h"

#include <string>
#include <vector>

namespace songgen {

// Fills ins.data, loop, pitch and default envelope from the named recipe; false with a reason
// when the recipe is unknown. Volume, panning and envelope overrides are the caller's.
bool synthesize(const std::string& recipe, Instrument& ins, std::string& error);

// The recipe names synthesize accepts, for messages and tests.
const std::vector<std::string>& recipe_names();

// Relative note and finetune that make note C-4 play a sample at the given rate (Hz).
void set_c4_rate(Instrument& ins, double rate);

// An attack/decay/sustain/release volume envelope in ticks; sustain 0 means the note dies
// away after the decay without waiting for a key-off.
Envelope adsr(int attack, int decay, int sustain, int release);

}  // namespace songgen
