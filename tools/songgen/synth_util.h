// Small signal helpers shared by the drum and tone recipes: noise, filters, fades, scaling.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace songgen {

constexpr double kRate = 44100.0;
constexpr double kPi = 3.14159265358979323846;

// xorshift32 white noise in [-1, 1); the same seed always gives the same sequence.
struct Noise {
    uint32_t state;
};
double next_noise(Noise& n);

// One-pole low-pass with its cutoff in Hz, in place.
void lowpass(std::vector<double>& x, double cutoff);

// One-pole high-pass (the input minus its low-passed self), in place; also removes DC.
void highpass(std::vector<double>& x, double cutoff);

// Linear fades at both ends so a one-shot starts and stops at zero.
void fade_ends(std::vector<double>& x, int fade_in, int fade_out);

// Scales to the given peak (0..1 of full scale) and rounds to 16 bits.
std::vector<int16_t> to_pcm(const std::vector<double>& x, double peak);

// Index of the sample nearest zero among sign changes at or after from, within span samples.
size_t zero_crossing_after(const std::vector<double>& x, size_t from, size_t span);

}  // namespace songgen
