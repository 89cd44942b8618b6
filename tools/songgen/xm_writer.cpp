// XM writer: the module header, packed patterns and single-sample instruments with
// delta-coded 16-bit sample data, little-endian throughout.
#include "xm_writer.h"

#include <cstdio>

namespace songgen {

namespace {

constexpr int kInstrumentHeaderSize = 263;  // what FastTracker 2 itself writes
constexpr int kSampleHeaderSize = 40;

void put8(std::vector<uint8_t>& out, int v) { out.push_back(static_cast<uint8_t>(v & 0xff)); }

void put16(std::vector<uint8_t>& out, int v) {
    put8(out, v);
    put8(out, v >> 8);
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, static_cast<int>(v & 0xffff));
    put16(out, static_cast<int>(v >> 16));
}

// Fixed-width text field padded with zero bytes (the caller has checked the length).
void put_text(std::vector<uint8_t>& out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) put8(out, i < text.size() ? text[i] : 0);
}

// XM packing: a cell with every field present is stored raw (5 bytes); otherwise a flag byte
// with bit 7 set says which of the five fields follow.
void pack_cell(std::vector<uint8_t>& out, const Cell& c) {
    int flags = 0x80;
    if (c.note) flags |= 0x01;
    if (c.instrument) flags |= 0x02;
    if (c.volume) flags |= 0x04;
    if (c.effect) flags |= 0x08;
    if (c.param) flags |= 0x10;
    if (flags == 0x9f) {
        put8(out, c.note);
        put8(out, c.instrument);
        put8(out, c.volume);
        put8(out, c.effect);
        put8(out, c.param);
        return;
    }
    put8(out, flags);
    if (c.note) put8(out, c.note);
    if (c.instrument) put8(out, c.instrument);
    if (c.volume) put8(out, c.volume);
    if (c.effect) put8(out, c.effect);
    if (c.param) put8(out, c.param);
}

void put_pattern(std::vector<uint8_t>& out, const Pattern& p) {
    std::vector<uint8_t> packed;
    for (const Cell& c : p.cells) pack_cell(packed, c);
    put32(out, 9);  // pattern header length
    put8(out, 0);   // packing type
    put16(out, p.rows);
    put16(out, static_cast<int>(packed.size()));
    out.insert(out.end(), packed.begin(), packed.end());
}

void put_envelope(std::vector<uint8_t>& out, const Envelope& env) {
    for (size_t i = 0; i < 12; ++i) {
        if (i < env.points.size()) {
            put16(out, env.points[i].tick);
            put16(out, env.points[i].value);
        } else {
            put32(out, 0);
        }
    }
}

void put_instrument(std::vector<uint8_t>& out, const Instrument& ins) {
    size_t start = out.size();
    put32(out, kInstrumentHeaderSize);
    put_text(out, ins.name, 22);
    put8(out, 0);   // type
    put16(out, 1);  // one sample
    put32(out, kSampleHeaderSize);
    for (int i = 0; i < 96; ++i) put8(out, 0);  // every note plays sample 0
    put_envelope(out, ins.envelope);
    put_envelope(out, Envelope{});  // no panning envelope
    put8(out, static_cast<int>(ins.envelope.points.size()));
    put8(out, 0);
    put8(out, ins.envelope.sustain < 0 ? 0 : ins.envelope.sustain);
    put8(out, 0);  // volume loop start
    put8(out, 0);  // volume loop end
    put8(out, 0);  // panning sustain, loop start, loop end
    put8(out, 0);
    put8(out, 0);
    int vol_type = 0;
    if (!ins.envelope.points.empty()) vol_type |= 1;
    if (ins.envelope.sustain >= 0) vol_type |= 2;
    put8(out, vol_type);
    put8(out, 0);  // panning envelope type
    put8(out, ins.vibrato_type);
    put8(out, ins.vibrato_sweep);
    put8(out, ins.vibrato_depth);
    put8(out, ins.vibrato_rate);
    put16(out, ins.fadeout);
    while (out.size() - start < static_cast<size_t>(kInstrumentHeaderSize)) put8(out, 0);

    // Sample header: lengths in bytes for 16-bit data.
    put32(out, static_cast<uint32_t>(ins.data.size() * 2));
    put32(out, ins.loop_start * 2);
    put32(out, ins.loop_length * 2);
    put8(out, ins.volume);
    put8(out, ins.finetune);
    put8(out, (ins.loop_length ? 0x01 : 0x00) | 0x10);
    put8(out, ins.panning);
    put8(out, ins.relative_note);
    put8(out, 0);
    put_text(out, ins.name, 22);

    int16_t previous = 0;
    for (int16_t s : ins.data) {
        put16(out, static_cast<uint16_t>(s - previous));
        previous = s;
    }
}

// Checks the limits the format and the common replayers hold to.
bool check_limits(const Song& song, std::string& error) {
    if (song.channels < 1 || song.channels > 32) error = "channel count must be 1..32";
    else if (song.patterns.empty() || song.patterns.size() > 256) error = "pattern count must be 1..256";
    else if (song.orders.empty() || song.orders.size() > 256) error = "order count must be 1..256";
    else if (song.instruments.size() > 128) error = "at most 128 instruments";
    else if (song.restart < 0 || song.restart >= static_cast<int>(song.orders.size()))
        error = "restart position outside the order list";
    else if (song.name.size() > 20) error = "song name longer than 20 characters";
    else if (song.speed < 1 || song.speed > 31 || song.bpm < 32 || song.bpm > 255)
        error = "speed must be 1..31 and bpm 32..255";
    if (!error.empty()) return false;
    for (const Pattern& p : song.patterns) {
        if (p.rows < 1 || p.rows > 256 || p.cells.size() != static_cast<size_t>(p.rows * song.channels)) {
            error = "pattern " + p.name + " has a bad row count";
            return false;
        }
    }
    for (int o : song.orders) {
        if (o < 0 || o >= static_cast<int>(song.patterns.size())) {
            error = "order list names a missing pattern";
            return false;
        }
    }
    for (const Instrument& ins : song.instruments) {
        if (ins.name.size() > 22) error = "instrument name longer than 22 characters: " + ins.name;
        else if (ins.envelope.points.size() > 12) error = "envelope with more than 12 points: " + ins.name;
        else if (ins.loop_length && ins.loop_start + ins.loop_length > ins.data.size())
            error = "loop past the end of the sample: " + ins.name;
        if (!error.empty()) return false;
    }
    return true;
}

}  // namespace

bool write_xm(const Song& song, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    if (!check_limits(song, error)) return false;
    put_text(out, "Extended Module: ", 17);
    put_text(out, song.name, 20);
    put8(out, 0x1a);
    put_text(out, "Corvalis songgen", 20);
    put16(out, 0x0104);
    put32(out, 276);  // header size, counted from this field
    put16(out, static_cast<int>(song.orders.size()));
    put16(out, song.restart);
    put16(out, song.channels);
    put16(out, static_cast<int>(song.patterns.size()));
    put16(out, static_cast<int>(song.instruments.size()));
    put16(out, 1);  // linear frequency table
    put16(out, song.speed);
    put16(out, song.bpm);
    for (int i = 0; i < 256; ++i) put8(out, i < static_cast<int>(song.orders.size()) ? song.orders[i] : 0);
    for (const Pattern& p : song.patterns) put_pattern(out, p);
    for (const Instrument& ins : song.instruments) put_instrument(out, ins);
    return true;
}

bool save_file(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot open " + path + " for writing";
        return false;
    }
    size_t written = std::fwrite(bytes.data(), 1, bytes.size(), f);
    bool ok = std::fclose(f) == 0 && written == bytes.size();
    if (!ok) error = "cannot write " + path;
    return ok;
}

}  // namespace songgen
