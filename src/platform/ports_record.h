// The receiver's intake of one record: what a connection's bytes and their pacing make of
// it. Pure (no sockets, no clock of its own): the port layer's hub feeds it what each read
// gave and when; the fuzz target and the tests feed it bytes and times of their own.
#pragma once

#include <chrono>
#include <cstddef>

#include "platform/ports.h"

using Clock = std::chrono::steady_clock;

// One connection's record as it comes in, under the guard time. The hub feeds it what each
// read gave and the time of the read; nothing else decides whether a record is taken.
struct RecordIntake {
    Clock::time_point deadline;  // the record must be whole by then
    size_t got;
    bool decided;                // delivered or dropped: nothing more is taken
    unsigned char record[portRecordSize];
};

// What becomes of a connection after its latest read.
enum class IntakeStep { readMore, deliver, drop };

// Begins the record of a connection accepted at now.
void beginIntake(RecordIntake &in, Clock::time_point now);

// Takes what one read gave at now: n bytes (n > 0; bytes past the record's end are not
// taken), or the peer's end of the connection (n == 0). deliver: the record is whole, within
// the guard time, with a valid header; drop: it came late, was cut short or is malformed, and
// the connection is closed without an answer. After deliver or drop the intake is finished.
IntakeStep takeIntake(RecordIntake &in, const unsigned char *bytes, size_t n, Clock::time_point now);

// True when the guard time is up at now: a record not yet whole is then dropped.
bool intakeOverdue(const RecordIntake &in, Clock::time_point now);

// True when a record's header says what every record must: a message of 1048 bytes.
bool isValidRecord(const unsigned char record[portRecordSize]);
