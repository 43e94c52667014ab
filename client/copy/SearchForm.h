#pragma once

#include <QByteArray>
#include <QString>

// What the local copy's search compares, built on the one record identity: a search is blind
// to letter case, and finds addresses by range.

// What a record's value is searched by.
struct NormalizedValue
{
    QString text;     // the value's key (client/RecordIdentity.h), in lower case
    qint64 ipv4 = -1; // the address as a number, for A records that hold one
    QByteArray ipv6;  // the 16 bytes, for AAAA records that hold one
};
NormalizedValue normalizeValue(const QString &type, const QString &value);

// An address range written as CIDR ("203.0.113.0/24", "2001:db8::/32"); host bits of the
// address are ignored. False with a reason for anything else.
struct AddressRange
{
    bool isV6 = false;
    quint32 v4First = 0;
    quint32 v4Last = 0;
    QByteArray v6First; // 16 bytes each
    QByteArray v6Last;
};
bool looksLikeCidr(const QString &text);
bool parseCidr(const QString &text, AddressRange &range, QString &error);
