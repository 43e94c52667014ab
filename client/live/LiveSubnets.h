#pragma once

#include "client/LineSubnets.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One client subnet of a line, as an EDNS Client Subnet option carries it.
struct LineSubnet
{
    QString cidr; // as the table gives it, for people
    bool v6 = false;
    int prefix = 0;
    QByteArray address; // the network's bytes (4 or 16)
};

// The subnets the check asks each line with: the line table (client/LineSubnets.h) of halvik's
// own, with the user's file over it. The check asks for a line with its first subnet.
class LiveSubnets
{
public:
    LiveSubnets() = default;
    explicit LiveSubnets(const LineSubnets &table) : m_table(table) {}

    // The table built into halvik: a few well-known networks of each carrier and province it
    // can place, the address registries' regions and the crawlers' published ranges.
    static LiveSubnets builtIn();
    static QByteArray builtInText();

    // line-subnets.txt in halvik's folder of the user's configuration.
    static QString userFilePath();

    // The built-in table with the entries of the file at path (when it exists) put over it: a
    // line the file names takes the file's subnets, other lines keep the built-in ones. False
    // with the reason when the file exists but cannot be used; the table is then the built-in.
    static bool load(const QString &path, LiveSubnets &table, QString &error);

    // Puts every line of over into this table, replacing its subnets.
    void overlay(const LineSubnets &over);

    bool has(int lineID) const { return !m_table.subnets.value(lineID).isEmpty(); }
    // The subnet the check asks with; an empty one (no cidr) when the line has none.
    LineSubnet subnetOf(int lineID) const;
    const LineSubnets &table() const { return m_table; }

private:
    LineSubnets m_table;
};

// A subnet in CIDR form ("203.0.113.0/24", "2001:db8::/32"); false for anything else.
bool parseLineSubnet(const QString &text, LineSubnet &subnet);

// The payload of an EDNS Client Subnet option for subnet: family, source prefix, scope 0, and
// the address cut to the bytes the prefix covers, the bits beyond it cleared.
QByteArray clientSubnetOption(const LineSubnet &subnet);
