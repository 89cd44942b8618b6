// Stroke logo (not drawn yet).
#include "effects/subeffects.h"

void drawStrokeLogo(int, int, const ColourRecord &) {}
