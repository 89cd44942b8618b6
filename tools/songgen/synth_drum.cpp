// Drum recipes: swept sines and filtered noise with exponential decays. Every one is high-passed
// to remove DC and faded at both ends, and plays at its own rate on C-4.
#include "synth_drum.h"

#include "synth.h"
#include "synth_util.h"

#include <algorithm>
#include <cmath>

namespace songgen {

namespace {

std::vector<double> frames_for(double seconds) {
    return std::vector<double>(static_cast<size_t>(seconds * kRate), 0.0);
}

// Shared last steps of a one-shot: DC removal, fades, 16-bit data, C-4 at the native rate.
void finish(std::vector<double>& x, Instrument& ins, int fade_out) {
    highpass(x, 25.0);
    fade_ends(x, 8, fade_out);
    ins.data = to_pcm(x, 0.95);
    set_c4_rate(ins, kRate);
}

// Bright metallic noise: white noise plus a few detuned square partials, high-passed.
std::vector<double> metal(double seconds, double decay, uint32_t seed, double cutoff) {
    std::vector<double> x = frames_for(seconds);
    Noise noise{seed};
    const double partials[] = {3520.0, 4971.0, 6217.0, 7530.0};
    for (size_t n = 0; n < x.size(); ++n) {
        double s = static_cast<double>(n) / kRate;
        double v = next_noise(noise);
        for (double f : partials) v += 0.15 * (std::sin(2.0 * kPi * f * s) > 0.0 ? 1.0 : -1.0);
        x[n] = v * std::exp(-s / decay);
    }
    highpass(x, cutoff);
    highpass(x, cutoff);
    return x;
}

}  // namespace

// A sine sweeping down from 160 Hz to 48 Hz with a short click on top.
void make_kick(Instrument& ins) {
    std::vector<double> x = frames_for(0.5);
    Noise noise{0x1234567u};
    double phase = 0.0;
    for (size_t n = 0; n < x.size(); ++n) {
        double s = static_cast<double>(n) / kRate;
        double f = 48.0 + 112.0 * std::exp(-s / 0.035);
        phase += 2.0 * kPi * f / kRate;
        double body = std::sin(phase) * std::exp(-s / 0.28);
        double click = next_noise(noise) * std::exp(-s / 0.002) * 0.3;
        x[n] = std::tanh(1.6 * body) + click;
    }
    finish(x, ins, 2000);
}

// Band-limited noise over a short 190 Hz body.
void make_snare(Instrument& ins) {
    std::vector<double> x = frames_for(0.4);
    std::vector<double> n_part = frames_for(0.4);
    Noise noise{0xbeefu};
    for (size_t n = 0; n < x.size(); ++n) n_part[n] = next_noise(noise);
    highpass(n_part, 900.0);
    lowpass(n_part, 9000.0);
    for (size_t n = 0; n < x.size(); ++n) {
        double s = static_cast<double>(n) / kRate;
        double body = std::sin(2.0 * kPi * (190.0 * s - 20.0 * s * s)) * std::exp(-s / 0.045);
        x[n] = 0.9 * body + 1.4 * n_part[n] * std::exp(-s / 0.11);
    }
    finish(x, ins, 3000);
}

void make_hat(Instrument& ins) {
    std::vector<double> x = metal(0.12, 0.022, 0x51u, 6500.0);
    finish(x, ins, 600);
}

void make_open_hat(Instrument& ins) {
    std::vector<double> x = metal(0.5, 0.16, 0x52u, 6000.0);
    finish(x, ins, 4000);
}

// A long wash of bright noise.
void make_crash(Instrument& ins) {
    std::vector<double> x = metal(2.6, 0.75, 0x77u, 3500.0);
    finish(x, ins, 20000);
}

// The crash played backwards: swells into the beat it leads to.
void make_reverse_crash(Instrument& ins) {
    std::vector<double> x = metal(1.78, 0.75, 0x78u, 3500.0);
    std::reverse(x.begin(), x.end());
    highpass(x, 25.0);
    fade_ends(x, 20000, 400);
    ins.data = to_pcm(x, 0.95);
    set_c4_rate(ins, kRate);
}

}  // namespace songgen
