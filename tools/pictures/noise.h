// Deterministic noise and random numbers: integer hashing only, so every run paints the same
// pictures (no library distributions, no global state).
#pragma once

#include <cstdint>

// A well-mixed 32-bit hash of a lattice point and a seed.
uint32_t hash3(int32_t x, int32_t y, uint32_t seed);
// Hash mapped to 0..1.
float hashUnit(int32_t x, int32_t y, uint32_t seed);
// Smooth value noise in 0..1 over the plane; lattice spacing 1.
float valueNoise(float x, float y, uint32_t seed);
// Fractal sum of `octaves` value-noise layers (each twice the frequency, half the weight), 0..1.
float fbm(float x, float y, int octaves, uint32_t seed);
// Ridged variant: sharp creases where the noise crosses its middle, 0..1.
float ridged(float x, float y, int octaves, uint32_t seed);

// A small sequential generator for scattering things (stars, rivets).
struct Rng {
    uint32_t state;
};
// Next value in 0..1.
float nextUnit(Rng& rng);
