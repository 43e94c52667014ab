#pragma once

#include "client/Types.h"

// A record as the service lists it: id, host, type and value on line (its view the same) with
// ttl; the rest left at its default.
inline Record testRecord(int id, const QString &host, const QString &type, const QString &value,
                         int line = 0, int ttl = 600)
{
    Record r;
    r.id = id;
    r.host = host;
    r.type = type;
    r.value = value;
    r.setLine(line);
    r.ttl = ttl;
    return r;
}
