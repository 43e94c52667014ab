#include "client/live/LiveSubnets.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QStandardPaths>

bool parseLineSubnet(const QString &text, LineSubnet &subnet)
{
    if (!text.contains(QLatin1Char('/')))
        return false;
    const QPair<QHostAddress, int> parsed = QHostAddress::parseSubnet(text);
    if (parsed.first.isNull() || parsed.second < 0)
        return false;
    subnet.cidr = text;
    subnet.prefix = parsed.second;
    subnet.v6 = parsed.first.protocol() == QAbstractSocket::IPv6Protocol;
    if (subnet.v6) {
        const Q_IPV6ADDR a = parsed.first.toIPv6Address();
        subnet.address = QByteArray(reinterpret_cast<const char *>(a.c), 16);
    } else {
        const quint32 a = parsed.first.toIPv4Address();
        subnet.address = QByteArray(4, '\0');
        for (int i = 0; i < 4; ++i)
            subnet.address[i] = char((a >> (24 - 8 * i)) & 0xff);
    }
    return true;
}

QByteArray clientSubnetOption(const LineSubnet &subnet)
{
    const int bytes = (subnet.prefix + 7) / 8;
    QByteArray out;
    out.append(char(0)).append(char(subnet.v6 ? 2 : 1));
    out.append(char(subnet.prefix)).append(char(0));
    QByteArray address = subnet.address.left(bytes);
    // RFC 7871: bits beyond the source prefix must be zero.
    if (subnet.prefix % 8 && !address.isEmpty())
        address[bytes - 1] = char(uchar(address.at(bytes - 1)) & (0xff << (8 - subnet.prefix % 8)));
    return out + address;
}

LiveSubnets LiveSubnets::builtIn()
{
    LineSubnets table;
    QString error;
    parseLineSubnets(builtInText(), &table, &error);
    Q_ASSERT(error.isEmpty());
    return LiveSubnets(table);
}

QString LiveSubnets::userFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/halvik/line-subnets.txt");
}

bool LiveSubnets::load(const QString &path, LiveSubnets &table, QString &error)
{
    table = builtIn();
    if (!QFileInfo::exists(path))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("无法读取%1：%2").arg(path, file.errorString());
        return false;
    }
    LineSubnets user;
    // One byte over the limit is enough for the parser to refuse the file.
    if (!parseLineSubnets(file.read(kMaxLineSubnetsBytes + 1), &user, &error)) {
        error = QStringLiteral("%1：%2").arg(path, error);
        return false;
    }
    table.overlay(user);
    return true;
}

void LiveSubnets::overlay(const LineSubnets &over)
{
    for (auto it = over.subnets.cbegin(); it != over.subnets.cend(); ++it)
        m_table.subnets.insert(it.key(), it.value());
}

LineSubnet LiveSubnets::subnetOf(int lineID) const
{
    LineSubnet subnet;
    const QStringList subnets = m_table.subnets.value(lineID);
    if (!subnets.isEmpty())
        parseLineSubnet(subnets.first(), subnet);
    return subnet;
}
