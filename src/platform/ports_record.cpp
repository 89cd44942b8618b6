// A record coming in on a connection: bytes and the guard time decide whether it is taken.
// Pure (no sockets, no clock of its own), so that the receiver's rules can be fuzzed.
//
// Invariants: got never exceeds the record's size; a record is delivered only when all of its
// bytes came within the guard time and its header is valid; once delivered or dropped, an
// intake takes nothing more.
#include <algorithm>
#include <cstring>

#include "platform/ports_record.h"

void beginIntake(RecordIntake &in, Clock::time_point now) {
    in.deadline = now + std::chrono::milliseconds(portGuardMilliseconds);
    in.got = 0;
    in.decided = false;
}

bool intakeOverdue(const RecordIntake &in, Clock::time_point now) {
    return !in.decided && now > in.deadline;
}

IntakeStep takeIntake(RecordIntake &in, const unsigned char *bytes, size_t n, Clock::time_point now) {
    // A read that comes after the guard time is up may not complete a record: the peer was
    // too slow, whatever the bytes say.
    if (in.decided) return IntakeStep::drop;
    if (n == 0 || now > in.deadline) {
        in.decided = true;
        return IntakeStep::drop;
    }
    size_t take = std::min(n, portRecordSize - in.got);
    std::memcpy(in.record + in.got, bytes, take);
    in.got += take;
    if (in.got < portRecordSize) return IntakeStep::readMore;
    in.decided = true;
    return isValidRecord(in.record) ? IntakeStep::deliver : IntakeStep::drop;
}
