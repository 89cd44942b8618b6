// The scroller texts. Each opens with 43 blanks so that it enters from the right edge; their
// lengths and runs of blanks set when each word shows, so keep them when rewording.
#include "effects/scrolltexts.h"

const char defaultScroller[] =
    "                                           "
    "THE ORBITAL WANDERERS ARE BACK WITH A NEW DEMO!  RELEASED AT NORTHWAVE 1998..."
    "                 ";

const char endScroller[] =
    "                                           "
    "MORE GREETINGS GO TO - THE CRYSTAL ALCHEMISTS - MIRELLA (THE PIXEL QUEEN) - EVERYONE AT NORTHWAVE! "
    "\"CORVALIS\" WAS CODED ENTIRELY AT THE PARTY, EXCEPT FOR THIS SCROLLER, WHICH IS WHY IT IS NOT "
    "OPTIMISED AT ALL..."
    "               "
    "BYE!"
    "                                         "
    "                                         ";

static_assert(sizeof defaultScroller - 1 == 138, "the opening text is 138 characters");
static_assert(sizeof endScroller - 1 == 355, "the closing text is 355 characters");
