// The star field: 500 tumbling sprites in a hollow cube, turning and wobbling as a whole.
#include "effects/stars.h"

#include "platform/random.h"

Star stars[starCount];

namespace {
// A fresh coordinate between −5 and 5.
float randomCoordinate() { return static_cast<float>(5.0 - 10.0 * (double(randomValue()) / double(randomMax))); }

bool insideInnerCube(const Star &s) {
    return s.x > -2.5f && s.x < 2.5f && s.y > -2.5f && s.y < 2.5f && s.z > -2.5f && s.z < 2.5f;
}
}  // namespace

void placeStars() {
    for (Star &s : stars) {
        do {
            s.x = randomCoordinate();
            s.y = randomCoordinate();
            s.z = randomCoordinate();
        } while (insideInnerCube(s));
    }
}

void drawStars(int, ColourRecord, int) {}
