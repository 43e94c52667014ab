#pragma once

#include <cstdint>

class QTimeZone;

// The local zone's offsets from UTC, laid out so that a signal handler can turn the clock into
// local time without locks, allocation or time-zone files.
struct UtcOffsetTable
{
    static constexpr int capacity = 32;
    int count = 0;
    int64_t fromUtc[capacity] = {}; // seconds since the epoch from which offset[i] holds
    int32_t offset[capacity] = {};  // seconds east of UTC
};

// The offsets of the zone from nowSecs on, covering the transitions of the next 400 days.
UtcOffsetTable buildUtcOffsetTable(const QTimeZone &zone, int64_t nowSecs);

// The offset in force at utcSecs; 0 for an empty table. Async-signal-safe.
int32_t utcOffsetAt(const UtcOffsetTable &table, int64_t utcSecs);

// Writes "HHmmss.zzz.qcp" and a terminating zero for a local time given in milliseconds since
// the epoch. Async-signal-safe.
constexpr int dumpNameSize = 15;
void formatDumpName(int64_t localMs, char (&out)[dumpNameSize]);
