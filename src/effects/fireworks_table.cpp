// The particle table and its relaunch schedule.
#include "effects/fireworks.h"

Particle fireworks[particleCount];

void clearFireworks() {
    for (Particle &p : fireworks) p = Particle{0, 0, 0, 0, 0, 0, 0};
}

bool relaunchedAt(int i, int time) {
    int k = time % relaunchPeriod;
    if (k < 0) k += relaunchPeriod;
    return (i - k) % relaunchPeriod == 0;
}
