#pragma once

#include <QList>
#include <QString>

// One record read from a zone file, in the service's terms: host relative to the domain ("@"
// for the apex), the API type string, the value as the service keeps it (targets without the
// final dot, TXT strings joined and unescaped).
struct ZoneRecord
{
    int line = 0; // where the record starts in the file, from 1
    QString host;
    QString type;
    QString value;
    int ttl = 0;
    int mx = 0; // MX only
    // A target written without its final dot that reads like a full name ("cdn.example.net"):
    // completed with the origin as the format says, but worth a warning.
    QString relativeTarget;
};

// A record of the file left out by rule (SOA, NS at the apex, a type the service lacks).
struct ZoneSkip
{
    int line = 0;
    QString host;
    QString type;
    QString reason;
};

// A fault that makes the whole file unusable; nothing of such a file is imported.
struct ZoneError
{
    int line = 0;
    QString message;
};

struct ZoneFile
{
    QList<ZoneRecord> records;
    QList<ZoneSkip> skipped;
    QList<ZoneError> errors;
};
