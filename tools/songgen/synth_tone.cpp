// Pitched recipes. A tone is a few oscillators, each with a whole number of cycles in a loop of
// `period` frames, summed from sine harmonics read from one table, so the signal repeats exactly
// every `period` frames once its brightness sweep has settled. The loop starts at the first
// rising zero crossing after the sweep and is one period long: seamless and click-free. Sine
// harmonics carry no DC.
#include "synth_tone.h"

#include "synth.h"
#include "synth_util.h"

#include <cmath>

namespace songgen {

namespace {

enum class Wave { saw, square, sine };

struct Osc {
    int cycles;  // per period
    double gain;
    Wave wave;
};

struct Tone {
    int period;               // frames of the exact repeat
    double fundamental;       // Hz of the note the sample stands for
    std::vector<Osc> oscs;
    double cutoff_start;      // Hz, at the first frame
    double cutoff_end;        // Hz, from `sweep` seconds on
    double sweep;             // seconds
    double max_partial = 9000.0;  // Hz; partials above are left out
    double drive = 0.0;           // soft saturation: 0 none, else tanh(drive * x / peak)
};

double wave_amp(Wave w, int k) {
    switch (w) {
    case Wave::saw: return 1.0 / k;
    case Wave::square: return (k % 2) ? 1.0 / k : 0.0;
    case Wave::sine: return k == 1 ? 1.0 : 0.0;
    }
    return 0.0;
}

// Gentle two-pole low-pass response at f for cutoff fc.
double response(double f, double fc) {
    double r = f / fc;
    return 1.0 / std::sqrt(1.0 + r * r * r * r);
}

double cutoff_at(const Tone& t, double seconds) {
    if (seconds >= t.sweep) return t.cutoff_end;
    double u = 1.0 - seconds / t.sweep;
    return t.cutoff_end + (t.cutoff_start - t.cutoff_end) * u * u;
}

// Renders the sweep and one period after it, sets the loop and the pitch mapping.
void render_tone(const Tone& t, Instrument& ins) {
    std::vector<double> table(t.period);
    for (int i = 0; i < t.period; ++i) table[i] = std::sin(2.0 * kPi * i / t.period);
    size_t settle = static_cast<size_t>(t.sweep * kRate);
    size_t frames = settle + 2 * static_cast<size_t>(t.period);
    std::vector<double> x(frames, 0.0);
    double base_cycles = t.fundamental * t.period / kRate;
    for (size_t n = 0; n < frames; ++n) {
        double fc = cutoff_at(t, static_cast<double>(n) / kRate);
        double v = 0.0;
        for (const Osc& o : t.oscs) {
            double f1 = kRate * o.cycles / t.period;
            for (int k = 1; k * f1 < t.max_partial; ++k) {
                double a = wave_amp(o.wave, k);
                if (a == 0.0) continue;
                long long idx = (static_cast<long long>(k) * o.cycles * static_cast<long long>(n)) % t.period;
                v += o.gain * a * response(k * f1, fc) * table[static_cast<size_t>(idx)];
            }
        }
        x[n] = v;
    }
    // tanh is odd and applied frame by frame, so the wave stays periodic, DC-free and zero at
    // its zero crossings; it thickens the tone at the same peak.
    if (t.drive > 0.0) {
        double peak = 0.0;
        for (double v : x) peak = std::fmax(peak, std::fabs(v));
        for (double& v : x) v = std::tanh(t.drive * v / peak);
    }
    size_t start = zero_crossing_after(x, settle, t.period);
    x.resize(start + t.period);
    fade_ends(x, 32, 0);
    ins.data = to_pcm(x, 0.9);
    ins.loop_start = static_cast<uint32_t>(start);
    ins.loop_length = static_cast<uint32_t>(t.period);
    set_c4_rate(ins, kRate * 261.6255653 / (kRate * base_cycles / t.period));
}

}  // namespace

// Saw with a sub-octave sine; the filter closes quickly like a plucked analogue bass.
void make_bass(Instrument& ins) {
    Tone t{1024, kRate * 2 / 1024, {{2, 1.0, Wave::saw}, {1, 0.45, Wave::sine}}, 3200.0, 480.0, 0.22};
    render_tone(t, ins);
    ins.envelope = adsr(0, 10, 44, 4);
    ins.fadeout = 0x800;
}

// Two saws a few cents apart with a square under them, driven into soft saturation; a bright
// attack that settles.
void make_lead(Instrument& ins) {
    Tone t{32768, kRate * 256 / 32768,
           {{255, 0.7, Wave::saw}, {257, 0.7, Wave::saw}, {256, 0.35, Wave::square}}, 7000.0, 2600.0, 0.12};
    t.drive = 2.5;
    render_tone(t, ins);
    ins.envelope = adsr(1, 16, 44, 12);
    ins.fadeout = 0x400;
    ins.vibrato_type = 0;
    ins.vibrato_sweep = 40;
    ins.vibrato_depth = 3;
    ins.vibrato_rate = 10;
}

// Three detuned saws and a quiet octave: a slow chorus that beats a few times a second.
void make_pad(Instrument& ins) {
    Tone t{32768, kRate * 128 / 32768,
           {{127, 0.6, Wave::saw}, {128, 0.6, Wave::saw}, {129, 0.6, Wave::saw}, {257, 0.25, Wave::saw}},
           1500.0, 1500.0, 0.0, 6000.0};
    render_tone(t, ins);
    ins.envelope = adsr(24, 16, 52, 40);
    ins.fadeout = 0x200;
}

// A square pluck whose brightness drops fast; the envelope lets it ring briefly.
void make_arp(Instrument& ins) {
    Tone t{256, kRate * 2 / 256, {{2, 1.0, Wave::square}}, 9000.0, 1400.0, 0.18};
    render_tone(t, ins);
    ins.envelope = adsr(0, 14, 0, 0);
    ins.fadeout = 0x800;
}

// Inharmonic partials that die away at their own rates: a soft glassy bell, one shot.
void make_bell(Instrument& ins) {
    const double f0 = 523.2511306;
    const double ratios[] = {1.0, 2.0, 2.76, 4.07, 5.40, 8.93};
    const double gains[] = {1.0, 0.45, 0.35, 0.2, 0.12, 0.06};
    const double decays[] = {1.2, 0.8, 0.5, 0.35, 0.25, 0.15};
    size_t frames = static_cast<size_t>(2.2 * kRate);
    std::vector<double> x(frames, 0.0);
    for (size_t n = 0; n < frames; ++n) {
        double s = static_cast<double>(n) / kRate;
        double v = 0.0;
        for (int p = 0; p < 6; ++p)
            v += gains[p] * std::exp(-s / decays[p]) * std::sin(2.0 * kPi * f0 * ratios[p] * s);
        x[n] = v;
    }
    fade_ends(x, 32, static_cast<int>(0.3 * kRate));
    ins.data = to_pcm(x, 0.9);
    set_c4_rate(ins, kRate * 261.6255653 / f0);
}

}  // namespace songgen
