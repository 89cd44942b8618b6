// Font atlas addressing.
#include "effects/font.h"

GlyphCell glyphCell(unsigned char code) {
    int n = int(code) - 32;
    int column = n % 16, row = n / 16;  // truncating toward zero, as the atlas was laid out for
    double s0 = column * 0.0625, t0 = row * 0.0625;
    return GlyphCell{float(s0), float(s0 + 0.0625), float(t0), float(t0 + 0.0625)};
}
