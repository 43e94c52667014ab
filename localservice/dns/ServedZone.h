#pragma once

#include "client/LineSubnets.h"
#include "localservice/storage/StorageTypes.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

// The names of the stand-in's two name servers; every zone it serves names both.
namespace nameserver {
QString zone();       // "halvik-local.test"
QString ns1();        // "ns1.halvik-local.test"
QString ns2();        // "ns2.halvik-local.test"
QString ns1Address(); // "127.0.0.1"
QString ns2Address(); // "127.0.0.2"
} // namespace nameserver

// What a name server serves for one domain: a zone file with the default line's records, and
// per line the records Knot's geoip module (subnet mode) answers to that line's subnets. The
// module gives every record of one instance the same TTL, so there is one module file per TTL.
struct ServedZone
{
    qint64 domainId = 0;
    QString name; // ASCII, lower case, without the final dot
    QByteArray zoneText;
    QMap<int, QByteArray> geoByTtl; // TTL -> module file (subnet views)
};

// How lines fall back to one another: a province or region line to its carrier or family (the
// service's line tree), every line to the default line.
QHash<int, int> serviceLineParents();

// The zone of domain with its running records. A client in a line's subnet gets, per record
// type at a name, the line's own records, else its parent line's, else the default line's; a
// CNAME of the line itself hides every other type. Records of lines without subnets in table
// are not served; nor are paused records, NS records at the apex (the apex names the stand-in's
// own name servers), a CNAME at the apex (it cannot stand beside SOA and NS), values that are
// not valid for their type, and line records of names longer than the module's 127 characters.
ServedZone serveZone(const DomainRow &domain, const QList<RecordRow> &records, quint32 serial,
                     const LineSubnets &table, const QHash<int, int> &lineParents);

// The zone of the name servers' own names (SOA, NS, ns1 and ns2 addresses).
QByteArray nameServerZoneText(quint32 serial);

// A record's data in the zone file's presentation form, free of quotes so that it fits the
// geoip module's file too (TXT strings escaped byte by byte); empty when value does not fit type.
QByteArray presentationData(const QString &type, const QString &value, int mx);
