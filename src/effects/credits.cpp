// Credits screen (not drawn yet).
#include "effects/subeffects.h"

void drawCredits(int, int, const ColourRecord &) {}
