// The particle table shared by the fireworks, the greetings sparks and the logo sparks.
#pragma once

struct Particle {
    float life;  // drawn as alpha; moved and aged only while above 0 (fireworks, greetings)
    float x, y, z;
    float vx, vy, vz;
};

constexpr int particleCount = 400;
// A record is relaunched in the frames whose demo time is congruent to its index modulo this.
constexpr int relaunchPeriod = 50;

extern Particle fireworks[particleCount];

// Sets every field of every record to 0 (start-up).
void clearFireworks();

// True when record i is relaunched in a frame of demo time `time`.
bool relaunchedAt(int i, int time);
