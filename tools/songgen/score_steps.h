// The small grammar inside the score: steps of a phrase, phrase references, key=value options.
#pragma once

#include <string>
#include <vector>

namespace songgen {

// One row of a phrase before it is placed in a pattern.
struct Step {
    int note = 0;         // 0 none, 1..96, 97 key-off
    int volume = -1;      // -1 none, else 0..64
    int effect = -1;      // -1 none, else XM effect number
    int param = 0;
    std::string instrument;  // empty: the channel line's instrument
};

// Appends the rows one step token stands for; false with a reason when it is malformed.
bool parse_step(const std::string& token, std::vector<Step>& out, std::string& error);

// A reference to a phrase in a pattern line, or a rest when name is empty.
struct PhraseRef {
    std::string name;
    int transpose = 0;     // +T / -T semitones
    int rotate = 0;        // >N: the phrase starts N rows late, its last N rows wrapping to the front
    int volume_pct = 100;  // %P: explicit volumes scaled to P percent
    int repeat = 1;        // *R
    int rest_rows = 0;     // ~N instead of a phrase
};

bool parse_ref(const std::string& token, PhraseRef& ref, std::string& error);

// Splits "key=value"; false when there is no '='.
bool split_option(const std::string& token, std::string& key, std::string& value);

// Whole-string integer parse; false on anything else.
bool parse_int(const std::string& text, int& value);

// Whole-string decimal parse; false on anything else.
bool parse_double(const std::string& text, double& value);

// XM effect number of an effect letter or digit (0-9, A-Z), or -1.
int effect_number(char c);

// Note name such as "C-4" or "F#2" to 1..96, or 0 when it is not one.
int note_number(const std::string& name);

}  // namespace songgen
