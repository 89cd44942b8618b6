// Fireworks particles (not drawn yet).
#include "effects/subeffects.h"

void drawFireworksEffect(int, int, const ColourRecord &) {}
