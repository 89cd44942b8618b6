// Greetings wipe (not drawn yet).
#include "effects/subeffects.h"

void drawGreetings(int, int, const ColourRecord &) {}
