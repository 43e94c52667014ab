#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// One client subnet of a line, as an EDNS Client Subnet option carries it.
struct LineSubnet
{
    QString cidr; // as written, for people
    bool v6 = false;
    int prefix = 0;
    QByteArray address; // the network's bytes (4 or 16), host bits cleared
};

// Which client subnets stand for each resolution line. Text form, one line per entry:
// "<lineID> <CIDR> [<CIDR>...]", the line id decimal or 0x-hexadecimal, "#" starts a comment.
// The check asks for a line with its first subnet.
class LineSubnets
{
public:
    // The table built into halvik: a few well-known networks of each carrier and province it can
    // place, the address registries' regions and the crawlers' published ranges.
    static LineSubnets builtIn();
    static QByteArray builtInText();

    // line-subnets.txt in halvik's folder of the user's configuration.
    static QString userFilePath();

    // Reads a table; false with the reason (and its line) for any entry that does not read.
    // Bounded: a file over 1 MiB or with over 10,000 entries is refused.
    static bool parse(const QByteArray &text, LineSubnets &table, QString &error);

    // The built-in table with the entries of the file at path (when it exists) put over it: a
    // line the file names takes the file's subnets, other lines keep the built-in ones. False
    // with the reason when the file exists but cannot be used; the table is then the built-in.
    static bool load(const QString &path, LineSubnets &table, QString &error);

    // Puts every line of over into this table, replacing its subnets.
    void overlay(const LineSubnets &over);

    bool has(int lineID) const { return !m_lines.value(lineID).isEmpty(); }
    // The subnet the check asks with; an empty one (no cidr) when the line has none.
    LineSubnet subnetOf(int lineID) const;
    QList<LineSubnet> subnetsOf(int lineID) const { return m_lines.value(lineID); }
    QList<int> lines() const { return m_lines.keys(); }

private:
    QMap<int, QList<LineSubnet>> m_lines;
};

// A subnet in CIDR form ("203.0.113.0/24", "2001:db8::/32"); false for anything else.
bool parseLineSubnet(const QString &text, LineSubnet &subnet);

// The payload of an EDNS Client Subnet option for subnet: family, source prefix, scope 0, and
// the address cut to the bytes the prefix covers.
QByteArray clientSubnetOption(const LineSubnet &subnet);
