// Signal helpers for the recipes.
#include "synth_util.h"

#include <cmath>

namespace songgen {

double next_noise(Noise& n) {
    uint32_t x = n.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    n.state = x;
    return static_cast<double>(x) / 2147483648.0 - 1.0;
}

void lowpass(std::vector<double>& x, double cutoff) {
    double a = 1.0 - std::exp(-2.0 * kPi * cutoff / kRate);
    double y = 0.0;
    for (double& v : x) {
        y += a * (v - y);
        v = y;
    }
}

void highpass(std::vector<double>& x, double cutoff) {
    double a = 1.0 - std::exp(-2.0 * kPi * cutoff / kRate);
    double y = 0.0;
    for (double& v : x) {
        y += a * (v - y);
        v -= y;
    }
}

void fade_ends(std::vector<double>& x, int fade_in, int fade_out) {
    int n = static_cast<int>(x.size());
    for (int i = 0; i < fade_in && i < n; ++i) x[i] *= static_cast<double>(i) / fade_in;
    for (int i = 0; i < fade_out && i < n; ++i) x[n - 1 - i] *= static_cast<double>(i) / fade_out;
}

std::vector<int16_t> to_pcm(const std::vector<double>& x, double peak) {
    double max = 0.0;
    for (double v : x) max = std::fmax(max, std::fabs(v));
    double gain = max > 0.0 ? peak * 32767.0 / max : 0.0;
    std::vector<int16_t> out(x.size());
    for (size_t i = 0; i < x.size(); ++i) out[i] = static_cast<int16_t>(std::lround(x[i] * gain));
    return out;
}

size_t zero_crossing_after(const std::vector<double>& x, size_t from, size_t span) {
    size_t best = from;
    double best_abs = 1e30;
    for (size_t i = from; i + 1 < x.size() && i < from + span; ++i) {
        bool crosses = (x[i] <= 0.0 && x[i + 1] > 0.0);
        if (crosses && std::fabs(x[i]) < best_abs) {
            best = i;
            best_abs = std::fabs(x[i]);
        }
    }
    return best;
}

}  // namespace songgen
