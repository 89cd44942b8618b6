// The score reader: walks the lines, keeps phrases by name, lays phrase steps into pattern cells,
// synthesises the instruments and collects the order list with its restart entry and marks.
#include "score.h"

#include "score_steps.h"
#include "synth.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace songgen {

namespace {

struct Reader {
    Song* song;
    bool samples;
    std::vector<std::string> channels;  // music channels; the control channel comes after
    std::map<std::string, std::vector<Step>> phrases;
    std::map<std::string, int> instruments;  // name -> 1-based number
    std::map<std::string, int> patterns;     // name -> index
    bool channels_seen = false;

    enum class Block { none, phrase, pattern, order } block = Block::none;
    std::string block_name;
    std::vector<Step> phrase_steps;
    // The pattern being read: its options and, per channel, the steps with their instruments.
    int rows = 64, bpm = 0, speed = 0, gvol = -1;
    std::vector<std::vector<std::pair<Step, int>>> lanes;
};

std::vector<std::string> split_words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string w;
    while (in >> w) {
        if (w != "|") words.push_back(w);
    }
    return words;
}

// A '#' opens a comment only at the start of a word, so sharps such as F#4 stay notes.
size_t comment_start(const std::string& line) {
    for (size_t i = 0; i < line.size(); ++i)
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) return i;
    return line.size();
}

bool valid_name(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) return false;
    }
    return true;
}

int channel_index(const Reader& r, const std::string& name) {
    for (size_t i = 0; i < r.channels.size(); ++i)
        if (r.channels[i] == name) return static_cast<int>(i);
    return -1;
}

// instrument <name> <recipe> [key=value ...]
bool read_instrument(Reader& r, const std::vector<std::string>& w, std::string& error) {
    if (w.size() < 3 || !valid_name(w[1])) {
        error = "instrument needs a name and a recipe";
        return false;
    }
    if (r.instruments.count(w[1])) {
        error = "instrument '" + w[1] + "' defined twice";
        return false;
    }
    Instrument ins;
    ins.name = w[1];
    if (r.samples && !synthesize(w[2], ins, error)) return false;
    for (size_t i = 3; i < w.size(); ++i) {
        std::string key, value;
        int v = 0;
        if (!split_option(w[i], key, value)) {
            error = "expected key=value, got '" + w[i] + "'";
            return false;
        }
        if (key == "env") {
            int a, d, s, rel;
            char c1, c2, c3;
            std::istringstream in(value);
            if (!(in >> a >> c1 >> d >> c2 >> s >> c3 >> rel) || c1 != ',' || c2 != ',' || c3 != ',' ||
                a < 0 || d < 0 || s < 0 || s > 64 || rel < 0 || a + d + rel > 2000) {
                error = "env needs attack,decay,sustain,release in ticks, sustain 0..64";
                return false;
            }
            ins.envelope = adsr(a, d, s, rel);
            continue;
        }
        if (!parse_int(value, v)) {
            error = "bad number in '" + w[i] + "'";
            return false;
        }
        struct Field { const char* key; int* target; int lo, hi; };
        const Field fields[] = {
            {"vol", &ins.volume, 0, 64},          {"pan", &ins.panning, 0, 255},
            {"fade", &ins.fadeout, 0, 0xfff},     {"vibdepth", &ins.vibrato_depth, 0, 15},
            {"vibrate", &ins.vibrato_rate, 0, 63}, {"vibsweep", &ins.vibrato_sweep, 0, 255},
        };
        bool known = false;
        for (const Field& f : fields) {
            if (key != f.key) continue;
            if (v < f.lo || v > f.hi) {
                error = "'" + key + "' out of range";
                return false;
            }
            *f.target = v;
            known = true;
        }
        if (!known) {
            error = "unknown instrument option '" + key + "'";
            return false;
        }
    }
    r.song->instruments.push_back(ins);
    r.instruments[w[1]] = static_cast<int>(r.song->instruments.size());
    return true;
}

// pattern <name> [rows=N] [bpm=N] [speed=N] [gvol=N]
bool begin_pattern(Reader& r, const std::vector<std::string>& w, std::string& error) {
    if (!r.channels_seen) {
        error = "channels must come before the first pattern";
        return false;
    }
    if (w.size() < 2 || !valid_name(w[1]) || r.patterns.count(w[1])) {
        error = "pattern needs a new name";
        return false;
    }
    r.block = Reader::Block::pattern;
    r.block_name = w[1];
    r.rows = 64;
    r.bpm = r.speed = 0;
    r.gvol = -1;
    r.lanes.assign(r.channels.size(), {});
    for (size_t i = 2; i < w.size(); ++i) {
        std::string key, value;
        int v = 0;
        if (!split_option(w[i], key, value) || !parse_int(value, v)) {
            error = "bad pattern option '" + w[i] + "'";
            return false;
        }
        bool ok = true;
        if (key == "rows") { r.rows = v; ok = v >= 1 && v <= 256; }
        else if (key == "bpm") { r.bpm = v; ok = v >= 32 && v <= 255; }
        else if (key == "speed") { r.speed = v; ok = v >= 1 && v <= 31; }
        else if (key == "gvol") { r.gvol = v; ok = v >= 0 && v <= 64; }
        else ok = false;
        if (!ok) {
            error = "bad pattern option '" + w[i] + "'";
            return false;
        }
    }
    return true;
}

// Applies a reference's %P: explicit volumes are scaled, and notes without one get P percent of
// their instrument's default volume.
void scale_volume(const Song& song, Step& s, int instrument, int pct) {
    if (pct == 100) return;
    if (s.volume >= 0) s.volume = std::min(64, (s.volume * pct + 50) / 100);
    else if (s.note >= 1 && s.note <= 96)
        s.volume = std::min(64, (song.instruments[static_cast<size_t>(instrument - 1)].volume * pct + 50) / 100);
}

// <channel> <instrument> <ref> ...
bool read_lane(Reader& r, const std::vector<std::string>& w, std::string& error) {
    int ch = channel_index(r, w[0]);
    if (ch < 0 || w.size() < 3) {
        error = ch < 0 ? "unknown channel '" + w[0] + "'" : "a channel line needs an instrument and phrases";
        return false;
    }
    auto ins = r.instruments.find(w[1]);
    if (ins == r.instruments.end()) {
        error = "unknown instrument '" + w[1] + "'";
        return false;
    }
    for (size_t i = 2; i < w.size(); ++i) {
        PhraseRef ref;
        if (!parse_ref(w[i], ref, error)) return false;
        if (ref.rest_rows) {
            r.lanes[ch].insert(r.lanes[ch].end(), static_cast<size_t>(ref.rest_rows), {Step{}, 0});
            continue;
        }
        auto ph = r.phrases.find(ref.name);
        if (ph == r.phrases.end()) {
            error = "unknown phrase '" + ref.name + "'";
            return false;
        }
        const std::vector<Step>& steps = ph->second;
        size_t count = steps.size();
        for (int rep = 0; rep < ref.repeat; ++rep) {
            for (size_t k = 0; k < count; ++k) {
                Step s = steps[(k + count - static_cast<size_t>(ref.rotate) % count) % count];
                if (s.note >= 1 && s.note <= 96) {
                    s.note += ref.transpose;
                    if (s.note < 1 || s.note > 96) {
                        error = "transposing '" + w[i] + "' leaves the note range";
                        return false;
                    }
                }
                int number = ins->second;
                if (!s.instrument.empty()) {
                    auto other = r.instruments.find(s.instrument);
                    if (other == r.instruments.end()) {
                        error = "unknown instrument '" + s.instrument + "'";
                        return false;
                    }
                    number = other->second;
                }
                scale_volume(*r.song, s, number, ref.volume_pct);
                r.lanes[ch].push_back({s, number});
            }
        }
    }
    return true;
}

// Puts a tempo or volume command in the first free effect column of row 0, from the control
// channel leftwards.
bool place_control(Pattern& p, int channels, int effect, int param, std::string& error) {
    for (int ch = channels - 1; ch >= 0; --ch) {
        Cell& c = p.cells[ch];
        if (c.effect == 0 && c.param == 0) {
            c.effect = static_cast<uint8_t>(effect);
            c.param = static_cast<uint8_t>(param);
            return true;
        }
    }
    error = "no free effect column on the first row of pattern " + p.name;
    return false;
}

// Lays each channel's steps into the cells, repeating them to fill the pattern.
bool end_pattern(Reader& r, std::string& error) {
    Song& song = *r.song;
    Pattern p;
    p.name = r.block_name;
    p.rows = r.rows;
    p.cells.assign(static_cast<size_t>(r.rows * song.channels), Cell{});
    for (size_t ch = 0; ch < r.lanes.size(); ++ch) {
        const auto& lane = r.lanes[ch];
        if (lane.empty()) continue;
        if (lane.size() > static_cast<size_t>(r.rows)) {
            error = "channel " + r.channels[ch] + " has more steps than pattern " + p.name + " has rows";
            return false;
        }
        for (int row = 0; row < r.rows; ++row) {
            const auto& [s, number] = lane[static_cast<size_t>(row) % lane.size()];
            Cell& c = p.cells[static_cast<size_t>(row * song.channels) + ch];
            c.note = static_cast<uint8_t>(s.note);
            if (s.note >= 1 && s.note <= 96) c.instrument = static_cast<uint8_t>(number);
            if (s.volume >= 0) c.volume = static_cast<uint8_t>(0x10 + s.volume);
            if (s.effect >= 0) {
                c.effect = static_cast<uint8_t>(s.effect);
                c.param = static_cast<uint8_t>(s.param);
            }
        }
    }
    if (r.speed && !place_control(p, song.channels, 0x0f, r.speed, error)) return false;
    if (r.bpm && !place_control(p, song.channels, 0x0f, r.bpm, error)) return false;
    if (r.gvol >= 0 && !place_control(p, song.channels, 0x10, r.gvol, error)) return false;
    r.patterns[p.name] = static_cast<int>(song.patterns.size());
    song.patterns.push_back(p);
    return true;
}

// <pattern> [restart] [mark=S[@row]] ...
bool read_order(Reader& r, const std::vector<std::string>& w, std::string& error) {
    auto p = r.patterns.find(w[0]);
    if (p == r.patterns.end()) {
        error = "unknown pattern '" + w[0] + "'";
        return false;
    }
    Song& song = *r.song;
    int order = static_cast<int>(song.orders.size());
    song.orders.push_back(p->second);
    for (size_t i = 1; i < w.size(); ++i) {
        std::string key, value;
        if (w[i] == "restart") {
            song.restart = order;
            continue;
        }
        if (!split_option(w[i], key, value) || key != "mark") {
            error = "bad order option '" + w[i] + "'";
            return false;
        }
        Mark m;
        m.order = order;
        size_t at = value.find('@');
        bool ok = parse_double(value.substr(0, at), m.seconds) && m.seconds >= 0.0;
        if (ok && at != std::string::npos) ok = parse_int(value.substr(at + 1), m.row);
        if (!ok || m.row < 0 || m.row >= song.patterns[p->second].rows) {
            error = "bad mark '" + w[i] + "'";
            return false;
        }
        song.marks.push_back(m);
    }
    return true;
}

// Ends the phrase being read; an empty phrase is a fault.
bool close_phrase(Reader& r, std::string& error) {
    r.block = Reader::Block::none;
    if (r.phrase_steps.empty()) {
        error = "phrase " + r.block_name + " is empty";
        return false;
    }
    r.phrases[r.block_name] = r.phrase_steps;
    return true;
}

// Steps of a phrase from word `first` on; a closing "end" may stand last on the line.
bool read_phrase_steps(Reader& r, const std::vector<std::string>& w, size_t first, std::string& error) {
    for (size_t i = first; i < w.size(); ++i) {
        if (w[i] == "end" && i + 1 == w.size()) return close_phrase(r, error);
        if (!parse_step(w[i], r.phrase_steps, error)) return false;
    }
    return true;
}

// A line outside any block: song settings, an instrument, or the start of a block.
bool read_header(Reader& r, const std::vector<std::string>& w, std::string& error) {
    Song& song = *r.song;
    const std::string& k = w[0];
    if (k == "song") {
        song.name.clear();
        for (size_t i = 1; i < w.size(); ++i) song.name += (i > 1 ? " " : "") + w[i];
        return true;
    }
    if (k == "channels") {
        if (r.channels_seen || w.size() < 2 || w.size() > 32) {
            error = "channels: give 1..31 names, once";
            return false;
        }
        for (size_t i = 1; i < w.size(); ++i) {
            if (!valid_name(w[i]) || channel_index(r, w[i]) >= 0) {
                error = "bad or repeated channel name '" + w[i] + "'";
                return false;
            }
            r.channels.push_back(w[i]);
        }
        song.channels = static_cast<int>(r.channels.size()) + 1;
        r.channels_seen = true;
        return true;
    }
    if (k == "speed" || k == "bpm") {
        int v = 0;
        if (w.size() != 2 || !parse_int(w[1], v)) {
            error = k + " needs one number";
            return false;
        }
        (k == "speed" ? song.speed : song.bpm) = v;
        return true;
    }
    if (k == "instrument") return read_instrument(r, w, error);
    if (k == "pattern") return begin_pattern(r, w, error);
    if (k == "phrase") {
        if (w.size() < 2 || !valid_name(w[1]) || r.phrases.count(w[1])) {
            error = "phrase needs a new name";
            return false;
        }
        r.block = Reader::Block::phrase;
        r.block_name = w[1];
        r.phrase_steps.clear();
        return read_phrase_steps(r, w, 2, error);
    }
    if (k == "order" && w.size() == 1) {
        r.block = Reader::Block::order;
        return true;
    }
    error = "unknown line '" + k + "'";
    return false;
}

// Sends a line to the reader of the block it stands in.
bool read_line(Reader& r, const std::vector<std::string>& w, std::string& error) {
    if (r.block == Reader::Block::none) return read_header(r, w, error);
    if (w[0] == "end" && w.size() == 1) {
        Reader::Block b = r.block;
        r.block = Reader::Block::none;
        if (b == Reader::Block::phrase) return close_phrase(r, error);
        if (b == Reader::Block::pattern) return end_pattern(r, error);
        return true;
    }
    if (r.block == Reader::Block::phrase) return read_phrase_steps(r, w, 0, error);
    if (r.block == Reader::Block::pattern) return read_lane(r, w, error);
    return read_order(r, w, error);
}

}  // namespace

bool parse_score(const std::string& text, bool samples, Song& song, std::string& error) {
    song = Song{};
    Reader r;
    r.song = &song;
    r.samples = samples;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line.erase(comment_start(line));
        std::vector<std::string> w = split_words(line);
        if (w.empty()) continue;
        if (!read_line(r, w, error)) {
            error = "line " + std::to_string(number) + ": " + error;
            return false;
        }
    }
    if (r.block != Reader::Block::none) error = "the last block has no 'end'";
    else if (song.orders.empty()) error = "the order list is empty";
    else if (song.marks.size() > 1) {
        for (size_t i = 1; i < song.marks.size(); ++i)
            if (song.marks[i].seconds <= song.marks[i - 1].seconds) error = "marks must rise in time";
    }
    return error.empty();
}

bool load_score(const std::string& path, bool samples, Song& song, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parse_score(text.str(), samples, song, error);
}

}  // namespace songgen
