#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// Which client subnets stand for a resolution line: a name server answers a query whose EDNS
// Client Subnet (or source address) lies in one of them with that line's records. The text
// form, one line per entry, is shared by the stand-in's table and the client's default table
// and user override:
//
//   # comment
//   <lineID> <CIDR> [<CIDR>...]
//
// Line ids are decimal; a line may appear on several lines (its subnets add up). A line that
// is absent has no subnet: only the default line (0) answers for it.
struct LineSubnets
{
    QMap<int, QStringList> subnets; // line id -> networks in "address/prefix" form

    bool isEmpty() const { return subnets.isEmpty(); }
};

// Reads the text form. Subnets are kept in normalized form (the network address, host bits
// cleared). False with the first fault and its line number in errorText; out is then left as
// it was. Files larger than kMaxLineSubnetsBytes are refused.
bool parseLineSubnets(const QByteArray &text, LineSubnets *out, QString *errorText);

// The text form of table, with header as "#" comment lines above it.
QByteArray formatLineSubnets(const LineSubnets &table, const QString &header = QString());

constexpr int kMaxLineSubnetsBytes = 4 * 1024 * 1024;
