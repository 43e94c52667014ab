#include "app/CrashClock.h"

#include <QDateTime>
#include <QTimeZone>

#include <limits>

UtcOffsetTable buildUtcOffsetTable(const QTimeZone &zone, int64_t nowSecs)
{
    UtcOffsetTable table;
    const QDateTime now = QDateTime::fromSecsSinceEpoch(nowSecs, Qt::UTC);
    table.fromUtc[0] = std::numeric_limits<int64_t>::min();
    table.offset[0] = zone.isValid() ? zone.offsetFromUtc(now) : 0;
    table.count = 1;
    if (!zone.isValid() || !zone.hasTransitions())
        return table;
    const auto transitions = zone.transitions(now, now.addDays(400));
    for (const QTimeZone::OffsetData &transition : transitions) {
        if (table.count == UtcOffsetTable::capacity)
            break;
        table.fromUtc[table.count] = transition.atUtc.toSecsSinceEpoch();
        table.offset[table.count] = transition.offsetFromUtc;
        ++table.count;
    }
    return table;
}

int32_t utcOffsetAt(const UtcOffsetTable &table, int64_t utcSecs)
{
    int32_t offset = 0;
    for (int i = 0; i < table.count && table.fromUtc[i] <= utcSecs; ++i)
        offset = table.offset[i];
    return offset;
}

void formatDumpName(int64_t localMs, char (&out)[dumpNameSize])
{
    constexpr int64_t msPerDay = 24 * 60 * 60 * 1000;
    int64_t ms = localMs % msPerDay;
    if (ms < 0)
        ms += msPerDay;
    const int values[] = {int(ms / 3600000), int(ms / 60000 % 60), int(ms / 1000 % 60)};
    char *p = out;
    for (const int value : values) {
        *p++ = char('0' + value / 10);
        *p++ = char('0' + value % 10);
    }
    *p++ = '.';
    const int millis = int(ms % 1000);
    *p++ = char('0' + millis / 100);
    *p++ = char('0' + millis / 10 % 10);
    *p++ = char('0' + millis % 10);
    for (const char c : {'.', 'q', 'c', 'p', '\0'})
        *p++ = c;
}
