// Pitched recipes built additively from sine tables, so loops hold whole cycles of every partial.
#pragma once

#include "song.h"

namespace songgen {

void make_bass(Instrument& ins);
void make_lead(Instrument& ins);
void make_pad(Instrument& ins);
void make_arp(Instrument& ins);
void make_bell(Instrument& ins);

}  // namespace songgen
