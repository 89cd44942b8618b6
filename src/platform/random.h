// The show's one source of random values: the minimal standard Lehmer generator
// (multiplier 48271, modulus 2147483647) from seed 1, so every run draws the same sequence.
#pragma once

// Largest value randomValue() can return; effects scale by it.
constexpr long randomMax = 2147483647;

// The next value of the sequence, 1 … 2147483646.
long randomValue();

// Restarts the sequence from the given seed (1 at program start).
void seedRandom(unsigned long seed);
