// The show's random sequence; std::minstd_rand is exactly the generator it needs.
#include "platform/random.h"

#include <random>

namespace {
std::minstd_rand &generator() {
    static std::minstd_rand g(1);
    return g;
}
}  // namespace

long randomValue() { return static_cast<long>(generator()()); }

void seedRandom(unsigned long seed) { generator().seed(seed); }
