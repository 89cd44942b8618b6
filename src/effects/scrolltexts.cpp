// The scroller texts (placeholders until the scrollers arrive).
#include "effects/scrolltexts.h"

const char defaultScroller[] = " ";
const char endScroller[] = " ";
