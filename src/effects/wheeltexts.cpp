// Wheel texts (not drawn yet).
#include "effects/subeffects.h"

void drawWheelTexts(int, int, const ColourRecord &) {}
