#pragma once

#include "client/Types.h"

#include <QString>

// A host as the service treats it: without case and trailing dots, "@" for the apex.
QString normalizedHost(const QString &host);

// A name without case and trailing dots.
QString normalizedName(const QString &name);

// A record value in the form two equal values share: names (CNAME, MX, NS) without case and
// trailing dots, IPv6 addresses written canonically, anything else as given.
QString normalizedValue(const QString &type, const QString &value);

// Whether a and b are the same record for the service: host, type, line, value (normalized)
// and TTL agree, and MX for type MX. Ids and the paused state do not count.
bool sameRecord(const Record &a, const Record &b);

// sameRecord, and the paused state agrees too: what undo compares a live record with.
bool sameLiveRecord(const Record &a, const Record &b);
