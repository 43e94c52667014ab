#pragma once

#include "client/Types.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Why a record of the service cannot be written as a zone file record (the writer keeps it as
// a comment, and an import never deletes it); empty when it can.
QString zoneExportProblem(Record r);

struct ZoneExport
{
    QByteArray text;
    int written = 0;    // records written as records
    int paused = 0;     // paused records, written as comments
    int unwritable = 0; // records kept as comments with the reason
};

// The records of domain on line lineID as a zone file: $ORIGIN and $TTL, owners relative to
// the origin in ASCII form, targets absolute with their final dot, TXT in quoted strings of at
// most 255 bytes. A zone file has no lines, so records of other lines are left out. SOA and
// apex NS come from nameServers, the service's name servers for the domain where known (the
// SOA names the first); where not, a placeholder SOA (and NS, when the line has no apex NS)
// lets standard tools load the file. An import skips both.
ZoneExport writeZone(const QString &domain, const QList<Record> &records, int lineID,
                     const QStringList &nameServers = {});
