// The recipe table and the pitch and envelope helpers shared by all recipes.
#include "synth.h"

#include "synth_drum.h"
#include "synth_tone.h"

#include <algorithm>
#include <cmath>

namespace songgen {

namespace {

struct Recipe {
    const char* name;
    void (*make)(Instrument&);
};

constexpr Recipe kRecipes[] = {
    {"kick", make_kick},   {"snare", make_snare},         {"hat", make_hat},
    {"openhat", make_open_hat}, {"crash", make_crash},    {"revcrash", make_reverse_crash},
    {"bass", make_bass},   {"lead", make_lead},           {"pad", make_pad},
    {"arp", make_arp},     {"bell", make_bell},
};

}  // namespace

const std::vector<std::string>& recipe_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const Recipe& r : kRecipes) v.push_back(r.name);
        return v;
    }();
    return names;
}

bool synthesize(const std::string& recipe, Instrument& ins, std::string& error) {
    for (const Recipe& r : kRecipes) {
        if (recipe == r.name) {
            r.make(ins);
            return true;
        }
    }
    error = "unknown instrument recipe '" + recipe + "'";
    return false;
}

// With the linear frequency table, C-4 with no relative note plays at 8363 Hz; each semitone
// of relative note and each 1/128 of one in finetune moves that rate.
void set_c4_rate(Instrument& ins, double rate) {
    double semis = 12.0 * std::log2(rate / 8363.0);
    int whole = static_cast<int>(std::floor(semis));
    int fine = static_cast<int>(std::lround((semis - whole) * 128.0));
    if (fine >= 128) {
        whole += 1;
        fine -= 128;
    }
    ins.relative_note = whole;
    ins.finetune = fine;
}

Envelope adsr(int attack, int decay, int sustain, int release) {
    Envelope e;
    e.points.push_back({0, static_cast<uint16_t>(attack > 0 ? 0 : 64)});
    if (attack > 0) e.points.push_back({static_cast<uint16_t>(attack), 64});
    uint16_t t = static_cast<uint16_t>(attack + std::max(1, decay));
    e.points.push_back({t, static_cast<uint16_t>(sustain)});
    if (sustain > 0) {
        e.sustain = static_cast<int>(e.points.size()) - 1;
        e.points.push_back({static_cast<uint16_t>(t + std::max(1, release)), 0});
    }
    return e;
}

}  // namespace songgen
