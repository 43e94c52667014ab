#pragma once

#include "client/Types.h"

#include <QByteArray>
#include <QString>

// The one answer to "is this the same record?", for the local copy, the planners, the zone
// reader, undo and validation. Two texts that mean the same name, address or value have the
// same key here. Pure functions, no state.

// Names. IDNA applies to the labels outside ASCII only, so that a wildcard or an underscore
// label beside them keeps its meaning; the IDNA dots (。．｡) separate labels like ".".

// name as written, its labels outside ASCII in their ASCII (xn--) form; empty when one of them
// has none. Letter case, blanks and dots are left to the caller.
QString asciiLabels(const QString &name);

// The ASCII form of a name: without surrounding blanks and final dots, letter case kept.
// Empty when a label has no ASCII form.
QString asciiName(const QString &name);

// The form two names compare in: asciiName in lower case. A name that has no ASCII form
// compares by its text in lower case.
QString normalizeName(const QString &name);

// A record's host compared: "@" (or empty) is the apex, "@"; anything else its normalizeName.
QString hostKey(const QString &host);

// The normalizeName of the name a record answers for: host "@" (or empty) is the domain itself.
QString normalizedFullName(const QString &host, const QString &domain);

// normalizedFullName() for the many records of one domain: the domain's part is normalized once,
// and a host already normalized is joined to it without being normalized again.
class DomainNameForm
{
public:
    explicit DomainNameForm(const QString &domain);
    // hostNormalized is normalizeName(host).
    QString fullName(const QString &host, const QString &hostNormalized) const;

private:
    QString m_domain;
    QString m_normalized;
    bool m_joinable = false; // joined to a normalized ASCII host, it is the full name's form
};

// Addresses.

// A dotted-quad IPv4 address (four decimal parts of 0 to 255) as a number; false otherwise.
bool parseIpv4(const QString &text, quint32 &address);
QString ipv4Text(quint32 address);

// An IPv6 address as its 16 bytes in network order; false for anything else (IPv4, a zone).
bool parseIpv6(const QString &text, QByteArray &address);
// The canonical text of 16 address bytes: lower case, no leading zeros, the longest run of two
// or more zero groups (the first when tied) as "::".
QString ipv6Text(const QByteArray &address);

// Values.

// The form two values of a record type compare in: addresses in canonical text, targets by
// normalizeName (absolute, so without the final dot), anything else (TXT) as the service stores it,
// without surrounding blanks and with its letter case.
QString valueKey(const QString &type, const QString &value);

bool sameValue(const QString &type, const QString &a, const QString &b);

// Records.

// Whether a and b are one record as the service keeps it: type, host, line and value (by key)
// agree. TTL, MX and the paused state may be edited on the record itself; a record that differs
// in anything else is another one, which the service may have given a reused id.
bool sameIdentity(const Record &a, const Record &b);

// Whether a and b are the same record for the service: sameIdentity, and TTL agrees, and MX
// for type MX. Ids and the paused state do not count.
bool sameRecord(const Record &a, const Record &b);

// sameRecord, and the paused state agrees too: what undo compares a live record with.
bool sameLiveRecord(const Record &a, const Record &b);
