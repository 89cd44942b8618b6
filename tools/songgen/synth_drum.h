// Drum and effect recipes: one-shot samples that start and end at zero.
#pragma once

#include "song.h"

namespace songgen {

void make_kick(Instrument& ins);
void make_snare(Instrument& ins);
void make_hat(Instrument& ins);
void make_open_hat(Instrument& ins);
void make_crash(Instrument& ins);
void make_reverse_crash(Instrument& ins);

}  // namespace songgen
