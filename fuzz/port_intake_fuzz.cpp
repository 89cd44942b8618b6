// Fuzz target: the port receiver's intake of one connection, its bytes and their pacing.
// The input is a script of reads: for each, a pause before it and what it gave (some bytes,
// or the peer's end). The intake must deliver exactly the first 1048 bytes when they all came
// within the guard time and form a valid header, drop the connection otherwise, never take a
// byte past the record, and decide nothing more once it has decided.
//
// Input: one flag byte (bit 0: write a valid header into the stream, so that delivery paths
// are reached often), then reads of [pause, length] followed by length bytes. The pause is
// in steps of 8 ms (0 … 2040 ms), the length in steps of 5 bytes; length 0 is the peer's end.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/ports_record.h"

namespace {
// What the rules say should happen to a stream: its reads, each with the time it came.
struct Read {
    Clock::time_point at;
    std::vector<unsigned char> bytes;  // empty: the peer's end
};

bool headerValid(const unsigned char *record) {
    return record[8] == NT_MESSAGE && (record[18] | record[19] << 8) == portRecordSize;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    const bool forceValid = data[0] & 1;
    const Clock::time_point start{};
    const Clock::time_point guardEnd = start + std::chrono::milliseconds(portGuardMilliseconds);

    // The script, with the stream's bytes patched to a valid header when asked.
    std::vector<Read> reads;
    Clock::time_point t = start;
    size_t streamAt = 0;
    size_t i = 1;
    while (i + 2 <= size) {
        t += std::chrono::milliseconds(8 * data[i]);
        size_t length = 5 * size_t(data[i + 1]);
        i += 2;
        length = std::min(length, size - i);
        Read r{t, std::vector<unsigned char>(data + i, data + i + length)};
        i += length;
        for (size_t k = 0; k < r.bytes.size() && forceValid; ++k) {
            size_t at = streamAt + k;
            if (at == 8) r.bytes[k] = NT_MESSAGE;
            if (at == 18) r.bytes[k] = portRecordSize & 0xff;
            if (at == 19) r.bytes[k] = portRecordSize >> 8;
        }
        streamAt += r.bytes.size();
        reads.push_back(std::move(r));
        if (reads.back().bytes.empty()) break;
    }

    // The expected outcome, from the rules alone.
    std::vector<unsigned char> stream;
    bool expectDeliver = false;
    for (const Read &r : reads) {
        if (r.bytes.empty() || r.at > guardEnd) break;
        stream.insert(stream.end(), r.bytes.begin(), r.bytes.end());
        if (stream.size() >= portRecordSize) {
            expectDeliver = headerValid(stream.data());
            break;
        }
    }

    // The intake, fed the way the hub feeds it: never asked for more than the record lacks,
    // and dropped by the hub's timer when it is overdue between reads.
    static RecordIntake in;
    beginIntake(in, start);
    IntakeStep step = IntakeStep::readMore;
    bool overdue = false;
    for (const Read &r : reads) {
        if (intakeOverdue(in, r.at)) {
            step = IntakeStep::drop;
            overdue = true;
            break;
        }
        size_t asked = portRecordSize - in.got;
        size_t given = std::min(asked, r.bytes.size());
        size_t before = in.got;
        step = takeIntake(in, r.bytes.data(), given, r.at);
        if (in.got > portRecordSize || in.got < before) abort();
        if (step != IntakeStep::readMore) break;
        // Bytes past the record stay in the socket: a read never asks for them.
        if (given < r.bytes.size()) abort();
    }
    if (step == IntakeStep::readMore) return 0;  // the script ended with the connection open
    if ((step == IntakeStep::deliver) != expectDeliver) abort();
    if (step == IntakeStep::deliver && std::memcmp(in.record, stream.data(), portRecordSize) != 0) abort();
    if (overdue) {
        if (in.decided) abort();  // only the hub's timer dropped it
        return 0;
    }
    // Once decided, the intake takes nothing more.
    if (!in.decided || intakeOverdue(in, guardEnd + std::chrono::hours(1))) abort();
    size_t got = in.got;
    unsigned char extra[16] = {};
    if (takeIntake(in, extra, sizeof extra, start) != IntakeStep::drop || in.got != got) abort();
    return 0;
}
